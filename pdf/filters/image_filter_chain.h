#pragma once
// The image path's filter chain: the byte filters run in order, and the image
// codecs (DCT, JPX, CCITT fax, JBIG2) are chosen as the final decoder rather
// than run in the chain. The caller flattens each parameter dictionary into
// key/text pairs (references resolved, values in their text form).
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pdf/filters/decode_limits.h"

namespace ostrel {

class TPDFDictionary;
class TPDFObject;

using TFilterParams = std::vector<std::pair<std::string, std::string>>;

struct TImageFilter {
  std::string Name;        // "FlateDecode", "Fl", ... without the slash
  TFilterParams Params;    // empty when the filter has no parameters
};

enum class TImageFinalDecoder { None, DCT, CCITTFax, JBIG2, JPX };

struct TImageFilterChainResult {
  std::string Data;                         // bytes after the byte filters
  TImageFinalDecoder FinalDecoder = TImageFinalDecoder::None;
  int FinalFilterIndex = -1;                // position of the codec in the filter list
  TFilterParams FinalParams;                // that filter's parameters
};

// Number from a flattened parameter text; `fallback` when absent or not a number.
int FilterParamInt(const TFilterParams& params, std::string_view key, int fallback);

// /Filter and /DecodeParms of a stream dictionary side by side, parameters
// flattened; a lone filter or dictionary counts as a list of one. When
// paramObjects is given it receives each filter's parameter object (or null).
std::vector<TImageFilter> ImageFiltersOf(TPDFDictionary* dict, std::vector<TPDFObject*>* paramObjects = nullptr);

// True when one of the filters hands the bytes to an image codec (DCT,
// CCITT fax, JBIG2, JPX) rather than decoding them to samples.
bool HasImageCodec(const std::vector<TImageFilter>& filters);

TImageFilterChainResult DecodeImageFilterChain(std::string_view raw,
                                               const std::vector<TImageFilter>& filters,
                                               size_t maxOutput = kMaxDecodedStreamBytes);

}  // namespace ostrel
