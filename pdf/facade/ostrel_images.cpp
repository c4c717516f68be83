// The facade's images on pages: importing image files and placing them.
#include "pdf/facade/ostrel.h"

#include "pdf/core/page_tree.h"
#include "pdf/core/pdf_document.h"
#include "platform/file_io.h"
#include "platform/text_codec.h"

namespace ostrel {

int TOstrel::AddImageFile(std::u16string_view fileName, int options) {
  LastErrorCode = kErrNone;
  if (!FileExists(Utf16ToUtf8(fileName))) return 0;
  return 0;  // needs image import
}

int TOstrel::ImageWidth() {
  LastErrorCode = kErrNone;
  return 0;  // no image can be selected before image import exists
}

int TOstrel::ImageHeight() {
  LastErrorCode = kErrNone;
  return 0;
}

int TOstrel::DrawImageAt(double left, double top, double width, double height) {
  return 0;  // needs image import and the content writer
}

}  // namespace ostrel
