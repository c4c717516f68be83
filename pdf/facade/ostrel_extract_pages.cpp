// The facade's copying of pages from file to file.
#include "pdf/facade/ostrel.h"

#include "pdf/core/page_tree.h"
#include "pdf/core/pdf_document.h"
#include "platform/file_io.h"
#include "platform/text_codec.h"

namespace ostrel {

int TOstrel::ExtractPagesToFile(std::u16string_view inputName, std::u16string_view password,
                                std::u16string_view outputName, std::u16string_view rangeList) {
  LastErrorCode = kErrNone;
  std::string input = Utf16ToUtf8(inputName);
  std::string output = Utf16ToUtf8(outputName);
  if (!FileExists(input)) {
    LastErrorCode = kErrCannotOpen;
    return 0;
  }
  // Nothing locks the input on this platform: replacing the output would
  // destroy the very file being split.
  if (IsSameFile(input, output)) {
    LastErrorCode = kErrCannotReplaceOutput;
    return 0;
  }
  LastErrorCode = kErrUnreadableFile;  // needs the direct-access reader
  return 0;
}

}  // namespace ostrel
