#pragma once
// The renderer's image hook: image XObjects are decoded once and kept, up to
// a byte budget, for every later use on this and later pages; inline images
// are decoded for each use. Colours go through the renderer's colour layer.
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <string_view>
#include <unordered_map>

#include "pdf/core/pdf_structure.h"
#include "pdf/render/colour/colour_manager.h"
#include "pdf/render/images/image_decoder.h"
#include "pdf/render/content/pdf_renderer.h"

namespace ostrel {

class TPDFImageDecoderCache final : public TPDFRenderImages {
 public:
  // Bytes of decoded images kept between uses.
  static constexpr size_t kMaxCacheBytes = 100'000'000;

  explicit TPDFImageDecoderCache(TPDFRenderer& renderer) : renderer_(renderer) {}

  void DrawImageXObject(TPDFStream* image, const TPDFIndRef* ref, TPDFGenericCanvas& canvas, const TPDFMatrix& ctm,
                        int32_t fillColor) override;
  void DrawInlineImage(std::string_view dictText, std::string_view data, TPDFDictionary* resources,
                       TPDFGenericCanvas& canvas, const TPDFMatrix& ctm, int32_t fillColor) override;

  size_t CachedBytes() const { return bytes_; }
  size_t CachedCount() const { return entries_.size(); }
  // Pixel bound handed to every decoder (lowered by the fuzzer).
  int64_t MaxPixels = kMaxImagePixels;

 private:
  struct TEntry {
    const TPDFStream* Stream;
    std::unique_ptr<TPDFImageDecoder> Decoder;  // null when the image cannot be drawn
    size_t Bytes;
  };
  TPDFSimpleColorManager& Manager();
  bool Smooth() const { return renderer_.CanvasSettings.SmoothImages != 0; }
  void Evict(size_t needed);

  TPDFRenderer& renderer_;
  TPDFSimpleColorManager ownManager_;
  TPDFSimpleColorManager* lastManager_ = nullptr;
  // Most recently used first.
  std::list<TEntry> entries_;
  std::unordered_map<const TPDFStream*, std::list<TEntry>::iterator> index_;
  size_t bytes_ = 0;
  TPDFStructure scratch_;  // inline image dictionaries, cleared after each
};

}  // namespace ostrel
