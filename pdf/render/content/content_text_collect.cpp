// Shown text for the text-collection kind: instead of drawing glyphs, each
// show-text operation cuts its characters into runs (words, or single
// characters when the text is letter-spaced) and hands them to the text
// funnel with their glyph-space box and the matrix that places it.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "pdf/core/content_strings.h"
#include "pdf/core/decimal_reading.h"
#include "pdf/render/content/content_interpreter.h"
#include "pdf/render/glyphs/glyph_rasterizer.h"
#include "pdf/render/content/pdf_renderer.h"
#include "pdf/text/font_collection.h"
#include "pdf/text/extract/ligatures.h"
#include "pdf/text/extract/text_funnel.h"

namespace ostrel {
namespace {

std::string HexByte(long value) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02lX", value);
  return buf;
}

// One shown character: its text and its advance in glyph units.
struct TShownChar {
  std::u16string Text;
  double Advance;
};

// The advance of the font's space in glyph units, 0 when the font has none
// or it cannot be told (composite fonts give no code for a space).
double SpaceAdvance(const TPDFFontCollectionData& font, const TPDFGlyphRasterizer* raster, double k) {
  if (font.IsComposite) return 0;
  int code = font.NameChars[32] == " " ? 32 : -1;
  for (int c = 0; c < 256 && code < 0; ++c)
    if (font.NameChars[c] == " ") code = c;
  if (code < 0 || !(font.Widths[code] > 0)) return 0;
  return raster && k != 0 ? font.Widths[code] / k : font.Widths[code];
}

}  // namespace

std::string TContentRun::FillColorText() const {
  if (r_.TextFunnel.CMYKColorText && gs_.FillSpace == "DeviceCMYK") {
    std::string cmyk;
    for (double v : gs_.FillCMYK) cmyk += HexByte(std::lround(std::clamp(std::nearbyint(v * 255), 0.0, 65535.0)));
    return cmyk;
  }
  std::string text(1, '#');
  for (int shift : {0, 8, 16}) text += HexByte((gs_.FillColor >> shift) & 0xFF);
  return text;
}

void TContentRun::CollectText(const std::vector<std::string_view>& items, TPDFGlyphRasterizer* raster, double u,
                              double k, double& x, const TPDFMatrix& glyphCTM) {
  TPDFFontCollection& fonts = r_.fonts_;
  const TPDFFontCollectionData& font = *fonts.CurrentFont;
  TPDFTextFunnel& funnel = r_.TextFunnel;
  const double perSize = u / std::fabs(gs_.FontSize);
  const bool composite = font.IsComposite;
  const bool split = funnel.SplitWords != 0;

  // Vertical text runs down its column: the run's own x axis points down
  // the page and its box spans the glyphs' width across, centred on the
  // pen, so that a column is one block.
  const bool vertical = fonts.IsVertical();
  const TPDFMatrix runMatrix = vertical ? MultiplyMatrix(TPDFMatrix{0, -1, 1, 0, 0, 0}, glyphCTM) : glyphCTM;
  TPDFTextRun run;
  std::copy(runMatrix.begin(), runMatrix.end(), run.Matrix.begin());
  run.BaseY = vertical ? -u / 2 : font.Descent + gs_.Rise * perSize;
  run.Height = vertical ? u : font.Ascent - font.Descent;
  run.Size = std::hypot(glyphCTM[2] * u, glyphCTM[3] * u);
  run.SpaceWidth = SpaceAdvance(font, raster, k) * std::hypot(glyphCTM[0], glyphCTM[1]);
  run.FontName = font.BaseFontName;
  run.ColorText = FillColorText();
  run.Vertical = vertical;

  double x0 = 0;
  std::u16string word;
  std::vector<double> widths;
  auto handOver = [&](const std::u16string& text, const std::vector<double>& w) {
    run.Text = text;
    run.Widths = w;
    run.StartX = x0;
    run.Width = x - x0;
    funnel.AddRun(run);
  };
  auto handOverWord = [&] {
    handOver(word, widths);
    word.clear();
    widths.clear();
  };

  auto showChar = [&](const TShownChar& ch) {
    bool space = ch.Text == u" ";
    if (split && space) {
      if (!word.empty()) {
        if (composite) funnel.SetAllowJoin(false);
        handOverWord();
      }
      funnel.SetAllowJoin(false);
      x0 = x + ch.Advance;
    } else if (gs_.CharSpacing > 1) {
      // Letter-spaced text: each character is a run of its own, and the
      // funnel's distances decide where the words are.
      if (composite) funnel.SetAllowJoin(true);
      handOver(ch.Text, {});
      word.clear();
      widths.clear();
      funnel.SetAllowJoin(composite ? !split : true);
      x0 = x + ch.Advance;
    } else {
      word += ch.Text;
    }
    x += ch.Advance;
    // A character of several units carries its advance on the last one; one
    // without text replaces the advance of the unit before it.
    widths.resize(word.size());
    if (!word.empty()) widths.back() = ch.Advance;
  };

  std::vector<TShownChar> chars;
  for (std::string_view item : items) {
    if (item.empty() || (item[0] != '(' && item[0] != '<')) {
      if (!word.empty()) {
        handOverWord();
        funnel.SetAllowJoin(true);
      }
      if (vertical) {
        x += ReadDecimal(item) * u / 1000;
        x0 = x;
      } else if (k != 0) {
        x -= ReadDecimal(item) * u / 1000 / k;
        x0 = x;
      }
      continue;
    }
    std::string bytes = item[0] == '(' ? ContentLiteralUnescape(item) : ContentHexDecode(item);
    chars.clear();
    if (composite) {
      // A string holding a code without text, or with a control character
      // for text, is not text: it is left out whole and does not advance.
      bool skip = false;
      for (uint32_t code : fonts.SplitCodes(bytes)) {
        std::u16string text = ExpandLigatures(fonts.CodeToText(code));
        if (text < u" ") skip = true;
        const double advance = vertical ? -fonts.CodeVerticalMetric(code).W1y - gs_.CharSpacing * perSize
                                        : gs_.CharSpacing * perSize + fonts.CodeWidth(code);
        chars.push_back({std::move(text), advance});
      }
      if (skip) continue;
    } else {
      for (unsigned char c : bytes) {
        double advance = font.Widths[c];
        if (raster && k != 0) advance /= k;
        advance += gs_.CharSpacing * perSize;
        if (c == 32) advance += gs_.WordSpacing * perSize;
        chars.push_back({ExpandLigatures(fonts.CodeToText(c)), advance});
      }
    }
    (vertical ? funnel.VerticalUnits : funnel.UprightUnits) += chars.size();
    for (const TShownChar& ch : chars) showChar(ch);
  }
  if (!word.empty() && !(split && word == u" ")) handOverWord();
}

}  // namespace ostrel
