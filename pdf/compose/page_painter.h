#pragma once
// The page content writer: the operator text of the content stream being
// extended on the selected page. Each drawing request appends to Buffer and
// then flushes, handing the whole buffer back to the page tree.
//
// Graphics-state lines (font, colours, text settings) are written lazily:
// each is remembered as pending and only written before the next request
// that depends on it, so a run of texts shares one text object and one set of
// state lines.
#include <functional>
#include <string>
#include <string_view>

#include "pdf/core/page_content_writer.h"

namespace ostrel {

class TPDFDictionary;
class TPDFFont;

// How PlaceImage scales an image into its rectangle.
enum class TImageFit {
  Stretch,  // the image fills the rectangle
  Square,   // metafile pictures: both sides take the smaller of width and height
};

class TPDFPainter final : public TPageContentWriter {
 public:
  TPDFPainter() { ResetState(); }

  // Reset and LoadContent with nothing handed back in between.
  void StartPage(std::string_view content, int precision) override;

  // Back to the state of a fresh writer with an empty buffer, then flushes.
  void Reset();
  // Takes over the content of a stream being extended; a blank separates it
  // from what is appended next. Nothing is flushed.
  void LoadContent(std::string_view text);
  // Appends one operator line (an LF is added) and flushes.
  void AppendLine(std::string_view line);
  // The text the page tree stores as the stream's data: the buffer, ending
  // with an LF whenever it is not empty.
  std::string ContentText() const override;
  // When out still holds what the last call wrote there, only the text
  // changed since is written: a page of text is not copied again per line.
  void CopyContentText(std::string& out) override;

  // The font and size of the texts that follow; a size not above 0 becomes 1.
  void SetFont(TPDFFont* font, double size);
  TPDFFont* Font() const { return font_; }
  double FontSize() const { return fontSize_; }
  // Text render mode 0..7 (other values give 0), and the colours of text and
  // of filled shapes; components are clamped to 0..1.
  void SetTextRenderMode(int mode);
  void SetTextColor(double red, double green, double blue);
  void SetFillColor(double red, double green, double blue);

  // Shows text (already filtered to what the font can show) with its
  // baseline starting at (x, y) in points.
  void DrawText(std::u16string_view text, double x, double y);
  // Shows two-byte codes of another font at the current size: the font that
  // sets characters the selected one lacks. The selected font is set again
  // before the next DrawText.
  void DrawCodes(std::string_view fontResource, std::string_view codes, double x, double y);
  // Places the image XObject registered under resourceName with its upper
  // left corner at (x, top) and the given size, all in points. imageDict is
  // the image's dictionary when known: a stencil mask is painted in the fill
  // colour, which is then written first. orientation (1 to 8, as EXIF numbers
  // them) mirrors or turns the stored pixels so that the picture shows
  // upright in the rectangle; width and height are those of the upright picture.
  void PlaceImage(std::string_view resourceName, double x, double top, double width, double height,
                  const TPDFDictionary* imageDict = nullptr, TImageFit fit = TImageFit::Stretch,
                  int orientation = 1);

  // Calls OnFlush unless flushing is switched off.
  void Flush();

  // Only appended to from outside: the writer's own functions alone may
  // take text back, as they keep track of what was handed over.
  std::string Buffer;
  int Precision = 4;          // fraction digits of written numbers
  bool FlushEnabled = true;   // off while a page is started

 private:
  // One graphics-state line and whether it still has to be written.
  struct TStateLine {
    std::string Text;
    bool Pending = true;
  };

  void ResetState();
  void WritePending(TStateLine& state);
  void WriteLine(std::string_view text);
  void WriteNumber(double value);
  void WriteLiteral(std::string_view bytes);
  // Opens a text object, or reopens the one the buffer just closed.
  void OpenTextObject();
  void WriteTextMatrix(double x, double y);
  static std::string ColorLine(double red, double green, double blue, std::string_view op, int precision);

  TPDFFont* font_ = nullptr;
  double fontSize_ = 0;
  std::string codesFontLine_;  // the other font's Tf line in force, if any
  TStateLine renderMode_, fontLine_, textColor_, fillColor_, horizontalScaling_, textRise_, spacing_;
  // The string the last CopyContentText wrote, its data and size then, and
  // how many leading bytes of Buffer are unchanged since.
  const std::string* copiedTo_ = nullptr;
  const char* copiedData_ = nullptr;
  size_t copiedSize_ = 0;
  size_t unchanged_ = 0;
};

// True for an image dictionary that is a stencil mask: painted in the fill
// colour rather than carrying colours of its own.
bool IsStencilMask(const TPDFDictionary* imageDict);

}  // namespace ostrel
