#include "pdf/render/colour/colour_space_loader.h"

#include <algorithm>
#include <string_view>

#include "pdf/render/colour/colour_space_icc.h"
#include "pdf/render/colour/colour_space_indexed.h"
#include "pdf/render/colour/colour_space_lab.h"
#include "pdf/render/colour/colour_space_tint.h"
#include "pdf/render/colour/pdf_function.h"

namespace ostrel {

namespace {

using Kind = TPDFColorSpaceKind;

struct NamedSpace {
  std::string_view Name;
  Kind Space;
};
// Names that stand for a device space on their own or as an array's first member.
constexpr NamedSpace kDeviceNames[] = {
    {"DeviceGray", Kind::DeviceGray}, {"G", Kind::DeviceGray},    {"CalGray", Kind::DeviceGray},
    {"DeviceRGB", Kind::DeviceRGB},   {"RGB", Kind::DeviceRGB},   {"CalRGB", Kind::DeviceRGB},
    {"DeviceCMYK", Kind::DeviceCMYK}, {"CMYK", Kind::DeviceCMYK},
};

const NamedSpace* FindDevice(std::string_view name) {
  for (const NamedSpace& entry : kDeviceNames)
    if (entry.Name == name) return &entry;
  return nullptr;
}

std::unique_ptr<TPDFColorSpace> DeviceByCount(TPDFSimpleColorManager& manager, int32_t n) {
  switch (n) {
    case 1: return std::make_unique<TPDFDeviceColorSpace>(manager, Kind::DeviceGray);
    case 3: return std::make_unique<TPDFDeviceColorSpace>(manager, Kind::DeviceRGB);
    case 4: return std::make_unique<TPDFDeviceColorSpace>(manager, Kind::DeviceCMYK);
    default: return nullptr;
  }
}

std::unique_ptr<TPDFColorSpace> LoadICCBased(TPDFArray* array, TPDFSimpleColorManager& manager,
                                             TPDFColorSpaceLoad& load) {
  auto* stream = PdfCast<TPDFStream>(ResolveChain(array->Item(1)));
  if (!stream) return nullptr;
  const int32_t n = stream->StreamDict->GetInteger("N", 0);
  if (auto space = LoadICCProfileSpace(stream, n, manager)) return space;
  if (TPDFObject* alternate = stream->StreamDict->GetValue("Alternate")) {
    auto space = LoadColorSpace(alternate, manager, load);
    if (space && (n == 0 || space->ComponentCount() == static_cast<size_t>(n))) return space;
  }
  return DeviceByCount(manager, n);
}

std::unique_ptr<TPDFColorSpace> LoadArray(TPDFArray* array, TPDFSimpleColorManager& manager,
                                          TPDFColorSpaceLoad& load) {
  auto* family = PdfCast<TPDFName>(ResolveChain(array->Item(0)));
  if (!family) return nullptr;
  const std::string_view name = family->Value;
  if (const NamedSpace* device = FindDevice(name))
    return std::make_unique<TPDFDeviceColorSpace>(manager, device->Space);
  if (name == "ICCBased") return LoadICCBased(array, manager, load);
  if (name == "Lab") {
    auto space = std::make_unique<TPDFLabColorSpace>(manager);
    space->Load(array);
    return space;
  }
  if (name == "Separation") {
    auto space = std::make_unique<TPDFSeparationColorSpace>(manager);
    return space->Load(array) ? std::move(space) : nullptr;
  }
  if (name == "DeviceN") {
    auto space = std::make_unique<TPDFDeviceNColorSpace>(manager);
    return space->Load(array) ? std::move(space) : nullptr;
  }
  if (name == "Indexed" || name == "I") {
    auto base = LoadColorSpace(array->Item(1), manager, load);
    if (!base || base->Kind() == Kind::Indexed || base->Kind() == Kind::Pattern) return nullptr;
    auto space = std::make_unique<TPDFIndexedColorSpace>(manager);
    return space->Load(array, std::move(base)) ? std::move(space) : nullptr;
  }
  if (name == "Pattern") {
    std::unique_ptr<TPDFColorSpace> base;
    if (array->Count() > 1) {
      base = LoadColorSpace(array->Item(1), manager, load);
      if (base && base->Kind() == Kind::Pattern) base.reset();
    }
    return std::make_unique<TPDFPatternColorSpace>(manager, std::move(base));
  }
  return nullptr;
}

}  // namespace

std::unique_ptr<TPDFColorSpace> LoadColorSpace(TPDFObject* obj, TPDFSimpleColorManager& manager) {
  TPDFColorSpaceLoad load;
  return LoadColorSpace(obj, manager, load);
}

std::unique_ptr<TPDFColorSpace> LoadColorSpace(TPDFObject* obj, TPDFSimpleColorManager& manager,
                                               TPDFColorSpaceLoad& load) {
  obj = ResolveChain(obj);
  if (!obj || load.Depth >= kMaxColorSpaceDepth) return nullptr;
  if (auto* name = PdfCast<TPDFName>(obj)) {
    if (const NamedSpace* device = FindDevice(name->Value))
      return std::make_unique<TPDFDeviceColorSpace>(manager, device->Space);
    if (name->Value == "Pattern") return std::make_unique<TPDFPatternColorSpace>(manager, nullptr);
    return nullptr;
  }
  auto* array = PdfCast<TPDFArray>(obj);
  if (!array || std::find(load.Path.begin(), load.Path.end(), obj) != load.Path.end()) return nullptr;
  load.Path.push_back(obj);
  ++load.Depth;
  auto space = LoadArray(array, manager, load);
  --load.Depth;
  load.Path.pop_back();
  return space;
}

std::string AlternateNameOf(TPDFObject* alternate) {
  alternate = ResolveChain(alternate);
  if (auto* name = PdfCast<TPDFName>(alternate)) return name->Value;
  auto* array = PdfCast<TPDFArray>(alternate);
  auto* family = array ? PdfCast<TPDFName>(ResolveChain(array->Item(0))) : nullptr;
  if (!family) return {};
  if (family->Value != "ICCBased") return family->Value;
  auto* stream = PdfCast<TPDFStream>(ResolveChain(array->Item(1)));
  if (!stream) return {};
  if (auto* name = stream->StreamDict->Get<TPDFName>("Alternate")) return name->Value;
  switch (stream->StreamDict->GetInteger("N", 0)) {
    case 1: return "DeviceGray";
    case 3: return "DeviceRGB";
    case 4: return "DeviceCMYK";
    default: return {};
  }
}

}  // namespace ostrel
