// The document's side of image import: its list of images.
#include <exception>
#include <memory>
#include <utility>
#include <vector>

#include "pdf/compose/pdf_image.h"
#include "pdf/core/pdf_document.h"

namespace ostrel {

TPDFImage* TPDFDocument::ImportImage(std::string_view file, int options, bool compress) {
  const size_t objectsBefore = indirectObjects_.size();
  auto image = std::make_unique<TPDFImage>(pool_.get(), NewImageResourceName());
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
    for (size_t i = objectsBefore; i < indirectObjects_.size(); ++i)
      added.emplace_back(indirectObjects_[i]->ObjectNumber, indirectObjects_[i]->Generation);
    for (auto [number, generation] : added) RemoveIndirect(number, generation);
    return nullptr;
  }
  ++ImageImports;
  Images.push_back(std::move(image));
  return Images.back().get();
}

}  // namespace ostrel
