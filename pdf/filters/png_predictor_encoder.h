#pragma once
// Pixel samples deflated for an image stream, behind PNG row filters
// (predictor 15) when that packs smaller: each row is then stored as its
// difference to its neighbours, which makes photographs and smooth gradients
// a third or more smaller, while flat or dithered pictures pack better as
// they are.
#include <string>
#include <string_view>

#include "pdf/filters/predictor.h"

namespace ostrel {

struct TFlateSamples {
  std::string Data;           // a zlib stream
  bool RowsFiltered = false;  // true: read it with /Predictor 15 and the same parameters
};

// The rows of `samples` (rows of params.Columns pixels of params.Colors
// components of params.BitsPerComponent bits, each row padded to a byte),
// deflated as they are or behind row filters, whichever is smaller (judged
// on the whole of small pictures and on bands of rows spread over large
// ones). A trailing partial row is dropped. Empty Data when the parameters
// are invalid or there is no whole row.
TFlateSamples FlateEncodeSamples(std::string_view samples, const TPDFPredictorParams& params);

// The rows filtered, each behind its filter tag: the filter of a row is the
// one whose output, read as signed bytes, has the smallest sum of absolute
// values (the usual choice of PNG encoders). Empty as above.
std::string FilterPNGRows(std::string_view samples, const TPDFPredictorParams& params);

}  // namespace ostrel
