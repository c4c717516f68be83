#pragma once
// Pieces shared by the appearances made for annotations that carry none:
// the annotation's rectangle, colours, border and the content text they are
// written into (page space, PDF operators).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

class TPDFArray;
class TPDFDictionary;
class TPDFObject;

struct TAnnotRect {
  double X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;
  double Width() const { return X1 - X0; }
  double Height() const { return Y1 - Y0; }
};

// Content text under construction: numbers in PDF form, then operators.
class TAppearanceText {
 public:
  TAppearanceText& Num(double v);
  TAppearanceText& Op(std::string_view op);
  // "x y m", then "x y l" for each further point; closed with "h" when asked.
  TAppearanceText& Polyline(const std::vector<double>& xy, bool close);
  TAppearanceText& Rect(double x, double y, double w, double h);
  // An ellipse inside the rectangle, as four Bezier arcs.
  TAppearanceText& Ellipse(double x0, double y0, double x1, double y1);
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

// Numbers of an array entry (resolved), empty when absent or not numbers.
std::vector<double> NumbersOf(TPDFObject* obj);
// /Rect ordered; false when it is not four numbers.
bool ReadAnnotRect(TPDFDictionary* annot, TAnnotRect& rect);
// A colour array (0, 1, 3 or 4 components) as a fill ("rg") or stroke
// ("RG") operator; "" when the array is empty or absent (no colour).
std::string ColourOperator(const std::vector<double>& c, bool stroke);
// Width of the border: /BS /W, else the third number of /Border, else 1.
double BorderWidth(TPDFDictionary* annot);
// Whether the annotation asks for a border explicitly (/BS or /Border).
bool HasExplicitBorder(TPDFDictionary* annot);
// "[...] 0 d" for a dashed /BS (or a /Border dash array), else "".
std::string DashOperator(TPDFDictionary* annot);
// /CA of the annotation, 1 when absent.
double AnnotOpacity(TPDFDictionary* annot);

}  // namespace ostrel
