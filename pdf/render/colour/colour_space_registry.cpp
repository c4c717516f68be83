#include "pdf/render/colour/colour_space_registry.h"

#include <charconv>

#include "pdf/render/colour/colour_space_loader.h"
#include "pdf/render/colour/pdf_function.h"

namespace ostrel {

namespace {

using Kind = TPDFColorSpaceKind;

constexpr std::string_view kKindWords[] = {"DeviceGray", "DeviceRGB", "DeviceCMYK", "Lab",
                                           "Separation", "DeviceN",   "Indexed",    "Pattern"};

std::string_view KindWord(Kind kind) { return kKindWords[static_cast<size_t>(kind)]; }

bool IsDevice(Kind kind) { return kind == Kind::DeviceGray || kind == Kind::DeviceRGB || kind == Kind::DeviceCMYK; }

}  // namespace

TPDFColorSpaceRegistry::TPDFColorSpaceRegistry(TPDFSimpleColorManager& manager)
    : manager_(manager),
      gray_(manager, Kind::DeviceGray),
      rgb_(manager, Kind::DeviceRGB),
      cmyk_(manager, Kind::DeviceCMYK),
      pattern_(manager, nullptr) {}

std::string TPDFColorSpaceRegistry::KeyFor(TPDFObject* obj) {
  obj = ResolveChain(obj);
  if (!obj) return {};
  if (auto* name = PdfCast<TPDFName>(obj)) {
    // Names need no entry of their own: they are device spaces or the bare
    // pattern space, which every page shares.
    auto space = LoadColorSpace(name, manager_);
    return space ? std::string(KindWord(space->Kind())) : std::string();
  }
  if (auto it = keys_.find(obj); it != keys_.end()) return it->second;
  if (keys_.size() >= kMaxRegisteredColorSpaces) return {};

  std::string key;
  auto space = LoadColorSpace(obj, manager_);
  if (space && IsDevice(space->Kind())) {
    key = KindWord(space->Kind());
  } else if (space) {
    spaces_.push_back(std::move(space));
    key = KindWord(spaces_.back()->Kind());
    key += std::to_string(spaces_.size());
  }
  keys_.emplace(obj, key);
  return key;
}

TPDFColorSpace* TPDFColorSpaceRegistry::Find(std::string_view key) const {
  if (key == "DeviceGray") return const_cast<TPDFDeviceColorSpace*>(&gray_);
  if (key == "DeviceRGB") return const_cast<TPDFDeviceColorSpace*>(&rgb_);
  if (key == "DeviceCMYK") return const_cast<TPDFDeviceColorSpace*>(&cmyk_);
  if (key == "Pattern") return const_cast<TPDFPatternColorSpace*>(&pattern_);
  size_t digits = key.size();
  while (digits > 0 && key[digits - 1] >= '0' && key[digits - 1] <= '9') --digits;
  size_t number = 0;
  auto [end, ec] = std::from_chars(key.data() + digits, key.data() + key.size(), number);
  if (ec != std::errc() || end != key.data() + key.size() || number == 0 || number > spaces_.size())
    return nullptr;
  TPDFColorSpace* space = spaces_[number - 1].get();
  return KindWord(space->Kind()) == key.substr(0, digits) ? space : nullptr;
}

size_t TPDFColorSpaceRegistry::ComponentCount(std::string_view key) const {
  const TPDFColorSpace* space = Find(key);
  return space ? space->ComponentCount() : 0;
}

std::optional<int32_t> TPDFColorSpaceRegistry::ColorFor(std::string_view key, std::span<const double> components) {
  TPDFColorSpace* space = Find(key);
  if (!space || space->ComponentCount() == 0) return std::nullopt;
  return space->ComponentsToColor(components);
}

}  // namespace ostrel
