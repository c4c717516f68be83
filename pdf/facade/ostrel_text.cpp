// The facade's text on pages: standard fonts, sizes and text drawing.
#include "pdf/facade/ostrel.h"

#include "pdf/core/page_tree.h"
#include "pdf/core/pdf_document.h"
#include "platform/file_io.h"
#include "platform/text_codec.h"

namespace ostrel {

// ---- text and images on pages ----
// Fonts for writing, the page content writer and image import are not built
// yet: these operations keep their signatures and report failure until then.

int TOstrel::AddStandardFont(int number) { return 0; }  // needs fonts for writing

int TOstrel::SelectFont(int id) {
  if (!SelectedFont || ObjectByID(id) != SelectedFont) return 0;
  textSize_ = 12;
  return 1;
}

int TOstrel::SelectedFontID() { return ObjectID(SelectedFont); }

void TOstrel::EnsureFont() {
  if (!SelectedFont) AddStandardFont(4);
}

int TOstrel::SetTextSize(double size) {
  EnsureFont();
  if (!SelectedFont) return 0;
  textSize_ = size;
  return 1;
}

double TOstrel::TextSize() { return textSize_; }

int TOstrel::DrawTextAt(double x, double y, std::u16string_view text) {
  if (text.empty()) return 1;
  EnsureFont();
  return 0;  // needs the page content writer
}

}  // namespace ostrel
