#pragma once
// Text set into an annotation's box in one of the simple fonts: the default
// appearance string (/DA) read, text turned into Windows-1252 bytes and
// measured with Helvetica's widths, lines broken to the box and aligned.
#include <string>
#include <string_view>

#include "pdf/render/annotations/annotation_style.h"

namespace ostrel {

struct TDefaultAppearance {
  std::string FontName;  // resource name without "/", "" when absent
  double Size = 0;       // 0 asks for a size that fits
  std::string Colour;    // the colour operator as written ("0 g"), or ""
};

// Reads "/Helv 12 Tf 0 g" and the like.
TDefaultAppearance ParseDefaultAppearance(std::string_view da);

struct TTextBox {
  TAnnotRect Box;        // the area inside the padding
  double Size = 12;
  int Quadding = 0;      // 0 left, 1 centred, 2 right
  bool Multiline = true; // else one line, centred vertically
};

// "BT ... ET" that shows text (a PDF text string) in box with font /F0.
void WriteTextBox(TAppearanceText& out, std::string_view pdfText, const TTextBox& box);

}  // namespace ostrel
