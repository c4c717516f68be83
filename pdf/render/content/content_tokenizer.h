#pragma once
// Splits content-stream text into the tokens the interpreter works on.
// Strings keep their delimiters, arrays come as "[" and "]" tokens, and
// "<<" dictionaries come out as odd tokens that only ever reach the operand
// stack.
#include <cstddef>
#include <string_view>

#include "pdf/core/byte_classes.h"

namespace ostrel {

// Where a word (number, name, operator) of content ends: at white space or at
// a delimiter that opens another token. ")", ">", "{", "}" and "%" stay inside
// the word they follow, as content writers have long been read.
constexpr bool EndsContentWord(char c) {
  return IsPdfWhiteSpace(c) || c == '(' || c == '/' || c == '<' || c == '[' || c == ']';
}

class TContentTokenizer {
 public:
  explicit TContentTokenizer(std::string_view text) : text_(text) {}

  // The next token; empty at the end of the text.
  std::string_view Next();
  // After a BI token: the dictionary text up to ID and the data between ID
  // and an EI that stands alone. False (position unchanged) when there is
  // no ID, or no EI follows.
  bool ReadInlineImage(std::string_view& dictText, std::string_view& data);
  // 1-based position of the next character to read.
  size_t Position() const { return pos_ + 1; }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

}  // namespace ostrel
