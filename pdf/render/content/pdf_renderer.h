#pragma once
// Turns one page of a loaded document into pixels: sizes a 24-bit bitmap from
// the page's boxes, rotation and resolution, paints it white, interprets the
// page's content and then its annotation appearances onto a Cairo canvas.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "pdf/core/decode_budget.h"
#include "platform/bitmap.h"
#include "pdf/render/canvas/generic_canvas.h"
#include "pdf/render/content/graphics_state.h"
#include "pdf/render/colour/render_colors.h"
#include "pdf/render/glyphs/glyph_mask_cache.h"
#include "pdf/render/content/render_matrix.h"
#include "pdf/render/shading/shading_paint.h"
#include "pdf/text/extract/text_funnel.h"

namespace ostrel {

class TPDFDocument;
class TPDFDictionary;
class TPDFFontCollection;
class TPDFIndRef;
class TPDFObject;
class TPDFStream;
class TPDFPicasso;
class TContentRun;
class TTextDevice;
class TAnnotationAppearances;

// Where image XObjects and inline images go to be decoded and drawn. Until
// an image decoder is installed, images are skipped.
class TPDFRenderImages {
 public:
  virtual ~TPDFRenderImages() = default;
  // ref is the reference the image was reached through (nullptr when the
  // image is a direct object); it is the cache key of decoded images.
  virtual void DrawImageXObject(TPDFStream* image, const TPDFIndRef* ref, TPDFGenericCanvas& canvas,
                                const TPDFMatrix& ctm, int32_t fillColor) = 0;
  // dictText is the text between BI and ID, data the bytes between ID and EI.
  virtual void DrawInlineImage(std::string_view dictText, std::string_view data, TPDFDictionary* resources,
                               TPDFGenericCanvas& canvas, const TPDFMatrix& ctm, int32_t fillColor) = 0;
};

class TPDFRenderer {
 public:
  explicit TPDFRenderer(TPDFFontCollection& fonts);
  ~TPDFRenderer();
  TPDFRenderer(const TPDFRenderer&) = delete;
  TPDFRenderer& operator=(const TPDFRenderer&) = delete;

  // Renders page pageNumber (1-based) of doc at dpi into out as a 24-bit
  // bitmap, sized from the page's box and rotation and filled white first.
  // False with a message when the page cannot be rendered at all (no such
  // page, a resolution that is not a positive number). Content errors do not
  // fail the page: they leave LastError set and what was drawn in out.
  bool RenderPageToBitmap(TPDFDocument& doc, int pageNumber, double dpi, const TGDIPlusSettings& canvas,
                          Bitmap& out, std::string& error);

  // The lower-level entry: renders Page into Bitmap at DPI. A null Page
  // gives a blank 612 x 792 point page.
  void RenderPage();

  // Pixel size of a page at a resolution (after any lowering, see
  // EffectiveDPI); used by callers that want the size without rendering.
  void PageSize(TPDFDictionary* page, double dpi, int& width, int& height);

  // The text-collection kind: runs Page's content and annotations with user
  // space as device space, draws nothing, and hands every piece of shown
  // text, visible or not, to TextFunnel (cleared first; its BaseHeight
  // becomes the top of the page box).
  void CollectPageText();

  // The text-device kind: runs the content of Page (given decoded, with its
  // resources), the forms it draws and its annotations' appearances, draws
  // nothing, and tells device of every text operator.
  void ReadPageText(TTextDevice& device, const std::string& content, TPDFDictionary* resources);

  TPDFDictionary* Page = nullptr;
  double DPI = 72;
  // Resolution actually used for the last page: lowered when the page at DPI
  // would exceed kMaxSide pixels a side or kMaxPixels pixels.
  double EffectiveDPI = 72;
  // The page box a rendered page shows; other values read as the crop box.
  enum TPageBoxKind : int32_t { kMediaBox = 1, kCropBox = 2, kBleedBox = 3, kTrimBox = 4, kArtBox = 5 };
  TPageBoxKind PageBoxKind = kCropBox;
  TGDIPlusSettings CanvasSettings;
  Bitmap PageBitmap;  // 24-bit result of RenderPage
  // What interpreting a page produces: pixels, or (while CollectPageText
  // runs) the text funnel's pieces.
  enum TOutputKind : uint8_t { kOutputBitmap = 0, kOutputTextCollection = 5 };
  TOutputKind OutputKind = kOutputBitmap;
  TPDFTextFunnel TextFunnel;
  // Set while ReadPageText runs.
  TTextDevice* TextDevice = nullptr;
  // The document's /AcroForm (set by RenderPageToBitmap, and by the callers
  // of the text kinds): fields without appearances take their fonts and
  // defaults from it, and it says whether the reader makes appearances.
  TPDFDictionary* AcroForm = nullptr;
  // "Rendering exception: ..." of the last content that failed, else empty.
  std::string LastError;

  // Colour conversion; replace with the colour layer's manager.
  void SetColors(std::unique_ptr<TPDFRenderColors> colors);
  TPDFRenderColors& Colors() { return *colors_; }
  // Image decoding; nullptr skips images.
  void SetImages(std::unique_ptr<TPDFRenderImages> images) { images_ = std::move(images); }

  static constexpr int kMaxSide = 32767;
  static constexpr int64_t kMaxPixels = int64_t{1} << 28;
  // Nesting of forms, glyph procedures and appearances drawn inside another.
  static constexpr int kMaxNesting = 28;
  // Operators interpreted for one page, nested content included.
  static constexpr int64_t kMaxOperatorsPerPage = 30'000'000;

 private:
  friend class TContentRun;

  struct TPageGeometry {
    double X0 = 0, Y0 = 0, Width = 612, Height = 792;
    int Rotation = 0;
    int PixelWidth = 612, PixelHeight = 792;
    double DPI = 72;
  };
  TPageGeometry MeasurePage(TPDFDictionary* page, double dpi);
  bool PageBoxRect(TPDFDictionary* page, std::string_view name, double box[4]);
  // Starts a page from a clean state, whichever kind of run came before: no
  // error, no inherited graphics state, empty guards and caches, a full
  // operator budget, and the page's base transformation.
  void BeginPage(const TPDFMatrix& ctm, double dpi);
  // The page's content, then its annotations unless the content failed.
  void RunPage(TPDFPicasso& canvas);
  void DrawAnnotations(TPDFPicasso& canvas);
  void DrawAnnotation(TPDFPicasso& canvas, TPDFDictionary* annot, TPDFDictionary* pageResources);
  // Draws an appearance made from the annotation's dictionary; false when
  // the annotation is not of a kind that gets one.
  bool DrawMadeAppearance(TPDFPicasso& canvas, TPDFDictionary* annot);

  // Interprets one content stream; see TContentRun.
  void RunContent(TPDFPicasso& canvas, TPDFObject* source, const std::string* contentText,
                  const TPDFIndRef* reference);
  const std::string& StreamContent(TPDFStream* stream);
  // The decoded streams of a page's /Contents array joined, each stream
  // decoded once however often it is listed.
  std::string JoinedContents(const TPDFArray& parts);

  TPDFFontCollection& fonts_;
  std::unique_ptr<TPDFRenderColors> colors_;
  std::unique_ptr<TPDFRenderImages> images_;
  std::unique_ptr<TAnnotationAppearances> appearances_;
  Bitmap* target_ = nullptr;  // the page bitmap while RenderPage draws

  TPDFMatrix CTM = kIdentityMatrix;
  TPDFMatrix BaseCTM = kIdentityMatrix;
  TPDFDictionary* InheritedResources = nullptr;
  bool UseInitialState = false;
  TPDFGraphicsState InitialState;
  // The next run ignores colour operators (the cell of an uncoloured pattern).
  bool InitialIgnoreColor = false;

  // Guards against content that draws itself.
  int nesting_ = 0;
  std::unordered_set<const void*> drawing_;
  int64_t operatorBudget_ = 0;
  // Decoded content of forms and appearances, per page.
  std::unordered_map<const TPDFStream*, std::string> streamCache_;
  // The content streams of one page (its own, forms, patterns, glyph
  // procedures, appearances): part of the page's decode budget.
  TDecodeBudget contentBudget_{kPageContentDecodeBudget};
  static constexpr size_t kKeptStreamCacheBytes = size_t{8} << 20;
  size_t streamCacheBytes_ = 0;
  // Records of direct (non-indirect) font dictionaries, by identity.
  std::unordered_map<const TPDFDictionary*, size_t> directFonts_;
  // Masks of filled glyphs, shared by every page this renderer draws.
  TGlyphMaskCache glyphMasks_;
  // Soft masks drawn for this page, by mask, CTM and the canvas drawn on.
  struct TSoftMaskEntry {
    const TPDFDictionary* Mask;
    TPDFMatrix CTM;
    const void* Canvas;
    TCairoPattern Pattern;
  };
  std::vector<TSoftMaskEntry> softMasks_;
  // Colour-space identifiers by resource name (Separation spaces are shared).
  std::unordered_map<std::string, int> separations_;
};

}  // namespace ostrel
