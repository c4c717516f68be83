#include "pdf/filters/stream_filter_registration.h"

#include <algorithm>
#include <mutex>

#include "pdf/core/pdf_objects.h"
#include "pdf/core/stream_filter_table.h"
#include "pdf/filters/stream_filters.h"

namespace ostrel {
namespace {

// The predictor of a filter's parameters, applied after Flate and LZW.
std::string Predicted(std::string data, const TPDFDictionary* params) {
  if (!params) return data;
  const int predictor = params->GetInteger("Predictor", 1);
  if (predictor < 2) return data;
  return ApplyPredictor(data, predictor, params->GetInteger("Colors", 1), params->GetInteger("BitsPerComponent", 8),
                        params->GetInteger("Columns", 1));
}

size_t Bound(size_t maxOutput) { return std::min(maxOutput, kMaxDecodedStreamBytes); }

std::string Flate(std::string_view data, const TPDFDictionary* params, size_t maxOutput) {
  return Predicted(FlateDecode(data, Bound(maxOutput)), params);
}

std::string Lzw(std::string_view data, const TPDFDictionary* params, size_t maxOutput) {
  const bool earlyChange = !params || params->GetInteger("EarlyChange", 1) == 1;
  return Predicted(LzwDecode(data, earlyChange, false, Bound(maxOutput)), params);
}

// These two make at most four bytes of five read: the caller's charge for
// the output bounds them well enough.
std::string Ascii85(std::string_view data, const TPDFDictionary*, size_t) { return Ascii85Decode(data); }
std::string AsciiHex(std::string_view data, const TPDFDictionary*, size_t) { return AsciiHexDecode(data); }
std::string Compress(std::string_view data) { return FlateEncode(data); }

}  // namespace

void RegisterStreamFilters() {
  static std::once_flag once;
  std::call_once(once, [] {
    TStreamFilterTable& table = StreamFilterTable();
    // The names and abbreviations stream data has always been decoded by;
    // run-length and the image codecs stay on the image path.
    table.AddDecoder("FlateDecode", Flate);
    table.AddDecoder("Fl", Flate);
    table.AddDecoder("ASCII85Decode", Ascii85);
    table.AddDecoder("A85", Ascii85);
    table.AddDecoder("ASCIIHexDecode", AsciiHex);
    table.AddDecoder("LZWDecode", Lzw);
    table.FlateEncoder = Compress;
  });
}

}  // namespace ostrel
