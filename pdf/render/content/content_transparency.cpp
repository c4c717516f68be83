// Transparency beyond constant alpha: blend modes and soft masks of the
// graphics state, and forms painted as transparency groups.
#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "pdf/core/pdf_objects.h"
#include "pdf/render/canvas/picasso.h"
#include "pdf/render/colour/colour_render_colors.h"
#include "pdf/render/colour/colour_space_loader.h"
#include "pdf/render/colour/pdf_function.h"
#include "pdf/render/content/content_interpreter.h"
#include "pdf/render/content/pdf_renderer.h"
#include "pdf/render/content/render_lookup.h"

namespace ostrel {

namespace {

// Soft masks kept per page, each as large as the page.
constexpr size_t kMaxSoftMasks = 16;

// Luminosity of a colour, as the blend modes' non-separable formulas take it.
double Luminosity(double r, double g, double b) { return 0.30 * r + 0.59 * g + 0.11 * b; }

// The mask's /TR as a table over 256 levels; the identity when absent or
// unusable.
std::array<uint8_t, 256> TransferTable(TPDFObject* tr) {
  std::array<uint8_t, 256> table;
  for (int i = 0; i < 256; ++i) table[i] = static_cast<uint8_t>(i);
  auto fn = CreateFunction(tr);
  if (!fn || fn->InputCount() != 1 || fn->OutputCount() < 1) return table;
  std::vector<double> out;
  for (int i = 0; i < 256; ++i) {
    double in = i / 255.0;
    if (fn->Evaluate(std::span<const double>(&in, 1), out) && !out.empty())
      table[i] = static_cast<uint8_t>(std::lround(std::clamp(out[0], 0.0, 1.0) * 255));
  }
  return table;
}

}  // namespace

void TContentRun::ApplyTransparencyEntries(TPDFDictionary* dict) {
  TPDFObject* bm = ResolveObject(dict->GetValue("BM"));
  // An array lists modes in order of preference: the first known one wins.
  auto* list = PdfCast<TPDFArray>(bm);
  for (size_t i = 0, n = list ? list->Count() : 1; i < n; ++i) {
    auto* name = PdfCast<TPDFName>(list ? ResolveObject(list->Item(i)) : bm);
    TBlendMode mode;
    if (name && BlendModeFromName(name->Value, mode)) {
      gs_.BlendMode = static_cast<uint8_t>(mode);
      break;
    }
  }
  TPDFObject* mask = ResolveObject(dict->GetValue("SMask"));
  if (auto* name = PdfCast<TPDFName>(mask); name && name->Value == "None") {
    gs_.SoftMask = nullptr;
  } else if (auto* maskDict = PdfCast<TPDFDictionary>(mask)) {
    gs_.SoftMask = maskDict;
    gs_.SoftMaskCTM = r_.CTM;
  }
}

void TContentRun::ApplyTransparency() {
  canvas_.SetBlendMode(static_cast<TBlendMode>(gs_.BlendMode));
  canvas_.SetSoftMask(gs_.SoftMask ? SoftMaskPattern().Get() : nullptr);
}

void TContentRun::ImageSetup() {
  ApplyTransparency();
  canvas_.SetFillAlpha(gs_.FillAlpha);
}

TCairoPattern TContentRun::SoftMaskPattern() {
  for (const auto& made : r_.softMasks_)
    if (made.Mask == gs_.SoftMask && made.CTM == gs_.SoftMaskCTM && made.Canvas == canvas_.Surface())
      return made.Pattern;
  TCairoPattern pattern = RenderSoftMask(gs_.SoftMask, gs_.SoftMaskCTM);
  if (r_.softMasks_.size() >= kMaxSoftMasks) r_.softMasks_.erase(r_.softMasks_.begin());
  r_.softMasks_.push_back({gs_.SoftMask, gs_.SoftMaskCTM, canvas_.Surface(), pattern});
  return pattern;
}

// Draws the mask's group onto a canvas the size of this one and keeps, per
// pixel, its alpha (/Alpha) or the luminosity of the group over its
// backdrop colour (/Luminosity), through the transfer function.
TCairoPattern TContentRun::RenderSoftMask(TPDFDictionary* mask, const TPDFMatrix& ctm) {
  cairo_surface_t* page = canvas_.Surface();
  if (!page) return {};
  const int width = cairo_image_surface_get_width(page), height = cairo_image_surface_get_height(page);
  auto* kind = PdfCast<TPDFName>(ResolveObject(mask->GetValue("S")));
  const bool luminosity = !kind || kind->Value != "Alpha";
  TPDFObject* raw = mask->GetValue("G");
  auto* form = PdfCast<TPDFStream>(ResolveObject(raw));

  TPDFPicasso group;
  if (!group.CreateSurface(width, height, r_.CanvasSettings)) return {};
  if (luminosity) {
    // The backdrop: /BC in the group's colour space, black by default.
    int32_t backdrop = 0;
    auto* groupDict = form ? PdfCast<TPDFDictionary>(ResolveObject(form->StreamDict->GetValue("Group"))) : nullptr;
    std::vector<double> bc;
    auto* layer = dynamic_cast<TPDFColorLayerColors*>(&r_.Colors());
    if (groupDict && layer && ReadNumbers(mask->GetValue("BC"), 32, bc) && !bc.empty()) {
      if (auto space = LoadColorSpace(groupDict->GetValue("CS"), layer->Manager()))
        backdrop = space->ComponentsToColor(bc);
    }
    group.NewPath();
    group.MoveTo(0, 0);
    group.LineTo(width, 0);
    group.LineTo(width, height);
    group.LineTo(0, height);
    group.ClosePath();
    group.SetFillColor(backdrop);
    group.FillPath();
  }
  if (form) RunForm(group, form, PdfCast<TPDFIndRef>(raw), ctm);
  group.Flush();

  const std::array<uint8_t, 256> transfer = TransferTable(mask->GetValue("TR"));
  cairo_surface_t* alpha = cairo_image_surface_create(CAIRO_FORMAT_A8, width, height);
  if (cairo_surface_status(alpha) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(alpha);
    return {};
  }
  cairo_surface_flush(alpha);
  const unsigned char* in = cairo_image_surface_get_data(group.Surface());
  const int inStride = cairo_image_surface_get_stride(group.Surface());
  unsigned char* out = cairo_image_surface_get_data(alpha);
  const int outStride = cairo_image_surface_get_stride(alpha);
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<const uint32_t*>(in + static_cast<size_t>(y) * inStride);
    for (int x = 0; x < width; ++x) {
      uint32_t p = row[x];
      int value = luminosity ? static_cast<int>(std::lround(Luminosity((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF)))
                             : static_cast<int>(p >> 24);
      out[static_cast<size_t>(y) * outStride + x] = transfer[std::clamp(value, 0, 255)];
    }
  }
  cairo_surface_mark_dirty(alpha);
  TCairoPattern pattern(cairo_pattern_create_for_surface(alpha));
  cairo_surface_destroy(alpha);
  return pattern;
}

void TContentRun::RunForm(TPDFPicasso& target, TPDFStream* form, const TPDFIndRef* ref, const TPDFMatrix& ctm) {
  if (!ref || r_.nesting_ >= TPDFRenderer::kMaxNesting || r_.drawing_.count(form)) return;
  TPDFDictionary* dict = form->StreamDict;
  double m[6] = {1, 0, 0, 1, 0, 0}, box[4];
  ReadNumbers(PdfCast<TPDFArray>(ResolveObject(dict->GetValue("Matrix"))), m, 6);
  const TPDFMatrix placed = MultiplyMatrix({m[0], m[1], m[2], m[3], m[4], m[5]}, ctm);
  if (!MatrixIsFinite(placed)) return;
  int32_t clip = target.SaveClip();
  if (ReadNumbers(PdfCast<TPDFArray>(ResolveObject(dict->GetValue("BBox"))), box, 4)) {
    double px, py;
    target.NewPath();
    TransformByMatrix(placed, box[0], box[1], px, py);
    target.MoveTo(px, py);
    for (auto [x, y] : {std::pair{box[2], box[1]}, std::pair{box[2], box[3]}, std::pair{box[0], box[3]}}) {
      TransformByMatrix(placed, x, y, px, py);
      target.LineTo(px, py);
    }
    target.ClosePath();
    target.SetClip(1);
    target.EndPath();
  }
  const TPDFMatrix savedCTM = r_.CTM;
  const std::string savedError = r_.LastError;
  r_.CTM = placed;
  r_.InheritedResources = resources_;
  r_.UseInitialState = true;
  r_.InitialState = TPDFGraphicsState{};
  r_.drawing_.insert(form);
  ++r_.nesting_;
  r_.RunContent(target, form, nullptr, ref);
  --r_.nesting_;
  r_.drawing_.erase(form);
  r_.CTM = savedCTM;
  r_.LastError = savedError;
  target.RestoreClip(clip);
}

bool TContentRun::BeginFormGroup(TPDFDictionary* form) {
  auto* group = PdfCast<TPDFDictionary>(ResolveObject(form->GetValue("Group")));
  auto* kind = group ? PdfCast<TPDFName>(ResolveObject(group->GetValue("S"))) : nullptr;
  if (!kind || kind->Value != "Transparency") return false;
  auto flag = [&](const char* key) {
    auto* value = PdfCast<TPDFBoolean>(ResolveObject(group->GetValue(key)));
    return value && value->Value;
  };
  const bool isolated = flag("I"), knockout = flag("K");
  // A non-isolated group painted opaquely, normally and unmasked looks the
  // same drawn straight onto the page, where blend modes inside it see the
  // real backdrop; any other group, and every knockout group, is drawn into
  // a layer of its own.
  const bool plain = gs_.FillAlpha >= 1 && gs_.BlendMode == 0 && !gs_.SoftMask;
  if (plain && !isolated && !knockout) return false;
  canvas_.BeginGroup(knockout);
  return true;
}

void TContentRun::EndFormGroup() {
  ApplyTransparency();
  canvas_.EndGroup(gs_.FillAlpha);
}

}  // namespace ostrel
