#include "pdf/core/object_scan.h"

#include <algorithm>

#include "pdf/core/byte_classes.h"
#include "pdf/core/pdf_objects.h"
#include "pdf/core/pdf_structure.h"

namespace ostrel {

namespace {

// How much text after "trailer" may hold its dictionary.
constexpr size_t kTrailerWindow = 64 * 1024;
// Trailers and catalogs tried, newest first: a hostile file could repeat the
// words endlessly, each try parsing up to a window of text.
constexpr int kMaxCandidates = 64;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::vector<TScannedObject> ScanForObjects(std::string_view file) {
  std::vector<TScannedObject> found;
  for (size_t at = file.find("obj"); at != std::string_view::npos; at = file.find("obj", at + 3)) {
    if (at + 3 < file.size() && !IsPdfWhiteSpace(file[at + 3]) && !IsPdfDelimiter(file[at + 3])) continue;
    size_t p = at;
    if (p == 0 || !IsPdfWhiteSpace(file[p - 1])) continue;
    while (p > 0 && IsPdfWhiteSpace(file[p - 1])) --p;
    const size_t genEnd = p;
    while (p > 0 && IsDigit(file[p - 1]) && genEnd - p < 6) --p;
    if (p == genEnd || p == 0 || !IsPdfWhiteSpace(file[p - 1])) continue;
    const size_t genStart = p;
    while (p > 0 && IsPdfWhiteSpace(file[p - 1])) --p;
    const size_t numEnd = p;
    while (p > 0 && IsDigit(file[p - 1]) && numEnd - p < 8) --p;
    if (p == numEnd) continue;
    if (p > 0 && (IsDigit(file[p - 1]) || file[p - 1] == '.' || file[p - 1] == '-' || file[p - 1] == '+')) continue;
    found.push_back({std::stoll(std::string(file.substr(p, numEnd - p))),
                     std::stoll(std::string(file.substr(genStart, genEnd - genStart))), static_cast<int64_t>(p)});
  }
  return found;
}

std::string RecoveredTrailer(std::string_view file, const std::vector<TScannedObject>& objects) {
  int tries = 0;
  for (size_t at = file.rfind("trailer"); at != std::string_view::npos && tries++ < kMaxCandidates;
       at = at == 0 ? std::string_view::npos : file.rfind("trailer", at - 1)) {
    TPDFStructure scratch;
    auto* dict = PdfCast<TPDFDictionary>(scratch.ParseObject(file.substr(at + 7, kTrailerWindow)));
    if (dict && dict->GetValue("Root")) return dict->ToText();
  }
  // The catalog: the object whose text holds the last "/Catalog".
  tries = 0;
  for (size_t at = file.rfind("/Catalog"); at != std::string_view::npos && tries++ < kMaxCandidates;
       at = at == 0 ? std::string_view::npos : file.rfind("/Catalog", at - 1)) {
    auto holder = std::upper_bound(objects.begin(), objects.end(), static_cast<int64_t>(at),
                                   [](int64_t offset, const TScannedObject& o) { return offset < o.Offset; });
    if (holder == objects.begin()) break;
    --holder;
    const std::string_view text = file.substr(static_cast<size_t>(holder->Offset), at - holder->Offset);
    if (text.find("endobj") != std::string_view::npos) continue;  // between objects
    return "<< /Root " + std::to_string(holder->Number) + " " + std::to_string(holder->Generation) + " R >>";
  }
  return "";
}

}  // namespace ostrel
