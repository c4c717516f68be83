#include "pdf/filters/jbig2/jbig2_decoder.h"

#include "pdf/filters/jbig2/jbig2_stream_decoder.h"

namespace ostrel {

bool TOSLJBIG2Decoder::Decode(std::string_view data, std::string_view globals) {
  width_ = height_ = 0;
  packed_.clear();
  lastError_.clear();
  TJBIG2StreamDecoder stream;
  try {
    stream.Decode(data, globals);
  } catch (const EJBIG2Error& e) {
    lastError_ = e.what();
  } catch (const std::bad_alloc&) {
    lastError_ = "out of memory";
  }
  const TJBIG2Bitmap* page = stream.Page();
  // A failing segment ends decoding and fails it; what the page holds by
  // then stays readable for callers that want a partial picture.
  if (!page || page->Width() == 0 || page->Height() == 0) {
    if (lastError_.empty()) lastError_ = "no page 1";
    return false;
  }
  width_ = page->Width();
  height_ = page->Height();
  packed_ = page->Data();
  return lastError_.empty();
}

bool TOSLJBIG2Decoder::Row(int i, std::vector<uint8_t>& row) const {
  row.assign(static_cast<size_t>(width_), 0);
  if (i < 0 || i >= height_) return false;
  const uint8_t* packed = packed_.data() + static_cast<size_t>(i) * RowBytes();
  for (int x = 0; x < width_; ++x) row[static_cast<size_t>(x)] = (packed[x >> 3] >> (7 - (x & 7))) & 1;
  return true;
}

}  // namespace ostrel
