#pragma once
// Undoing the TIFF and PNG predictors applied before Flate or LZW encoding.
#include <cstdint>
#include <string>
#include <string_view>

namespace ostrel {

// Decode parameters shared by the Flate and LZW filters.
struct TPDFPredictorParams {
  int32_t Predictor = 1;
  int32_t Colors = 1;
  int32_t BitsPerComponent = 8;
  int32_t Columns = 1;
};

// True when the parameters describe rows we can walk: Colors 1..32,
// BitsPerComponent 1, 2, 4, 8 or 16, Columns at least 1.
bool PredictorParamsValid(const TPDFPredictorParams& params);

// Undoes the predictor. Predictor 2 is TIFF, 10..15 PNG (each row's tag byte
// chooses the filter); any other value copies the rows. Data is cut to whole
// rows. Invalid parameters return the data as it is.
std::string ApplyPredictor(std::string_view data, const TPDFPredictorParams& params);

}  // namespace ostrel
