#pragma once
// Making colour-space objects from PDF objects: names, arrays, and the
// streams and references inside them, with nesting and reference cycles
// bounded.
#include <memory>
#include <string>
#include <vector>

#include "pdf/core/pdf_objects.h"
#include "pdf/render/colour/colour_space.h"

namespace ostrel {

inline constexpr int kMaxColorSpaceDepth = 8;

struct TPDFColorSpaceLoad {
  int Depth = 0;
  std::vector<const TPDFObject*> Path;  // objects being loaded, for cycles
};

// The space a colour-space name or array (or a reference to one) describes,
// or nullptr. ICCBased spaces go through their profile when lcms2 reads it,
// else they become their /Alternate, or the device space of their /N;
// CalGray and CalRGB become DeviceGray and DeviceRGB.
std::unique_ptr<TPDFColorSpace> LoadColorSpace(TPDFObject* obj, TPDFSimpleColorManager& manager);
std::unique_ptr<TPDFColorSpace> LoadColorSpace(TPDFObject* obj, TPDFSimpleColorManager& manager,
                                               TPDFColorSpaceLoad& load);

// The name of the alternate space of a Separation or DeviceN space: a name
// as it is, the first member of an array, and for ICCBased its /Alternate
// name or DeviceGray, DeviceRGB or DeviceCMYK by /N.
std::string AlternateNameOf(TPDFObject* alternate);

}  // namespace ostrel
