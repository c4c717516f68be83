#pragma once
// Stream data is decoded through the filters its dictionary names, but the
// filters live in the layer above the object model. They enter this table by
// name instead (RegisterStreamFilters of pdf/filters fills it), so that the
// object model decodes any stream without knowing a codec. The table must be
// filled before the first stream is decoded or compressed: the facade does it
// when it is made.
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ostrel {

class TPDFDictionary;

// Decodes the whole data with one filter; params is the filter's entry of
// /DecodeParms (nullptr when it has none). The output stops at maxOutput
// bytes (or the filter's own bound, when that is lower).
using TStreamDecoder = std::string (*)(std::string_view data, const TPDFDictionary* params, size_t maxOutput);
using TStreamEncoder = std::string (*)(std::string_view data);

class TStreamFilterTable {
 public:
  // nullptr for a name without a decoder: image codecs decode on the image
  // path, and the stream's data passes through unchanged.
  TStreamDecoder Decoder(std::string_view name) const;
  void AddDecoder(std::string name, TStreamDecoder decoder);
  // Compresses data that is stored with /Filter /FlateDecode.
  TStreamEncoder FlateEncoder = nullptr;
  bool Filled() const { return FlateEncoder != nullptr; }

 private:
  std::vector<std::pair<std::string, TStreamDecoder>> decoders_;
};

// The one table of the process.
TStreamFilterTable& StreamFilterTable();

}  // namespace ostrel
