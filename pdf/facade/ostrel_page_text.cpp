// The facade's page text, read straight from a PDF file.
#include "pdf/facade/ostrel.h"

#include "pdf/core/page_tree.h"
#include "pdf/core/pdf_document.h"
#include "platform/file_io.h"
#include "platform/text_codec.h"

namespace ostrel {

std::u16string TOstrel::ExtractPageTextFromFile(std::u16string_view fileName, std::u16string_view password,
                                                int page, int options) {
  LastErrorCode = kErrNone;
  if (!FileExists(Utf16ToUtf8(fileName))) {
    LastErrorCode = kErrCannotOpen;
    return {};
  }
  LastErrorCode = kErrUnreadableFile;  // needs the direct-access reader and text extractor
  return {};
}

}  // namespace ostrel
