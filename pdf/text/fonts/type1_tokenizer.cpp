// The PostScript tokens a Type 1 font program is read with.
#include "pdf/text/fonts/type1_tokenizer.h"

#include <cctype>

#include "pdf/core/byte_classes.h"

namespace ostrel {

namespace {

bool LooksNumeric(std::string_view w) {
  size_t i = 0;
  if (i < w.size() && (w[i] == '-' || w[i] == '+')) ++i;
  bool digits = false, point = false;
  for (; i < w.size(); ++i) {
    if (std::isdigit(static_cast<unsigned char>(w[i]))) {
      digits = true;
    } else if (w[i] == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digits;
}

}  // namespace

TType1Token TType1Tokenizer::Next() {
  TType1Token t;
  while (pos_ < text_.size()) {
    char c = text_[pos_];
    if (IsPdfWhiteSpace(c)) {
      ++pos_;
    } else if (c == '%') {
      while (pos_ < text_.size() && text_[pos_] != '\n' && text_[pos_] != '\r') ++pos_;
    } else {
      break;
    }
  }
  if (pos_ >= text_.size()) return t;
  char c = text_[pos_];
  size_t start = pos_;
  if (c == '[' || c == ']' || c == '{' || c == '}') {
    ++pos_;
    t.Kind = TType1TokenKind::Delimiter;
    t.Text.assign(1, c);
  } else if (c == '(') {
    int depth = 0;
    while (pos_ < text_.size()) {
      char d = text_[pos_++];
      if (d == '\\') {
        ++pos_;
      } else if (d == '(') {
        ++depth;
      } else if (d == ')' && --depth == 0) {
        break;
      }
    }
    if (pos_ > text_.size()) pos_ = text_.size();
    t.Kind = TType1TokenKind::String;
    t.Text.assign(text_.substr(start, pos_ - start));
  } else if (c == '<') {
    size_t close = text_.find('>', pos_);
    pos_ = close == std::string_view::npos ? text_.size() : close + 1;
    t.Kind = TType1TokenKind::HexString;
    t.Text.assign(text_.substr(start, pos_ - start));
  } else if (c == '/' || c == ')' || c == '>') {
    ++pos_;
    while (pos_ < text_.size() && IsPdfRegular(text_[pos_])) ++pos_;
    t.Kind = c == '/' ? TType1TokenKind::Name : TType1TokenKind::Word;
    t.Text.assign(text_.substr(start, pos_ - start));
  } else {
    while (pos_ < text_.size() && IsPdfRegular(text_[pos_])) ++pos_;
    std::string_view word = text_.substr(start, pos_ - start);
    if (LooksNumeric(word)) {
      t.Kind = TType1TokenKind::Number;
      t.Text.assign(word);
    } else {
      t.Kind = TType1TokenKind::Word;
      t.Text = "/ps:" + std::string(word);
    }
  }
  return t;
}

}  // namespace ostrel
