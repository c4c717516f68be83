#pragma once
// Hand-written PDF files for the page extraction tests, with offsets
// computed here: classic tables, cross-reference streams, object streams and
// hybrid files from the same list of objects.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace ostrel::testing {

enum class XrefKind { Table, Stream, Hybrid };

struct PdfFixture {
  std::string Header = "%PDF-1.5\n%\xE2\xE3\xCF\xD3\n";
  std::map<int, std::string> Plain;       // number -> body
  std::map<int, std::string> Compressed;  // number -> body, kept in one object stream
  int ObjStmNumber = 0;                   // 0: one above the highest number
  std::string TrailerExtra;
  // In a hybrid file the table either leaves out the objects kept in object
  // streams or lists them as free; readers must take the stream's entries.
  bool HybridListsCompressedAsFree = false;

  std::string Build(XrefKind kind = XrefKind::Table) const {
    std::string out = Header;
    std::map<int, int64_t> offsets;
    for (const auto& [n, body] : Plain) {
      offsets[n] = static_cast<int64_t>(out.size());
      out += std::to_string(n) + " 0 obj\n" + body + "\nendobj\n";
    }
    int highest = 0;
    if (!Plain.empty()) highest = std::max(highest, Plain.rbegin()->first);
    if (!Compressed.empty()) highest = std::max(highest, Compressed.rbegin()->first);
    const int objStm = ObjStmNumber ? ObjStmNumber : highest + 1;
    std::map<int, int> indexInStream;
    if (!Compressed.empty()) {
      std::string head;
      std::string bodies;
      int i = 0;
      for (const auto& [n, body] : Compressed) {
        head += std::to_string(n) + " " + std::to_string(bodies.size()) + " ";
        bodies += body + "\n";
        indexInStream[n] = i++;
      }
      const std::string data = head + bodies;
      offsets[objStm] = static_cast<int64_t>(out.size());
      out += std::to_string(objStm) + " 0 obj\n<< /Type /ObjStm /N " + std::to_string(Compressed.size()) +
             " /First " + std::to_string(head.size()) + " /Length " + std::to_string(data.size()) + " >>\nstream\n" +
             data + "\nendstream\nendobj\n";
      highest = std::max(highest, objStm);
    }
    const std::string trailerKeys = "/Root 1 0 R " + TrailerExtra;
    if (kind == XrefKind::Table) return out + Table(offsets, true, highest, out.size(), trailerKeys);

    // A cross-reference stream: for Stream every object, for Hybrid only the
    // compressed ones (the table then lists the plain ones).
    const int xrefNumber = highest + 1;
    std::string data;
    std::string index;
    auto entry = [&data](int type, int64_t field2, int field3) {
      data += static_cast<char>(type);
      for (int shift = 24; shift >= 0; shift -= 8) data += static_cast<char>((field2 >> shift) & 0xFF);
      data += static_cast<char>((field3 >> 8) & 0xFF);
      data += static_cast<char>(field3 & 0xFF);
    };
    const int64_t xrefOffset = static_cast<int64_t>(out.size());
    if (kind == XrefKind::Stream) {
      for (int n = 0; n <= xrefNumber; ++n) {
        if (n == xrefNumber) {
          entry(1, xrefOffset, 0);
        } else if (offsets.count(n)) {
          entry(1, offsets[n], 0);
        } else if (indexInStream.count(n)) {
          entry(2, objStm, indexInStream[n]);
        } else {
          entry(0, 0, n == 0 ? 65535 : 0);
        }
      }
      index = "0 " + std::to_string(xrefNumber + 1);
    } else {
      for (const auto& [n, i] : indexInStream) {
        entry(2, objStm, i);
        index += std::to_string(n) + " 1 ";
      }
    }
    out += std::to_string(xrefNumber) + " 0 obj\n<< /Type /XRef /Size " + std::to_string(xrefNumber + 1) +
           " /W [1 4 2] /Index [" + index + "] /Length " + std::to_string(data.size()) + " " +
           (kind == XrefKind::Stream ? trailerKeys : std::string()) + " >>\nstream\n" + data + "\nendstream\nendobj\n";
    if (kind == XrefKind::Stream) {
      return out + "startxref\n" + std::to_string(xrefOffset) + "\n%%EOF\n";
    }
    return out + Table(offsets, HybridListsCompressedAsFree, xrefNumber, out.size(),
                       trailerKeys + " /XRefStm " + std::to_string(xrefOffset));
  }

  // A classic table: with listAll every number up to highest (offsets given
  // in use, the rest free), otherwise only entry 0 and the offsets given.
  static std::string Table(const std::map<int, int64_t>& offsets, bool listAll, int highest, size_t at,
                           const std::string& trailerKeys) {
    char line[32];
    std::string out = "xref\n";
    auto entry = [&](int n) {
      auto it = offsets.find(n);
      if (n == 0) {
        out += "0000000000 65535 f \n";
      } else if (it != offsets.end()) {
        std::snprintf(line, sizeof line, "%010lld 00000 n \n", static_cast<long long>(it->second));
        out += line;
      } else {
        out += "0000000000 00000 f \n";
      }
    };
    if (listAll) {
      out += "0 " + std::to_string(highest + 1) + "\n";
      for (int n = 0; n <= highest; ++n) entry(n);
    } else {
      out += "0 1\n";
      entry(0);
      for (auto it = offsets.begin(); it != offsets.end();) {
        int first = it->first;
        int count = 0;
        while (it != offsets.end() && it->first == first + count) ++count, ++it;
        out += std::to_string(first) + " " + std::to_string(count) + "\n";
        for (int n = first; n < first + count; ++n) entry(n);
      }
    }
    return out + "trailer\n<< /Size " + std::to_string(highest + 1) + " " + trailerKeys + " >>\nstartxref\n" +
           std::to_string(at) + "\n%%EOF\n";
  }
};

// Content that shows one line of text in Helvetica.
inline std::string TextContent(const std::string& text) {
  const std::string data = "BT /F1 24 Tf 72 700 Td (" + text + ") Tj ET";
  return "<< /Length " + std::to_string(data.size()) + " >>\nstream\n" + data + "\nendstream";
}

// Catalog 1, root 2 holding the pages directly, font 3, then for each page i
// (0-based) a page 10 + 2i and its content 11 + 2i showing "Page i+1".
inline PdfFixture FlatDocument(int pageCount, bool compressDictionaries = false) {
  PdfFixture f;
  auto& dicts = compressDictionaries ? f.Compressed : f.Plain;
  dicts[1] = "<< /Type /Catalog /Pages 2 0 R >>";
  std::string kids;
  for (int i = 0; i < pageCount; ++i) kids += std::to_string(10 + 2 * i) + " 0 R ";
  dicts[2] = "<< /Type /Pages /Count " + std::to_string(pageCount) + " /Kids [" + kids +
             "] /MediaBox [0 0 612 792] /Resources << /Font << /F1 3 0 R >> >> >>";
  dicts[3] = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>";
  for (int i = 0; i < pageCount; ++i) {
    dicts[10 + 2 * i] = "<< /Type /Page /Parent 2 0 R /Contents " + std::to_string(11 + 2 * i) + " 0 R >>";
    f.Plain[11 + 2 * i] = TextContent("Page " + std::to_string(i + 1));
  }
  return f;
}

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The fixtures carry no /ID, so every file written gets a new one.
inline std::string WithoutNewId(std::string bytes) {
  const size_t ids = bytes.rfind("/ID [");
  const size_t end = ids == std::string::npos ? ids : bytes.find(']', ids);
  if (end != std::string::npos) bytes.replace(ids, end - ids, "/ID");
  return bytes;
}

inline void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// A fresh directory under the system's temporary folder, removed afterwards.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ostrel-split-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace ostrel::testing
