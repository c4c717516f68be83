#pragma once
// The flat tokenizer of the text extractor: a content stream read as a plain
// run of tokens, with no object tree, so that damaged content still yields
// the text around the damage.
#include <cstddef>
#include <string_view>

namespace ostrel {

// The token at pos (white space skipped first), with pos moved past it; an
// empty token at the end of the content. A literal string runs to its
// balancing ")", a "<" token to the first ">", "[" and "]" stand alone, any
// other token runs to white space or one of "(", "<", "[", "]", "/".
std::string_view NextContentToken(std::string_view content, size_t& pos);

// True for the number form the extractor acts on: an optional leading "-",
// then digits with at most one "." (and at least one digit).
bool IsContentNumber(std::string_view token);

}  // namespace ostrel
