#include "pdf/render/colour/colour_space_indexed.h"

#include <algorithm>
#include <cmath>

#include "pdf/render/colour/colour_space_lab.h"
#include "pdf/render/colour/pdf_function.h"

namespace ostrel {

bool TPDFIndexedColorSpace::Load(TPDFArray* array, std::unique_ptr<TPDFColorSpace> base) {
  if (!array || !base || array->Count() < 4) return false;
  auto* hival = PdfCast<TPDFNumeric>(array->ItemResolved(2));
  if (!hival || !(hival->Value >= 0)) return false;
  HiVal = std::min(hival->AsInteger(), 255);
  TPDFObject* lookup = ResolveChain(array->Item(3));
  if (auto* text = PdfCast<TPDFString>(lookup))
    Lookup = text->Value;
  else if (auto* stream = PdfCast<TPDFStream>(lookup))
    Lookup = stream->DecodedData();
  else
    return false;
  Base = std::move(base);
  const size_t width = Base->ComponentCount();
  Lookup.resize(std::min(Lookup.size(), (HiVal + 1) * width));

  // Lookup bytes are 0..255 over each component's range: L* 0..100 and
  // a*, b* over the Lab range; every other base 0..1.
  auto* lab = dynamic_cast<TPDFLabColorSpace*>(Base.get());
  Palette.assign(HiVal + 1, 0);
  std::vector<double> components(width);
  for (int32_t i = 0; i <= HiVal; ++i) {
    const size_t offset = static_cast<size_t>(i) * width;
    if (width == 0 || offset + width > Lookup.size()) break;
    for (size_t c = 0; c < width; ++c) {
      const double s = static_cast<unsigned char>(Lookup[offset + c]);
      components[c] = !lab ? s / 255 : c == 0 ? s * 100 / 255 : c == 1 ? lab->SampleToA(s, 255) : lab->SampleToB(s, 255);
    }
    Palette[i] = Base->ComponentsToColor(components);
  }
  return true;
}

int32_t TPDFIndexedColorSpace::IndexToColor(int64_t index) const {
  if (Palette.empty()) return 0;
  return Palette[static_cast<size_t>(std::clamp<int64_t>(index, 0, HiVal))];
}

int32_t TPDFIndexedColorSpace::ComponentsToColor(std::span<const double> c) {
  const double v = Component(c, 0);
  if (!(v == v)) return IndexToColor(0);
  return IndexToColor(static_cast<int64_t>(std::nearbyint(std::clamp(v, -1.0, 256.0))));
}

}  // namespace ostrel
