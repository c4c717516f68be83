// The document's side of image import: its list of images.
#include <exception>
#include <memory>
#include <utility>
#include <vector>

#include "pdf/compose/document_images.h"
#include "pdf/compose/pdf_image.h"
#include "pdf/core/pdf_document.h"

namespace ostrel {

TPDFImage* ImportImage(TPDFDocument& document, std::string_view file, int options, bool compress) {
  const auto& objects = document.IndirectObjects();
  const size_t objectsBefore = objects.size();
  auto image = std::make_unique<TPDFImage>(&document.Pool(), NewImageResourceName());
  image->CompressPixels = compress;
  bool ok = false;
  try {
    ok = image->LoadImage(file, options);
  } catch (const std::exception&) {
    ok = false;
  }
  if (!ok) {
    // A half-made image leaves nothing behind to be written with the document.
    std::vector<std::pair<int32_t, int32_t>> added;
    for (size_t i = objectsBefore; i < objects.size(); ++i)
      added.emplace_back(objects[i]->ObjectNumber, objects[i]->Generation);
    for (auto [number, generation] : added) document.RemoveIndirect(number, generation);
    return nullptr;
  }
  ++document.ImageImports;
  document.Images.push_back(MakeDocumentPart(std::move(image)));
  return document.Images.back().get();
}

}  // namespace ostrel
