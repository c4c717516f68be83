// Loads a whole document from arbitrary bytes, then walks every page the way
// the converter does: page dictionaries, sizes, resources, content
// preparation and saving.
#include <cstddef>
#include <cstdint>
#include <string>

#include "pdf/core/page_tree.h"
#include "pdf/core/pdf_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ostrel::TPDFDocument doc;
  std::string bytes(reinterpret_cast<const char*>(data), size);
  if (doc.LoadFromBytes(std::move(bytes), u"") != 0) return 0;
  ostrel::TPDFPageTree& tree = doc.PageTree();
  int count = tree.PageCount();
  for (int n = 1; n <= count && n <= 64; ++n) {
    if (ostrel::TPDFDictionary* page = tree.PageDictionary(n)) {
      std::string text;
      page->ToText(text);
    }
    tree.SelectPage(n);
    tree.MediaWidth();
    tree.MediaHeight();
    tree.PageResources();
  }
  doc.AnyPageHasFonts();
  doc.GetInfo("Title");
  std::string saved;
  doc.SaveToBytes(saved);
  return 0;
}
