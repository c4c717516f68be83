#include "app/conversion_request.h"

#include <algorithm>
#include <cctype>

namespace drevlin {

namespace {

// In the order of the image save dialog's filters.
constexpr TImageFormat kImageFormats[] = {
    {"bmp", ".bmp", ostrel::kFormatBMP}, {"jpg", ".jpg", ostrel::kFormatJPEG}, {"png", ".png", ostrel::kFormatPNG},
    {"gif", ".gif", ostrel::kFormatGIF}, {"tiff", ".tiff", ostrel::kFormatTIFF},
};

}  // namespace

ostrel::TPageTextOption PageTextOptionOf(TTextLayout layout) {
  switch (layout) {
    case TTextLayout::Layout:
      return ostrel::kTextLayout;
    case TTextLayout::Lines:
      return ostrel::kTextLines;
    case TTextLayout::List:
      return ostrel::kTextPieces;
    case TTextLayout::Plain:
      break;
  }
  return ostrel::kTextPlain;
}

const TImageFormat& ImageFormatOfFilter(int filterIndex) {
  return kImageFormats[std::clamp(filterIndex, 1, static_cast<int>(std::size(kImageFormats))) - 1];
}

std::optional<TImageFormat> ImageFormatNamed(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower == "jpeg") lower = "jpg";
  if (lower == "tif") lower = "tiff";
  for (const TImageFormat& format : kImageFormats) {
    if (lower == format.Name) return format;
  }
  return std::nullopt;
}

}  // namespace drevlin
