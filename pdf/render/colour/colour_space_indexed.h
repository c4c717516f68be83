#pragma once
// Indexed spaces: a palette of up to 256 colours of a base space. The whole
// palette is converted once when the space is made.
#include <memory>
#include <string>
#include <vector>

#include "pdf/core/pdf_objects.h"
#include "pdf/render/colour/colour_space.h"

namespace ostrel {

class TPDFIndexedColorSpace final : public TPDFColorSpace {
 public:
  using TPDFColorSpace::TPDFColorSpace;
  TPDFColorSpaceKind Kind() const override { return TPDFColorSpaceKind::Indexed; }
  size_t ComponentCount() const override { return 1; }
  int32_t ComponentsToColor(std::span<const double> c) override;

  // Takes the already loaded base and reads hival and lookup of
  // [/Indexed base hival lookup]; false when they are unusable.
  bool Load(TPDFArray* array, std::unique_ptr<TPDFColorSpace> base);
  // The palette colour of an index; indexes outside 0..HiVal are limited to
  // it, and entries the lookup is too short for are black.
  int32_t IndexToColor(int64_t index) const;

  std::unique_ptr<TPDFColorSpace> Base;
  int32_t HiVal = -1;
  std::string Lookup;            // (HiVal + 1) * base components bytes at most
  std::vector<int32_t> Palette;  // HiVal + 1 colours
};

}  // namespace ostrel
