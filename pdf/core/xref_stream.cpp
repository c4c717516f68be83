// Cross-reference streams: a stream object whose dictionary is the trailer
// and whose decoded data holds fixed-width binary entries (/W) for the
// object numbers listed in /Index.
#include <algorithm>
#include <vector>

#include "pdf/core/pdf_structure.h"
#include "pdf/core/stream_data.h"
#include "pdf/core/xref_reader.h"

namespace ostrel {
namespace {

// How far after the dictionary the "stream" keyword is looked for; only
// white space belongs there, so this bound costs sound files nothing and
// keeps a long chain of broken sections from rescanning the whole file.
constexpr size_t kStreamKeywordReach = 64 * 1024;
constexpr int64_t kMaxFieldWidth = 8;

struct Subsection {
  int64_t First;
  int64_t Count;
};

// (first, count) pairs of /Index, or the one subsection (0, size) without it.
std::vector<Subsection> Subsections(const TPDFDictionary* dict, int64_t size) {
  std::vector<Subsection> result;
  const auto* index = PdfCast<TPDFArray>(dict->GetValue("Index"));
  if (!index) {
    result.push_back({0, size});
    return result;
  }
  result.reserve(index->Count() / 2);
  for (size_t i = 0; i + 1 < index->Count(); i += 2) {
    Subsection s{0, 0};
    XRefNumber(index->Item(i), s.First);
    XRefNumber(index->Item(i + 1), s.Count);
    result.push_back(s);
  }
  return result;
}

// The three field widths; false when /W names a width a field cannot have.
bool FieldWidths(const TPDFArray* w, int64_t (&widths)[3]) {
  for (size_t i = 0; i < 3; ++i) {
    widths[i] = 0;
    XRefNumber(w->Item(i), widths[i]);
    if (widths[i] < 0 || widths[i] > kMaxFieldWidth) return false;
  }
  return true;
}

// A big-endian field; bytes past the end read as 0, and fields wider than
// four bytes keep their low 32 bits.
int64_t ReadField(std::string_view data, size_t pos, int64_t width) {
  uint64_t value = 0;
  for (int64_t j = 0; j < width; ++j) {
    const size_t at = pos + static_cast<size_t>(j);
    value = value << 8 | (at < data.size() ? static_cast<unsigned char>(data[at]) : 0u);
  }
  return static_cast<int64_t>(value & 0xFFFFFFFFu);
}

// The raw stream data after the dictionary ending at `after`, or "" when the
// keyword, its line break or a direct /Length is missing.
std::string_view StreamData(std::string_view file, size_t after, const TPDFDictionary* dict) {
  const size_t keyword = file.substr(after, kStreamKeywordReach).find("stream");
  if (keyword == std::string_view::npos) return {};
  const size_t pos = StreamDataStart(file, after + keyword + 6);
  if (pos == std::string_view::npos) return {};
  int64_t length = 0;
  if (!XRefNumber(dict->GetValue("Length"), length) || length <= 0) return {};
  return file.substr(pos, static_cast<size_t>(std::min<int64_t>(length, static_cast<int64_t>(file.size() - pos))));
}

}  // namespace

TPDFXRefReader::Links TPDFXRefReader::ReadStream(size_t q) {
  Links failed;
  TPDFStructure pool;
  size_t consumed = 0;
  auto* dict = PdfCast<TPDFDictionary>(pool.ParseObjectAt(file_.substr(q), consumed));
  int64_t size = 0;
  if (!dict || dict->TypeName() != "XRef" || !XRefNumber(dict->GetValue("Size"), size)) return failed;

  const auto* w = PdfCast<TPDFArray>(dict->GetValue("W"));
  int64_t widths[3] = {0, 0, 0};
  if (w && w->Count() > 2 && !FieldWidths(w, widths)) return failed;
  const size_t entryBytes = static_cast<size_t>(widths[0] + widths[1] + widths[2]);

  const std::string_view raw = StreamData(file_, q + consumed, dict);
  // An entry of zero bytes describes nothing, whatever /Size or /Index claim.
  if (entryBytes > 0 && !raw.empty()) {
    TPDFStream* stream = pool.NewStreamWith(dict, std::string(raw));
    const std::string data = stream->DecodedData();
    size_t pos = 0;
    // Entries are read while the data lasts; the declared counts only bound it.
    for (const Subsection& sub : Subsections(dict, size)) {
      for (int64_t i = 0; i < sub.Count && pos < data.size(); ++i, pos += entryBytes) {
        const int64_t type = widths[0] == 0 ? 1 : ReadField(data, pos, widths[0]);
        const size_t second = pos + static_cast<size_t>(widths[0]);
        const int64_t field2 = ReadField(data, second, widths[1]);
        const int64_t field3 = ReadField(data, second + static_cast<size_t>(widths[1]), widths[2]);
        static constexpr char kTypes[] = {'f', 'n', 'c'};
        if (type >= 0 && type <= 2) {
          Report(sub.First + i, field2, kTypes[type], field3);
        } else {
          Report(sub.First + i, 0, ' ', 0);
        }
      }
      if (pos >= data.size()) break;
    }
  }
  if (OnTrailer) OnTrailer(dict->ToText());
  return LinksOf(dict, false);
}

}  // namespace ostrel
