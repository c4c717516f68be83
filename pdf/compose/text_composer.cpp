#include "pdf/compose/text_composer.h"

#include "pdf/compose/page_painter.h"
#include "pdf/compose/text_wrap.h"
#include "pdf/text/pdf_font.h"

namespace ostrel {

std::vector<double> TTextComposer::Advances(std::u16string_view text, TPDFFont& font, double size) {
  std::vector<double> advances(text.size(), 0.0);
  for (size_t i = 0; i < text.size(); ++i)
    if (text[i] != u'\t' && font.CanShow(text[i])) advances[i] = font.CharWidth(text[i]) * size / 1000.0;
  return advances;
}

double TTextComposer::TabStop(TPDFFont& font, double size) { return 8 * font.CharWidth(u' ') * size / 1000.0; }

void TTextComposer::Draw(TPDFPainter& writer, std::u16string_view text, double x, double y) {
  TPDFFont* font = writer.Font();
  if (!font) return;
  if (text.find(u'\t') == std::u16string_view::npos) {
    writer.DrawText(font->FilterText(text), x, y);
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
    std::u16string shown = font->FilterText(text.substr(start, i - start));
    if (!shown.empty()) writer.DrawText(shown, x + pen, y);
    for (size_t k = start; k < i; ++k) pen += advances[k];
    if (i < text.size()) pen = NextTabStop(pen, tabStop);
    start = i + 1;
  }
}

}  // namespace ostrel
