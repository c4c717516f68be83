#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pdf/compose/document_images.h"
#include "pdf/compose/icc_profile.h"
#include "pdf/compose/jpeg2000_header.h"
#include "pdf/compose/jpeg_markers.h"
#include "pdf/core/pdf_document.h"

// The metadata readers of image import (JPEG orientation and ICC segments,
// JPEG 2000 headers, profile checks), then the whole import of the same bytes
// with and without the JPEG and JPEG 2000 signatures in front.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  ostrel::TJPEGMetadata meta = ostrel::ScanJPEGMetadata(bytes);
  ostrel::ICCProfileFits(meta.ICCProfile, 3);
  ostrel::ExifOrientation(bytes);
  ostrel::TJPEG2000Header header;
  ostrel::ReadJPEG2000Header(bytes, header);
  ostrel::TPDFDocument document;
  document.NewDocument();
  ImportImage(document, bytes, 0, false);
  return 0;
}
