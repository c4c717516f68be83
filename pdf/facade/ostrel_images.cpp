// The facade's images on pages: importing image files and placing them.
#include "pdf/facade/ostrel.h"

#include <exception>

#include "pdf/compose/document_images.h"
#include "pdf/compose/page_painter.h"
#include "pdf/compose/page_resources.h"
#include "pdf/compose/pdf_image.h"
#include "pdf/core/page_tree.h"
#include "pdf/core/pdf_document.h"
#include "platform/file_io.h"
#include "platform/text_codec.h"

namespace ostrel {

int TOstrel::AddImageFile(std::u16string_view fileName, int options) {
  LastErrorCode = kErrNone;
  std::string path = Utf16ToUtf8(fileName);
  if (!FileExists(path)) return 0;
  try {
    std::optional<std::string> bytes = ReadWholeFile(path);
    if (!bytes) return 0;
    TPDFImage* image = ImportImage(*SelectedDocument, *bytes, options, SelectedDocument->ImageCompression != 0);
    if (!image) return 0;
    // 16-bit samples are a PDF 1.5 feature; versions compare as text.
    if (image->NeedsPDF15 && SelectedDocument->Version < "1.5") SelectedDocument->SetVersion("1.5");
    SelectedImage = image;
    return ObjectID(image);
  } catch (const std::exception&) {
    return 0;
  }
}

namespace {

// Orientations 5 to 8 turn the picture a quarter: it shows as wide as it is stored high.
bool QuarterTurned(const TPDFImage& image) { return image.Orientation >= 5 && image.Orientation <= 8; }

}  // namespace

// The size of the picture as it shows, upright.
int TOstrel::ImageWidth() {
  LastErrorCode = kErrNone;
  if (!SelectedImage) return 0;
  return QuarterTurned(*SelectedImage) ? SelectedImage->PixelHeight : SelectedImage->PixelWidth;
}

int TOstrel::ImageHeight() {
  LastErrorCode = kErrNone;
  if (!SelectedImage) return 0;
  return QuarterTurned(*SelectedImage) ? SelectedImage->PixelWidth : SelectedImage->PixelHeight;
}

int TOstrel::ImagePageCount() {
  LastErrorCode = kErrNone;
  return SelectedImage ? SelectedImage->PagesInFile : 0;
}

int TOstrel::DrawImageAt(double left, double top, double width, double height) {
  if (!SelectedImage) return 0;
  RegisterImage(SelectedDocument->PageTree(), *SelectedImage);
  TImageFit fit = SelectedImage->Kind == TPDFImage::kMetafile ? TImageFit::Square : TImageFit::Stretch;
  PainterOf(SelectedDocument).PlaceImage(SelectedImage->ResourceName, UserToPointsX(left), UserToPointsY(top),
                                         ScaleToPoints(width), ScaleToPoints(height), SelectedImage->XObjectDict,
                                         fit, SelectedImage->Orientation);
  return 1;
}

}  // namespace ostrel
