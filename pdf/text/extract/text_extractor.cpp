#include "pdf/text/extract/text_extractor.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "pdf/core/content_strings.h"
#include "pdf/core/decimal_reading.h"
#include "pdf/core/pdf_objects.h"
#include "pdf/text/encodings.h"
#include "pdf/text/font_collection.h"
#include "pdf/text/glyph_list.h"
#include "pdf/text/latin_charset.h"
#include "pdf/text/extract/text_extractor_marked.h"
#include "pdf/text/extract/text_extractor_output.h"
#include "pdf/text/extract/text_extractor_tokens.h"

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
// Saved graphics states beyond this are damage; the page box test is then
// given up rather than judged from a lost matrix.
constexpr size_t kMaxSavedStates = 256;
// Text this far outside the page box still counts as on it: a glyph's
// extent is estimated, not measured.
constexpr double kBoxMargin = 2;
// Marked content nested deeper than this is damage: the levels past it are
// counted, not kept.
constexpr size_t kMaxMarkedDepth = 256;

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
  // The text matrix's scale: PositionScale across the baseline (line
  // spacing, font height), HorizontalScale along it (advances, gaps). They
  // differ only for matrices that stretch, skew or mirror.
  double PositionScale = 1.0;
  double HorizontalScale = 1.0;
  double Size = kDefaultSize;
  double CharSpacing = 0, WordSpacing = 0;  // already multiplied by HorizontalScale
  unsigned char SpaceCode = 32;
  // False when no code of the font stands for a space: gaps are then written
  // as a space of their own, since code 32 may be any glyph (psi in TeX's
  // math italic).
  bool HasSpaceCode = true;
  double SpaceWidth = kDefaultSpaceWidth;
  // Set by a "Tm" that a line move follows at once: the move is judged
  // from where the pen was before the "Tm" (OriginX, OriginY), since the
  // matrix alone puts it at a point no text is shown at.
  bool MoveFollowsTm = false;
  double OriginX = 0, OriginY = 0;
  // The current transformation, followed only to tell whether text lands
  // on the page at all. CtmKnown is false once it cannot be trusted
  // (operands that are not numbers, saves nested past the bound); Turned is
  // set while the text matrix turns or mirrors text, where the pen position
  // above no longer follows the text. Either way every string counts as on
  // the page.
  std::array<double, 6> Ctm{1, 0, 0, 1, 0, 0};
  // True while x was set by a positioning operator rather than grown by
  // shown strings, whose widths may be off; ArrayStartExact likewise for
  // array start x.
  bool PenExact = false;
  bool ArrayStartExact = false;
  std::vector<std::array<double, 6>> SavedCtm;
  bool CtmKnown = true;
  bool Turned = false;
  // Open marked content, innermost last. A level with an /ActualText shows
  // that text in place of its first shown string and drops the others.
  struct TMarked {
    bool HasText = false;
    std::u16string Text;
    bool Shown = false;
  };
  std::vector<TMarked> Marked;
  size_t MarkedOverflow = 0;
  // Bytes property lists may still be scanned for: every "<<" scans ahead,
  // and content made of nothing else must not cost a scan per byte.
  size_t DictionaryBudget = 0;

  void OpenMarked(std::optional<std::u16string> text) {
    if (Marked.size() >= kMaxMarkedDepth) {
      ++MarkedOverflow;
      return;
    }
    Marked.push_back({text.has_value(), text ? std::move(*text) : std::u16string(), false});
  }
  void CloseMarked() {
    if (MarkedOverflow) {
      --MarkedOverflow;
    } else if (!Marked.empty()) {
      Marked.pop_back();
    }
  }
  // The outermost level that carries text, if any.
  TMarked* ActualText() {
    for (TMarked& m : Marked)
      if (m.HasText) return &m;
    return nullptr;
  }
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
  text_.EndRun();
  DroppedOperators = 0;
  if (mode != kPlainText && mode != kPositionedList) return {};
  mode_ = mode;
  fontResources_ = resources_ ? PdfCast<TPDFDictionary>(Resolve(resources_->GetValue("Font"))) : nullptr;
  FillColorText = "#000000";
  TState st;
  st.DictionaryBudget = 2 * content.size() + kMaxDictionaryBytes;
  size_t pos = 0;
  for (;;) {
    std::string_view token = NextContentToken(content, pos);
    if (token.empty()) break;
    bool handled = false;
    try {
      handled = HandleToken(st, token, content, pos);
    } catch (...) {
      // Damaged content: the operator is dropped and the rest still read.
      ++DroppedOperators;
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
  const double sx = st.HorizontalScale;
  switch (token.front()) {
    case '(':
      st.ShownString = ContentLiteralUnescape(token);
      return true;
    case '<':
      if (token.substr(0, 2) == "<<" && OpenMarkedText(st, token, content, pos)) return true;
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
  } else if (token == "BDC" || token == "BMC") {
    st.OpenMarked(std::nullopt);
  } else if (token == "EMC") {
    st.CloseMarked();
  } else if (token == "cm") {
    Transform(st);
  } else if (token == "q") {
    if (st.SavedCtm.size() < kMaxSavedStates) {
      st.SavedCtm.push_back(st.Ctm);
    } else {
      st.CtmKnown = false;
    }
  } else if (token == "Q") {
    if (!st.SavedCtm.empty()) {
      st.Ctm = st.SavedCtm.back();
      st.SavedCtm.pop_back();
    }
  } else if (token == "TJ") {
    if (!st.Font) return false;
    fonts_.CurrentFont = st.Font;
    if (!OnPage(st, st.ArrayStartX, st.X, st.ArrayStartExact)) {
      st.ArrayText.clear();
      st.ArrayBytes = 0;
      return true;
    }
    Show(st, st.ArrayStartX, [&](TDirectedText& into) {
      for (const TArrayPiece& piece : st.ArrayText) DecodePiece(piece, into);
    });
    st.ArrayText.clear();
    st.ArrayBytes = 0;
  } else if (token == "Tj" || token == "'" || token == "\"") {
    // The two quote operators move to the next line first, as "T*" does but
    // with a break only where the text does not end one; their spacing
    // operands are not followed.
    if (token != "Tj") {
      NextLine(st);
      if (mode_ == kPlainText && !EndsWithCrLf(out_)) text_.AddBreak(kCrLf);
    }
    if (!ShowString(st, st.ShownString, st.X)) return false;
    Advance(st, st.ShownString);
    st.PenExact = false;
    st.ShownString.clear();
  } else if (token == "TL") {
    st.Leading = IsContentNumber(st.H(0)) ? Value(st.H(0)) * s : 0;
  } else if (token == "Tw") {
    st.WordSpacing = IsContentNumber(st.H(0)) ? Value(st.H(0)) * sx : 0;
  } else if (token == "Tc") {
    st.CharSpacing = IsContentNumber(st.H(0)) ? Value(st.H(0)) * sx : 0;
  } else if (token == "Tm") {
    MoveTm(st, LineMoveFollows(content, pos));
  } else if (token == "Td") {
    st.X = Value(st.H(1)) * sx + st.LineStartX;
    st.Y = Value(st.H(0)) * s + st.LineStartY;
    st.LineStartX = st.X;
    st.LineStartY = st.Y;
    st.PenExact = true;
    BreakAfterMove(st, false);
  } else if (token == "TD") {
    st.X = Value(st.H(1)) * sx + st.LineStartX;
    st.Leading = IsContentNumber(st.H(0)) ? -Value(st.H(0)) * s : 0;
    st.Y = st.LineStartY - st.Leading;
    st.LineStartX = st.X;
    st.LineStartY = st.Y;
    st.PenExact = true;
    BreakAfterMove(st, true);
  } else if (token == "T*") {
    NextLine(st);
    if (mode_ == kPlainText) text_.AddBreak(kCrLf);
  } else if (token == "ID") {
    // Inline image data is binary: skip to the first "EI", which is then
    // read as a token (data that happens to hold "EI" ends the skip early).
    size_t end = content.find("EI", pos);
    pos = end == std::string_view::npos ? content.size() : end;
  }
  return true;
}

bool TPDFExtractor::ReadArray(TState& st, std::string_view content, size_t& pos) {
  const double sx = st.HorizontalScale;
  // Gaps go in as the font's space code only where it has one.
  const bool spaceBytes = !(st.Font && st.Font->IsComposite) && st.HasSpaceCode;
  st.ArrayStartX = st.X;
  st.ArrayStartExact = st.PenExact;
  st.PenExact = false;
  for (;;) {
    std::string_view token = NextContentToken(content, pos);
    if (token.empty() || token == "]") break;
    if (token.front() == '(' || token.front() == '<') {
      std::string bytes = token.front() == '(' ? ContentLiteralUnescape(token) : ContentHexDecode(token);
      // Wide letter spacing reads as separate words.
      bool spaced = st.CharSpacing > st.SpaceWidth * sx * st.Size / kThousand;
      if (spaced && spaceBytes && bytes.size() > 1) {
        std::string gapped;
        gapped.reserve(bytes.size() * 2);
        for (size_t i = 0; i < bytes.size(); ++i) {
          if (i) gapped += static_cast<char>(st.SpaceCode);
          gapped += bytes[i];
        }
        bytes = std::move(gapped);
      }
      Advance(st, bytes);
      AddPiece(st, std::move(bytes), false, spaced && !spaceBytes);
    } else if (IsContentNumber(token)) {
      double n = Value(token);
      if (Vertical(st))
        st.Y -= n * st.Size / kThousand;
      else
        st.X += n * sx * st.Size / -kThousand;
      if (-n > st.SpaceWidth / 2)
        AddPiece(st, st.HasSpaceCode ? std::string(1, static_cast<char>(st.SpaceCode)) : std::string(), true, false);
    }
  }
  return true;
}

void TPDFExtractor::AddPiece(TState& st, std::string bytes, bool space, bool spaced) {
  if (st.ArrayBytes > kMaxOutputUnits || st.ArrayText.size() >= kMaxArrayPieces) return;
  st.ArrayBytes += bytes.size();
  // A simple font decodes byte by byte, so its strings and gaps written as
  // its space code share one piece; other gaps and composite fonts' strings
  // need the boundaries.
  const bool simple = !(st.Font && st.Font->IsComposite);
  const bool plain = !spaced && !(space && !st.HasSpaceCode);
  if (simple && plain) {
    if (st.ArrayText.empty() || st.ArrayText.back().Space || st.ArrayText.back().Spaced) st.ArrayText.emplace_back();
    st.ArrayText.back().Bytes += bytes;
    return;
  }
  st.ArrayText.push_back({std::move(bytes), space, spaced});
}

void TPDFExtractor::DecodePiece(const TArrayPiece& piece, TDirectedText& into) const {
  const TPDFFontCollectionData& font = *fonts_.CurrentFont;
  if (piece.Space && (font.IsComposite || piece.Bytes.empty())) {
    into.AddGap(u" ");
    return;
  }
  DecodeShownBytes(piece.Bytes, into, piece.Spaced);
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
  st.HasSpaceCode = true;
  if (chars[32] != " ") {
    auto it = std::find(chars.begin(), chars.end(), " ");
    if (it != chars.end()) {
      code = static_cast<int>(it - chars.begin());
    } else {
      st.HasSpaceCode = false;
    }
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
  if (!OnPage(st, x, x + StringWidth(st, bytes), st.PenExact)) return true;
  Show(st, x, [&](TDirectedText& into) { DecodeShownBytes(bytes, into, false); });
  return true;
}

void TPDFExtractor::Show(TState& st, double x, const std::function<void(TDirectedText&)>& glyphs) {
  std::function<void(TDirectedText&)> actual;
  if (TState::TMarked* marked = st.ActualText()) {
    if (std::exchange(marked->Shown, true)) return;
    actual = [marked](TDirectedText& into) { into.AddGlyph(marked->Text); };
  }
  const auto& write = actual ? actual : glyphs;
  if (mode_ == kPlainText) {
    write(text_);
    return;
  }
  // A list line is one string's text, its runs turned round within it.
  std::u16string text;
  TDirectedText into(text);
  write(into);
  AppendListLine(out_, x, st.Y, FillColorText, st.Size, st.BaseFont, text);
}

bool TPDFExtractor::OpenMarkedText(TState& st, std::string_view token, std::string_view content, size_t& pos) {
  // The tokenizer cut the property list at its first ">": find its real end
  // and whether "BDC" follows.
  const size_t start = static_cast<size_t>(token.data() - content.data());
  const size_t window = std::min(st.DictionaryBudget, kMaxDictionaryBytes);
  const size_t end = DictionaryEnd(content, start, window);
  st.DictionaryBudget -= end == std::string_view::npos ? window : end - start;
  if (end == std::string_view::npos) return false;
  size_t after = end;
  if (NextContentToken(content, after) != "BDC") return false;
  st.OpenMarked(ActualTextOf(content.substr(start, end - start)));
  pos = after;
  return true;
}

void TPDFExtractor::DecodeShownBytes(std::string_view bytes, TDirectedText& into, bool spaced) const {
  // The output's size bounds the loop: a few bytes can stand for long texts.
  const size_t limit = into.Size() + kMaxOutputUnits;
  bool first = true;
  auto add = [&](uint32_t code) {
    if (spaced && !std::exchange(first, false)) into.AddGap(u" ");
    into.AddGlyph(fonts_.CodeToText(code));
    return into.Size() <= limit;
  };
  if (fonts_.CurrentFont->IsComposite) {
    for (uint32_t code : fonts_.SplitCodes(bytes))
      if (!add(code)) break;
  } else {
    for (unsigned char byte : bytes)
      if (!add(byte)) break;
  }
}

double TPDFExtractor::StringWidth(const TState& st, std::string_view bytes) const {
  // Glyph widths are thousandths of the font size; character and word
  // spacing are text-space distances of their own, added per glyph as they
  // stand.
  double glyphs = 0;
  double spacing = 0;
  if (st.Font && st.Font->IsComposite) {
    // Composite fonts give widths by CID, which a predefined CMap may map
    // from the code: a byte-wise sum would be wrong by a glyph width per
    // glyph.
    TPDFFontCollectionData* current = fonts_.CurrentFont;
    fonts_.CurrentFont = st.Font;
    for (uint32_t code : fonts_.SplitCodes(bytes)) {
      glyphs += fonts_.CodeWidth(code);
      spacing += st.CharSpacing;
      if (code == st.SpaceCode && st.Font->OneByteCodes) spacing += st.WordSpacing;
    }
    fonts_.CurrentFont = current;
  } else {
    for (unsigned char b : bytes) {
      glyphs += (*st.Widths)[b];
      spacing += st.CharSpacing;
      if (b == st.SpaceCode && st.HasSpaceCode) spacing += st.WordSpacing;
    }
  }
  return glyphs * st.Size * st.HorizontalScale / kThousand + spacing;
}

bool TPDFExtractor::Vertical(const TState& st) const {
  return st.Font && st.Font->IsComposite && st.Font->WritingMode == 1;
}

void TPDFExtractor::Advance(TState& st, std::string_view bytes) const {
  if (!Vertical(st)) {
    st.X += StringWidth(st, bytes);
    return;
  }
  // Top to bottom: the pen moves down by each glyph's vertical advance.
  TPDFFontCollectionData* current = std::exchange(fonts_.CurrentFont, st.Font);
  double down = 0;
  for (uint32_t code : fonts_.SplitCodes(bytes))
    down += -fonts_.CodeVerticalMetric(code).W1y * st.Size / kThousand - st.CharSpacing;
  fonts_.CurrentFont = current;
  st.Y -= down;
}

// Text set in columns: a move across to another column ends a line, and a
// gap down a column reads as a space.
void TPDFExtractor::BreakInColumns(TState& st, double dx, double dy) {
  const double s = st.PositionScale;
  if (std::abs(dx) >= st.Size * s * kLineBreakFactor / 2)
    text_.AddBreak(kCrLf);
  else if (std::abs(dy) >= st.SpaceWidth / 2 * st.Size / kThousand)
    text_.AddGap(u" ");
}

void TPDFExtractor::Transform(TState& st) {
  for (int i = 0; i < 6; ++i) {
    if (!IsContentNumber(st.H(i))) {
      st.CtmKnown = false;
      return;
    }
  }
  const double a = Value(st.H(5)), b = Value(st.H(4)), c = Value(st.H(3)), d = Value(st.H(2)),
               e = Value(st.H(1)), f = Value(st.H(0));
  const std::array<double, 6>& m = st.Ctm;
  st.Ctm = {a * m[0] + b * m[2],     a * m[1] + b * m[3],     c * m[0] + d * m[2],
            c * m[1] + d * m[3],     e * m[0] + f * m[2] + m[4], e * m[1] + f * m[3] + m[5]};
}

bool TPDFExtractor::OnPage(const TState& st, double x0, double x1, bool exact) const {
  if (!PageBox || !st.CtmKnown || st.Turned) return true;
  // The string's box in text space: from the baseline a font size up and a
  // third of one down, over its advance. Where the start is not known
  // exactly the box runs along the whole baseline, so that only text above
  // or below the page is left out.
  constexpr double kWholeLine = 1e7;
  const double height = std::abs(st.Size * st.PositionScale);
  const double xs[2] = {exact ? std::min(x0, x1) : -kWholeLine, exact ? std::max(x0, x1) : kWholeLine};
  const double ys[2] = {st.Y - height / 3, st.Y + height};
  const std::array<double, 6>& m = st.Ctm;
  double left = HUGE_VAL, bottom = HUGE_VAL, right = -HUGE_VAL, top = -HUGE_VAL;
  for (double x : xs) {
    for (double y : ys) {
      double px = m[0] * x + m[2] * y + m[4];
      double py = m[1] * x + m[3] * y + m[5];
      left = std::min(left, px);
      right = std::max(right, px);
      bottom = std::min(bottom, py);
      top = std::max(top, py);
    }
  }
  const auto& box = *PageBox;
  if (!std::isfinite(left) || !std::isfinite(right) || !std::isfinite(bottom) || !std::isfinite(top)) return true;
  return right >= box[0] - kBoxMargin && left <= box[2] + kBoxMargin && top >= box[1] - kBoxMargin &&
         bottom <= box[3] + kBoxMargin;
}

void TPDFExtractor::SetTextMatrixScale(TState& st) {
  // History h5..h2 hold a b c d.
  const bool numeric = IsContentNumber(st.H(5)) && IsContentNumber(st.H(4)) && IsContentNumber(st.H(3)) &&
                       IsContentNumber(st.H(2));
  if (!numeric) {
    if (st.H(3) == "0" && st.H(4) == "0" && st.H(2) == st.H(5)) st.PositionScale = st.HorizontalScale = 1.0;
    st.Turned = true;
    return;
  }
  const double a = Value(st.H(5)), b = Value(st.H(4)), c = Value(st.H(3)), d = Value(st.H(2));
  // Turned, skewed or mirrored text moves along other axes than the pen
  // position here follows.
  st.Turned = b != 0 || c != 0 || a < 0 || d < 0;
  if (b == 0 && c == 0 && a == d) {
    // A plain scale (its zeros written "0", "-0" or "0.0" alike).
    st.PositionScale = st.HorizontalScale = a;
    return;
  }
  // Stretched, skewed, mirrored or turned: the length of the baseline's unit
  // along it, and the height of the unit square across it.
  const double along = std::hypot(a, b);
  const double area = std::abs(a * d - b * c);
  if (along > 0 && area > 0) {
    st.HorizontalScale = along;
    st.PositionScale = area / along;
  }
}

bool TPDFExtractor::LineMoveFollows(std::string_view content, size_t pos) {
  std::string_view dx = NextContentToken(content, pos);
  std::string_view dy = NextContentToken(content, pos);
  std::string_view op = NextContentToken(content, pos);
  return IsContentNumber(dx) && IsContentNumber(dy) && (op == "Td" || op == "TD");
}

void TPDFExtractor::MoveTm(TState& st, bool lineMoveFollows) {
  SetTextMatrixScale(st);
  const double s = st.PositionScale;
  const double sx = st.HorizontalScale;
  double newX = Value(st.H(1));
  double newY = Value(st.H(0));
  // Writers that place every glyph with "Tm" and then "Td" would otherwise
  // get a gap or a break before each glyph.
  if (lineMoveFollows && !st.MoveFollowsTm) {
    st.OriginX = st.X;
    st.OriginY = st.Y;
  }
  st.MoveFollowsTm = lineMoveFollows;
  if (!lineMoveFollows && mode_ == kPlainText && !EndsWithCrLf(out_) && Vertical(st)) {
    BreakInColumns(st, newX - st.X, newY - st.Y);
  } else if (!lineMoveFollows && mode_ == kPlainText && !EndsWithCrLf(out_)) {
    if (std::abs(newX - st.X) >= st.SpaceWidth / 2 * sx * st.Size / kThousand) text_.AddGap(u" ");
    double dy = std::abs(newY - st.Y);
    if (dy >= st.Size * s * kLineBreakFactor / 2) text_.AddBreak(kCrLf);
    if (dy >= st.Size * s * kLineBreakFactor) text_.AddBreak(kCrLf);
  }
  st.X = newX;
  st.Y = newY;
  st.LineStartX = st.X;
  st.LineStartY = st.Y;
  st.PenExact = true;
}

void TPDFExtractor::NextLine(TState& st) {
  st.X = st.LineStartX;
  st.Y -= st.Leading;
  st.LineStartY = st.Y;
  st.MoveFollowsTm = false;
  st.PenExact = true;
}

void TPDFExtractor::BreakAfterMove(TState& st, bool fullSpaceRule) {
  const bool fromTm = std::exchange(st.MoveFollowsTm, false);
  if (mode_ != kPlainText || EndsWithCrLf(out_)) return;
  const double s = st.PositionScale;
  const double dx = st.X - (fromTm ? st.OriginX : st.PreviousX);
  const double dy = st.Y - (fromTm ? st.OriginY : st.PreviousY);
  if (Vertical(st)) {
    BreakInColumns(st, dx, dy);
    return;
  }
  const double halfSpace = st.SpaceWidth / 2 * st.HorizontalScale * st.Size / kThousand;
  const bool lineBreak = std::abs(dy) >= st.Size * s * kLineBreakFactor / 2;
  // A "TD" back along the same line jumps to another column: without a
  // gap its first word would run into the last one.
  bool space = fullSpaceRule ? dx >= StringWidth(st, std::string(1, static_cast<char>(st.SpaceCode))) ||
                                   (!lineBreak && -dx >= halfSpace)
                             : std::abs(dx) >= halfSpace;
  if (space) text_.AddGap(u" ");
  if (lineBreak) text_.AddBreak(kCrLf);
  if (dy >= st.Size * s * kLineBreakFactor) text_.AddBreak(kCrLf);
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
