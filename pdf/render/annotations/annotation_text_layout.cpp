#include "pdf/render/annotations/annotation_text_layout.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <vector>

#include "pdf/core/decimal_reading.h"
#include "pdf/core/number_format.h"
#include "pdf/text/encodings.h"
#include "pdf/text/latin_charset.h"
#include "pdf/text/pdf_doc_encoding.h"
#include "pdf/text/standard_fonts.h"

namespace ostrel {
namespace {

constexpr int kHelvetica = 5;
constexpr size_t kMaxLines = 500;  // of a box, however much text it holds

double WidthOf(std::string_view bytes, double size) {
  static const TGlyphNames& names = GlyphNamesOf(EncodingNumberOf("WinAnsiEncoding"));
  double w = 0;
  for (unsigned char c : bytes) w += StandardGlyphWidth(kHelvetica, names[c]);
  return w * size / 1000;
}

std::string WinAnsiOf(std::string_view pdfText) {
  std::string out;
  for (char16_t c : PdfTextDecode(pdfText)) {
    if (c == u'\r' || c == u'\n') out.push_back('\n');
    else if (c == u'\t') out.push_back(' ');
    else if (unsigned char b = WinAnsiByteOf(c); b >= 0x20) out.push_back(char(b));
    else if (c >= 0x20) out.push_back('?');
  }
  return out;
}

// Lines of text broken at spaces (or anywhere in a word too long) to width.
std::vector<std::string> BreakLines(const std::string& text, double size, double width, bool multiline) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= text.size() && lines.size() < kMaxLines) {
    size_t end = text.find('\n', start);
    std::string para = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!multiline) {
      lines.push_back(para);
      break;
    }
    std::string line;
    size_t i = 0;
    while (i < para.size() && lines.size() < kMaxLines) {
      size_t next = para.find(' ', i + 1);
      std::string word = para.substr(i, next == std::string::npos ? std::string::npos : next - i);
      if (!line.empty() && WidthOf(line + word, size) > width) {
        lines.push_back(line);
        line = word.front() == ' ' ? word.substr(1) : word;
      } else {
        line += word;
      }
      i = next == std::string::npos ? para.size() : next;
    }
    lines.push_back(line);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

void AppendLiteral(std::string& out, std::string_view bytes) {
  out.push_back('(');
  for (char c : bytes) {
    if (c == '(' || c == ')' || c == '\\') out.push_back('\\');
    out.push_back(c);
  }
  out.push_back(')');
}

}  // namespace

TDefaultAppearance ParseDefaultAppearance(std::string_view da) {
  TDefaultAppearance result;
  std::vector<std::string_view> tokens;
  for (size_t i = 0; i < da.size();) {
    while (i < da.size() && std::isspace(static_cast<unsigned char>(da[i]))) ++i;
    size_t j = i;
    while (j < da.size() && !std::isspace(static_cast<unsigned char>(da[j]))) ++j;
    if (j > i) tokens.push_back(da.substr(i, j - i));
    i = j;
  }
  for (size_t k = 0; k < tokens.size(); ++k) {
    std::string_view op = tokens[k];
    if (op == "Tf" && k >= 2 && tokens[k - 2].starts_with('/')) {
      result.FontName = std::string(tokens[k - 2].substr(1));
      result.Size = std::max(0.0, ReadDecimal(tokens[k - 1]));
    }
    const size_t operands = op == "g" ? 1 : op == "rg" ? 3 : op == "k" ? 4 : 0;
    if (operands && k >= operands) {
      result.Colour.clear();
      for (size_t m = k - operands; m <= k; ++m) result.Colour.append(tokens[m]).push_back(' ');
    }
  }
  return result;
}

void WriteTextBox(TAppearanceText& out, std::string_view pdfText, const TTextBox& box) {
  const std::string text = WinAnsiOf(pdfText);
  if (text.empty() || box.Box.Width() <= 0) return;
  double size = box.Size;
  if (size <= 0) size = box.Multiline ? 12 : std::clamp(box.Box.Height() / 1.2, 4.0, 12.0);
  const std::vector<std::string> lines = BreakLines(text, size, box.Box.Width(), box.Multiline);
  const double leading = size * 1.15;
  // Helvetica's ascent; a single line sits in the middle of the box.
  double baseline = box.Multiline ? box.Box.Y1 - size * 0.93
                                  : box.Box.Y0 + (box.Box.Height() - size * 0.93) / 2 + size * 0.22;
  std::string body = "BT\n/F0 ";
  AppendPdfNumber(body, size);
  body += " Tf\n";
  for (const std::string& line : lines) {
    if (baseline < box.Box.Y0 - size) break;
    const double w = WidthOf(line, size);
    const double x = box.Quadding == 1 ? box.Box.X0 + (box.Box.Width() - w) / 2
                     : box.Quadding == 2 ? box.Box.X1 - w
                                         : box.Box.X0;
    body += "1 0 0 1 ";
    AppendPdfNumber(body, x);
    body.push_back(' ');
    AppendPdfNumber(body, baseline);
    body += " Tm ";
    AppendLiteral(body, line);
    body += " Tj\n";
    baseline -= leading;
  }
  body += "ET";
  out.Op(body);
}

}  // namespace ostrel
