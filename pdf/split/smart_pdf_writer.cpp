#include "pdf/split/smart_pdf_writer.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "pdf/core/pdf_objects.h"
#include "pdf/core/pdf_structure.h"

namespace ostrel {
namespace {

void AppendPadded(std::string& out, int64_t value, int width) {
  char digits[24];
  auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
  const auto length = static_cast<int>(end - digits);
  if (length < width) out.append(static_cast<size_t>(width - length), '0');
  out.append(digits, end);
}

void AppendNumber(std::string& out, int64_t value) { AppendPadded(out, value, 0); }

// One 20-byte cross-reference entry. A table has an entry for every number
// up to the highest written, in every file written, so it is built in place
// with one append per entry.
void AppendEntry(std::string& out, int64_t field, int32_t generation, char type) {
  if (field < 0 || field > 9999999999 || generation < 0 || generation > 99999) {
    AppendPadded(out, field, 10);
    out += ' ';
    AppendPadded(out, generation, 5);
    out += ' ';
    out += type;
    out += " \n";
    return;
  }
  char line[20] = {'0', '0', '0', '0', '0', '0', '0', '0', '0', '0', ' ', '0', '0', '0', '0', '0', ' ', type, ' ', '\n'};
  auto put = [&line](int end, int64_t value) {
    char digits[24];
    const auto length = static_cast<size_t>(std::to_chars(digits, digits + sizeof digits, value).ptr - digits);
    std::memcpy(line + end - length, digits, length);
  };
  put(10, field);
  put(16, generation);
  out.append(line, sizeof line);
}

}  // namespace

void TSmartPDFWriter::WriteHeader(std::string_view version) {
  out_ += "%PDF-";
  out_ += version;
  out_ += "\n%\xE2\xE3\xCF\xD3\n";
}

void TSmartPDFWriter::BeginObject(int32_t number, int32_t generation) {
  written_.push_back({number, generation, static_cast<int64_t>(out_.size())});
  AppendNumber(out_, number);
  out_ += ' ';
  AppendNumber(out_, generation);
  out_ += " obj\n";
}

void TSmartPDFWriter::EndObject() {
  if (out_.back() != '\n') out_ += '\n';
  out_ += "endobj\n";
}

void TSmartPDFWriter::WriteObject(int32_t number, int32_t generation, std::string_view text) {
  BeginObject(number, generation);
  out_ += text;
  EndObject();
}

void TSmartPDFWriter::WriteObject(int32_t number, int32_t generation, const TPDFObject* value) {
  BeginObject(number, generation);
  if (value) {
    value->ToText(out_);
  } else {
    out_ += "null";
  }
  EndObject();
}

void TSmartPDFWriter::WriteXrefAndTrailer(TPDFDictionary* trailer) {
  int32_t highest = 0;
  for (const Written& w : written_) highest = std::max(highest, w.Number);
  const auto count = static_cast<size_t>(highest) + 1;
  // Later writes of a number win, as a reader taking the table would see it.
  std::vector<const Written*> byNumber(count, nullptr);
  for (const Written& w : written_) {
    if (w.Number > 0) byNumber[static_cast<size_t>(w.Number)] = &w;
  }
  // Each free entry names the next free number above it; the last names 0.
  std::vector<int32_t> nextFree(count, 0);
  int32_t next = 0;
  for (size_t n = count; n-- > 0;) {
    nextFree[n] = next;
    if (!byNumber[n]) next = static_cast<int32_t>(n);
  }

  const int64_t xrefOffset = static_cast<int64_t>(out_.size());
  out_.reserve(out_.size() + count * 20 + 256);
  out_ += "xref\n0 ";
  AppendNumber(out_, static_cast<int64_t>(count));
  out_ += '\n';
  for (size_t n = 0; n < count; ++n) {
    if (const Written* w = byNumber[n]) {
      AppendEntry(out_, w->Offset, w->Generation, 'n');
    } else {
      AppendEntry(out_, nextFree[n], n == 0 ? 65535 : 1, 'f');
    }
  }
  out_ += "trailer\n";
  if (trailer) {
    trailer->SetValue("Size", trailer->Pool->NewNumeric(static_cast<double>(count)));
    trailer->ToText(out_);
  } else {
    out_ += "<< /Size ";
    AppendNumber(out_, static_cast<int64_t>(count));
    out_ += " >>";
  }
  if (out_.back() != '\n') out_ += '\n';
  out_ += "startxref\n";
  AppendNumber(out_, xrefOffset);
  out_ += "\n%%EOF\n";
}

}  // namespace ostrel
