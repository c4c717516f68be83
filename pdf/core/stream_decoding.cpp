// Stream data: storing it (optionally compressed) and decoding it through the
// filters named by the stream's dictionary.
#include <vector>

#include "pdf/core/pdf_objects.h"
#include "pdf/core/pdf_structure.h"
#include "pdf/filters/stream_filters.h"

namespace ostrel {
namespace {

// The filter names of /Filter: one name, or the name members of an array.
std::vector<std::string> FilterNames(const TPDFDictionary* dict) {
  std::vector<std::string> names;
  TPDFObject* filter = dict->GetValue("Filter", true);
  if (auto* name = PdfCast<TPDFName>(filter)) {
    names.push_back(name->Value);
  } else if (auto* array = PdfCast<TPDFArray>(filter)) {
    for (size_t i = 0; i < array->Count(); ++i) {
      if (auto* member = PdfCast<TPDFName>(array->ItemResolved(i))) names.push_back(member->Value);
    }
  }
  return names;
}

// The parameter dictionary of each filter position (nullptr for none).
std::vector<TPDFDictionary*> FilterParameters(const TPDFDictionary* dict, size_t filterCount) {
  std::vector<TPDFDictionary*> params(filterCount, nullptr);
  if (filterCount == 0) return params;
  TPDFObject* value = dict->IndexOfKey("DecodeParms") >= 0 ? dict->GetValue("DecodeParms", true)
                                                           : dict->GetValue("DP", true);
  if (auto* single = PdfCast<TPDFDictionary>(value)) {
    params[0] = single;
  } else if (auto* array = PdfCast<TPDFArray>(value)) {
    for (size_t i = 0; i < filterCount && i < array->Count(); ++i) {
      params[i] = PdfCast<TPDFDictionary>(array->ItemResolved(i));
    }
  }
  return params;
}

struct PredictorSettings {
  int Predictor = 1;
  int Colors = 1;
  int BitsPerComponent = 8;
  int Columns = 1;
};

PredictorSettings ReadPredictor(const TPDFDictionary* params) {
  PredictorSettings s;
  if (!params) return s;
  s.Predictor = params->GetInteger("Predictor", 1);
  s.Colors = params->GetInteger("Colors", 1);
  s.BitsPerComponent = params->GetInteger("BitsPerComponent", 8);
  s.Columns = params->GetInteger("Columns", 1);
  return s;
}

std::string Predicted(std::string data, const TPDFDictionary* params) {
  PredictorSettings s = ReadPredictor(params);
  if (!params || s.Predictor < 2) return data;
  return ApplyPredictor(data, s.Predictor, s.Colors, s.BitsPerComponent, s.Columns);
}

}  // namespace

void TPDFStream::SetData(std::string_view bytes, bool compress) {
  if (compress) {
    SetRawData(FlateEncode(bytes));
    StreamDict->DeleteKey("Filter");
    StreamDict->SetValue("Filter", Pool->NewName("FlateDecode"));
  } else {
    SetRawData(std::string(bytes));
    StreamDict->DeleteKey("Filter");
  }
}

std::string TPDFStream::DecodedData() const {
  std::vector<std::string> filters = FilterNames(StreamDict);
  if (filters.empty()) return RawData;
  std::vector<TPDFDictionary*> params = FilterParameters(StreamDict, filters.size());
  std::string data = RawData;
  for (size_t i = 0; i < filters.size(); ++i) {
    const std::string& name = filters[i];
    if (name == "FlateDecode" || name == "Fl") {
      data = Predicted(FlateDecode(data), params[i]);
    } else if (name == "ASCII85Decode" || name == "A85") {
      data = Ascii85Decode(data);
    } else if (name == "ASCIIHexDecode") {
      data = AsciiHexDecode(data);
    } else if (name == "LZWDecode") {
      bool earlyChange = !params[i] || params[i]->GetInteger("EarlyChange", 1) == 1;
      data = Predicted(LzwDecode(data, earlyChange), params[i]);
    }
    // Other filters (image codecs and abbreviations) are left to the image
    // decoding path; the data passes through unchanged.
  }
  return data;
}

}  // namespace ostrel
