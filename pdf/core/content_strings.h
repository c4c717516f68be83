#pragma once
// Decoders for the two string forms met while scanning content streams.
#include <string>
#include <string_view>

namespace ostrel {

// A literal string given with its parentheses: the outer bytes are dropped and
// the escapes resolved (\n \r \t \b \f, \( \) \\, one to three octal digits,
// backslash-newline as line continuation; any other escaped byte stands for
// itself). Unescaped CR bytes are kept.
std::string ContentLiteralUnescape(std::string_view withParens);

// A hexadecimal string given with its angle brackets ("" when they are
// missing): letters and digits only, an odd count padded with "0", a pair that
// is not hexadecimal giving 0.
std::string ContentHexDecode(std::string_view withAngleBrackets);

}  // namespace ostrel
