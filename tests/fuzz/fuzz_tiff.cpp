#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "pdf/compose/tiff_reader.h"
#include "pdf/compose/document_images.h"
#include "pdf/core/pdf_document.h"

// Every page of the directory chain, its decoded samples, and the import of
// the first two pages.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string file(reinterpret_cast<const char*>(data), size);
  ostrel::TPDFTIFF tiff;
  tiff.Read(file);
  for (int n = 1; n <= tiff.PageCount() && n <= 4; ++n) tiff.DecodedSamples(n);
  ostrel::TPDFDocument document;
  document.NewDocument();
  ImportImage(document, file, 1, false);
  ImportImage(document, file, 2, true);
  return 0;
}
