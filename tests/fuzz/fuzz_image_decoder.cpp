#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "pdf/core/pdf_objects.h"
#include "pdf/core/pdf_structure.h"
#include "pdf/render/colour/colour_manager.h"
#include "pdf/render/images/image_decoder.h"
#include "pdf/render/canvas/picasso.h"
#include "platform/bitmap.h"

// The input is an image dictionary, a NUL byte, then the image data; the
// image is decoded with a small pixel bound and drawn onto a 32 x 32 canvas
// both plainly and as a stencil, smooth and not.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t split = input.find('\0');
  if (split == std::string_view::npos) return 0;
  ostrel::TPDFStructure pool;
  auto* dict = ostrel::PdfCast<ostrel::TPDFDictionary>(pool.ParseObject(input.substr(0, split)));
  if (!dict) return 0;
  ostrel::TPDFStream* stream = pool.NewStream("", false);
  stream->StreamDict->AssignFrom(dict);
  stream->SetRawData(std::string(input.substr(split + 1)));

  ostrel::TPDFSimpleColorManager manager;
  ostrel::TPDFImageDecoder decoder(manager);
  decoder.MaxPixels = 1 << 16;
  if (!decoder.DecodeImage(stream)) return 0;

  ostrel::Bitmap page(32, 32, ostrel::TPixelFormat::pf32bit);
  ostrel::TPDFPicasso canvas;
  if (!canvas.AttachBitmap(page, ostrel::TGDIPlusSettings{})) return 0;
  decoder.DrawImage(canvas, {32, 0, 0, -32, 0, 32}, 0x0000FF, false);
  decoder.DrawImage(canvas, {20, 5, -3, 30, 2, 1}, 0x00FF00, true);
  canvas.Flush();
  return 0;
}
