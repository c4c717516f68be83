#include "pdf/core/stream_filter_table.h"

#include <algorithm>

namespace ostrel {

TStreamDecoder TStreamFilterTable::Decoder(std::string_view name) const {
  auto it = std::find_if(decoders_.begin(), decoders_.end(), [&](const auto& entry) { return entry.first == name; });
  return it == decoders_.end() ? nullptr : it->second;
}

void TStreamFilterTable::AddDecoder(std::string name, TStreamDecoder decoder) {
  auto it = std::find_if(decoders_.begin(), decoders_.end(), [&](const auto& entry) { return entry.first == name; });
  if (it == decoders_.end()) {
    decoders_.emplace_back(std::move(name), decoder);
  } else {
    it->second = decoder;
  }
}

TStreamFilterTable& StreamFilterTable() {
  // Made on first use, so no static initialiser of another file can find it unmade.
  static TStreamFilterTable table;
  return table;
}

}  // namespace ostrel
