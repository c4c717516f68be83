// Classic cross-reference tables: subsections of fixed-width entries, then a
// trailer dictionary. Entries are read by position, not by line, so tables
// with any line ending (CR, LF, CR LF, space CR, space LF) read alike.
#include <algorithm>
#include <memory>

#include "pdf/core/pdf_structure.h"
#include "pdf/core/xref_reader.h"

namespace ostrel {
namespace {

constexpr size_t kHeaderWindow = 20;
constexpr size_t kEntryBytes = 18;  // offset, space, generation, space, type
constexpr size_t kTrailerWindow = 2048;
// Digit runs are clamped here so that number + index never overflows.
constexpr int64_t kDigitLimit = int64_t{1} << 53;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The digit run at pos (clamped), advancing pos past it; -1 when pos holds no digit.
int64_t ReadDigits(std::string_view text, size_t& pos) {
  if (pos >= text.size() || !IsDigit(text[pos])) return -1;
  int64_t value = 0;
  for (; pos < text.size() && IsDigit(text[pos]); ++pos) value = std::min(kDigitLimit, value * 10 + (text[pos] - '0'));
  return value;
}

size_t SkipToDigit(std::string_view text, size_t pos) {
  while (pos < text.size() && !IsDigit(text[pos])) ++pos;
  return pos;
}

// A fixed-width field: digits, optionally padded with spaces; false for
// anything else, which means the entry is not there at all.
bool ReadField(std::string_view field, int64_t& value) {
  value = 0;
  bool digits = false;
  for (char c : field) {
    if (IsDigit(c)) {
      value = std::min(kDigitLimit, value * 10 + (c - '0'));
      digits = true;
    } else if (c != ' ') {
      return false;
    }
  }
  return digits;
}

struct SubsectionHeader {
  int64_t First = -1;
  int64_t Count = 0;
  size_t EntriesAt = 0;  // where the first entry starts
};

// Reads "first count" at q. False when the subsections end here: a comment,
// the trailer keyword, or a header without a usable first number and count.
bool ReadHeader(std::string_view file, size_t q, SubsectionHeader& header) {
  const std::string_view window = file.substr(q, kHeaderWindow);
  if (window.substr(0, 3).find('%') != std::string_view::npos) return false;
  if (window.find("trailer") != std::string_view::npos) return false;
  size_t pos = SkipToDigit(window, 0);
  header.First = ReadDigits(window, pos);
  pos = SkipToDigit(window, pos + 1);
  const int64_t count = ReadDigits(window, pos);
  header.Count = std::max<int64_t>(count, 0);
  if (header.First < 0 || header.Count <= 0) return false;
  header.EntriesAt = SkipToDigit(file, q + pos + 1);
  return true;
}

}  // namespace

TPDFXRefReader::Links TPDFXRefReader::ReadTable(size_t q) {
  SubsectionHeader header;
  while (ReadHeader(file_, q, header)) {
    size_t k = header.EntriesAt;
    // The declared count is only an upper bound: entries end where the file
    // stops holding entries, so an absurd count costs nothing.
    for (int64_t i = 0; i < header.Count && k + kEntryBytes <= file_.size(); ++i) {
      const std::string_view entry = file_.substr(k, kEntryBytes);
      int64_t offset = 0;
      int64_t generation = 0;
      if (!ReadField(entry.substr(0, 10), offset) || !ReadField(entry.substr(11, 5), generation)) break;
      Report(header.First + i, offset, entry[17], generation);
      k += kEntryBytes;
      while (k < file_.size() && (file_[k] == '\r' || file_[k] == '\n' || file_[k] == ' ')) ++k;
    }
    if (k == header.EntriesAt) break;  // no entry at all: what follows is not a table
    q = k;
  }

  Links failed;
  const size_t keyword = file_.find("trailer", q);
  if (keyword == std::string_view::npos) return failed;
  const std::string_view rest = file_.substr(keyword + 7, kTrailerWindow - 7);
  if (rest.find("<<") == std::string_view::npos || rest.find(">>") == std::string_view::npos) return failed;
  TPDFStructure pool;
  const auto* trailer = PdfCast<TPDFDictionary>(pool.ParseObject(rest));
  if (!trailer) return failed;
  if (OnTrailer) OnTrailer(trailer->ToText());
  return LinksOf(trailer, true);
}

}  // namespace ostrel
