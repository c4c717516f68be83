#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pdf/compose/png_reader.h"
#include "pdf/compose/document_images.h"
#include "pdf/core/pdf_document.h"

// The PNG reader with each reduction setting, then the whole import with the
// alpha options that make soft masks.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view file(reinterpret_cast<const char*>(data), size);
  ostrel::TPNGReader reader;
  reader.ReduceColor16 = size & 1;
  reader.ReduceAlpha16 = size & 2;
  reader.Read(file);
  ostrel::TPDFDocument document;
  document.NewDocument();
  ImportImage(document, file, 0, false);
  ImportImage(document, file, 5, false);
  return 0;
}
