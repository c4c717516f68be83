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

int TOstrel::ExtractEachPageToFile(std::u16string_view inputName, std::u16string_view /*password*/,
                                   const std::vector<int>& pages, const std::vector<std::u16string>& outputNames,
                                   const std::function<bool(int written)>& onWritten) {
  std::vector<std::pair<int, std::string>> jobs;
  for (size_t i = 0; i < pages.size() && i < outputNames.size(); ++i)
    jobs.emplace_back(pages[i], Utf16ToUtf8(outputNames[i]));
  int32_t code = kErrNone;
  const size_t written = ExtractEachPageToFileImpl(
      Utf16ToUtf8(inputName), jobs, code, warnings_.get(),
      [&](size_t n) { return !onWritten || onWritten(static_cast<int>(n)); });
  LastErrorCode = code;
  return static_cast<int>(written);
}

}  // namespace ostrel
