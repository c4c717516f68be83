#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pdf/compose/document_images.h"
#include "pdf/core/pdf_document.h"
#include "platform/bmp_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view file(reinterpret_cast<const char*>(data), size);
  ostrel::Bitmap bitmap;
  ostrel::ReadBmp(file, bitmap);
  ostrel::TPDFDocument document;
  document.NewDocument();
  ImportImage(document, file, 0, false);
  return 0;
}
