#pragma once
// The colour spaces one renderer uses, keyed by the identity of the PDF
// object that describes them: the same object always gives the same space
// (and its cache), and two objects never share one even when they are
// filed under the same resource name on different pages.
//
// Spaces are named by keys the graphics state can hold: "DeviceGray",
// "DeviceRGB", "DeviceCMYK", or a kind word with a number ("Separation3",
// "DeviceN7", "Lab2", "Indexed5", "Pattern4"; a bare /Pattern is "Pattern").
// "" means the object is no usable colour space.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "pdf/core/pdf_objects.h"
#include "pdf/render/colour/colour_manager.h"
#include "pdf/render/colour/colour_space.h"

namespace ostrel {

// Distinct colour-space objects kept per renderer; later ones get no key.
inline constexpr size_t kMaxRegisteredColorSpaces = 1024;

class TPDFColorSpaceRegistry {
 public:
  explicit TPDFColorSpaceRegistry(TPDFSimpleColorManager& manager);

  // The key of the space obj (a name, an array, or a reference to one: the
  // value found under the resource name in /ColorSpace) describes.
  std::string KeyFor(TPDFObject* obj);
  // The space behind a key, or nullptr for an unknown key.
  TPDFColorSpace* Find(std::string_view key) const;
  // Number of operands a colour operator takes in the space; 0 for an
  // unknown key or a pattern space without a base.
  size_t ComponentCount(std::string_view key) const;
  // The colour of components in the space; nothing when the key is unknown
  // or names a pattern space without a base (the colour stays as it was).
  std::optional<int32_t> ColorFor(std::string_view key, std::span<const double> components);

  size_t Count() const { return spaces_.size(); }

 private:
  TPDFSimpleColorManager& manager_;
  TPDFDeviceColorSpace gray_, rgb_, cmyk_;
  TPDFPatternColorSpace pattern_;  // the bare /Pattern name
  std::vector<std::unique_ptr<TPDFColorSpace>> spaces_;      // key number = index + 1
  std::unordered_map<const TPDFObject*, std::string> keys_;  // by object identity
};

}  // namespace ostrel
