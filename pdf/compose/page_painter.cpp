#include "pdf/compose/page_painter.h"

#include <algorithm>
#include <cmath>

#include "pdf/core/number_format.h"
#include "pdf/core/pdf_objects.h"
#include "pdf/text/pdf_font.h"

namespace ostrel {
namespace {

constexpr std::string_view kTextObjectEnd = "ET\n";

double Clamped(double component) { return std::clamp(component, 0.0, 1.0); }

}  // namespace

void TPDFPainter::StartPage(std::string_view content, int precision) {
  Precision = precision;
  FlushEnabled = false;
  Reset();
  FlushEnabled = true;
  LoadContent(content);
}

void TPDFPainter::ResetState() {
  font_ = nullptr;
  codesFontLine_.clear();
  fontSize_ = 0;
  renderMode_ = {"0 Tr"};
  fontLine_ = {""};
  textColor_ = {"0 0 0 rg"};
  fillColor_ = {"1 1 1 rg"};
  horizontalScaling_ = {"100 Tz"};
  textRise_ = {"0 Ts"};
  spacing_ = {"0 Tw 0 Tc"};
}

void TPDFPainter::Reset() {
  ResetState();
  Buffer.clear();
  unchanged_ = 0;
  Flush();
}

void TPDFPainter::LoadContent(std::string_view text) {
  Buffer.assign(text);
  unchanged_ = 0;
  // Appended operators must not run into the last token of the old content.
  if (!Buffer.empty() && Buffer.back() != ' ' && Buffer.back() != '\n' && Buffer.back() != '\r' &&
      Buffer.back() != '\t') {
    Buffer += ' ';
  }
}

void TPDFPainter::AppendLine(std::string_view line) {
  WriteLine(line);
  Flush();
}

std::string TPDFPainter::ContentText() const {
  std::string text = Buffer;
  if (!text.empty() && text.back() != '\n') text += '\n';
  return text;
}

void TPDFPainter::CopyContentText(std::string& out) {
  if (&out == copiedTo_ && out.data() == copiedData_ && out.size() == copiedSize_ && unchanged_ <= out.size() &&
      unchanged_ <= Buffer.size()) {
    out.resize(unchanged_);
    out.append(Buffer, unchanged_);
  } else {
    out.assign(Buffer);
  }
  if (!out.empty() && out.back() != '\n') out += '\n';
  copiedTo_ = &out;
  copiedData_ = out.data();
  copiedSize_ = out.size();
  unchanged_ = Buffer.size();
}

void TPDFPainter::Flush() {
  if (FlushEnabled && OnFlush) OnFlush();
}

// ---- writing ----

void TPDFPainter::WriteLine(std::string_view text) {
  Buffer.append(text);
  Buffer += '\n';
}

void TPDFPainter::WriteNumber(double value) {
  AppendFixedNumber(Buffer, value, Precision);
  Buffer += ' ';
}

void TPDFPainter::WriteLiteral(std::string_view bytes) {
  Buffer += '(';
  for (char byte : bytes) {
    switch (byte) {
      case '\b': Buffer += "\\b"; break;
      case '\t': Buffer += "\\t"; break;
      case '\n': Buffer += "\\n"; break;
      case '\f': Buffer += "\\f"; break;
      case '\r': Buffer += "\\r"; break;
      case '(':
      case ')':
      case '\\':
        Buffer += '\\';
        Buffer += byte;
        break;
      default: Buffer += byte;
    }
  }
  Buffer += ')';
}

void TPDFPainter::WritePending(TStateLine& state) {
  if (!state.Pending) return;
  // A font line exists only once SetFont ran; before that there is nothing
  // to write, and the state stays pending for the first SetFont.
  if (state.Text.empty()) return;
  WriteLine(state.Text);
  state.Pending = false;
}

std::string TPDFPainter::ColorLine(double red, double green, double blue, std::string_view op, int precision) {
  std::string line;
  for (double component : {red, green, blue}) {
    AppendFixedNumber(line, Clamped(component), precision);
    line += ' ';
  }
  line += op;
  return line;
}

// ---- state requests ----

void TPDFPainter::SetFont(TPDFFont* font, double size) {
  if (!(size > 0)) size = 1;
  font_ = font;
  fontSize_ = size;
  std::string line = "/";
  if (font) line += font->ResourceName;
  line += ' ';
  AppendFixedNumber(line, size, Precision);
  line += " Tf";
  fontLine_ = {std::move(line)};
  textColor_.Pending = true;
  fillColor_.Pending = true;
}

void TPDFPainter::SetTextRenderMode(int mode) {
  if (mode < 0 || mode > 7) mode = 0;
  renderMode_ = {std::to_string(mode) + " Tr"};
}

void TPDFPainter::SetTextColor(double red, double green, double blue) {
  textColor_ = {ColorLine(red, green, blue, "rg", Precision)};
}

void TPDFPainter::SetFillColor(double red, double green, double blue) {
  fillColor_ = {ColorLine(red, green, blue, "rg", Precision)};
}

// ---- drawing requests ----

void TPDFPainter::DrawText(std::u16string_view text, double x, double y) {
  WritePending(renderMode_);
  if (fontLine_.Pending) codesFontLine_.clear();
  for (TStateLine* state : {&fontLine_, &textColor_, &horizontalScaling_, &textRise_, &spacing_}) {
    WritePending(*state);
  }
  OpenTextObject();
  WriteTextMatrix(x, y);
  WriteLiteral(font_ ? font_->EncodeText(text) : std::string());
  WriteLine("Tj");
  WriteLine("ET");
  Flush();
}

void TPDFPainter::DrawCodes(std::string_view fontResource, std::string_view codes, double x, double y) {
  WritePending(renderMode_);
  for (TStateLine* state : {&textColor_, &horizontalScaling_, &textRise_, &spacing_}) WritePending(*state);
  std::string line = "/";
  line.append(fontResource);
  line += ' ';
  AppendFixedNumber(line, fontSize_ > 0 ? fontSize_ : 1, Precision);
  line += " Tf";
  // The font is set inside the text object, so runs in several fonts share one.
  OpenTextObject();
  if (line != codesFontLine_) {
    WriteLine(line);
    codesFontLine_ = std::move(line);
    if (!fontLine_.Text.empty()) fontLine_.Pending = true;
  }
  WriteTextMatrix(x, y);
  static constexpr char kDigits[] = "0123456789ABCDEF";
  // Sized once: a line of text is a few hundred digits.
  const size_t at = Buffer.size();
  Buffer.resize(at + 2 * codes.size() + 2);
  char* out = Buffer.data() + at;
  *out++ = '<';
  for (char byte : codes) {
    *out++ = kDigits[static_cast<uint8_t>(byte) >> 4];
    *out++ = kDigits[static_cast<uint8_t>(byte) & 0xF];
  }
  *out = '>';
  WriteLine("Tj");
  WriteLine("ET");
  Flush();
}

void TPDFPainter::OpenTextObject() {
  // Texts drawn in a row continue the text object the previous one closed.
  if (Buffer.ends_with(kTextObjectEnd)) {
    Buffer.resize(Buffer.size() - kTextObjectEnd.size());
    unchanged_ = std::min(unchanged_, Buffer.size());
  } else {
    WriteLine("BT");
  }
}

void TPDFPainter::WriteTextMatrix(double x, double y) {
  Buffer += "1 0 0 1 ";
  WriteNumber(x);
  WriteNumber(y);
  WriteLine("Tm");
}

void TPDFPainter::PlaceImage(std::string_view resourceName, double x, double top, double width, double height,
                             const TPDFDictionary* imageDict, TImageFit fit, int orientation) {
  WriteLine("q");
  if (IsStencilMask(imageDict)) {
    WritePending(fillColor_);
    // The "Q" below undoes the colour again, so the next mask must set it anew.
    fillColor_.Pending = true;
  }
  double scaleX = width, scaleY = height;
  if (fit == TImageFit::Square) scaleX = scaleY = std::min(width, height);
  // The image's unit square (u along the stored rows, v up the stored
  // columns) onto the rectangle: for each orientation, which of u, 1-u, v,
  // 1-v runs across the upright picture and which runs up it.
  struct TAxes {
    int AcrossU, AcrossV, UpU, UpV;  // coefficients of u and v, each 0 or +-1
  };
  static constexpr TAxes kAxes[9] = {
      {1, 0, 0, 1},  {1, 0, 0, 1},   {-1, 0, 0, 1}, {-1, 0, 0, -1}, {1, 0, 0, -1},
      {0, -1, -1, 0}, {0, 1, -1, 0}, {0, 1, 1, 0},  {0, -1, 1, 0}};
  const TAxes& axes = kAxes[orientation >= 1 && orientation <= 8 ? orientation : 1];
  const double bottom = top - height;
  // A negative coefficient counts from the far side: 1-u adds the full extent.
  const double across = axes.AcrossU < 0 || axes.AcrossV < 0 ? scaleX : 0;
  const double up = axes.UpU < 0 || axes.UpV < 0 ? scaleY : 0;
  WriteNumber(axes.AcrossU * scaleX);
  WriteNumber(axes.UpU * scaleY);
  WriteNumber(axes.AcrossV * scaleX);
  WriteNumber(axes.UpV * scaleY);
  WriteNumber(x + across);
  WriteNumber(bottom + up);
  WriteLine("cm");
  Buffer += '/';
  Buffer.append(resourceName);
  WriteLine(" Do");
  WriteLine("Q");
  Flush();
}

bool IsStencilMask(const TPDFDictionary* imageDict) {
  if (!imageDict) return false;
  auto* mask = imageDict->Get<TPDFBoolean>("ImageMask");
  if (!mask || !mask->Value) return false;
  if (imageDict->GetValue("Mask") || imageDict->GetValue("SMask")) return false;
  if (imageDict->GetValue("BitsPerComponent") && imageDict->GetNumber("BitsPerComponent", 0) != 1) return false;
  if (TPDFObject* decode = imageDict->GetValue("Decode", true)) {
    auto* array = PdfCast<TPDFArray>(decode);
    if (!array || array->Count() != 2) return false;
    auto* first = PdfCast<TPDFNumeric>(array->ItemResolved(0));
    auto* second = PdfCast<TPDFNumeric>(array->ItemResolved(1));
    if (!first || !second) return false;
    bool plain = first->Value == 0 && second->Value == 1;
    bool inverted = first->Value == 1 && second->Value == 0;
    if (!plain && !inverted) return false;
  }
  return !PdfCast<TPDFName>(imageDict->GetValue("ColorSpace", true));
}

}  // namespace ostrel
