#pragma once
// "Split pdf": copies chosen pages of a PDF file into a new file without
// loading the source as a document.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pdf/core/ostrel_errors.h"

namespace ostrel {

class TWarningLog;

// Writes the pages that rangeList names (in its order, duplicates kept) from
// input into output. Returns 1 on success; otherwise 0 with errorCode set:
// 401 the input cannot be opened, 402 the output is the input itself or a
// folder, 403 the output cannot be written, 409 the input is not a readable
// PDF (or an encrypted one whose object streams cannot be decrypted), 412
// the range names no page of the input, 413 the page tree is damaged. The
// file is written under a temporary name and renamed over the output only
// when complete, so a failure leaves no output behind and a file already
// there as it was.
// The same from the bytes of a file into the bytes of the new file; codes
// 409 and 412 as above.
int ExtractPagesToBytes(std::string_view source, std::string_view rangeList, std::string& output, int32_t& errorCode);

// Damage met while reading the input is reported to warnings when given.
int ExtractPagesToFileImpl(const std::string& input, const std::string& output, std::string_view rangeList,
                           int32_t& errorCode, TWarningLog* warnings = nullptr);

// One file per page from one reading of input: pagesAndOutputs pairs a page
// number with the file it goes to. Each file is written as above, in list
// order; the first failure ends the pass with errorCode set, and so does
// onWritten returning false. Returns how many files were written.
size_t ExtractEachPageToFileImpl(const std::string& input, const std::vector<std::pair<int, std::string>>& pagesAndOutputs,
                                 int32_t& errorCode, TWarningLog* warnings = nullptr,
                                 const std::function<bool(size_t written)>& onWritten = {});

}  // namespace ostrel
