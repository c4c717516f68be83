// Runs the content interpreter with the text extractor as its device over
// the input as a content stream, against fixed
// resources: a simple font, a composite font and a direct font dictionary,
// in both output modes.
#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string_view>

#include "pdf/core/pdf_objects.h"
#include "pdf/core/pdf_structure.h"
#include "pdf/render/content/pdf_renderer.h"
#include "pdf/text/font_collection.h"
#include "pdf/text/extract/text_extractor.h"

namespace {

struct TFixedResources {
  TFixedResources() {
    pool.OnResolve = [this](int32_t number, int32_t) -> ostrel::TPDFObject* {
      auto it = objects.find(number);
      return it == objects.end() ? nullptr : it->second;
    };
    Add(1, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding << /BaseEncoding /WinAnsiEncoding "
           "/Differences [0 /space 32 /A] >> >>");
    Add(2, "<< /Type /Font /Subtype /Type0 /BaseFont /C /Encoding /Identity-H /DescendantFonts [3 0 R] >>");
    Add(3, "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /C /DW 500 /W [1 [0 -5 1e9] 40 50 700] "
           "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> >>");
    resources = ostrel::PdfCast<ostrel::TPDFDictionary>(
        pool.ParseObject("<< /Font << /F1 1 0 R /F2 2 0 R /F3 9 0 R /D << /Subtype /Type1 >> >> >>"));
  }
  void Add(int32_t number, std::string_view text) { objects[number] = pool.ParseObject(text); }

  ostrel::TPDFStructure pool;
  std::map<int32_t, ostrel::TPDFObject*> objects;
  ostrel::TPDFDictionary* resources = nullptr;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TFixedResources fixed;
  std::string_view content(reinterpret_cast<const char*>(data), size);
  for (int mode : {0, 2}) {
    ostrel::TPDFFontCollection fonts;
    ostrel::TPDFExtractor extractor(fonts, mode);
    // One run with a page box, so that the transformation is followed too.
    if (mode == 2) extractor.PageBox = std::array<double, 4>{0, 0, 612, 792};
    ostrel::TPDFRenderer renderer(fonts);
    renderer.ReadPageText(extractor, std::string(content), fixed.resources);
    extractor.Finish();
  }
  return 0;
}
