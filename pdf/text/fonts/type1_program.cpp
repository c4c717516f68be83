// Reading a Type 1 font program: the cleartext dictionary (rewritten into
// PDF object syntax and parsed as such) and the eexec-encrypted private part
// with its subroutines and charstrings.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

#include "pdf/core/byte_classes.h"
#include "pdf/core/pdf_objects.h"
#include "pdf/core/pdf_structure.h"
#include "pdf/text/fonts/type1_decoder.h"
#include "pdf/text/fonts/type1_tokenizer.h"

namespace ostrel {
namespace {

constexpr uint16_t kEexecKey = 55665;
constexpr uint16_t kCharstringKey = 4330;
// Subroutine numbers far beyond any real font are damage.
constexpr int64_t kMaxSubrs = 65536;

std::string Decrypt(std::string_view cipher, uint16_t key, size_t skip) {
  std::string plain;
  plain.reserve(cipher.size());
  uint16_t r = key;
  for (unsigned char c : cipher) {
    plain.push_back(static_cast<char>(c ^ (r >> 8)));
    r = static_cast<uint16_t>((c + r) * 52845u + 22719u);
  }
  return skip < plain.size() ? plain.substr(skip) : std::string();
}

bool IsHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

// Some programs carry the encrypted part in hexadecimal (the PFA form).
std::string UnhexIfNeeded(std::string_view part) {
  size_t i = 0;
  while (i < part.size() && IsPdfWhiteSpace(part[i])) ++i;
  if (part.size() - i < 4 || !std::all_of(part.begin() + i, part.begin() + i + 4, IsHex)) return std::string(part);
  std::string out;
  int high = -1;
  for (; i < part.size(); ++i) {
    char c = part[i];
    if (IsPdfWhiteSpace(c)) continue;
    if (!IsHex(c)) break;
    int v = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (std::tolower(c) - 'a' + 10);
    if (high < 0) {
      high = v;
    } else {
      out.push_back(static_cast<char>(high * 16 + v));
      high = -1;
    }
  }
  return out;
}

int64_t NumberValue(const TType1Token& t) {
  int64_t v = 0;
  const char* b = t.Text.data();
  if (!t.Text.empty() && *b == '+') ++b;
  std::from_chars(b, t.Text.data() + t.Text.size(), v);
  return v;
}

bool IsWord(const TType1Token& t, std::string_view word) {
  return t.Kind == TType1TokenKind::Word && t.Text.size() == word.size() + 4 && t.Text.compare(4, std::string::npos, word) == 0;
}

// Rewrites the cleartext's tokens into the text of one PDF dictionary.
std::string RewriteHeader(std::string_view cleartext) {
  std::vector<TType1Token> tokens;
  TType1Tokenizer tok(cleartext);
  for (TType1Token t = tok.Next(); t.Kind != TType1TokenKind::End; t = tok.Next()) {
    if (IsWord(t, "eexec")) break;
    tokens.push_back(std::move(t));
  }
  std::vector<std::string> out;
  bool skippingToDict = false, openNextBegin = false, inEncodingArray = false, encodingEntries = false;
  for (size_t i = 0; i < tokens.size(); ++i) {
    const TType1Token& t = tokens[i];
    if (IsWord(t, "FontDirectory")) skippingToDict = true;
    if (skippingToDict) {
      // The "known" guard ends at the font's own "N dict begin": its count
      // is already dropped, and the dictionary it opens is the font's.
      if (IsWord(t, "dict")) skippingToDict = false, openNextBegin = true;
      continue;
    }
    if (inEncodingArray && !encodingEntries) {
      // Everything before the first "dup" builds the empty array.
      if (IsWord(t, "dup")) encodingEntries = true;
      continue;
    }
    if (inEncodingArray && (IsWord(t, "def") || IsWord(t, "readonly"))) {
      out.push_back("]");
      inEncodingArray = encodingEntries = false;
      continue;
    }
    if (t.Kind == TType1TokenKind::Name && t.Text == "/Encoding" && i + 1 < tokens.size()) {
      if (IsWord(tokens[i + 1], "StandardEncoding")) {
        out.push_back("/Encoding /StandardEncoding");
        ++i;
        continue;
      }
      if (tokens[i + 1].Kind == TType1TokenKind::Number && i + 2 < tokens.size() && IsWord(tokens[i + 2], "array")) {
        out.push_back("/Encoding [");
        inEncodingArray = true;
        i += 2;
        continue;
      }
    }
    if (IsWord(t, "dict")) {
      if (!out.empty()) out.pop_back();
      openNextBegin = true;
      continue;
    }
    if (IsWord(t, "begin") && openNextBegin) {
      out.push_back("<<");
      openNextBegin = false;
      continue;
    }
    if (IsWord(t, "end")) {
      out.push_back(">>");
      continue;
    }
    if (IsWord(t, "true") || IsWord(t, "false")) {
      out.push_back(t.Text.substr(4));
      continue;
    }
    if (t.Kind == TType1TokenKind::Word) continue;  // operators carry no data
    if (t.Text == "{") {
      out.push_back("[");
    } else if (t.Text == "}") {
      out.push_back("]");
    } else {
      out.push_back(t.Text);
    }
  }
  std::string text;
  for (const std::string& s : out) {
    text += s;
    text += ' ';
  }
  return text;
}

}  // namespace

std::string GlyphProgramNumber(double value) {
  char buf[400];  // room for any double in fixed notation
  if (!std::isfinite(value)) return "0";
  if (std::abs(value) < 1e15 && value == static_cast<double>(static_cast<int64_t>(value))) {
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, static_cast<int64_t>(value));
    return std::string(buf, end);
  }
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 6);
  std::string s(buf, end);
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  if (s == "-0") s = "0";
  return s;
}

std::string TPDFType1Decoder::DecryptCharstring(std::string_view cipher) const {
  if (LenIV < 0) return std::string(cipher);  // unencrypted charstrings
  return Decrypt(cipher, kCharstringKey, size_t(LenIV));
}

bool TPDFType1Decoder::SplitType1Stream(std::string_view data, int64_t length1, int64_t length2, int64_t length3) {
  if (length1 <= 0 || length2 <= 0) return false;
  if (uint64_t(length1) + uint64_t(length2) > data.size()) return false;
  Cleartext.assign(data.substr(0, size_t(length1)));
  Binary.assign(data.substr(size_t(length1), size_t(length2)));
  size_t rest = size_t(length1 + length2);
  Trailer.assign(data.substr(rest, length3 > 0 ? size_t(length3) : 0));
  return true;
}

bool TPDFType1Decoder::ParseType1Header() {
  encoding_ = GlyphNamesOf(kStandardEncoding);
  hasEncoding_ = true;
  auto* dict = PdfCast<TPDFDictionary>(pool_->ParseObject(RewriteHeader(Cleartext)));
  if (!dict) return false;
  FontDictionary = dict;
  topMatrix_ = ReadFontMatrix(dict);
  if (auto* box = PdfCast<TPDFArray>(dict->GetValue("FontBBox"))) {
    for (size_t i = 0; i < box->Count(); ++i)
      if (auto* n = PdfCast<TPDFNumeric>(box->Item(i))) fontBox_.push_back(n->Value);
  }
  if (auto* enc = PdfCast<TPDFArray>(dict->GetValue("Encoding"))) {
    encoding_.fill(".notdef");
    for (size_t i = 0; i + 1 < enc->Count(); i += 2) {
      auto* code = PdfCast<TPDFNumeric>(enc->Item(i));
      auto* name = PdfCast<TPDFName>(enc->Item(i + 1));
      if (code && name && code->Value >= 0 && code->Value <= 255) encoding_[code->AsInteger()] = name->Value;
    }
  }
  return true;
}

class TType1PrivateReader {
 public:
  TType1PrivateReader(TPDFType1Decoder& d, std::string_view plain) : d_(d), plain_(plain), tok_(plain) {}

  void Read() {
    for (TType1Token t = tok_.Next(); t.Kind != TType1TokenKind::End; t = tok_.Next()) {
      if (t.Kind != TType1TokenKind::Name) continue;
      if (t.Text == "/lenIV") {
        TType1Token n = tok_.Next();
        if (n.Kind == TType1TokenKind::Number) d_.LenIV = int(std::clamp<int64_t>(NumberValue(n), -1, 1024));
      } else if (t.Text == "/Subrs") {
        ReadSubrs();
      } else if (t.Text == "/CharStrings") {
        ReadCharStrings();
      } else {
        ReadProcedureName(t.Text.substr(1));
      }
    }
  }

 private:
  bool IsReadString(const TType1Token& t) const {
    return IsWord(t, d_.readStringName_) || IsWord(t, "RD") || IsWord(t, "-|");
  }

  // "/RD {string currentfile exch readstring pop} executeonly def" and the
  // like: the font names its own procedures.
  void ReadProcedureName(const std::string& name) {
    size_t save = tok_.Pos();
    TType1Token open = tok_.Next();
    if (open.Text != "{") {
      tok_.Seek(save);
      return;
    }
    for (int n = 0; n < 16; ++n) {
      TType1Token t = tok_.Next();
      if (t.Kind == TType1TokenKind::End || t.Text == "}") break;
      if (IsWord(t, "readstring")) d_.readStringName_ = name;
      else if (IsWord(t, "def")) d_.noAccessDefName_ = name;
      else if (IsWord(t, "put")) d_.noAccessPutName_ = name;
    }
  }

  // "<length> RD " then exactly length bytes; the binary after the single
  // separator byte. Empty (and false) when the data runs out.
  bool ReadBinary(int64_t length, std::string& out) {
    TType1Token rd = tok_.Next();
    if (!IsReadString(rd) || length < 0) return false;
    size_t start = tok_.Pos() + 1;
    if (start > plain_.size() || uint64_t(length) > plain_.size() - start) return false;
    out.assign(plain_.substr(start, size_t(length)));
    tok_.Seek(start + size_t(length));
    return true;
  }

  void ReadSubrs() {
    TType1Token count = tok_.Next();
    int64_t declared = count.Kind == TType1TokenKind::Number ? NumberValue(count) : 0;
    declared = std::clamp<int64_t>(declared, 0, kMaxSubrs);
    int64_t read = 0;
    while (read < declared) {
      size_t save = tok_.Pos();
      TType1Token t = tok_.Next();
      if (t.Kind == TType1TokenKind::End) return;
      if (IsWord(t, d_.noAccessDefName_) || IsWord(t, "ND") || IsWord(t, "|-") || IsWord(t, "readonly") ||
          IsWord(t, "def")) {
        if (read > 0) return;
        continue;
      }
      if (!IsWord(t, "dup")) {
        if (t.Kind == TType1TokenKind::Name) {
          tok_.Seek(save);
          return;
        }
        continue;
      }
      TType1Token index = tok_.Next();
      TType1Token length = tok_.Next();
      if (index.Kind != TType1TokenKind::Number || length.Kind != TType1TokenKind::Number) continue;
      std::string bytes;
      if (!ReadBinary(NumberValue(length), bytes)) return;
      int64_t n = NumberValue(index);
      if (n >= 0 && n < declared) {
        // Grows only with subroutines actually present in the data.
        if (size_t(n) >= d_.localSubrs_.size()) d_.localSubrs_.resize(size_t(n) + 1);
        d_.localSubrs_[size_t(n)] = std::move(bytes);
      }
      ++read;
    }
  }

  void ReadCharStrings() {
    for (;;) {
      TType1Token t = tok_.Next();
      if (t.Kind == TType1TokenKind::End || IsWord(t, "end")) return;
      if (t.Kind != TType1TokenKind::Name) continue;
      size_t save = tok_.Pos();
      TType1Token length = tok_.Next();
      if (length.Kind != TType1TokenKind::Number) {
        tok_.Seek(save);
        continue;
      }
      std::string bytes;
      if (!ReadBinary(NumberValue(length), bytes)) return;
      d_.AddGlyph(t.Text.substr(1), std::move(bytes));
    }
  }

  TPDFType1Decoder& d_;
  std::string_view plain_;
  TType1Tokenizer tok_;
};

void TPDFType1Decoder::ParseType1Private() {
  std::string binary = UnhexIfNeeded(Binary);
  std::string_view cipher = binary;
  size_t eexec = cipher.find("eexec");
  if (eexec != std::string_view::npos) cipher.remove_prefix(std::min(cipher.size(), eexec + 6));
  std::string plain = Decrypt(cipher, kEexecKey, 4);
  charstringType_ = 1;
  TType1PrivateReader(*this, plain).Read();
}

bool TPDFType1Decoder::LoadType1(std::string_view data, int64_t length1, int64_t length2, int64_t length3) {
  if (!SplitType1Stream(data, length1, length2, length3)) return false;
  ParseType1Header();
  ParseType1Private();
  return !charstrings_.empty();
}

}  // namespace ostrel
