#include "pdf/render/colour/colour_space_tint.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "pdf/render/colour/colour_space_loader.h"

namespace ostrel {

namespace {

// Component text for the DeviceN cache key: three decimals, NaN as 0 and
// magnitudes limited so that a key stays short.
void AppendKeyPart(std::string& key, double v) {
  if (!(v == v)) v = 0;
  v = std::clamp(v, -1e9, 1e9);
  char buf[32];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 3);
  key.append(buf, ec == std::errc() ? end : buf);
  key.push_back(' ');
}

}  // namespace

void TPDFTintColorSpace::LoadAlternate(TPDFArray* array) {
  TPDFObject* alternate = ResolveChain(array->Item(2));
  AlternateName = AlternateNameOf(alternate);
  if (AlternateName == "Lab") {
    AlternateLab = std::make_unique<TPDFLabColorSpace>(*Manager);
    AlternateLab->Load(PdfCast<TPDFArray>(alternate));
  }
  TintTransform = CreateFunction(array->Item(3));
}

int32_t TPDFTintColorSpace::AlternateToColor(const std::vector<double>& out, bool simpleCMYK) {
  const std::string& alt = AlternateName;
  if (out.size() == 4 && alt == "DeviceCMYK") {
    const TPDFRGB rgb = simpleCMYK ? SimpleCMYKToRGB(out[0], out[1], out[2], out[3])
                                   : Manager->CMYKToRGB(out[0], out[1], out[2], out[3]);
    return PackColor(rgb.R, rgb.G, rgb.B);
  }
  if (out.size() == 3 && (alt == "DeviceRGB" || alt == "CalRGB" || alt == "ICCBased"))
    return PackColor(out[0], out[1], out[2]);
  if (out.size() == 3 && alt == "Lab") {
    if (AlternateLab) return AlternateLab->ComponentsToColor(out);
    const TPDFRGB rgb = Manager->LabToRGB(out[0], out[1], out[2]);
    return PackColor(rgb.R, rgb.G, rgb.B);
  }
  if (out.size() == 1 && (alt == "DeviceGray" || alt == "CalGray")) return PackGray(out[0]);
  return 0;
}

bool TPDFSeparationColorSpace::Load(TPDFArray* array) {
  if (!array || array->Count() < 4) return false;
  auto* name = PdfCast<TPDFName>(ResolveChain(array->Item(1)));
  if (name) ColorantName = name->Value;
  LoadAlternate(array);
  return true;
}

int32_t TPDFSeparationColorSpace::SetTint(double tint) {
  if (!(tint == tint)) tint = 0;  // NaN would never find itself in the cache
  if (auto it = cache_.find(tint); it != cache_.end()) return Color = it->second;
  int32_t color = 0;
  std::vector<double> outputs;
  if (TintTransform && TintTransform->InputCount() == 1) {
    const double input[1] = {tint};
    if (TintTransform->Evaluate(input, outputs)) color = AlternateToColor(outputs, false);
  }
  if (cache_.size() >= kMaxTintCacheEntries) cache_.clear();
  cache_.emplace(tint, color);
  return Color = color;
}

bool TPDFDeviceNColorSpace::Load(TPDFArray* array) {
  if (!array || array->Count() < 4) return false;
  auto* names = PdfCast<TPDFArray>(ResolveChain(array->Item(1)));
  if (!names || names->Count() == 0 || names->Count() > kMaxDeviceNColorants) return false;
  ColorantCount = names->Count();
  ColorantName = "[";
  for (size_t i = 0; i < names->Count(); ++i) {
    auto* name = PdfCast<TPDFName>(names->ItemResolved(i));
    if (i) ColorantName += ',';
    if (name) ColorantName += name->Value;
  }
  ColorantName += ']';
  LoadAlternate(array);
  return true;
}

int32_t TPDFDeviceNColorSpace::SetComponents(std::span<const double> components) {
  std::string key;
  for (double v : components) AppendKeyPart(key, v);
  if (auto it = cache_.find(key); it != cache_.end()) return Color = it->second;
  int32_t color = 0;
  std::vector<double> outputs;
  if (TintTransform && TintTransform->InputCount() == components.size() &&
      TintTransform->Evaluate(components, outputs))
    color = AlternateToColor(outputs, true);
  if (cache_.size() >= kMaxTintCacheEntries) cache_.clear();
  cache_.emplace(std::move(key), color);
  return Color = color;
}

}  // namespace ostrel
