#include "pdf/text/text_extractor.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "pdf/core/content_strings.h"
#include "pdf/core/decimal_reading.h"
#include "pdf/core/pdf_objects.h"
#include "pdf/text/encodings.h"
#include "pdf/text/font_collection.h"
#include "pdf/text/glyph_list.h"
#include "pdf/text/latin_charset.h"
#include "pdf/text/text_extractor_output.h"
#include "pdf/text/text_extractor_tokens.h"

namespace ostrel {
namespace {

constexpr double kDefaultWidth = 750;
constexpr double kDefaultSpaceWidth = 280;
constexpr double kDefaultSize = 12.0;
constexpr double kLineBreakFactor = 1.7;
constexpr double kThousand = 1000;
constexpr int kHistorySize = 6;

// Numbers past this are damage; bounding them keeps every product of a few
// of them finite.
constexpr double kMaxValue = 1e9;
// A page whose text grows past this (in UTF-16 units) is cut there: a few
// bytes of content can ask for far more text through long ToUnicode entries.
constexpr size_t kMaxOutputUnits = size_t{1} << 26;
// Strings and gaps collected for one "TJ" of a composite font.
constexpr size_t kMaxArrayPieces = size_t{1} << 20;
// References that lead to references: a short chain is legal, a long one is
// a loop in a damaged file.
constexpr int kMaxReferenceChain = 8;

constexpr std::u16string_view kCrLf = u"\r\n";

// True when the text ends a line. An empty page text counts: positioning
// before the first shown string would only lead the page with blank lines.
bool EndsWithCrLf(const std::u16string& s) {
  return s.empty() || (s.size() >= 2 && s[s.size() - 2] == u'\r' && s.back() == u'\n');
}

double Value(std::string_view token) {
  double v = ReadDecimal(token);
  return std::isfinite(v) ? std::clamp(v, -kMaxValue, kMaxValue) : 0;
}

// The character each code stands for before any font is selected: the
// WinAnsiEncoding byte of its StandardEncoding glyph.
const std::array<std::string, 256>& InitialCodeChars() {
  static const std::array<std::string, 256> chars = [] {
    std::array<std::string, 256> result;
    const TGlyphNames& names = GlyphNamesOf(kStandardEncoding);
    for (int code = 0; code < 256; ++code) {
      char16_t unicode = GlyphNameToUnicode(names[code]);
      unsigned char byte = unicode ? WinAnsiByteOf(unicode) : 0;
      if (byte) result[code] = std::string(1, static_cast<char>(byte));
    }
    return result;
  }();
  return chars;
}

const std::array<double, 256>& DefaultWidths() {
  static const std::array<double, 256> widths = [] {
    std::array<double, 256> w;
    w.fill(kDefaultWidth);
    return w;
  }();
  return widths;
}

}  // namespace

// The text state of one ExtractText run.
struct TPDFExtractor::TState {
  double X = 0, Y = 0;
  double LineStartX = 0, LineStartY = 0;
  double PreviousX = 0, PreviousY = 0;
  double ArrayStartX = 0;
  double Leading = 0;
  double PositionScale = 1.0;
  double Size = kDefaultSize;
  double CharSpacing = 0, WordSpacing = 0;  // already multiplied by PositionScale
  unsigned char SpaceCode = 32;
  double SpaceWidth = kDefaultSpaceWidth;
  const std::array<double, 256>* Widths = &DefaultWidths();
  const std::array<std::string, 256>* CodeChars = &InitialCodeChars();
  // The record of the last font selected successfully; nothing is shown
  // before there is one.
  TPDFFontCollectionData* Font = nullptr;
  std::string BaseFont;
  std::array<std::string_view, kHistorySize> History{};  // newest first
  std::string ShownString;
  std::vector<TArrayPiece> ArrayText;
  size_t ArrayBytes = 0;

  std::string_view H(int i) const { return History[i]; }
  void Push(std::string_view token) {
    std::move_backward(History.begin(), History.end() - 1, History.end());
    History[0] = token;
  }
};

TPDFExtractor::TPDFExtractor(TPDFDictionary* resources, TPDFFontCollection& fonts)
    : resources_(resources), fonts_(fonts) {}

TPDFObject* TPDFExtractor::Resolve(TPDFObject* obj) const {
  for (int i = 0; i < kMaxReferenceChain; ++i) {
    auto* ref = PdfCast<TPDFIndRef>(obj);
    if (!ref) return obj;
    obj = OnResolveObject ? OnResolveObject(ref) : ref->Resolve();
  }
  return PdfCast<TPDFIndRef>(obj) ? nullptr : obj;
}

std::u16string TPDFExtractor::ExtractText(std::string_view content, int mode) {
  out_.clear();
  if (mode != kPlainText && mode != kPositionedList) return {};
  mode_ = mode;
  fontResources_ = resources_ ? PdfCast<TPDFDictionary>(Resolve(resources_->GetValue("Font"))) : nullptr;
  FillColorText = "#000000";
  TState st;
  size_t pos = 0;
  for (;;) {
    std::string_view token = NextContentToken(content, pos);
    if (token.empty()) break;
    bool handled = false;
    try {
      handled = HandleToken(st, token, content, pos);
    } catch (...) {
      // Damaged content is never reported: the token is dropped.
    }
    if (handled) {
      st.PreviousX = st.X;
      st.PreviousY = st.Y;
      st.Push(token == "'" || token == "\"" ? std::string_view("Tj") : token);
    }
    if (out_.size() > kMaxOutputUnits) break;
  }
  CleanUpExtractedText(out_);
  return std::move(out_);
}

bool TPDFExtractor::HandleToken(TState& st, std::string_view token, std::string_view content, size_t& pos) {
  const double s = st.PositionScale;
  switch (token.front()) {
    case '(':
      st.ShownString = ContentLiteralUnescape(token);
      return true;
    case '<':
      st.ShownString = ContentHexDecode(token);
      return true;
    case '[':
      return ReadArray(st, content, pos);
    default:
      break;
  }
  if (token == "rg") {
    FillColorText = ostrel::FillColorText(Value(st.H(2)), Value(st.H(1)), Value(st.H(0)));
  } else if (token == "g") {
    double gray = Value(st.H(0));
    FillColorText = ostrel::FillColorText(gray, gray, gray);
  } else if (token == "BT") {
    st.LineStartX = 0;
    st.LineStartY = 0;
  } else if (token == "Tf") {
    return SelectFont(st);
  } else if (token == "TJ") {
    if (!st.Font) return false;
    fonts_.CurrentFont = st.Font;
    std::u16string text;
    for (const TArrayPiece& piece : st.ArrayText) text += DecodePiece(piece);
    Show(st, text, st.ArrayStartX);
    st.ArrayText.clear();
    st.ArrayBytes = 0;
  } else if (token == "Tj" || token == "'" || token == "\"") {
    // The two quote operators move to a new line first; their other
    // operands (spacing, leading) are not followed.
    if (token != "Tj" && mode_ == kPlainText && !EndsWithCrLf(out_)) out_ += kCrLf;
    if (!ShowString(st, st.ShownString, st.X)) return false;
    st.X += StringWidth(st, st.ShownString);
    st.ShownString.clear();
  } else if (token == "TL") {
    st.Leading = IsContentNumber(st.H(0)) ? Value(st.H(0)) * s : 0;
  } else if (token == "Tw") {
    st.WordSpacing = IsContentNumber(st.H(0)) ? Value(st.H(0)) * s : 0;
  } else if (token == "Tc") {
    st.CharSpacing = IsContentNumber(st.H(0)) ? Value(st.H(0)) * s : 0;
  } else if (token == "Tm") {
    MoveTm(st);
  } else if (token == "Td") {
    st.X = Value(st.H(1)) * s + st.LineStartX;
    st.Y = Value(st.H(0)) * s + st.LineStartY;
    st.LineStartX = st.X;
    st.LineStartY = st.Y;
    BreakAfterMove(st, false);
  } else if (token == "TD") {
    st.X = Value(st.H(1)) * s + st.LineStartX;
    st.Leading = IsContentNumber(st.H(0)) ? -Value(st.H(0)) * s : 0;
    st.Y = st.LineStartY - st.Leading;
    st.LineStartX = st.X;
    st.LineStartY = st.Y;
    BreakAfterMove(st, true);
  } else if (token == "T*") {
    st.X = st.LineStartX;
    st.Y -= st.Leading;
    if (mode_ == kPlainText) out_ += kCrLf;
    st.LineStartY = st.Y;
  } else if (token == "ID") {
    // Inline image data is binary: skip to the first "EI", which is then
    // read as a token (data that happens to hold "EI" ends the skip early).
    size_t end = content.find("EI", pos);
    pos = end == std::string_view::npos ? content.size() : end;
  }
  return true;
}

bool TPDFExtractor::ReadArray(TState& st, std::string_view content, size_t& pos) {
  const double s = st.PositionScale;
  const bool composite = st.Font && st.Font->IsComposite;
  st.ArrayStartX = st.X;
  for (;;) {
    std::string_view token = NextContentToken(content, pos);
    if (token.empty() || token == "]") break;
    if (token.front() == '(' || token.front() == '<') {
      std::string bytes = token.front() == '(' ? ContentLiteralUnescape(token) : ContentHexDecode(token);
      // Wide letter spacing reads as separate words.
      bool spaced = st.CharSpacing > st.SpaceWidth * s * st.Size / kThousand;
      if (spaced && !composite && bytes.size() > 1) {
        std::string gapped;
        gapped.reserve(bytes.size() * 2);
        for (size_t i = 0; i < bytes.size(); ++i) {
          if (i) gapped += static_cast<char>(st.SpaceCode);
          gapped += bytes[i];
        }
        bytes = std::move(gapped);
      }
      st.X += StringWidth(st, bytes);
      AddPiece(st, std::move(bytes), false, spaced && composite);
    } else if (IsContentNumber(token)) {
      double n = Value(token);
      st.X += n * s * st.Size / -kThousand;
      if (-n > st.SpaceWidth / 2) AddPiece(st, std::string(1, static_cast<char>(st.SpaceCode)), true, false);
    }
  }
  return true;
}

void TPDFExtractor::AddPiece(TState& st, std::string bytes, bool space, bool spaced) {
  if (st.ArrayBytes > kMaxOutputUnits || st.ArrayText.size() >= kMaxArrayPieces) return;
  st.ArrayBytes += bytes.size();
  // A simple font decodes byte by byte, so its strings and gaps share one
  // piece; only composite fonts need the boundaries.
  if (!(st.Font && st.Font->IsComposite)) {
    if (st.ArrayText.empty() || st.ArrayText.back().Space || st.ArrayText.back().Spaced) st.ArrayText.emplace_back();
    st.ArrayText.back().Bytes += bytes;
    return;
  }
  st.ArrayText.push_back({std::move(bytes), space, spaced});
}

std::u16string TPDFExtractor::DecodePiece(const TArrayPiece& piece) const {
  if (!fonts_.CurrentFont->IsComposite) return DecodeShownBytes(piece.Bytes);
  if (piece.Space) return u" ";
  if (!piece.Spaced) return DecodeShownBytes(piece.Bytes);
  std::u16string text;
  for (uint16_t code : fonts_.SplitCodes(piece.Bytes)) {
    if (!text.empty()) text += u' ';
    text += fonts_.CodeToText(code);
  }
  return text;
}

bool TPDFExtractor::SelectFont(TState& st) {
  std::string_view name = st.H(1);
  if (name.empty() || !fontResources_) return false;
  std::string resourceName(name.substr(1));
  std::string baseFont = mode_ == kPositionedList ? BaseFontOf(resourceName) : std::string();
  // Records are cached by object number, so only fonts reached through a
  // reference can be selected.
  TPDFObject* entry = fontResources_->GetValue(resourceName);
  if (!PdfCast<TPDFIndRef>(entry) || !fonts_.SelectFontRecord(entry) || !fonts_.CurrentFont) return false;
  st.Font = fonts_.CurrentFont;
  st.Widths = &st.Font->Widths;
  st.CodeChars = &st.Font->NameChars;
  st.BaseFont = std::move(baseFont);
  st.Size = IsContentNumber(st.H(0)) ? Value(st.H(0)) : kDefaultSize;
  FindSpaceCode(st);
  return true;
}

void TPDFExtractor::FindSpaceCode(TState& st) {
  const auto& chars = *st.CodeChars;
  int code = 32;
  if (chars[32] != " ") {
    auto it = std::find(chars.begin(), chars.end(), " ");
    if (it != chars.end()) code = static_cast<int>(it - chars.begin());
  }
  st.SpaceCode = static_cast<unsigned char>(code);
  double width = (*st.Widths)[code];
  // A font without a space glyph lists its width as 0; every kern would then
  // read as a word gap.
  st.SpaceWidth = chars[code] == " " && width != kDefaultWidth && width > 0 ? width : kDefaultSpaceWidth;
}

bool TPDFExtractor::ShowString(TState& st, const std::string& bytes, double x) {
  if (!st.Font) return false;
  fonts_.CurrentFont = st.Font;
  Show(st, DecodeShownBytes(bytes), x);
  return true;
}

void TPDFExtractor::Show(const TState& st, const std::u16string& text, double x) {
  if (mode_ == kPlainText) {
    out_ += text;
  } else {
    AppendListLine(out_, x, st.Y, FillColorText, st.Size, st.BaseFont, text);
  }
}

std::u16string TPDFExtractor::DecodeShownBytes(std::string_view bytes) const {
  std::u16string text;
  if (fonts_.CurrentFont->IsComposite) {
    for (uint16_t code : fonts_.SplitCodes(bytes)) {
      text += fonts_.CodeToText(code);
      if (text.size() > kMaxOutputUnits) break;
    }
  } else {
    for (unsigned char byte : bytes) {
      text += fonts_.CodeToText(byte);
      if (text.size() > kMaxOutputUnits) break;
    }
  }
  return text;
}

double TPDFExtractor::StringWidth(const TState& st, std::string_view bytes) const {
  double sum = 0;
  if (st.Font && st.Font->IsComposite) {
    // Composite fonts give widths by code (by CID, which most fonts' codes
    // are): a byte-wise sum would be wrong by a glyph width per glyph.
    TPDFFontCollectionData* current = fonts_.CurrentFont;
    fonts_.CurrentFont = st.Font;
    for (uint16_t code : fonts_.SplitCodes(bytes)) {
      sum += st.Font->CIDWidths.Width(code) + st.CharSpacing;
      if (code == st.SpaceCode && st.Font->OneByteCodes) sum += st.WordSpacing;
    }
    fonts_.CurrentFont = current;
  } else {
    for (unsigned char b : bytes) {
      sum += (*st.Widths)[b] + st.CharSpacing;
      if (b == st.SpaceCode) sum += st.WordSpacing;
    }
  }
  return sum * st.Size * st.PositionScale / kThousand;
}

void TPDFExtractor::MoveTm(TState& st) {
  // a b c d e f: a matrix without rotation or skew and with equal scales
  // scales every text-space distance that follows.
  if (st.H(3) == "0" && st.H(4) == "0" && st.H(2) == st.H(5))
    st.PositionScale = IsContentNumber(st.H(5)) ? Value(st.H(5)) : 1.0;
  const double s = st.PositionScale;
  double newX = Value(st.H(1));
  if (mode_ == kPlainText && !EndsWithCrLf(out_) && std::abs(newX - st.X) >= st.SpaceWidth / 2 * s * st.Size / kThousand)
    out_ += u' ';
  st.X = newX;
  double newY = Value(st.H(0));
  if (mode_ == kPlainText && !EndsWithCrLf(out_)) {
    double dy = std::abs(newY - st.Y);
    if (dy >= st.Size * s * kLineBreakFactor / 2) out_ += kCrLf;
    if (dy >= st.Size * s * kLineBreakFactor) out_ += kCrLf;
  }
  st.Y = newY;
  st.LineStartX = st.X;
  st.LineStartY = st.Y;
}

void TPDFExtractor::BreakAfterMove(TState& st, bool fullSpaceRule) {
  if (mode_ != kPlainText || EndsWithCrLf(out_)) return;
  const double s = st.PositionScale;
  const double dx = st.X - st.PreviousX;
  const double dy = st.Y - st.PreviousY;
  bool space = fullSpaceRule ? dx >= StringWidth(st, std::string(1, static_cast<char>(st.SpaceCode)))
                             : std::abs(dx) >= st.SpaceWidth / 2 * s * st.Size / kThousand;
  if (space) out_ += u' ';
  if (std::abs(dy) >= st.Size * s * kLineBreakFactor / 2) out_ += kCrLf;
  if (dy >= st.Size * s * kLineBreakFactor) out_ += kCrLf;
}

const std::string& TPDFExtractor::BaseFontOf(const std::string& resourceName) {
  auto it = baseFontCache_.find(resourceName);
  if (it != baseFontCache_.end()) return it->second;
  std::string baseFont;
  auto* font = fontResources_ ? PdfCast<TPDFDictionary>(Resolve(fontResources_->GetValue(resourceName))) : nullptr;
  if (auto* name = font ? PdfCast<TPDFName>(Resolve(font->GetValue("BaseFont"))) : nullptr) baseFont = name->Value;
  return baseFontCache_.emplace(resourceName, std::move(baseFont)).first->second;
}

}  // namespace ostrel
