// Finding the cross-reference data and walking the chain of sections. The
// table and stream formats are read in xref_table.cpp and xref_stream.cpp.
#include "pdf/core/xref_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "pdf/core/byte_classes.h"
#include "pdf/core/pdf_objects.h"

namespace ostrel {
namespace {

constexpr int64_t kNumberLimit = int64_t{1} << 53;
constexpr int64_t kMaxObjectNumber = 0x7FFFFFFF;

// The window a section's keyword is looked for in: from 10 bytes before the
// offset, 40 bytes long, so that slightly wrong offsets still find it.
constexpr int64_t kLocateBefore = 10;
constexpr size_t kLocateWindow = 40;

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsPdfWhiteSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsPdfWhiteSpace(s.back())) s.remove_suffix(1);
  return s;
}

// A line after "startxref": trimmed, cut at a comment, read as a decimal
// integer; 0 when it is not one.
int64_t LineValue(std::string_view line) {
  line = Trim(line);
  line = Trim(line.substr(0, line.find('%')));
  int64_t value = 0;
  auto [end, ec] = std::from_chars(line.data(), line.data() + line.size(), value);
  return ec == std::errc() && end == line.data() + line.size() ? value : 0;
}

// Where the end-of-file marker is taken to be, or npos when there is none.
size_t FindEofMarker(std::string_view file) {
  const std::string_view tail = file.substr(file.size() - std::min<size_t>(file.size(), 10));
  const size_t cut = tail.find("%%E");
  if (cut != std::string_view::npos && tail.substr(cut, 5) != "%%EOF") {
    // A marker cut off at the end: the position just before its last "%%E".
    const size_t at = file.rfind("%%E");
    return at == 0 ? 0 : at - 1;
  }
  return file.rfind("%%EOF");
}

}  // namespace

bool XRefNumber(const TPDFObject* obj, int64_t& value) {
  const auto* number = PdfCast<TPDFNumeric>(obj);
  if (!number) return false;
  const double v = std::nearbyint(number->Value);
  if (!(v == v)) {
    value = 0;
  } else {
    value = static_cast<int64_t>(std::clamp(v, -static_cast<double>(kNumberLimit), static_cast<double>(kNumberLimit)));
  }
  return true;
}

int64_t TPDFXRefReader::FindStartXref() const {
  const size_t marker = FindEofMarker(file_);
  if (marker == std::string_view::npos) return 0;
  // The last "startxref" that ends before the marker.
  const size_t keyword = file_.substr(0, marker).rfind("startxref");
  if (keyword == std::string_view::npos) return 0;
  std::string_view rest = file_.substr(keyword + 9, marker - (keyword + 9));
  int64_t result = 0;
  while (!rest.empty()) {
    const size_t end = rest.find_first_of(std::string_view("\r\n\0", 3));
    const int64_t value = LineValue(rest.substr(0, end));
    if (value > 0) result = value;
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  return result;
}

bool TPDFXRefReader::ReadSection(int64_t offset) {
  visited_.clear();
  sectionsRead_ = 0;
  return ReadChain(offset, 0);
}

// The /Prev chain is followed in a loop, so a long chain costs no stack; only
// /XRefStm recurses, and its depth is bounded.
bool TPDFXRefReader::ReadChain(int64_t offset, int depth) {
  for (;;) {
    Links links;
    switch (ReadOneSection(offset, depth, links)) {
      case Outcome::Failed: return false;
      case Outcome::AlreadyRead: return true;
      case Outcome::Read: break;
    }
    if (!links.HasPrev) return true;
    offset = links.Prev;
  }
}

TPDFXRefReader::Outcome TPDFXRefReader::ReadOneSection(int64_t offset, int depth, Links& links) {
  // A negative offset cannot be reported: negated it would read as a section.
  if (offset < 0) return Outcome::Failed;
  if (visited_.count(offset)) return Outcome::AlreadyRead;

  const int64_t size = static_cast<int64_t>(file_.size());
  const size_t from = offset >= size ? file_.size() : static_cast<size_t>(std::max<int64_t>(0, offset - kLocateBefore));
  const std::string_view window = file_.substr(from, kLocateWindow);
  size_t xref = window.find("xref");
  const size_t txref = window.find("txref");
  if (xref != std::string_view::npos && txref != std::string_view::npos && xref == txref + 1) {
    xref = std::string_view::npos;  // the tail of "startxref"
  }
  const size_t obj = window.find(" obj");
  const bool isTable = xref != std::string_view::npos && (obj == std::string_view::npos || xref < obj);
  const bool isStream = xref == std::string_view::npos && obj != std::string_view::npos;
  const int64_t keyword = static_cast<int64_t>(from + (isTable ? xref : obj));
  if ((isTable || isStream) && visited_.count(keyword)) return Outcome::AlreadyRead;

  if (OnSection) OnSection(offset);
  visited_.insert(offset);
  // A table starts at its offset; a stream's "n g obj" starts at it, so the
  // keyword lies beyond. Anything else was found only by looking around.
  const bool misplaced = isTable ? keyword != offset : isStream && keyword < offset;
  if (misplaced && OnWarning) {
    OnWarning("cross-reference section at offset " + std::to_string(offset) + " found at " +
              std::to_string(keyword));
  }
  const bool bounded = ++sectionsRead_ <= kMaxSections;
  if (bounded && isTable) {
    visited_.insert(keyword);
    links = ReadTable(from + xref + 4);
  } else if (bounded && isStream) {
    visited_.insert(keyword);
    links = ReadStream(from + obj + 4);
  }
  if (!links.Ok) {
    if (OnSection) OnSection(-offset);
    return Outcome::Failed;
  }
  if (links.HasXRefStm && depth < kMaxHybridDepth) {
    IsHybrid = true;
    ReadChain(links.XRefStm, depth + 1);  // its result does not decide this section's
  }
  return Outcome::Read;
}

void TPDFXRefReader::Report(int64_t number, int64_t field2, char type, int64_t field3) const {
  if (OnEntry && number >= 0 && number <= kMaxObjectNumber) OnEntry(number, field2, type, field3);
}

TPDFXRefReader::Links TPDFXRefReader::LinksOf(const TPDFDictionary* dict, bool isTable) {
  Links links;
  links.Ok = true;
  int64_t value = 0;
  // A stream's /Prev below 1 ends the chain; so does a table's /Prev 0, which
  // some writers put in the first trailer. A negative table /Prev fails.
  if (XRefNumber(dict->GetValue("Prev"), value) && (isTable ? value != 0 : value >= 1)) {
    links.HasPrev = true;
    links.Prev = value;
  }
  if (isTable && XRefNumber(dict->GetValue("XRefStm"), value) && value > 0) {
    links.HasXRefStm = true;
    links.XRefStm = value;
  }
  return links;
}

}  // namespace ostrel
