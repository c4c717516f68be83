// The list and line forms of the funnel's blocks.
#include <string_view>

#include "pdf/text/extract/text_funnel.h"

namespace ostrel {
namespace {

// Byte strings (font names, colours, numbers) go out widened byte by byte.
void AppendBytes(std::u16string& out, std::string_view bytes) {
  for (unsigned char c : bytes) out.push_back(c);
}

// A carriage return inside a block would end its line early, and a quote
// would end its quoted field.
void AppendBlockText(std::u16string& out, const std::u16string& text) {
  for (char16_t c : text) {
    if (c == u'\r') {
      out.push_back(u' ');
    } else {
      if (c == u'"') out.push_back(u'\\');
      out.push_back(c);
    }
  }
}

void AppendListLine(std::u16string& out, const TPDFTextFunnelBlock& b) {
  out.push_back(u'"');
  AppendBytes(out, b.FontName);
  out += u"\",";
  AppendBytes(out, b.ColorText);
  out.push_back(u',');
  AppendBytes(out, FormatFunnelNumber(b.Size, 2));
  for (const TPDFTextPoint* p : {&b.BottomLeft, &b.BottomRight, &b.TopRight, &b.TopLeft}) {
    out.push_back(u',');
    AppendBytes(out, FormatFunnelNumber(p->X, 4));
    out.push_back(u',');
    AppendBytes(out, FormatFunnelNumber(p->Y, 4));
  }
  out += u",\"";
  AppendBlockText(out, b.Text);
  out += u"\"\r\n";
}

void AppendWidthsLine(std::u16string& out, const TPDFTextFunnelBlock& b) {
  for (size_t i = 0; i < b.Widths.size(); ++i) {
    if (i > 0) out.push_back(u',');
    AppendBytes(out, FormatFunnelNumber(b.Widths[i], 4));
  }
  out += u"\r\n";
}

}  // namespace

void TPDFTextFunnel::WriteList(std::u16string& text) {
  PrepareBoxes();
  if (SortByPosition) SortOrderByPosition();
  for (const TPDFTextFunnelBlock* b : Order) {
    AppendListLine(text, *b);
    if (WriteWidths) AppendWidthsLine(text, *b);
  }
}

void TPDFTextFunnel::WriteLines(std::u16string& text) {
  PrepareBoxes();
  if (SortByPosition) SortOrderByPosition();
  for (const TPDFTextFunnelBlock* b : Order) {
    AppendBlockText(text, b->Text);
    text += u"\r\n";
  }
}

}  // namespace ostrel
