#include "pdf/filters/jbig2/jbig2_stream_decoder.h"

#include <algorithm>
#include <cstring>

#include "pdf/filters/jbig2/jbig2_generic_region.h"
#include "pdf/filters/jbig2/jbig2_halftone.h"
#include "pdf/filters/jbig2/jbig2_huffman.h"
#include "pdf/filters/jbig2/jbig2_stream_reader.h"
#include "pdf/filters/jbig2/jbig2_table_segment.h"
#include "pdf/filters/jbig2/jbig2_text_region.h"
#include "pdf/filters/jbig2/jbig2_text_region_segment.h"

namespace ostrel {
namespace {

constexpr char kFileMagic[] = "\x97JB2\r\n\x1A\n";
constexpr uint32_t kUnknownLength = 0xFFFFFFFF;

struct TRegionInfo {
  int64_t Width, Height, X, Y;
  uint32_t Operator;
};

TRegionInfo ReadRegionInfo(TStreamReader& r) {
  TRegionInfo info;
  info.Width = r.ReadNumber(4);
  info.Height = r.ReadNumber(4);
  info.X = r.ReadNumber(4);
  info.Y = r.ReadNumber(4);
  info.Operator = r.ReadByte() & 7;
  return info;
}

TSegmentHeader ReadHeader(TStreamReader& r) {
  TSegmentHeader h;
  h.Number = r.ReadNumber(4);
  uint32_t flags = r.ReadByte();
  h.Type = static_cast<int>(flags & 63);
  uint32_t first = r.ReadByte();
  uint32_t count = first >> 5;
  if (count == 7) {
    count = ((first & 0x1F) << 24) | r.ReadNumber(3);
    r.Skip((count + 8) / 8);  // retention flags
  } else if (count > 4) {
    throw EJBIG2Error("bad referred-to segment count");
  }
  int refSize = h.Number <= 256 ? 1 : h.Number <= 65536 ? 2 : 4;
  if (uint64_t{count} * static_cast<uint64_t>(refSize) > r.Remaining())
    throw EJBIG2Error("segment header too short");
  for (uint32_t i = 0; i < count; ++i) h.ReferredTo.push_back(r.ReadNumber(refSize));
  h.Page = (flags & 64) ? r.ReadNumber(4) : r.ReadByte();
  h.DataLength = r.ReadNumber(4);
  return h;
}

// An immediate generic region may leave its length open: its data then ends
// with 00 00 (MMR) or FF AC (arithmetic) followed by the 4-byte row count.
size_t FindGenericRegionEnd(std::string_view data) {
  if (data.size() < 18) return data.size();
  bool mmr = static_cast<uint8_t>(data[17]) & 1;
  std::string_view marker = mmr ? std::string_view("\0\0", 2) : std::string_view("\xFF\xAC", 2);
  size_t at = data.find(marker, 18);
  if (at == std::string_view::npos || at + 6 > data.size()) return data.size();
  return at + 6;
}

}  // namespace

void TJBIG2StreamDecoder::Decode(std::string_view data, std::string_view globals) {
  if (!globals.empty()) ReadSegments(globals);
  ended_ = false;
  ReadSegments(data);
}

void TJBIG2StreamDecoder::ReadSegments(std::string_view data) {
  TStreamReader r(data);
  bool randomAccess = false;
  if (data.substr(0, 8) == std::string_view(kFileMagic, 8)) {
    r.Skip(8);
    uint32_t flags = r.ReadByte();
    randomAccess = !(flags & 1);
    if (!(flags & 2)) r.Skip(4);  // page count
  }
  auto dataOf = [&](const TSegmentHeader& h) {
    size_t length = h.DataLength == kUnknownLength ? FindGenericRegionEnd(r.Rest())
                                                   : std::min<size_t>(h.DataLength, r.Remaining());
    std::string_view d = r.Rest().substr(0, length);
    r.Skip(length);
    return d;
  };
  if (randomAccess) {
    std::vector<TSegmentHeader> headers;
    while (r.Remaining() > 0) {
      headers.push_back(ReadHeader(r));
      if (headers.back().Type == 51) break;
    }
    for (const TSegmentHeader& h : headers) {
      if (ended_) break;
      DecodeSegment(h, dataOf(h));
    }
    return;
  }
  while (r.Remaining() > 0 && !ended_) {
    TSegmentHeader h = ReadHeader(r);
    DecodeSegment(h, dataOf(h));
  }
}

std::vector<const TJBIG2Bitmap*> TJBIG2StreamDecoder::ReferredSymbols(const TSegmentHeader& h) const {
  std::vector<const TJBIG2Bitmap*> symbols;
  for (uint32_t number : h.ReferredTo) {
    auto it = results_.find(number);
    if (it == results_.end() || !it->second.IsSymbols) continue;
    for (const auto& s : it->second.Symbols.Exported) symbols.push_back(s.get());
  }
  if (symbols.size() > kMaxJBIG2Symbols) throw EJBIG2Error("too many symbols");
  return symbols;
}

std::vector<const THuffmanTable*> TJBIG2StreamDecoder::ReferredTables(const TSegmentHeader& h) const {
  std::vector<const THuffmanTable*> tables;
  for (uint32_t number : h.ReferredTo) {
    auto it = results_.find(number);
    if (it != results_.end() && it->second.Table) tables.push_back(it->second.Table.get());
  }
  return tables;
}

void TJBIG2StreamDecoder::PlaceRegion(const TJBIG2Bitmap& region, int64_t x, int64_t y, uint32_t op) {
  if (!page_) return;
  if (pageHeightUnknown_ && y + region.Height() > page_->Height())
    page_->Grow(y + region.Height(), pageDefaultPixel_);
  page_->Combine(region, x, y, static_cast<TJBIG2CombinationOperator>(op <= 4 ? op : 0));
}

void TJBIG2StreamDecoder::DecodeSegment(const TSegmentHeader& h, std::string_view data) {
  // Only earlier segments may be referred to, so references cannot loop.
  for (uint32_t number : h.ReferredTo)
    if (number >= h.Number) return;
  TStreamReader r(data);
  const bool immediate = (h.Type & 2) != 0;
  switch (h.Type) {
    case 0: {  // symbol dictionary
      const TSymbolDictionary* source = nullptr;
      for (uint32_t number : h.ReferredTo) {
        auto it = results_.find(number);
        if (it != results_.end() && it->second.IsSymbols) source = &it->second.Symbols;
      }
      TResult result;
      result.IsSymbols = true;
      result.Symbols = DecodeSymbolDictionary(r, ReferredSymbols(h), source, ReferredTables(h), factory_);
      results_[h.Number] = std::move(result);
      break;
    }
    case 4: case 6: case 7: {  // text region
      TRegionInfo info = ReadRegionInfo(r);
      TJBIG2BitmapPtr region =
          DecodeTextRegionSegment(r, info.Width, info.Height, ReferredSymbols(h), ReferredTables(h), factory_);
      if (immediate) PlaceRegion(*region, info.X, info.Y, info.Operator);
      else results_[h.Number].Region = region;
      break;
    }
    case 16: {  // pattern dictionary
      TResult result;
      result.IsPatterns = true;
      result.Symbols.Exported = DecodePatternDictionary(r, factory_);
      results_[h.Number] = std::move(result);
      break;
    }
    case 20: case 22: case 23: {  // halftone region
      TRegionInfo info = ReadRegionInfo(r);
      const std::vector<TJBIG2BitmapPtr>* patterns = nullptr;
      for (uint32_t number : h.ReferredTo) {
        auto it = results_.find(number);
        if (it != results_.end() && it->second.IsPatterns) patterns = &it->second.Symbols.Exported;
      }
      if (!patterns) throw EJBIG2Error("halftone region without patterns");
      TJBIG2BitmapPtr region = DecodeHalftoneRegion(r, static_cast<int>(std::min<int64_t>(info.Width, INT32_MAX)),
                                                    static_cast<int>(std::min<int64_t>(info.Height, INT32_MAX)),
                                                    *patterns, factory_);
      if (immediate) PlaceRegion(*region, info.X, info.Y, info.Operator);
      else results_[h.Number].Region = region;
      break;
    }
    case 36: case 38: case 39: {  // generic region
      TRegionInfo info = ReadRegionInfo(r);
      uint32_t flags = r.ReadByte();
      TGenericRegionParams gp;
      gp.Template = static_cast<int>(flags >> 1 & 3);
      gp.TypicalPrediction = flags >> 3 & 1;
      const bool mmr = flags & 1;
      if (!mmr)
        for (int i = 0; i < (gp.Template == 0 ? 4 : 1); ++i) {
          gp.ATX[i] = r.ReadSigned8();
          gp.ATY[i] = r.ReadSigned8();
        }
      if (h.DataLength == kUnknownLength && data.size() >= 4 && info.Height == 0xFFFFFFFF) {
        TStreamReader tail(data.substr(data.size() - 4));
        info.Height = tail.ReadNumber(4);
      }
      TJBIG2BitmapPtr region = factory_.Make(info.Width, info.Height);
      if (mmr) {
        DecodeGenericRegionMMR(*region, r.Rest());
      } else {
        TArithmeticDecoder decoder(r.Rest());
        TArithmeticDecoderStats stats(kGenericContexts);
        DecodeGenericRegion(*region, gp, decoder, stats);
      }
      if (immediate) PlaceRegion(*region, info.X, info.Y, info.Operator);
      else results_[h.Number].Region = region;
      break;
    }
    case 40: case 42: case 43: {  // generic refinement region
      TRegionInfo info = ReadRegionInfo(r);
      uint32_t flags = r.ReadByte();
      TRefinementParams rp;
      rp.Template = static_cast<int>(flags & 1);
      rp.TypicalPrediction = flags >> 1 & 1;
      if (rp.Template == 0)
        for (int i = 0; i < 2; ++i) {
          rp.ATX[i] = r.ReadSigned8();
          rp.ATY[i] = r.ReadSigned8();
        }
      TJBIG2BitmapPtr reference;
      for (uint32_t number : h.ReferredTo) {
        auto it = results_.find(number);
        if (it != results_.end() && it->second.Region) reference = it->second.Region;
      }
      TJBIG2BitmapPtr region = factory_.Make(info.Width, info.Height);
      if (!reference) {
        // Refining what the page holds under the region.
        if (!page_) throw EJBIG2Error("refinement without a reference");
        reference = std::make_shared<TJBIG2Bitmap>(page_->Extract(
            static_cast<int>(std::min<int64_t>(info.X, INT32_MAX)),
            static_cast<int>(std::min<int64_t>(info.Y, INT32_MAX)), region->Width(), region->Height()));
      }
      rp.Reference = reference.get();
      TArithmeticDecoder decoder(r.Rest());
      TArithmeticDecoderStats stats(kRefinementContexts);
      DecodeRefinementRegion(*region, rp, decoder, stats);
      if (immediate) PlaceRegion(*region, info.X, info.Y, info.Operator);
      else results_[h.Number].Region = region;
      break;
    }
    case 48: {  // page information
      if (page_ || h.Page > 1) break;  // only the first page is decoded
      int64_t width = r.ReadNumber(4), height = r.ReadNumber(4);
      r.Skip(8);  // resolutions
      uint32_t flags = r.ReadByte();
      uint32_t striping = r.ReadNumber(2);
      pageDefaultPixel_ = flags >> 2 & 1;
      if (height == 0xFFFFFFFF) {
        height = striping & 0x7FFF;
        pageHeightUnknown_ = true;
      }
      page_ = factory_.Make(width, height, pageDefaultPixel_);
      break;
    }
    case 50: {  // end of stripe: the last row it covers
      int64_t lastRow = r.ReadNumber(4);
      if (page_ && pageHeightUnknown_) page_->Grow(lastRow + 1, pageDefaultPixel_);
      break;
    }
    case 53:  // tables
      // A damaged table harms only the regions that select it: they then
      // find no user-supplied table and fail on their own.
      try {
        results_[h.Number].Table = DecodeTableSegment(r);
      } catch (const EJBIG2Error&) {
      }
      break;
    case 51:  // end of file
      ended_ = true;
      break;
    default:  // end of page, profiles, extensions and unknown types
      break;
  }
}

}  // namespace ostrel
