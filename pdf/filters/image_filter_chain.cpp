#include "pdf/filters/image_filter_chain.h"

#include <algorithm>

#include <charconv>
#include <cmath>

#include "pdf/core/pdf_objects.h"
#include "pdf/filters/stream_filters.h"

namespace ostrel {
namespace {

enum class TFilterKind { Unknown, LZW, RunLength, Flate, AsciiHex, Ascii85, DCT, CCITTFax, JBIG2, JPX };

struct TFilterName {
  std::string_view Name;
  TFilterKind Kind;
};

constexpr TFilterName kFilterNames[] = {
    {"LZWDecode", TFilterKind::LZW},          {"LZW", TFilterKind::LZW},
    {"RunLengthDecode", TFilterKind::RunLength}, {"RL", TFilterKind::RunLength},
    {"FlateDecode", TFilterKind::Flate},      {"Fl", TFilterKind::Flate},
    {"ASCIIHexDecode", TFilterKind::AsciiHex}, {"AHx", TFilterKind::AsciiHex},
    {"ASCII85Decode", TFilterKind::Ascii85},  {"A85", TFilterKind::Ascii85},
    {"DCTDecode", TFilterKind::DCT},          {"DCT", TFilterKind::DCT},
    {"CCITTFaxDecode", TFilterKind::CCITTFax}, {"CCF", TFilterKind::CCITTFax},
    {"JBIG2Decode", TFilterKind::JBIG2},      {"JPXDecode", TFilterKind::JPX},
};

TFilterKind KindOf(std::string_view name) {
  if (!name.empty() && name.front() == '/') name.remove_prefix(1);
  for (const auto& entry : kFilterNames)
    if (entry.Name == name) return entry.Kind;
  return TFilterKind::Unknown;
}

TPDFObject* Resolved(TPDFObject* obj) {
  if (auto* ref = PdfCast<TPDFIndRef>(obj)) return ref->Resolve();
  return obj;
}

// A parameter dictionary as the key/text pairs the filter chain reads.
TFilterParams FlattenParams(TPDFObject* obj) {
  TFilterParams params;
  auto* dict = PdfCast<TPDFDictionary>(Resolved(obj));
  if (!dict) return params;
  for (size_t i = 0; i < dict->Count(); ++i) {
    auto [key, value] = dict->EntryAt(i);
    TPDFObject* resolved = Resolved(value);
    if (key && resolved && resolved->Kind() != TPDFKind::Stream) params.emplace_back(key->Value, resolved->ToText());
  }
  return params;
}

// Filters in a chain at most; longer lists are cut.
constexpr size_t kMaxChainFilters = 32;

std::vector<TPDFObject*> ListOf(TPDFObject* value) {
  std::vector<TPDFObject*> items;
  if (auto* array = PdfCast<TPDFArray>(value)) {
    for (size_t i = 0; i < array->Count() && i < kMaxChainFilters; ++i) items.push_back(array->ItemResolved(i));
  } else if (value) {
    items.push_back(value);
  }
  return items;
}

TPDFPredictorParams PredictorFrom(const TFilterParams& params) {
  TPDFPredictorParams p;
  p.Predictor = FilterParamInt(params, "Predictor", 1);
  p.Colors = FilterParamInt(params, "Colors", 1);
  p.BitsPerComponent = FilterParamInt(params, "BitsPerComponent", 8);
  p.Columns = FilterParamInt(params, "Columns", 1);
  return p;
}

bool HasParam(const TFilterParams& params, std::string_view key) {
  for (const auto& [k, v] : params)
    if (k == key) return true;
  return false;
}

}  // namespace

int FilterParamInt(const TFilterParams& params, std::string_view key, int fallback) {
  for (const auto& [k, v] : params) {
    if (k != key) continue;
    std::string_view text = v;
    while (!text.empty() && (text.front() == ' ' || text.front() == '/')) text.remove_prefix(1);
    double value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || !std::isfinite(value)) return fallback;
    value = std::nearbyint(value);
    if (value < -2147483648.0 || value > 2147483647.0) return fallback;
    return static_cast<int>(value);
  }
  return fallback;
}

std::vector<TImageFilter> ImageFiltersOf(TPDFDictionary* dict, std::vector<TPDFObject*>* paramObjects) {
  std::vector<TImageFilter> filters;
  if (!dict) return filters;
  const std::vector<TPDFObject*> names = ListOf(dict->GetValue("Filter", true));
  const std::vector<TPDFObject*> params = ListOf(dict->GetValue("DecodeParms", true));
  for (size_t i = 0; i < names.size(); ++i) {
    auto* name = PdfCast<TPDFName>(names[i]);
    if (!name) continue;
    TPDFObject* p = i < params.size() ? params[i] : nullptr;
    filters.push_back({name->Value, FlattenParams(p)});
    if (paramObjects) paramObjects->push_back(p);
  }
  return filters;
}

bool HasImageCodec(const std::vector<TImageFilter>& filters) {
  return std::any_of(filters.begin(), filters.end(), [](const TImageFilter& filter) {
    const TFilterKind kind = KindOf(filter.Name);
    return kind == TFilterKind::DCT || kind == TFilterKind::CCITTFax || kind == TFilterKind::JBIG2 ||
           kind == TFilterKind::JPX;
  });
}

TImageFilterChainResult DecodeImageFilterChain(std::string_view raw,
                                               const std::vector<TImageFilter>& filters,
                                               size_t maxOutput) {
  TImageFilterChainResult result;
  result.Data.assign(raw);
  for (size_t i = 0; i < filters.size(); ++i) {
    const TImageFilter& filter = filters[i];
    auto selectFinal = [&](TImageFinalDecoder decoder) {
      result.FinalDecoder = decoder;
      result.FinalFilterIndex = static_cast<int>(i);
      result.FinalParams = filter.Params;
    };
    switch (KindOf(filter.Name)) {
      case TFilterKind::LZW: {
        TPDFLZWDecompressor lzw;
        lzw.EarlyChange = FilterParamInt(filter.Params, "EarlyChange", 1) == 1;
        lzw.MaxOutput = maxOutput;
        TPDFPredictorParams p = PredictorFrom(filter.Params);
        if (!HasParam(filter.Params, "Predictor") || p.Predictor < 1) p = {};
        result.Data = lzw.Decode(result.Data, p);
        break;
      }
      case TFilterKind::RunLength:
        result.Data = RunLengthDecode(result.Data, maxOutput);
        break;
      case TFilterKind::Flate:
        // With parameters the rows are always cut to whole rows, even when
        // the predictor is 1.
        result.Data = filter.Params.empty()
                          ? FlateDecode(result.Data, maxOutput)
                          : FlateDecodePredicted(result.Data, PredictorFrom(filter.Params), maxOutput);
        break;
      case TFilterKind::AsciiHex: result.Data = AsciiHexDecode(result.Data); break;
      case TFilterKind::Ascii85: result.Data = ASCII85Decode(result.Data); break;
      case TFilterKind::DCT: selectFinal(TImageFinalDecoder::DCT); break;
      case TFilterKind::CCITTFax: selectFinal(TImageFinalDecoder::CCITTFax); break;
      case TFilterKind::JBIG2: selectFinal(TImageFinalDecoder::JBIG2); break;
      case TFilterKind::JPX: selectFinal(TImageFinalDecoder::JPX); break;
      case TFilterKind::Unknown: break;
    }
  }
  return result;
}

}  // namespace ostrel
