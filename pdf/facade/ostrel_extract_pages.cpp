// The facade's copying of pages from file to file.
#include "pdf/split/page_extraction.h"
#include "pdf/facade/ostrel.h"
#include "platform/text_codec.h"

namespace ostrel {

int TOstrel::ExtractPagesToFile(std::u16string_view inputName, std::u16string_view password,
                                std::u16string_view outputName, std::u16string_view rangeList) {
  // The password is not used: encrypted inputs are copied as they are stored.
  int32_t code = kErrNone;
  int result = ExtractPagesToFileImpl(Utf16ToUtf8(inputName), Utf16ToUtf8(outputName),
                                      Utf16ToUtf8(rangeList), code, warnings_.get());
  LastErrorCode = code;
  return result;
}

}  // namespace ostrel
