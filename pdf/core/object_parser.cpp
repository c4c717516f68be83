// Reads one PDF object (with everything nested in it) from object text into
// the pool. The reader never raises: unreadable text gives no object, which
// the pool's entry points turn into a null.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <unordered_map>

#include "pdf/core/byte_classes.h"
#include "pdf/core/decimal_reading.h"
#include "pdf/core/pdf_structure.h"

namespace ostrel {
namespace {

// Value of a hexadecimal digit, or 0xFF for any other byte.
constexpr std::array<uint8_t, 256> kHexValue = [] {
  std::array<uint8_t, 256> table{};
  table.fill(0xFF);
  for (int i = 0; i < 10; ++i) table['0' + i] = static_cast<uint8_t>(i);
  for (int i = 0; i < 6; ++i) {
    table['A' + i] = static_cast<uint8_t>(10 + i);
    table['a' + i] = static_cast<uint8_t>(10 + i);
  }
  return table;
}();

// Deeper containers read as no object, so hostile nesting cannot exhaust the stack.
constexpr int kMaxDepth = 512;
// Dictionaries with more pairs than this get a key index, so that reading a
// huge dictionary does not search all earlier keys for every new one.
constexpr size_t kIndexedDictionary = 16;
constexpr double kMaxObjectNumber = std::numeric_limits<int32_t>::max();

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
// "}" ends nothing here: in object text it can only belong to a name.
bool EndsToken(char c) { return !IsPdfRegular(c) && c != '}'; }
uint8_t HexValue(char c) { return kHexValue[static_cast<unsigned char>(c)]; }

class ObjectReader {
 public:
  ObjectReader(TPDFStructure& pool, std::string_view text)
      : pool_(pool), text_(text), reserveBudget_(text.size() / 4) {}

  // Skips white space and comments; the last byte is never skipped as white space.
  void Skip() {
    const size_t n = text_.size();
    for (;;) {
      while (pos_ + 1 < n && IsPdfWhiteSpace(text_[pos_])) ++pos_;
      if (pos_ >= n || text_[pos_] != '%') return;
      while (pos_ < n && text_[pos_] != '\n' && text_[pos_] != '\r') ++pos_;
    }
  }

  // One object at the position, or nullptr with the position unchanged.
  TPDFObject* Read() {
    if (pos_ >= text_.size() || tooDeep_) return nullptr;
    switch (text_[pos_]) {
      case '<':
        if (Peek(1) == '<') return ReadDictionary();
        return ReadHexString();
      case '[': return ReadArray();
      case '(': return ReadLiteralString();
      case '/': return ReadName();
      case 't': return ReadKeyword("true") ? pool_.NewBoolean(true) : nullptr;
      case 'f': return ReadKeyword("false") ? pool_.NewBoolean(false) : nullptr;
      case 'n': return ReadKeyword("null") ? pool_.NewNull() : nullptr;
      case '-':
      case '.': return ReadNumberOrReference();
      default: return IsDigit(text_[pos_]) ? ReadNumberOrReference() : nullptr;
    }
  }

  size_t Position() const { return pos_; }

 private:
  char Peek(size_t ahead) const {
    return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0';
  }

  // Opens one more container level. Past the bound nothing more is read at
  // all: otherwise each enclosing container would read the same too-deep
  // text again as a sibling, level after level.
  bool Enter() {
    if (depth_ >= kMaxDepth) {
      tooDeep_ = true;
      return false;
    }
    ++depth_;
    return true;
  }

  TPDFObject* ReadDictionary() {
    // "<<" needs at least three more bytes after its first "<".
    if (pos_ + 4 > text_.size() || !Enter()) return nullptr;
    pos_ += 2;
    TPDFDictionary* dict = pool_.NewDictionary();
    std::unordered_map<std::string_view, size_t> index;
    for (;;) {
      Skip();
      TPDFObject* key = Read();
      if (!key) break;
      Skip();
      TPDFObject* value = Read();
      auto* name = PdfCast<TPDFName>(key);
      if (!name || !value) break;
      AddPair(dict, index, name, value);
    }
    if (text_.substr(pos_, 2) == ">>") pos_ += 2;
    --depth_;
    return dict;
  }

  // SetEntry semantics (a repeated key replaces the first value in place),
  // with an index once the dictionary is large.
  static void AddPair(TPDFDictionary* dict, std::unordered_map<std::string_view, size_t>& index,
                      TPDFName* key, TPDFObject* value) {
    auto& pairs = dict->Pairs;
    if (pairs.size() < kIndexedDictionary) {
      dict->SetEntry(key, value);
      return;
    }
    if (index.empty()) {
      for (size_t i = 0; i < pairs.size(); ++i) index.try_emplace(pairs[i].first->Value, i);
    }
    auto [it, added] = index.try_emplace(key->Value, pairs.size());
    if (added) {
      pairs.emplace_back(key, value);
    } else {
      pairs[it->second].second = value;
    }
  }

  TPDFObject* ReadArray() {
    if (pos_ + 2 > text_.size() || !Enter()) return nullptr;
    ++pos_;
    TPDFArray* array = pool_.NewArray();
    for (;;) {
      Skip();
      TPDFObject* member = Read();
      if (!member) break;
      array->Add(member);
      // Long arrays of references (/Kids, /Annots) are allocated once.
      if (array->Count() == 1 && PdfCast<TPDFIndRef>(member)) array->Reserve(ReferenceMarksAhead());
    }
    if (pos_ < text_.size() && text_[pos_] == ']') ++pos_;
    --depth_;
    return array;
  }

  // The letters "R" from the position to the next "]", as an estimate of the
  // references still to come. Nested arrays scan the same stretch, so the
  // last scan is kept and narrowed instead of repeated; and the total
  // reserved is bounded by the text length, as every reference takes at
  // least four bytes.
  size_t ReferenceMarksAhead() {
    const size_t from = pos_;
    if (from < scanFrom_ || from > scanEnd_) {
      const void* close = std::memchr(text_.data() + from, ']', text_.size() - from);
      scanEnd_ = close ? static_cast<size_t>(static_cast<const char*>(close) - text_.data()) : text_.size();
      scanCount_ = static_cast<size_t>(std::count(text_.begin() + from, text_.begin() + scanEnd_, 'R'));
    } else {
      scanCount_ -= static_cast<size_t>(std::count(text_.begin() + scanFrom_, text_.begin() + from, 'R'));
    }
    scanFrom_ = from;
    const size_t granted = std::min({scanCount_, (text_.size() - from) / 4, reserveBudget_});
    reserveBudget_ -= granted;
    return granted;
  }

  // A keyword must end the text or be followed by white space or a delimiter.
  bool ReadKeyword(std::string_view keyword) {
    if (text_.substr(pos_, keyword.size()) != keyword) return false;
    const size_t end = pos_ + keyword.size();
    if (end < text_.size() && !EndsToken(text_[end])) return false;
    pos_ = end;
    return true;
  }

  // A number token: its first byte, then digits and at most one point.
  struct NumberToken {
    size_t end;
    bool hasPoint;
    double value;
  };

  NumberToken ScanNumber(size_t start) const {
    bool hasPoint = text_[start] == '.';
    size_t end = start + 1;
    while (end < text_.size()) {
      const char c = text_[end];
      if (c == '.' && !hasPoint) {
        hasPoint = true;
      } else if (!IsDigit(c)) {
        break;
      }
      ++end;
    }
    const std::string_view token = text_.substr(start, end - start);
    double value = 0;
    if (hasPoint || token.size() > 8) {
      value = ReadDecimal(token);
    } else {
      int32_t integer = 0;
      auto [stop, ec] = std::from_chars(token.data(), token.data() + token.size(), integer);
      if (ec == std::errc() && stop == token.data() + token.size()) value = integer;
    }
    return {end, hasPoint, value};
  }

  static bool IsObjectNumber(double value) { return value >= 0 && value <= kMaxObjectNumber; }

  // A number, or "number generation R" as a reference. Numbers outside
  // 0..2^31-1 are never references: truncating them would point elsewhere.
  TPDFObject* ReadNumberOrReference() {
    const NumberToken first = ScanNumber(pos_);
    if (!first.hasPoint) {
      pos_ = first.end;
      Skip();
      if (pos_ < text_.size() && IsDigit(text_[pos_])) {
        const NumberToken second = ScanNumber(pos_);
        pos_ = second.end;
        Skip();
        const double generation = std::trunc(second.value);
        if (pos_ < text_.size() && text_[pos_] == 'R' && IsObjectNumber(first.value) &&
            IsObjectNumber(generation)) {
          ++pos_;
          return pool_.NewIndRef(static_cast<int32_t>(first.value), static_cast<int32_t>(generation));
        }
      }
    }
    pos_ = first.end;
    return pool_.NewNumeric(first.value);
  }

  TPDFObject* ReadLiteralString() {
    const size_t n = text_.size();
    size_t i = pos_ + 1;
    size_t depth = 1;
    for (; i < n; ++i) {
      const char c = text_[i];
      if (c == '\\') {
        // An escaped bracket or backslash is passed over, except in the last two bytes.
        if (i + 2 < n && (text_[i + 1] == '(' || text_[i + 1] == ')' || text_[i + 1] == '\\')) ++i;
      } else if (c == '(') {
        ++depth;
      } else if (c == ')' && --depth == 0) {
        break;
      }
    }
    if (i >= n) return nullptr;  // unterminated
    std::string value = UnescapeLiteral(text_.substr(pos_ + 1, i - pos_ - 1));
    pos_ = i + 1;
    return pool_.Adopt(new TPDFString(&pool_, std::move(value), TPDFStringForm::Literal));
  }

  static std::string UnescapeLiteral(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    const size_t n = raw.size();
    size_t k = 0;
    while (k < n) {
      const char c = raw[k];
      if (c == '\r') {  // CR and CR LF are both one LF
        out += '\n';
        k += (k + 1 < n && raw[k + 1] == '\n') ? 2 : 1;
        continue;
      }
      if (c != '\\' || k + 1 >= n) {
        out += c;
        ++k;
        continue;
      }
      const char e = raw[k + 1];
      if (IsDigit(e)) {
        // Up to three digits, 8 and 9 weighted like octal digits; the byte wraps.
        unsigned value = 0;
        size_t j = k + 1;
        for (; j < n && j < k + 4 && IsDigit(raw[j]); ++j) value = value * 8 + static_cast<unsigned>(raw[j] - '0');
        out += static_cast<char>(value & 0xFF);
        k = j;
        continue;
      }
      k += 2;
      switch (e) {
        case '\n': break;  // line continuation
        case '\r':
          if (k < n && raw[k] == '\n') ++k;
          break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case '(':
        case ')':
        case '\\': out += e; break;
        default:  // unknown escape: the backslash stays, the next byte is read normally
          out += '\\';
          k -= 1;
      }
    }
    return out;
  }

  TPDFObject* ReadHexString() {
    // Without a closing ">", the last byte stands in for it.
    const size_t close = text_.find('>', pos_ + 1);
    const size_t contentEnd = close == std::string_view::npos ? text_.size() - 1 : close;
    std::string value;
    value.reserve((std::max(contentEnd, pos_ + 1) - pos_) / 2);
    int high = -1;
    for (size_t i = pos_ + 1; i < contentEnd; ++i) {
      const uint8_t digit = HexValue(text_[i]);
      if (digit == 0xFF) continue;
      if (high < 0) {
        high = digit;
      } else {
        value += static_cast<char>(high << 4 | digit);
        high = -1;
      }
    }
    if (high >= 0) value += static_cast<char>(high << 4);  // odd count: a 0 is appended
    pos_ = contentEnd + 1;
    return pool_.Adopt(new TPDFString(&pool_, std::move(value), TPDFStringForm::Hex));
  }

  TPDFObject* ReadName() {
    size_t end = pos_ + 1;
    while (end < text_.size() && !EndsToken(text_[end])) ++end;
    const std::string_view raw = text_.substr(pos_ + 1, end - pos_ - 1);
    pos_ = end;
    if (raw.find('#') == std::string_view::npos) return pool_.NewName(raw);
    // "#" and two hexadecimal digits give one byte; the result is not decoded again.
    std::string value;
    value.reserve(raw.size());
    for (size_t k = 0; k < raw.size(); ++k) {
      if (raw[k] == '#' && k + 2 < raw.size() && HexValue(raw[k + 1]) != 0xFF && HexValue(raw[k + 2]) != 0xFF) {
        value += static_cast<char>(HexValue(raw[k + 1]) << 4 | HexValue(raw[k + 2]));
        k += 2;
      } else {
        value += raw[k];
      }
    }
    return pool_.Adopt(new TPDFName(&pool_, std::move(value)));
  }

  TPDFStructure& pool_;
  std::string_view text_;
  size_t pos_ = 0;
  int depth_ = 0;
  bool tooDeep_ = false;
  // The last scan for "R" letters: the count in [scanFrom_, scanEnd_).
  size_t scanFrom_ = 1;
  size_t scanEnd_ = 0;
  size_t scanCount_ = 0;
  size_t reserveBudget_;  // array slots still allowed to be reserved ahead
};

}  // namespace

TPDFObject* TPDFStructure::ParseObjectAt(std::string_view text, size_t& consumed) {
  consumed = 0;
  if (text.empty()) return NewNull();
  try {
    ObjectReader reader(*this, text);
    reader.Skip();
    TPDFObject* obj = reader.Read();
    consumed = reader.Position();
    if (obj) return obj;
  } catch (...) {
    // A failure while reading (out of memory on hostile sizes) reads as no object.
    consumed = 0;
  }
  return NewNull();
}

std::string IndirectValueDamage(std::string_view text, size_t consumed, const TPDFObject* value) {
  auto skipWhite = [](std::string_view s) {
    while (!s.empty() && IsPdfWhiteSpace(s.front())) s.remove_prefix(1);
    return s;
  };
  auto ends = [](std::string_view s) { return s.empty() || s.starts_with("endobj") || s.starts_with("stream"); };
  const std::string_view start = skipWhite(text);
  if (PdfCast<TPDFNull>(value) && !start.starts_with("null")) {
    return ends(start) ? "empty, read as null" : "unexpected token, read as null";
  }
  return ends(skipWhite(text.substr(std::min(consumed, text.size())))) ? "" : "unexpected token after the value, ignored";
}

TPDFObject* TPDFStructure::ParseObject(std::string_view text) {
  size_t consumed = 0;
  return ParseObjectAt(text, consumed);
}

}  // namespace ostrel
