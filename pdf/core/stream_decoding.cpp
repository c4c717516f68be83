// Stream data: storing it (optionally compressed) and decoding it through the
// filters named by the stream's dictionary, found in the filter table.
#include <stdexcept>
#include <vector>

#include "pdf/core/decode_budget.h"
#include "pdf/core/pdf_objects.h"
#include "pdf/core/pdf_structure.h"
#include "pdf/core/stream_filter_table.h"

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

// Without its filters the library would pass encoded data off as decoded.
const TStreamFilterTable& Filters() {
  const TStreamFilterTable& table = StreamFilterTable();
  if (!table.Filled()) throw std::logic_error("stream filters used before RegisterStreamFilters()");
  return table;
}

}  // namespace

void TPDFStream::SetData(std::string_view bytes, bool compress) {
  if (compress) {
    SetRawData(Filters().FlateEncoder(bytes));
    StreamDict->DeleteKey("Filter");
    StreamDict->SetValue("Filter", Pool->NewName("FlateDecode"));
  } else {
    SetPlainData(std::string(bytes));
  }
}

void TPDFStream::SetPlainData(std::string bytes) {
  SetRawData(std::move(bytes));
  StreamDict->DeleteKey("Filter");
}

std::string TPDFStream::DecodedData() const {
  std::vector<std::string> filters = FilterNames(StreamDict);
  if (filters.empty()) return RawData;
  std::vector<TPDFDictionary*> params = FilterParameters(StreamDict, filters.size());
  const TStreamFilterTable& table = Filters();
  std::string data = RawData;
  for (size_t i = 0; i < filters.size(); ++i) {
    // Filters without a decoder here (image codecs) are left to the image
    // decoding path; the data passes through unchanged.
    TStreamDecoder decode = table.Decoder(filters[i]);
    if (!decode) continue;
    data = decode(data, params[i], DecodeOutputBound(kNoDecodeLimit));
    // A stage that passed the budget ends the decoding here, before the
    // next stage doubles what is held.
    if (data.size() > DecodeAllowance()) ChargeDecoded(data.size());
  }
  ChargeDecoded(data.size());
  return data;
}

}  // namespace ostrel
