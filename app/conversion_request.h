#pragma once
// One conversion as its caller asks for it: what to read, where to write and
// how. The window builds requests from its dialogs, the command line from its
// options; both hand them to TConverter.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/facade/ostrel.h"

namespace drevlin {

// The output name that sends pdf to text's text to standard output.
inline constexpr const char* kStandardOutput = "-";

// The five conversions, numbered as the window's mode group lists them.
enum TConvertMode : int {
  kModeNone = -1,
  kModePdfToImages = 0,
  kModePdfToText = 1,
  kModeTextToPdf = 2,
  kModeImagesToPdf = 3,
  kModeSplitPdf = 4,
};

// How pdf to text lays out the text of a page.
enum class TTextLayout { Plain, Layout, Lines, List };
ostrel::TPageTextOption PageTextOptionOf(TTextLayout layout);

// An image file format of pdf to images.
struct TImageFormat {
  const char* Name;       // as the command line takes it
  const char* Extension;  // given to the output files
  ostrel::TRenderFormat Format;
};
// The save dialog's filter index 1..5 (out of range: the nearest one).
const TImageFormat& ImageFormatOfFilter(int filterIndex);
// By name or extension, any case: "png", "JPEG", "tif"; nothing when unknown.
std::optional<TImageFormat> ImageFormatNamed(std::string_view name);

struct TConversionRequest {
  TConvertMode Mode = kModePdfToImages;
  std::vector<std::string> Inputs;  // one file; images to pdf takes several
  // The file written. Page-wise outputs (pdf to images, split) insert the
  // page number before its extension: out/report.png gives out/report1.png.
  std::string Output;
  std::vector<int> Pages;  // pages to convert, in this order; empty means all
  TImageFormat Format = *ImageFormatNamed("png");
  int Dpi = 72;
  TTextLayout TextLayout = TTextLayout::Plain;
  std::string Password;  // of an encrypted input
  int Jobs = 1;          // pdf to images: pages rendered by this many threads at once
};

// Outcome of a step, for callers that need more than the window shows.
struct TStepResult {
  bool Ok = true;       // nothing failed
  int Skipped = 0;      // inputs left out (unreadable images)
  int Written = 0;      // output files written
  bool NoText = false;  // pdf to text found no text and wrote nothing
};

}  // namespace drevlin
