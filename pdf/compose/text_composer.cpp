#include "pdf/compose/text_composer.h"

#include <algorithm>

#include "pdf/compose/page_painter.h"
#include "pdf/compose/text_wrap.h"
#include "pdf/core/page_tree.h"
#include "pdf/core/pdf_date.h"
#include "pdf/core/pdf_document.h"
#include "pdf/text/embedding/embedded_font.h"
#include "pdf/text/pdf_font.h"
#include "platform/text_codec.h"

namespace ostrel {
namespace {

// Controls and invisible format characters show nothing in any font; they
// are left out as the standard fonts leave them out.
bool IsIgnorable(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0xFEFF || (c >= 0x200B && c <= 0x200F) ||
         (c >= 0x2060 && c <= 0x2064);
}

// Blanks, digits and ASCII punctuation stay in the font of the run they are
// in when it has them, so a line of Chinese does not switch fonts at every
// space.
bool IsNeutral(char32_t c) { return c < 0x80 && !((c | 0x20) >= 'a' && (c | 0x20) <= 'z'); }

// The character starting at text[i] and how many units it takes.
std::pair<char32_t, size_t> CodePointAt(std::u16string_view text, size_t i) {
  char16_t c = text[i];
  if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
    return {0x10000 + ((char32_t(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00), 2};
  return {c, 1};
}

bool IsWinAnsiFont(const TPDFFont& font) {
  return font.Kind == TPDFFont::kStandardKind && font.BaseFont != "Symbol" && font.BaseFont != "ZapfDingbats";
}

}  // namespace

TTextComposer::TTextComposer(TPDFDocument& document) : document_(document) {}

TTextComposer::~TTextComposer() = default;

bool TTextComposer::NeedsEmbedding(std::u16string_view text, const TPDFFont& font) const {
  if (!IsWinAnsiFont(font)) return false;
  return std::any_of(text.begin(), text.end(),
                     [](char16_t c) { return !IsIgnorable(c) && c >= 0x80 && UnicodeToCp1252(c) == 0; });
}

TPDFEmbeddedFont* TTextComposer::FontOf(TFallbackFamily family) {
  const auto index = static_cast<size_t>(family);
  if (!looked_[index]) {
    looked_[index] = true;
    if (std::optional<TFontFile> file = FindFontFile(FallbackFamilyName(family)))
      fonts_[index] = TPDFEmbeddedFont::Load(document_.Pool(), "OstrelF" + NewNameTag(), file->Path, file->Face,
                                             file->PostScriptName);
  }
  return fonts_[index].get();
}

const std::vector<TTextComposer::TRun>& TTextComposer::Runs(std::u16string_view text) {
  if (runsKnown_ && text == lastText_) return lastRuns_;
  for (size_t i = 0; i < text.size();) {
    auto [c, units] = CodePointAt(text, i);
    if (c >= kFirstEastAsian) {
      if (std::optional<TEastAsian> own = OwnEastAsianScript(c)) {
        hanAs_ = *own;
        break;
      }
    }
    i += units;
  }
  std::vector<TRun>& runs = lastRuns_;
  runs.clear();
  lastText_.assign(text);
  runsKnown_ = true;
  for (size_t i = 0; i < text.size();) {
    auto [c, units] = CodePointAt(text, i);
    TPDFEmbeddedFont* font = nullptr;
    if (!IsIgnorable(c)) {
      if (!runs.empty() && runs.back().Font && IsNeutral(c) && runs.back().Font->Has(c)) {
        font = runs.back().Font;
      } else {
        for (TFallbackFamily family : FallbackCandidates(c, hanAs_)) {
          TPDFEmbeddedFont* candidate = FontOf(family);
          if (candidate && candidate->Has(c)) {
            font = candidate;
            break;
          }
        }
      }
    }
    if (!runs.empty() && runs.back().Font == font) {
      runs.back().End = i + units;
    } else {
      runs.push_back({font, i, i + units});
    }
    i += units;
  }
  return runs;
}

std::vector<double> TTextComposer::Advances(std::u16string_view text, TPDFFont& font, double size) {
  std::vector<double> advances(text.size(), 0.0);
  if (!NeedsEmbedding(text, font)) {
    for (size_t i = 0; i < text.size(); ++i)
      if (text[i] != u'\t' && font.CanShow(text[i])) advances[i] = font.CharWidth(text[i]) * size / 1000.0;
    return advances;
  }
  for (const TRun& run : Runs(text)) {
    if (!run.Font) continue;
    for (size_t i = run.Begin; i < run.End;) {
      auto [c, units] = CodePointAt(text, i);
      if (c != u'\t' && !IsIgnorable(c)) advances[i] = run.Font->Advance(c) * size / 1000.0;
      i += units;
    }
  }
  return advances;
}

double TTextComposer::TabStop(TPDFFont& font, double size) { return 8 * font.CharWidth(u' ') * size / 1000.0; }

void TTextComposer::DrawStretch(TPDFPainter& writer, std::u16string_view text, bool embedded, double x, double y) {
  TPDFFont& font = *writer.Font();
  if (!embedded) {
    writer.DrawText(font.FilterText(text), x, y);
    return;
  }
  const double size = writer.FontSize();
  TPDFPageTree& tree = document_.PageTree();
  double pen = 0;
  const std::vector<TRun>& runs = Runs(text);
  for (const TRun& run : runs) {
    if (!run.Font) continue;  // characters no installed font has are left out
    // Only the runs after this one need its width (most lines are one run).
    const bool measure = &run != &runs.back();
    std::u32string& shown = shown_;
    shown.clear();
    double width = 0;
    for (size_t i = run.Begin; i < run.End;) {
      auto [c, units] = CodePointAt(text, i);
      if (!IsIgnorable(c)) {
        shown += c;
        if (measure) width += run.Font->Advance(c) * size / 1000.0;
      }
      i += units;
    }
    if (shown.empty()) continue;
    tree.RegisterIndirectResource("Font", run.Font->ResourceName, run.Font->Reference->RefNumber,
                                  run.Font->Reference->RefGeneration);
    writer.DrawCodes(run.Font->ResourceName, run.Font->Encode(shown), x + pen, y);
    pen += width;
  }
}

void TTextComposer::Draw(TPDFPainter& writer, std::u16string_view text, double x, double y) {
  TPDFFont* font = writer.Font();
  if (!font) return;
  const bool embedded = NeedsEmbedding(text, *font);
  if (text.find(u'\t') == std::u16string_view::npos) {
    DrawStretch(writer, text, embedded, x, y);
    return;
  }
  const double size = writer.FontSize();
  const std::vector<double> advances = Advances(text, *font, size);
  const double tabStop = TabStop(*font, size);
  double pen = 0;
  size_t start = 0;
  // Each stretch between tabs is shown at its own position.
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != u'\t') continue;
    std::u16string_view stretch = text.substr(start, i - start);
    if (embedded || !font->FilterText(stretch).empty()) DrawStretch(writer, stretch, embedded, x + pen, y);
    for (size_t k = start; k < i; ++k) pen += advances[k];
    if (i < text.size()) pen = NextTabStop(pen, tabStop);
    start = i + 1;
  }
}

void TTextComposer::Finish() {
  for (auto& font : fonts_)
    if (font) font->Finish();
}

}  // namespace ostrel
