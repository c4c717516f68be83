#include "pdf/render/images/image_decoder_cache.h"

#include <string>

#include "pdf/core/pdf_objects.h"
#include "pdf/render/colour/colour_render_colors.h"

namespace ostrel {
namespace {

struct TKeyAlias {
  std::string_view Short, Long;
};
// Inline image dictionaries may use these short keys.
constexpr TKeyAlias kInlineKeys[] = {
    {"W", "Width"},   {"H", "Height"},      {"BPC", "BitsPerComponent"}, {"IM", "ImageMask"}, {"CS", "ColorSpace"},
    {"D", "Decode"},  {"DP", "DecodeParms"}, {"F", "Filter"},            {"I", "Interpolate"}, {"L", "Length"},
};

std::string_view LongKey(std::string_view key) {
  for (const TKeyAlias& alias : kInlineKeys)
    if (alias.Short == key) return alias.Long;
  return key;
}

}  // namespace

TPDFSimpleColorManager& TPDFImageDecoderCache::Manager() {
  auto* layer = dynamic_cast<TPDFColorLayerColors*>(&renderer_.Colors());
  TPDFSimpleColorManager* manager = layer ? &layer->Manager() : &ownManager_;
  // Cached images hold colour spaces that point at the manager: a new
  // colour layer makes them stale.
  if (manager != lastManager_) {
    entries_.clear();
    index_.clear();
    bytes_ = 0;
    lastManager_ = manager;
  }
  return *manager;
}

void TPDFImageDecoderCache::Evict(size_t needed) {
  while (!entries_.empty() && bytes_ + needed > kMaxCacheBytes) {
    bytes_ -= entries_.back().Bytes;
    index_.erase(entries_.back().Stream);
    entries_.pop_back();
  }
}

void TPDFImageDecoderCache::DrawImageXObject(TPDFStream* image, const TPDFIndRef* ref, TPDFGenericCanvas& canvas,
                                             const TPDFMatrix& ctm, int32_t fillColor) {
  if (!image) return;
  TPDFSimpleColorManager& manager = Manager();
  if (auto it = index_.find(image); it != index_.end()) {
    entries_.splice(entries_.begin(), entries_, it->second);
    if (const auto& decoder = entries_.front().Decoder) decoder->DrawImage(canvas, ctm, fillColor, Smooth());
    return;
  }
  auto decoder = std::make_unique<TPDFImageDecoder>(manager);
  decoder->MaxPixels = MaxPixels;
  if (decoder->DecodeImage(image)) decoder->DrawImage(canvas, ctm, fillColor, Smooth());
  else decoder.reset();
  // Images that failed are remembered too, so they are not decoded again.
  const size_t bytes = decoder ? decoder->DecodedSize() : sizeof(TEntry);
  if (bytes > kMaxCacheBytes) return;
  Evict(bytes);
  entries_.push_front({image, std::move(decoder), bytes});
  index_[image] = entries_.begin();
  bytes_ += bytes;
  (void)ref;
}

void TPDFImageDecoderCache::DrawInlineImage(std::string_view dictText, std::string_view data,
                                            TPDFDictionary* resources, TPDFGenericCanvas& canvas,
                                            const TPDFMatrix& ctm, int32_t fillColor) {
  TPDFSimpleColorManager& manager = Manager();
  scratch_.Clear();
  scratch_.OnResolve = resources ? resources->Pool->OnResolve : nullptr;
  std::string text = "<<";
  text.append(dictText);
  text.append("\n>>");
  auto* parsed = PdfCast<TPDFDictionary>(scratch_.ParseObject(text));
  if (!parsed) return;
  TPDFDictionary* dict = scratch_.NewDictionary();
  for (size_t i = 0; i < parsed->Count(); ++i) {
    auto [key, value] = parsed->EntryAt(i);
    if (key && !dict->GetValue(LongKey(key->Value))) dict->SetValue(LongKey(key->Value), value);
  }
  TPDFImageDecoder decoder(manager);
  decoder.MaxPixels = MaxPixels;
  if (decoder.DecodeInlineImage(dict, data, resources)) decoder.DrawImage(canvas, ctm, fillColor, Smooth());
  scratch_.Clear();
}

}  // namespace ostrel
