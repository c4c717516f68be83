// Shown bytes through every predefined CMap, and the packed CMap reader on
// raw input. The first byte picks the CMap; the rest are the shown string.
// Every code must have a length the CMap allows and every answer must come
// back without reading outside the tables.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "pdf/text/cmaps/cid_cmap.h"
#include "pdf/text/cmaps/predefined_cmaps.h"

namespace {

constexpr const char* kNames[] = {
    "Identity-H",   "Identity-V",    "GB-EUC-H",       "GBK-EUC-V",     "GBKp-EUC-H",   "GBK2K-H",
    "GBK2K-V",      "UniGB-UCS2-V",  "UniGB-UTF16-H",  "B5pc-V",        "ETen-B5-H",    "HKscs-B5-V",
    "ETenms-B5-V",  "CNS-EUC-V",     "UniCNS-UCS2-H",  "90ms-RKSJ-V",   "90msp-RKSJ-H", "83pv-RKSJ-H",
    "Add-RKSJ-V",   "EUC-V",         "Ext-RKSJ-H",     "V",             "UniJIS-UCS2-HW-V", "UniJIS-UTF16-V",
    "KSC-EUC-V",    "KSCms-UHC-HW-V", "KSCpc-EUC-H",   "UniKS-UTF16-V", "No-Such-H",
};
constexpr const char* kCollections[] = {"Adobe-Japan1-6", "Adobe-GB1-5", "Adobe-CNS1-7", "Adobe-Korea1-2",
                                        "Adobe-Identity-0"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  const char* name = kNames[data[0] % std::size(kNames)];
  const char* collection = kCollections[(data[0] / std::size(kNames)) % std::size(kCollections)];
  bool handled = false;
  ostrel::TOstrelCodeList codes = ostrel::SplitPredefined(name, bytes, handled);
  if (codes.size() > bytes.size()) std::abort();
  for (uint32_t code : codes) {
    ostrel::PredefinedCodeText(name, collection, code);
    ostrel::PredefinedCodeCID(name, collection, code);
  }
  ostrel::PredefinedWritingMode(name);

  ostrel::TCIDCMap map;
  if (map.Load(bytes)) {
    for (size_t pos = 0, length; (length = map.CodeLength(bytes, pos)) != 0; pos += length)
      if (length > 4) std::abort();
  } else if (map.RunCount() != 0) {
    std::abort();
  }
  for (uint32_t code : codes) map.CID(code);
  return 0;
}
