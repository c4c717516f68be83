// The facade's rendering of pages to image files.
#include "pdf/facade/ostrel.h"

#include "pdf/core/page_tree.h"
#include "pdf/core/pdf_document.h"
#include "platform/file_io.h"
#include "platform/text_codec.h"

namespace ostrel {

int TOstrel::RenderPagesToFiles(int dpi, int first, int last, int format, std::u16string_view fileName) {
  if (first > last) std::swap(first, last);
  first = std::max(first, 1);
  last = std::min(last, PageCount());
  int selected = SelectedPage();
  SelectPage(selected);
  return 0;  // needs the renderer and page output files
}

}  // namespace ostrel
