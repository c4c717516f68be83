#include "pdf/render/content/content_tokenizer.h"

#include <algorithm>

#include "pdf/render/content/inline_image_end.h"

namespace ostrel {

namespace {

// Past the ")" that balances the "(" at start; npos when the text ends first.
size_t LiteralEnd(std::string_view text, size_t start) {
  int depth = 0;
  for (size_t i = start; i < text.size(); ++i) {
    if (text[i] == '\\') {
      ++i;
    } else if (text[i] == '(') {
      ++depth;
    } else if (text[i] == ')' && --depth == 0) {
      return i + 1;
    }
  }
  return std::string_view::npos;
}

// Past the ">>" that closes the "<<" at start, strings inside skipped; npos
// when the text ends first.
size_t DictionaryEnd(std::string_view text, size_t start) {
  int depth = 0;
  for (size_t i = start; i < text.size();) {
    if (text.substr(i, 2) == "<<") {
      ++depth;
      i += 2;
    } else if (text.substr(i, 2) == ">>") {
      i += 2;
      if (--depth == 0) return i;
    } else if (text[i] == '(') {
      i = LiteralEnd(text, i);
      if (i == std::string_view::npos) return i;
    } else if (text[i] == '<') {
      i = text.find('>', i);
      if (i == std::string_view::npos) return i;
      ++i;
    } else {
      ++i;
    }
  }
  return std::string_view::npos;
}

}  // namespace

std::string_view TContentTokenizer::Next() {
  const size_t n = text_.size();
  for (;;) {
    while (pos_ < n && IsPdfWhiteSpace(text_[pos_])) ++pos_;
    // A comment runs to the end of its line; its words are not operators.
    if (pos_ < n && text_[pos_] == '%') {
      while (pos_ < n && text_[pos_] != '\n' && text_[pos_] != '\r') ++pos_;
      continue;
    }
    break;
  }
  if (pos_ >= n) return {};
  size_t start = pos_;
  char c = text_[pos_++];
  if (pos_ == n) return text_.substr(start, 1);
  switch (c) {
    case '(': {
      int depth = 1;
      while (pos_ < n && depth > 0) {
        char d = text_[pos_++];
        if (d == '\\')
          ++pos_;
        else if (d == '(')
          ++depth;
        else if (d == ')')
          --depth;
      }
      if (pos_ > n) pos_ = n;
      if (depth > 0 && !unclosedString_) unclosedString_ = start + 1;
      break;
    }
    case '<':
      if (text_[pos_] == '<' && ReadDictionary(start)) break;
      while (pos_ < n && text_[pos_] != '>') ++pos_;
      if (pos_ < n) ++pos_;
      break;
    case '\'':
    case '[':
    case ']':
      break;
    default:
      while (pos_ < n && !EndsContentWord(text_[pos_])) ++pos_;
      break;
  }
  return text_.substr(start, pos_ - start);
}

bool TContentTokenizer::ReadDictionary(size_t start) {
  // Only marked-content properties are written out in content, a few hundred
  // bytes each; a search per "<<" without a bound would make a page of
  // unclosed ones quadratic.
  std::string_view window = text_.substr(start, std::min({dictionaryBudget_, kDictionaryWindow, text_.size() - start}));
  size_t end = DictionaryEnd(window, 0);
  dictionaryBudget_ -= end == std::string_view::npos ? window.size() : end;
  if (end == std::string_view::npos) return false;
  pos_ = start + end;
  return true;
}

bool TContentTokenizer::ReadInlineImage(std::string_view& dictText, std::string_view& data) {
  const size_t n = text_.size();
  size_t dictStart = pos_;
  for (;;) {
    size_t before = pos_;
    std::string_view token = Next();
    if (token.empty()) {
      pos_ = n;
      return false;
    }
    if (token == "ID") {
      dictText = text_.substr(dictStart, before - dictStart);
      break;
    }
  }
  // One white-space byte separates ID from the data.
  if (pos_ < n && IsPdfWhiteSpace(text_[pos_])) ++pos_;
  size_t dataStart = pos_;
  size_t length = 0;
  size_t ei = 0;
  if (!FindInlineImageEnd(dictText, text_.substr(dataStart), length, ei)) {
    // No end marker: everything after ID is image data, never operators.
    pos_ = n;
    return false;
  }
  data = text_.substr(dataStart, length);
  pos_ = dataStart + ei + 2;
  return true;
}

}  // namespace ostrel
