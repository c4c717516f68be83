// The facade's text on pages: standard fonts, sizes and text drawing.
#include "pdf/compose/page_painter.h"
#include "pdf/compose/page_resources.h"
#include "pdf/compose/text_composer.h"
#include "pdf/compose/text_wrap.h"
#include "pdf/core/page_tree.h"
#include "pdf/core/pdf_document.h"
#include "pdf/facade/ostrel.h"
#include "pdf/text/pdf_font.h"

namespace ostrel {

int TOstrel::AddStandardFont(int number) {
  TPDFFont* font = NewStandardFont(*SelectedDocument, number);
  if (!font) return 0;
  int id = ObjectID(font);
  SelectFont(id);
  return id;
}

int TOstrel::SelectFont(int id) {
  void* object = ObjectByID(id);
  if (!object) return 0;
  for (const auto& font : SelectedDocument->Fonts) {
    if (font.get() != object) continue;
    SelectedFont = font.get();
    RegisterFont(SelectedDocument->PageTree(), *SelectedFont);
    PainterOf(SelectedDocument).SetFont(SelectedFont, 12);
    textSize_ = 12;
    return 1;
  }
  return 0;
}

int TOstrel::SelectedFontID() { return ObjectID(SelectedFont); }

void TOstrel::EnsureFont() {
  if (!SelectedFont || SelectedDocument->Fonts.empty()) AddStandardFont(4);
}

int TOstrel::SetTextSize(double size) {
  EnsureFont();
  if (!SelectedFont) return 0;
  TPDFPainter& writer = PainterOf(SelectedDocument);
  writer.SetFont(SelectedFont, size);
  textSize_ = writer.FontSize();
  return 1;
}

double TOstrel::TextSize() { return PainterOf(SelectedDocument).FontSize(); }

int TOstrel::DrawTextAt(double x, double y, std::u16string_view text) {
  if (text.empty()) return 1;
  EnsureFont();
  if (!SelectedFont) return 0;
  TPDFPainter& writer = PainterOf(SelectedDocument);
  // Saving reselects the page, which resets the writer: without this the
  // next text would be shown with no font set, which readers reject.
  if (writer.Font() != SelectedFont) {
    double size = textSize_;
    SelectFont(SelectedFontID());
    SetTextSize(size);
  }
  double pageX = UserToPointsX(x);
  double pageY = UserToPointsY(y);
  ComposerOf(*SelectedDocument).Draw(writer, text, pageX, pageY);
  return 1;
}

std::vector<std::u16string> TOstrel::WrapText(std::u16string_view text, double width) {
  // Like DrawTextAt, an empty text leaves the document without a font.
  if (text.empty()) return {std::u16string()};
  EnsureFont();
  if (!SelectedFont) return {std::u16string(text)};
  TTextComposer& composer = ComposerOf(*SelectedDocument);
  const double size = textSize_ > 0 ? textSize_ : TextSize();
  return WrapTextLine(text, composer.Advances(text, *SelectedFont, size), TTextComposer::TabStop(*SelectedFont, size),
                      ScaleToPoints(width));
}

TTextComposer& TOstrel::ComposerOf(TPDFDocument& document) {
  std::unique_ptr<TTextComposer>& composer = composers_[&document];
  if (!composer) composer = std::make_unique<TTextComposer>(document);
  return *composer;
}

}  // namespace ostrel
