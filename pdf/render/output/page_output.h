#pragma once
// Rendered pages as image files: one file per page, BMP, JPEG, PNG, GIF or
// TIFF, named from a pattern by page number. The renderer and its font
// collection are made once per call and shared by every page of the range.
//
// This header stays free of the canvas and facade headers so that both the
// facade and the tests can include it.
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include "pdf/render/canvas/canvas_settings.h"
#include "platform/bitmap.h"

namespace ostrel {

class TPDFDocument;

// Format codes, as the facade numbers them.
enum TPageOutputFormat : int { kPageBMP = 0, kPageJPEG = 1, kPagePNG = 5, kPageGIF = 6, kPageTIFF = 7 };

// Error codes carried by TPageOutputError (the facade's LastErrorCode).
inline constexpr int32_t kPageOutputWriteError = 403;

struct TPageOutputSettings {
  double DPI = 72;
  int Format = kPagePNG;
  int JPEGQuality = 75;
  bool UseTransparentColor = false;
  uint32_t TransparentColor = 0xFFFFFF;  // 0x00BBGGRR
  TGDIPlusSettings Canvas;  // handed to the renderer
  // Told each page whose file is complete; false ends the page loop there.
  std::function<bool(int page)> PageWritten;
};

// A page that could not be rendered or written. Code is 403 for files that
// cannot be written, 0 otherwise.
class TPageOutputError : public std::runtime_error {
 public:
  TPageOutputError(int32_t code, const std::string& message) : std::runtime_error(message), Code(code) {}
  int32_t Code;
};

// The file form of a page bitmap in settings.Format. Throws TPageOutputError
// for a format that is not one of the five.
std::string EncodePageBitmap(const Bitmap& page, const TPageOutputSettings& settings);

// Renders one page into the bitmap and sets the result text (the renderer's
// last error, empty when none). Throws when the page cannot be rendered.
using TPageRenderFunction = std::function<void(int page, Bitmap& bitmap, std::string& resultText)>;

// The page loop: for each page of first..last, names the file, creates it,
// renders, encodes and commits it. Files of earlier pages stay when a later
// one fails; the failing page leaves no file. avoidPath, when not empty, is a
// file that must never be replaced (the document's own file).
void WritePageFiles(int first, int last, const TPageOutputSettings& settings, const std::string& fileName,
                    const TPageRenderFunction& render, std::string& resultText,
                    const std::string& avoidPath = {});

// WritePageFiles driven by one renderer over the document's pages.
void RenderPagesToFiles(TPDFDocument& document, int first, int last, const TPageOutputSettings& settings,
                        const std::string& fileName, std::string& resultText);

}  // namespace ostrel
