#include "pdf/text/extract/text_extractor.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "pdf/text/encodings.h"
#include "pdf/text/font_collection.h"
#include "pdf/text/glyph_list.h"
#include "pdf/text/latin_charset.h"
#include "pdf/text/extract/accents.h"
#include "pdf/text/extract/ligatures.h"
#include "pdf/text/extract/text_extractor_marked.h"
#include "pdf/text/extract/text_extractor_output.h"

namespace ostrel {
namespace {

constexpr double kDefaultWidth = 750;
constexpr double kDefaultSpaceWidth = 280;
// A word gap is judged against at most this much of a space (thousandths of
// the size): the glyph at a font's space code may be a wide visible-space
// sign (TeX's EC fonts), against which the gaps of tightly set text would
// all read as kerns.
constexpr double kMaxGapSpaceWidth = 400;
// A positioned move that reaches this share of a full space is a full space:
// positions are written rounded, and a word set one space on lands a hair
// short of it.
constexpr double kFullSpaceShare = 0.99;
constexpr double kDefaultSize = 12.0;
constexpr double kLineBreakFactor = 1.7;
constexpr double kThousand = 1000;

// Numbers past this are damage; bounding them keeps every product of a few
// of them finite.
constexpr double kMaxValue = 1e9;
// A page whose text grows past this (in UTF-16 units) is cut there: a few
// bytes of content can ask for far more text through long ToUnicode entries.
constexpr size_t kMaxOutputUnits = size_t{1} << 26;
// Strings and gaps collected for one "TJ" of a composite font.
constexpr size_t kMaxArrayPieces = size_t{1} << 20;

constexpr std::u16string_view kCrLf = u"\r\n";
// Text this far outside the page box still counts as on it: a glyph's
// extent is estimated, not measured.
constexpr double kBoxMargin = 2;
// Marked content nested deeper than this is damage: the levels past it are
// counted, not kept.
constexpr size_t kMaxMarkedDepth = 256;
// A baseline within about ten degrees of upright is read by the line rules.
constexpr double kUprightCosine = 0.985;
// Pieces of one turned run; a longer run is written in parts.
constexpr size_t kMaxTurnedPieces = size_t{1} << 16;

// True when the text ends a line. An empty page text counts: positioning
// before the first shown string would only lead the page with blank lines.
bool EndsWithCrLf(const std::u16string& s) {
  return s.empty() || (s.size() >= 2 && s[s.size() - 2] == u'\r' && s.back() == u'\n');
}

double Bounded(double v) { return std::isfinite(v) ? std::clamp(v, -kMaxValue, kMaxValue) : 0; }

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

// The pen and text state of one page.
struct TPDFExtractor::TState {
  double X = 0, Y = 0;
  double LineStartX = 0, LineStartY = 0;
  // Where the pen was before the current positioning operator.
  double PreviousX = 0, PreviousY = 0;
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
  // Gaps after shown text are measured by that text's font and scale, not
  // by those of what follows (a superscript right after its word, a math
  // font without a space after a line of text); all zero before any text.
  TGapMeasure Gap;
  // True once text was shown in the current text object. Across objects
  // the pen says little about where glyphs stand (each may have its own
  // matrix), so a step back is never taken for an overlap there.
  bool ShownInObject = false;
  // Set by a step back that is no gap: where the text before it ended.
  bool HasResume = false;
  double ResumeX = 0;
  // A "Tm" waiting for the next operator: TmX, TmY is where it puts the pen.
  bool TmPending = false;
  double TmX = 0, TmY = 0;
  // Set by a "Tm" that a line move follows at once: the move is judged
  // from where the pen was before the "Tm" (OriginX, OriginY), since the
  // matrix alone puts it at a point no text is shown at.
  bool MoveFollowsTm = false;
  double OriginX = 0, OriginY = 0;
  // True while x was set by a positioning operator rather than grown by
  // shown strings, whose widths may be off.
  bool PenExact = false;
  // Set while the text matrix turns or mirrors text, where the pen position
  // above no longer follows the text: every string then counts as on the
  // page.
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
};

TPDFExtractor::TPDFExtractor(TPDFFontCollection& fonts, int mode)
    : fonts_(fonts), mode_(mode), st_(std::make_unique<TState>()) {}

TPDFExtractor::~TPDFExtractor() = default;

bool TPDFExtractor::Active() const {
  return (mode_ == kPlainText || mode_ == kPositionedList) && out_.size() <= kMaxOutputUnits;
}

std::u16string TPDFExtractor::Finish() {
  SettleTextMatrix(false);
  FlushTurned();
  FlushColumns();
  // A break that only closed a form's or a field's text ends no line of the
  // page.
  if (insertBreakEnd_ == out_.size() && EndsWithCrLf(out_) && !out_.empty()) out_.resize(out_.size() - 2);
  insertBreakEnd_ = 0;
  overlapAt_ = kNoOverlap;
  std::u16string result = std::move(out_);
  out_.clear();
  text_.EndRun();
  *st_ = TState();
  savedStates_.clear();
  formBreaks_.clear();
  if (mode_ != kPlainText && mode_ != kPositionedList) return {};
  CleanUpExtractedText(result);
  return result;
}

void TPDFExtractor::OtherOperator() { SettleTextMatrix(false); }

void TPDFExtractor::ShowFieldValue(const std::u16string& text, const std::array<double, 4>& rect) {
  SettleTextMatrix(false);
  FlushTurned();
  FlushColumns();
  if (!Active()) return;
  if (mode_ == kPositionedList) {
    AppendListLine(out_, rect[0], rect[1], FillColorText(0), rect[3] - rect[1], "", text);
    return;
  }
  if (!EndsWithCrLf(out_)) text_.AddBreak(kCrLf);
  text_.AddGlyph(text);
  EndLineAfterInsert();
}

void TPDFExtractor::EndLineAfterInsert() {
  text_.AddBreak(kCrLf);
  insertBreakEnd_ = out_.size();
}

void TPDFExtractor::BeginForm() {
  SettleTextMatrix(false);
  FlushTurned();
  FlushColumns();
  // The form's text state is its own and its coordinates are not the
  // page's: its text starts a line, and what follows it carries on from
  // the state before it. The interpreter bounds the nesting.
  savedStates_.push_back(*st_);
  // The break is taken back at the form's end if the form wrote nothing (a
  // form that holds only a picture breaks no line).
  size_t breakEnd = kNoFormBreak;
  if (mode_ == kPlainText && !EndsWithCrLf(out_)) {
    text_.AddBreak(kCrLf);
    breakEnd = out_.size();
  }
  formBreaks_.push_back(breakEnd);
}

void TPDFExtractor::EndForm() {
  SettleTextMatrix(false);
  FlushTurned();
  FlushColumns();
  if (savedStates_.empty()) return;
  TState saved = std::move(savedStates_.back());
  savedStates_.pop_back();
  const size_t breakEnd = formBreaks_.back();
  formBreaks_.pop_back();
  // Marked content is the content's own; open levels stay as they are.
  saved.Marked = std::move(st_->Marked);
  saved.MarkedOverflow = st_->MarkedOverflow;
  *st_ = std::move(saved);
  if (breakEnd == out_.size()) {
    out_.resize(breakEnd - 2);
  } else if (mode_ == kPlainText && !EndsWithCrLf(out_)) {
    EndLineAfterInsert();
  }
}

void TPDFExtractor::BeginText() {
  SettleTextMatrix(false);
  st_->LineStartX = 0;
  st_->LineStartY = 0;
  st_->ShownInObject = false;
  st_->HasResume = false;
}

void TPDFExtractor::SetFont(TPDFFontCollectionData* font, double size) {
  SettleTextMatrix(false);
  if (!font) return;
  TState& st = *st_;
  st.Font = font;
  st.Widths = &font->Widths;
  st.CodeChars = &font->NameChars;
  st.Size = Bounded(size);
  FindSpaceCode();
}

void TPDFExtractor::SetSpacing(TTextSpacing which, double value) {
  SettleTextMatrix(false);
  TState& st = *st_;
  value = Bounded(value);
  switch (which) {
    case TTextSpacing::Character: st.CharSpacing = value * st.HorizontalScale; break;
    case TTextSpacing::Word: st.WordSpacing = value * st.HorizontalScale; break;
    case TTextSpacing::Leading: st.Leading = value * st.PositionScale; break;
  }
}

void TPDFExtractor::MoveLine(double tx, double ty, bool setsLeading) {
  SettleTextMatrix(true);
  TState& st = *st_;
  st.PreviousX = st.X;
  st.PreviousY = st.Y;
  st.X = Bounded(tx) * st.HorizontalScale + st.LineStartX;
  if (setsLeading) {
    st.Leading = -Bounded(ty) * st.PositionScale;
    st.Y = st.LineStartY - st.Leading;
  } else {
    st.Y = Bounded(ty) * st.PositionScale + st.LineStartY;
  }
  st.LineStartX = st.X;
  st.LineStartY = st.Y;
  st.PenExact = true;
  BreakAfterMove(setsLeading);
}

void TPDFExtractor::NextLine() {
  SettleTextMatrix(false);
  PenToNextLine();
  if (Emitting()) text_.AddBreak(kCrLf);
}

void TPDFExtractor::PenToNextLine() {
  TState& st = *st_;
  st.X = st.LineStartX;
  st.Y -= st.Leading;
  st.LineStartY = st.Y;
  st.MoveFollowsTm = false;
  st.PenExact = true;
  st.HasResume = false;
}

void TPDFExtractor::SetTextMatrix(const std::array<double, 6>& m) {
  SettleTextMatrix(false);
  SetTextMatrixScale(m);
  st_->TmPending = true;
  st_->TmX = Bounded(m[4]);
  st_->TmY = Bounded(m[5]);
}

void TPDFExtractor::SettleTextMatrix(bool lineMoveFollows) {
  if (!std::exchange(st_->TmPending, false)) return;
  MoveTm(st_->TmX, st_->TmY, lineMoveFollows);
}

void TPDFExtractor::ShowText(const std::vector<TShownItem>& items, const TShowContext& context) {
  // Upright text ends a run of turned text before its own positioning is
  // judged.
  if (!IsTurned(context.TextMatrix)) FlushTurned();
  if (!Vertical()) FlushColumns();
  SettleTextMatrix(false);
  if (!Active()) return;
  // The two quote operators move to the next line first, as "T*" does but
  // with a break only where the text does not end one; their spacing
  // operands are not followed.
  if (context.NextLineFirst) {
    PenToNextLine();
    if (Emitting() && !EndsWithCrLf(out_)) text_.AddBreak(kCrLf);
  }
  TPDFFontCollectionData* const current = fonts_.CurrentFont;
  const double startX = st_->X;
  std::u16string turnedText;
  TDirectedText turnedInto(turnedText);
  const bool turned = BeginTurnedPiece(context, turnedInto);
  const size_t overlapAt = std::exchange(overlapAt_, kNoOverlap);
  if (context.IsArray) {
    ShowArray(items, context);
  } else if (!items.empty() && items.back().IsString) {
    ShowString(items.back().Bytes, context);
  }
  // A glyph set back over the last one: an accent and its letter.
  if (overlapAt != kNoOverlap && Emitting() && !turned) ComposeAccentAt(overlapAt);
  if (turned) EndTurnedPiece(context, std::move(turnedText), st_->X - startX);
  fonts_.CurrentFont = current;
}

void TPDFExtractor::ShowArray(const std::vector<TShownItem>& items, const TShowContext& context) {
  TState& st = *st_;
  if (!st.Font) return;
  fonts_.CurrentFont = st.Font;
  const double sx = st.HorizontalScale;
  // Gaps go in as the font's space code only where it has one.
  const bool spaceBytes = !st.Font->IsComposite && st.HasSpaceCode;
  const double startX = st.X;
  const bool startExact = st.PenExact;
  st.PenExact = false;
  std::vector<TArrayPiece> pieces;
  size_t total = 0;
  const std::string gapBytes = st.HasSpaceCode ? std::string(1, static_cast<char>(st.SpaceCode)) : std::string();
  // Letters spread wider than a space are parted across the strings of the
  // array too, unless a kern closes the gap: lastSpaced is the string before
  // was spread, shift the kerning since it and gapSince whether a kern
  // already wrote a gap.
  bool lastSpaced = false, gapSince = false;
  double shift = 0;
  for (const TShownItem& item : items) {
    if (item.IsString) {
      std::string bytes = item.Bytes;
      // Wide letter spacing reads as separate words.
      const double spaceAdvance = st.SpaceWidth * sx * st.Size / kThousand;
      bool spaced = st.CharSpacing > spaceAdvance;
      if (spaced && lastSpaced && !gapSince && !Vertical() && st.CharSpacing + shift > spaceAdvance)
        AddPiece(pieces, total, gapBytes, true, false);
      lastSpaced = spaced;
      gapSince = false;
      shift = 0;
      if (spaced && spaceBytes && bytes.size() > 1) {
        std::string gapped;
        gapped.reserve(bytes.size() * 2);
        for (size_t i = 0; i < bytes.size(); ++i) {
          if (i) gapped += static_cast<char>(st.SpaceCode);
          gapped += bytes[i];
        }
        bytes = std::move(gapped);
      }
      Advance(bytes);
      AddPiece(pieces, total, std::move(bytes), false, spaced && !spaceBytes);
    } else {
      double n = Bounded(item.Adjust);
      if (Vertical())
        st.Y -= n * st.Size / kThousand;
      else
        st.X += n * sx * st.Size / -kThousand;
      shift += n * sx * st.Size / -kThousand;
      if (-n > std::min(st.SpaceWidth, kMaxGapSpaceWidth) / 2) {
        AddPiece(pieces, total, gapBytes, true, false);
        gapSince = true;
      }
    }
  }
  st.Gap = CurrentGapMeasure();
  st.ShownInObject = true;
  if (!OnPage(context.Ctm, startX, st.X, startExact)) return;
  Show(startX, context, [&](TDirectedText& into) {
    for (const TArrayPiece& piece : pieces) DecodePiece(piece, into);
  });
}

void TPDFExtractor::AddPiece(std::vector<TArrayPiece>& pieces, size_t& total, std::string bytes, bool space,
                             bool spaced) {
  if (total > kMaxOutputUnits || pieces.size() >= kMaxArrayPieces) return;
  total += bytes.size();
  // A simple font decodes byte by byte, so its strings and gaps written as
  // its space code share one piece; other gaps and composite fonts' strings
  // need the boundaries.
  const bool simple = !st_->Font->IsComposite;
  const bool plain = !spaced && !(space && !st_->HasSpaceCode);
  if (simple && plain) {
    if (pieces.empty() || pieces.back().Space || pieces.back().Spaced) pieces.emplace_back();
    pieces.back().Bytes += bytes;
    return;
  }
  pieces.push_back({std::move(bytes), space, spaced});
}

void TPDFExtractor::DecodePiece(const TArrayPiece& piece, TDirectedText& into) const {
  const TPDFFontCollectionData& font = *fonts_.CurrentFont;
  if (piece.Space && (font.IsComposite || piece.Bytes.empty())) {
    into.AddGap(u" ");
    return;
  }
  DecodeShownBytes(piece.Bytes, into, piece.Spaced);
}

void TPDFExtractor::FindSpaceCode() {
  TState& st = *st_;
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

void TPDFExtractor::ShowString(const std::string& bytes, const TShowContext& context) {
  TState& st = *st_;
  if (!st.Font) return;
  fonts_.CurrentFont = st.Font;
  const double width = StringWidth(bytes);
  if (OnPage(context.Ctm, st.X, st.X + width, st.PenExact))
    Show(st.X, context, [&](TDirectedText& into) { DecodeShownBytes(bytes, into, false); });
  if (Vertical())
    Advance(bytes);
  else
    st.X += width;
  st.PenExact = false;
  st.Gap = CurrentGapMeasure();
  st.ShownInObject = true;
}

void TPDFExtractor::Show(double x, const TShowContext& context,
                         const std::function<void(TDirectedText&)>& glyphs) {
  TState& st = *st_;
  std::function<void(TDirectedText&)> actual;
  if (TState::TMarked* marked = st.ActualText()) {
    if (std::exchange(marked->Shown, true)) return;
    actual = [marked](TDirectedText& into) { into.AddGlyph(marked->Text); };
  }
  const auto& write = actual ? actual : glyphs;
  if (mode_ == kPlainText) {
    if (!capture_ && Vertical()) NoteColumn();
    write(capture_ ? *capture_ : text_);
    return;
  }
  // A list line is one string's text, its runs turned round within it.
  std::u16string text;
  TDirectedText into(text);
  write(into);
  AppendListLine(out_, x, st.Y, FillColorText(context.FillColor), st.Size, st.Font->BaseFontName, text);
}

void TPDFExtractor::BeginMarked(std::string_view properties) {
  SettleTextMatrix(false);
  st_->OpenMarked(properties.starts_with("<<") ? ActualTextOf(properties) : std::nullopt);
}

void TPDFExtractor::EndMarked() {
  SettleTextMatrix(false);
  st_->CloseMarked();
}

void TPDFExtractor::DecodeShownBytes(std::string_view bytes, TDirectedText& into, bool spaced) const {
  // The output's size bounds the loop: a few bytes can stand for long texts.
  const size_t limit = into.Size() + kMaxOutputUnits;
  bool first = true;
  auto add = [&](uint32_t code) {
    if (spaced && !std::exchange(first, false)) into.AddGap(u" ");
    into.AddGlyph(ExpandLigatures(fonts_.CodeToText(code)));
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

double TPDFExtractor::StringWidth(std::string_view bytes) const {
  const TState& st = *st_;
  // Glyph widths are thousandths of the font size; character and word
  // spacing are text-space distances of their own, added per glyph as they
  // stand.
  double glyphs = 0;
  double spacing = 0;
  if (st.Font && st.Font->IsComposite) {
    // Composite fonts give widths by CID, which a predefined CMap may map
    // from the code: a byte-wise sum would be wrong by a glyph width per
    // glyph.
    TPDFFontCollectionData* current = std::exchange(fonts_.CurrentFont, st.Font);
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

bool TPDFExtractor::OnPage(const std::array<double, 6>& m, double x0, double x1, bool exact) const {
  const TState& st = *st_;
  if (!PageBox || st.Turned) return true;
  // The string's box in text space: from the baseline a font size up and a
  // third of one down, over its advance. Where the start is not known
  // exactly the box runs along the whole baseline, so that only text above
  // or below the page is left out.
  constexpr double kWholeLine = 1e7;
  const double height = std::abs(st.Size * st.PositionScale);
  const double xs[2] = {exact ? std::min(x0, x1) : -kWholeLine, exact ? std::max(x0, x1) : kWholeLine};
  const double ys[2] = {st.Y - height / 3, st.Y + height};
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

void TPDFExtractor::SetTextMatrixScale(const std::array<double, 6>& m) {
  TState& st = *st_;
  const double a = Bounded(m[0]), b = Bounded(m[1]), c = Bounded(m[2]), d = Bounded(m[3]);
  // Turned, skewed or mirrored text moves along other axes than the pen
  // position here follows.
  st.Turned = b != 0 || c != 0 || a < 0 || d < 0;
  if (b == 0 && c == 0 && a == d) {
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

void TPDFExtractor::MoveTm(double newX, double newY, bool lineMoveFollows) {
  TState& st = *st_;
  const double s = st.PositionScale;
  // Writers that place every glyph with "Tm" and then "Td" would otherwise
  // get a gap or a break before each glyph.
  if (lineMoveFollows && !st.MoveFollowsTm) {
    st.OriginX = st.X;
    st.OriginY = st.Y;
  }
  st.MoveFollowsTm = lineMoveFollows;
  if (!lineMoveFollows && Emitting() && !EndsWithCrLf(out_) && Vertical()) {
    BreakInColumns(newX - st.X, newY - st.Y);
  } else if (!lineMoveFollows && Emitting() && !EndsWithCrLf(out_)) {
    double dy = std::abs(newY - st.Y);
    if (IsWordGap(st.X, newX, dy < st.Size * s * kLineBreakFactor / 2)) text_.AddGap(u" ");
    if (dy >= st.Size * s * kLineBreakFactor / 2) text_.AddBreak(kCrLf);
    if (dy >= st.Size * s * kLineBreakFactor) text_.AddBreak(kCrLf);
  }
  st.X = newX;
  st.Y = newY;
  st.LineStartX = st.X;
  st.LineStartY = st.Y;
  st.PenExact = true;
}

void TPDFExtractor::BreakAfterMove(bool fullSpaceRule) {
  TState& st = *st_;
  const bool fromTm = std::exchange(st.MoveFollowsTm, false);
  if (!Emitting() || EndsWithCrLf(out_)) return;
  const double s = st.PositionScale;
  const double dx = st.X - (fromTm ? st.OriginX : st.PreviousX);
  const double dy = st.Y - (fromTm ? st.OriginY : st.PreviousY);
  if (Vertical()) {
    BreakInColumns(dx, dy);
    return;
  }
  const bool lineBreak = std::abs(dy) >= st.Size * s * kLineBreakFactor / 2;
  // A "TD" to a new line needs a full space forward to leave a gap; along
  // the same line it moves like a "Td" (writers place words and the pieces
  // of formulas with it, a little less than a space apart in tightly set
  // text, and jump back to another column).
  const double fullSpace = st.Gap.Em > 0 ? st.Gap.FullSpace : CurrentGapMeasure().FullSpace;
  bool space = fullSpaceRule && lineBreak ? dx >= fullSpace * kFullSpaceShare : IsWordGap(st.X - dx, st.X, !lineBreak);
  if (space) text_.AddGap(u" ");
  if (lineBreak) text_.AddBreak(kCrLf);
  if (dy >= st.Size * s * kLineBreakFactor) text_.AddBreak(kCrLf);
}

TPDFExtractor::TGapMeasure TPDFExtractor::CurrentGapMeasure() const {
  const TState& st = *st_;
  const double unit = st.HorizontalScale * st.Size / kThousand;
  TGapMeasure m;
  m.HalfSpace = std::min(st.SpaceWidth, kMaxGapSpaceWidth) / 2 * unit;
  // Without a space code, code 32 is some other glyph: its width says
  // nothing about word spaces.
  m.FullSpace = st.HasSpaceCode ? StringWidth(std::string(1, static_cast<char>(st.SpaceCode))) : st.SpaceWidth * unit;
  m.Em = std::abs(st.Size * st.HorizontalScale);
  return m;
}

bool TPDFExtractor::IsWordGap(double from, double to, bool sameLine) {
  TState& st = *st_;
  const TGapMeasure m = st.Gap.Em > 0 ? st.Gap : CurrentGapMeasure();
  // After glyphs set back over earlier text (an accent over its letter),
  // the text goes on from where the earlier text ended, if that is further
  // on than the pen.
  if (std::exchange(st.HasResume, false) && sameLine && to >= from) from = std::max(from, st.ResumeX);
  const double dx = to - from;
  if (dx >= 0 || !sameLine || !st.ShownInObject) return std::abs(dx) >= m.HalfSpace;
  // A step back by less than an em within a text object places the next
  // glyph over the last one's advance (a writer placing each glyph where
  // the font's widths are wider than the glyphs, an accent over its
  // letter): no word gap. A longer jump back goes to another column.
  if (-dx >= std::max(m.HalfSpace, m.Em)) return true;
  overlapAt_ = out_.size();
  st.HasResume = true;
  st.ResumeX = from;
  return false;
}

void TPDFExtractor::ComposeAccentAt(size_t at) {
  if (at == 0 || at >= out_.size()) return;
  const char16_t before = out_[at - 1], after = out_[at];
  std::u16string letter;
  if (IsSpacingAccent(after))
    letter = ComposeAccent(before, after);
  else if (IsSpacingAccent(before))
    letter = ComposeAccent(after, before);
  if (letter.empty()) return;
  out_.replace(at - 1, 2, letter);
  text_.EndRun();
}

bool TPDFExtractor::Vertical() const {
  const TState& st = *st_;
  return st.Font && st.Font->IsComposite && st.Font->WritingMode == 1;
}

void TPDFExtractor::Advance(std::string_view bytes) {
  TState& st = *st_;
  if (!Vertical()) {
    st.X += StringWidth(bytes);
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
void TPDFExtractor::BreakInColumns(double dx, double dy) {
  const TState& st = *st_;
  const double s = st.PositionScale;
  if (std::abs(dx) >= st.Size * s * kLineBreakFactor / 2)
    text_.AddBreak(kCrLf);
  else if (std::abs(dy) >= st.SpaceWidth / 2 * st.Size / kThousand)
    text_.AddGap(u" ");
}

bool TPDFExtractor::IsTurned(const std::array<double, 6>& m) {
  const double length = std::hypot(m[0], m[1]);
  return std::isfinite(length) && length > 0 && m[0] / length < kUprightCosine;
}

bool TPDFExtractor::BeginTurnedPiece(const TShowContext& context, TDirectedText& into) {
  const auto& m = context.TextMatrix;
  if (mode_ != kPlainText || !IsTurned(m)) return false;
  const double length = std::hypot(m[0], m[1]);
  const std::array<double, 2> direction{m[0] / length, m[1] / length};
  if (!turned_.empty() && m != turnedMatrix_) {
    // Another direction, or a baseline more than half a size away, ends
    // the run.
    const double across = m[5] * direction[0] - m[4] * direction[1];
    const bool sameDirection =
        std::abs(direction[0] - turnedDirection_[0]) + std::abs(direction[1] - turnedDirection_[1]) < 0.02;
    if (!sameDirection || std::abs(across - turned_.back().Across) > std::abs(st_->Size * st_->PositionScale) / 2)
      FlushTurned();
  }
  if (turned_.empty() && !EndsWithCrLf(out_)) text_.AddBreak(kCrLf);
  capture_ = &into;
  return true;
}

void TPDFExtractor::EndTurnedPiece(const TShowContext& context, std::u16string text, double width) {
  capture_ = nullptr;
  const auto& m = context.TextMatrix;
  const double length = std::hypot(m[0], m[1]);
  turnedDirection_ = {m[0] / length, m[1] / length};
  TTurnedPiece piece;
  if (!turned_.empty() && m == turnedMatrix_) {
    // Shown right after the last piece without a move: it starts where
    // that one ends.
    piece.Along = turned_.back().Along + turned_.back().Width;
    piece.Across = turned_.back().Across;
  } else {
    piece.Along = m[4] * turnedDirection_[0] + m[5] * turnedDirection_[1];
    piece.Across = m[5] * turnedDirection_[0] - m[4] * turnedDirection_[1];
  }
  turnedMatrix_ = m;
  piece.Width = std::isfinite(width) ? width : 0;
  piece.Text = std::move(text);
  const TState& st = *st_;
  turnedHalfSpace_ = st.SpaceWidth / 2 * st.HorizontalScale * st.Size / kThousand;
  if (turned_.size() >= kMaxTurnedPieces) FlushTurned();
  turned_.push_back(std::move(piece));
}

void TPDFExtractor::FlushTurned() {
  if (turned_.empty()) return;
  std::vector<TTurnedPiece> pieces = std::move(turned_);
  turned_.clear();
  std::stable_sort(pieces.begin(), pieces.end(),
                   [](const TTurnedPiece& a, const TTurnedPiece& b) { return a.Along < b.Along; });
  text_.EndRun();
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0 && pieces[i].Along - (pieces[i - 1].Along + pieces[i - 1].Width) >= turnedHalfSpace_) out_ += u' ';
    out_ += pieces[i].Text;
  }
  EndLineAfterInsert();
}

// Vertical text is written column by column as the content draws it; a new
// column starts where the pen has moved across by the line-break distance.
void TPDFExtractor::NoteColumn() {
  const TState& st = *st_;
  const double across = std::abs(st.Size * st.PositionScale) * kLineBreakFactor / 2;
  if (columns_.empty()) {
    columnsStart_ = out_.size();
  } else if (std::abs(st.X - columns_.back().X) < across) {
    return;
  }
  if (columns_.size() >= kMaxColumns) {
    FlushColumns();
    columnsStart_ = out_.size();
  }
  columns_.push_back({st.X, out_.size()});
}

// Columns of vertical text read from right to left, whatever order the
// content drew them in: the run's columns are put in that order, one line
// each, when the run ends.
void TPDFExtractor::FlushColumns() {
  std::vector<TColumn> columns = std::move(columns_);
  columns_.clear();
  const auto rightFirst = [](const TColumn& a, const TColumn& b) { return a.X > b.X; };
  if (columns.size() < 2 || std::is_sorted(columns.begin(), columns.end(), rightFirst)) return;
  // Offsets that the text has moved past (it only grows while a run lasts)
  // leave the run as written.
  for (size_t i = 0; i < columns.size(); ++i) {
    const size_t next = i + 1 < columns.size() ? columns[i + 1].Start : out_.size();
    if (columns[i].Start > next || next > out_.size() || columnsStart_ > columns[0].Start) return;
  }
  struct TPiece {
    double X;
    std::u16string Text;
  };
  std::vector<TPiece> pieces;
  std::u16string ending;  // what the run ended with stays at its end
  for (size_t i = 0; i < columns.size(); ++i) {
    const size_t begin = columns[i].Start;
    const size_t end = i + 1 < columns.size() ? columns[i + 1].Start : out_.size();
    std::u16string text = out_.substr(begin, end - begin);
    // Spaces and breaks after a column separate it from what followed.
    size_t keep = text.size();
    while (keep > 0 && (text[keep - 1] == u' ' || text[keep - 1] == u'\r' || text[keep - 1] == u'\n')) --keep;
    if (i + 1 == columns.size()) ending = text.substr(keep);
    text.resize(keep);
    if (!text.empty()) pieces.push_back({columns[i].X, std::move(text)});
  }
  std::stable_sort(pieces.begin(), pieces.end(), [](const TPiece& a, const TPiece& b) { return a.X > b.X; });
  const bool endedByInsert = insertBreakEnd_ == out_.size();
  out_.resize(columnsStart_);
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) out_ += kCrLf;
    out_ += pieces[i].Text;
  }
  out_ += ending;
  text_.EndRun();
  if (endedByInsert) insertBreakEnd_ = out_.size();
}

}  // namespace ostrel
