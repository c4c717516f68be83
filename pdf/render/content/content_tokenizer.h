#pragma once
// Splits content-stream text into the tokens the interpreter works on.
// Strings keep their delimiters, arrays come as "[" and "]" tokens, and a
// "<<" dictionary (the properties of marked content) is one token.
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
  explicit TContentTokenizer(std::string_view text)
      : text_(text), dictionaryBudget_(2 * text.size() + kDictionaryWindow) {}

  // The next token; empty at the end of the text.
  std::string_view Next();
  // After a BI token: the dictionary text up to ID and the data between ID
  // and an EI that stands alone. False (position unchanged) when there is
  // no ID, or no EI follows.
  bool ReadInlineImage(std::string_view& dictText, std::string_view& data);
  // 1-based position of the next character to read.
  size_t Position() const { return pos_ + 1; }
  // 1-based position of the first string that runs to the end of the text
  // without its closing parenthesis; 0 when every string was closed.
  size_t UnclosedString() const { return unclosedString_; }

 private:
  // Reads the dictionary that starts at start, when it ends within the
  // bytes still allowed for dictionaries.
  bool ReadDictionary(size_t start);

  static constexpr size_t kDictionaryWindow = size_t{1} << 16;
  std::string_view text_;
  size_t pos_ = 0;
  size_t dictionaryBudget_;
  size_t unclosedString_ = 0;
};

}  // namespace ostrel
