#pragma once
// Tokens of the PostScript text in Type 1 font programs.
#include <cstddef>
#include <string>
#include <string_view>

namespace ostrel {

enum class TType1TokenKind { End, Delimiter, Number, String, HexString, Name, Word };

struct TType1Token {
  TType1TokenKind Kind = TType1TokenKind::End;
  // Delimiters and strings as written (strings with their parentheses or
  // angle brackets), names with their "/", words as "/ps:" + the word.
  std::string Text;
};

class TType1Tokenizer {
 public:
  explicit TType1Tokenizer(std::string_view text, size_t pos = 0) : text_(text), pos_(pos) {}
  TType1Token Next();
  size_t Pos() const { return pos_; }
  void Seek(size_t pos) { pos_ = pos < text_.size() ? pos : text_.size(); }
  std::string_view Text() const { return text_; }

 private:
  std::string_view text_;
  size_t pos_;
};

}  // namespace ostrel
