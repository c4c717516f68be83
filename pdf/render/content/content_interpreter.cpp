#include "pdf/render/content/content_interpreter.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <unordered_map>

#include "pdf/core/decimal_reading.h"
#include "pdf/core/decode_budget.h"
#include "pdf/core/pdf_objects.h"
#include "pdf/core/pdf_structure.h"
#include "pdf/render/content/pdf_renderer.h"
#include "pdf/render/canvas/picasso.h"
#include "pdf/render/content/render_lookup.h"
#include "pdf/text/extract/text_device.h"
#include "pdf/text/font_collection.h"

namespace ostrel {

// Key of a space the colour layer made: the prefix and its identifier.
constexpr std::string_view kSpacePrefix = "Space";


// ---- running one content stream ----

namespace {
// Decoded forms and appearances kept per page, so a form drawn many times is
// decoded once. The page's content budget bounds what there is to keep.
constexpr size_t kMaxStreamCacheBytes = kPageContentDecodeBudget;

// How a warning names the content that could not be run: a page or glyph
// procedure (a dictionary) or a form, by object number when it has one.
std::string ContentName(TPDFObject* source) {
  std::string name = PdfCast<TPDFStream>(source) ? "content stream" : "content";
  if (source->ObjectNumber <= 0) return name;
  return name + " of object " + std::to_string(source->ObjectNumber) + " " + std::to_string(source->Generation);
}
}  // namespace

const std::string& TPDFRenderer::StreamContent(TPDFStream* stream) {
  auto found = streamCache_.find(stream);
  if (found != streamCache_.end()) return found->second;
  std::string data = stream->DecodedData();
  if (streamCacheBytes_ + data.size() > kMaxStreamCacheBytes) {
    static thread_local std::string scratch;
    scratch = std::move(data);
    return scratch;
  }
  streamCacheBytes_ += data.size();
  return streamCache_.emplace(stream, std::move(data)).first->second;
}

std::string TPDFRenderer::JoinedContents(const TPDFArray& parts) {
  std::string text;
  // Where each stream's text already stands: a stream listed again is
  // copied from there, not decoded again. The copy still costs memory, so it
  // is charged like decoded data.
  std::unordered_map<const TPDFStream*, std::pair<size_t, size_t>> placed;
  for (size_t i = 0; i < parts.Count(); ++i) {
    auto* part = PdfCast<TPDFStream>(ResolveObject(parts.Item(i)));
    if (!part) continue;
    if (auto seen = placed.find(part); seen != placed.end()) {
      ChargeDecoded(seen->second.second);
      text.append(text, seen->second.first, seen->second.second);
    } else {
      const size_t start = text.size();
      text += part->DecodedData();
      placed.emplace(part, std::make_pair(start, text.size() - start));
    }
    // Streams of one page divide only between tokens: keep the last token
    // of one from running into the first of the next.
    text.push_back('\n');
  }
  return text;
}

void TPDFRenderer::RunContent(TPDFPicasso& canvas, TPDFObject* source, const std::string* contentText,
                              const TPDFIndRef* reference) {
  std::string text;
  TPDFDictionary* resources = nullptr;
  // Decoding stops here when the page's budget is spent; the page's owner
  // sees the spent budget and fails the page.
  try {
    TDecodeBudgetScope contentScope(contentBudget_, true);
    auto* sourceDict = PdfCast<TPDFDictionary>(source);
    auto* sourceStream = PdfCast<TPDFStream>(source);
    if (contentText && sourceDict) {
      // A Type 3 glyph procedure runs with its font's resources.
      text = *contentText;
      resources = PdfCast<TPDFDictionary>(ResolveObject(sourceDict->GetValue("Resources")));
      if (!resources) resources = InheritedResources;
    } else if (sourceDict) {
      resources = PdfCast<TPDFDictionary>(InheritedEntry(sourceDict, "Resources"));
      TPDFObject* contents = ResolveObject(sourceDict->GetValue("Contents"));
      if (auto* one = PdfCast<TPDFStream>(contents)) {
        text = one->DecodedData();
      } else if (auto* many = PdfCast<TPDFArray>(contents)) {
        text = JoinedContents(*many);
      }
    } else if (sourceStream && reference) {
      TPDFDictionary* dict = sourceStream->StreamDict;
      resources = PdfCast<TPDFDictionary>(InheritedEntry(dict, "Resources"));
      if (!resources) {
        auto* type = PdfCast<TPDFName>(ResolveObject(dict->GetValue("Type")));
        if (!type || type->Value == "XObject") resources = InheritedResources;
      }
      text = StreamContent(sourceStream);
    }
  } catch (const TDecodeBudgetExceeded& e) {
    LastError = std::string("Rendering exception: ") + e.what();
    return;
  }

  LastError.clear();
  TContentRun run(*this, canvas, text, resources);
  try {
    run.Run();
  } catch (const std::exception& e) {
    LastError = std::string("Rendering exception: ") + e.what() + "\r\nToken position " +
                std::to_string(run.Position());
    if (source && source->Pool) {
      source->Pool->Warn(ContentName(source) + ": " + e.what() + " at byte " + std::to_string(run.Position()) +
                         ", rest not drawn");
    }
  }
  if (source && source->Pool && run.UnclosedString()) {
    source->Pool->Warn(ContentName(source) + ": string at byte " + std::to_string(run.UnclosedString()) +
                       " is not closed, read to the end of the content");
  }
}

TContentRun::TContentRun(TPDFRenderer& renderer, TPDFPicasso& canvas, std::string_view text,
                         TPDFDictionary* resources)
    : r_(renderer), canvas_(canvas), text_(text), tokens_(text), resources_(resources) {
  if (r_.UseInitialState) {
    r_.UseInitialState = false;
    gs_ = r_.InitialState;
  }
  ignoreColor_ = r_.InitialIgnoreColor;
  r_.InitialIgnoreColor = false;
  gs_.TextMatrix = gs_.LineMatrix = kIdentityMatrix;
  gs_.StateCTM = r_.CTM;
  baseCTM_ = r_.CTM;
}

void TContentRun::Run() {
  PushState();
  for (;;) {
    std::string_view token = tokens_.Next();
    if (token.empty()) break;
    if (--r_.operatorBudget_ < 0) throw std::runtime_error("too many operators on one page");
    if (!Dispatch(token)) Push(token);
  }
  EndTextObject();
}

// ---- operands ----

void TContentRun::Push(std::string_view token) {
  if (operands_.size() >= kMaxOperands) operands_.erase(operands_.begin(), operands_.begin() + kMaxOperands / 2);
  operands_.push_back(token);
}

std::string_view TContentRun::PopToken() {
  if (operands_.empty()) return {};
  std::string_view t = operands_.back();
  operands_.pop_back();
  return t;
}

double TContentRun::PopNumber() {
  double v = ReadDecimal(PopToken());
  return std::isfinite(v) ? v : 0;
}

void TContentRun::ReadArray() {
  arrayCount_ = 0;
  for (;;) {
    std::string_view token = tokens_.Next();
    if (token.empty() || token == "]") break;
    if (--r_.operatorBudget_ < 0) throw std::runtime_error("too many operators on one page");
    Push(token);
    ++arrayCount_;
  }
}

// ---- operator table ----

bool TContentRun::Dispatch(std::string_view op) {
  using Handler = void (*)(TContentRun&);
  static const std::unordered_map<std::string_view, Handler> kOperators = {
      {"q", [](TContentRun& c) { c.PushState(); }},
      {"Q", [](TContentRun& c) { c.PopState(true); }},
      {"cm", [](TContentRun& c) {
         TPDFMatrix m;
         for (int i = 5; i >= 0; --i) m[i] = c.PopNumber();
         c.Concat(m);
       }},
      {"w", [](TContentRun& c) {
         double w = c.PopNumber();
         c.gs_.LineWidth = w == 0 ? 72 / c.r_.EffectiveDPI : w;
       }},
      {"J", [](TContentRun& c) { c.gs_.LineCap = static_cast<int32_t>(std::nearbyint(std::clamp(c.PopNumber(), -9.0, 9.0))); }},
      {"j", [](TContentRun& c) { c.gs_.LineJoin = static_cast<int32_t>(std::nearbyint(std::clamp(c.PopNumber(), -9.0, 9.0))); }},
      {"M", [](TContentRun& c) { c.gs_.MiterLimit = c.PopNumber(); }},
      {"d", [](TContentRun& c) { c.SetDash(); }},
      {"d1", [](TContentRun& c) { c.ignoreColor_ = true; }},
      {"gs", [](TContentRun& c) { c.ApplyExtGState(c.PopToken()); }},
      {"m", [](TContentRun& c) {
         c.OpenPath();
         double y = c.PopNumber(), x = c.PopNumber();
         c.PathPoint(x, y, c.gs_.CurrentX, c.gs_.CurrentY);
         c.canvas_.MoveTo(c.gs_.CurrentX, c.gs_.CurrentY);
       }},
      {"l", [](TContentRun& c) {
         double y = c.PopNumber(), x = c.PopNumber();
         c.PathPoint(x, y, c.gs_.CurrentX, c.gs_.CurrentY);
         c.canvas_.LineTo(c.gs_.CurrentX, c.gs_.CurrentY);
       }},
      {"c", [](TContentRun& c) {
         double p[6], d[6];
         for (int i = 5; i >= 0; --i) p[i] = c.PopNumber();
         for (int i = 0; i < 6; i += 2) c.PathPoint(p[i], p[i + 1], d[i], d[i + 1]);
         c.canvas_.CurveTo(d[0], d[1], d[2], d[3], d[4], d[5]);
         c.gs_.CurrentX = d[4];
         c.gs_.CurrentY = d[5];
       }},
      {"v", [](TContentRun& c) {
         double p[4], d[4];
         for (int i = 3; i >= 0; --i) p[i] = c.PopNumber();
         for (int i = 0; i < 4; i += 2) c.PathPoint(p[i], p[i + 1], d[i], d[i + 1]);
         c.canvas_.CurveTo(c.gs_.CurrentX, c.gs_.CurrentY, d[0], d[1], d[2], d[3]);
         c.gs_.CurrentX = d[2];
         c.gs_.CurrentY = d[3];
       }},
      {"y", [](TContentRun& c) {
         double p[4], d[4];
         for (int i = 3; i >= 0; --i) p[i] = c.PopNumber();
         for (int i = 0; i < 4; i += 2) c.PathPoint(p[i], p[i + 1], d[i], d[i + 1]);
         c.canvas_.CurveTo(d[0], d[1], d[2], d[3], d[2], d[3]);
         c.gs_.CurrentX = d[2];
         c.gs_.CurrentY = d[3];
       }},
      {"re", [](TContentRun& c) {
         c.OpenPath();
         double h = c.PopNumber(), w = c.PopNumber(), y = c.PopNumber(), x = c.PopNumber();
         double px, py;
         c.PathPoint(x, y, px, py);
         c.canvas_.MoveTo(px, py);
         for (auto [cx, cy] : {std::pair{x + w, y}, std::pair{x + w, y + h}, std::pair{x, y + h}}) {
           double qx, qy;
           c.PathPoint(cx, cy, qx, qy);
           c.canvas_.LineTo(qx, qy);
         }
         c.canvas_.ClosePath();
         c.gs_.CurrentX = px;
         c.gs_.CurrentY = py;
       }},
      {"h", [](TContentRun& c) { c.canvas_.ClosePath(); }},
      {"S", [](TContentRun& c) { c.Paint(false, true, 1, false); }},
      {"s", [](TContentRun& c) { c.Paint(false, true, 1, true); }},
      {"f", [](TContentRun& c) { c.Paint(true, false, 1, false); }},
      {"F", [](TContentRun& c) { c.Paint(true, false, 1, false); }},
      {"f*", [](TContentRun& c) { c.Paint(true, false, 2, false); }},
      {"B", [](TContentRun& c) { c.Paint(true, true, 1, false); }},
      {"B*", [](TContentRun& c) { c.Paint(true, true, 2, false); }},
      {"b", [](TContentRun& c) { c.Paint(true, true, 1, true); }},
      {"b*", [](TContentRun& c) { c.Paint(true, true, 2, true); }},
      {"n", [](TContentRun& c) {
         c.canvas_.EndPath();
         c.pathOpen_ = false;
       }},
      {"W", [](TContentRun& c) { c.canvas_.SetClip(1); }},
      {"W*", [](TContentRun& c) { c.canvas_.SetClip(2); }},
      {"sh", [](TContentRun& c) { c.PaintShading(c.PopToken()); }},
      {"g", [](TContentRun& c) { c.SetColor(true, "DeviceGray"); }},
      {"G", [](TContentRun& c) { c.SetColor(false, "DeviceGray"); }},
      {"rg", [](TContentRun& c) { c.SetColor(true, "DeviceRGB"); }},
      {"RG", [](TContentRun& c) { c.SetColor(false, "DeviceRGB"); }},
      {"k", [](TContentRun& c) { c.SetColor(true, "DeviceCMYK"); }},
      {"K", [](TContentRun& c) { c.SetColor(false, "DeviceCMYK"); }},
      {"cs", [](TContentRun& c) { c.gs_.FillSpace = c.SpaceKey(c.PopToken()); }},
      {"CS", [](TContentRun& c) { c.gs_.StrokeSpace = c.SpaceKey(c.PopToken()); }},
      {"sc", [](TContentRun& c) { c.SetColor(true, {}); }},
      {"scn", [](TContentRun& c) { c.SetColor(true, {}); }},
      {"SC", [](TContentRun& c) { c.SetColor(false, {}); }},
      {"SCN", [](TContentRun& c) { c.SetColor(false, {}); }},
      {"BT", [](TContentRun& c) {
         c.EndTextObject();
         c.gs_.TextMatrix = c.gs_.LineMatrix = kIdentityMatrix;
       }},
      {"ET", [](TContentRun& c) { c.EndTextObject(); }},
      {"Tf", [](TContentRun& c) {
         c.gs_.FontSize = c.PopNumber();
         c.gs_.FontName = std::string(c.PopToken());
         bool selected = c.SelectFont();
         if (c.r_.TextDevice) c.r_.TextDevice->SetFont(selected ? c.r_.fonts_.CurrentFont : nullptr, c.gs_.FontSize);
       }},
      {"Tc", [](TContentRun& c) { c.gs_.CharSpacing = c.PopNumber(); }},
      {"Tw", [](TContentRun& c) { c.gs_.WordSpacing = c.PopNumber(); }},
      {"TL", [](TContentRun& c) { c.gs_.Leading = c.PopNumber(); }},
      {"Tz", [](TContentRun& c) { c.gs_.HorizontalScaling = c.PopNumber(); }},
      {"Ts", [](TContentRun& c) { c.gs_.Rise = c.PopNumber(); }},
      {"Tr", [](TContentRun& c) { c.gs_.RenderMode = static_cast<int32_t>(std::nearbyint(std::clamp(c.PopNumber(), -9.0, 9.0))); }},
      {"Td", [](TContentRun& c) {
         double ty = c.PopNumber(), tx = c.PopNumber();
         c.NextLine(tx, ty);
       }},
      {"TD", [](TContentRun& c) {
         double ty = c.PopNumber(), tx = c.PopNumber();
         c.gs_.Leading = -ty;
         c.NextLine(tx, ty);
       }},
      {"T*", [](TContentRun& c) { c.NextLine(0, -c.gs_.Leading); }},
      {"Tm", [](TContentRun& c) {
         TPDFMatrix m;
         for (int i = 5; i >= 0; --i) m[i] = c.PopNumber();
         c.gs_.TextMatrix = c.gs_.LineMatrix = m;
       }},
      {"Tj", [](TContentRun& c) {
         c.arrayCount_ = 1;
         c.ShowText();
       }},
      {"TJ", [](TContentRun& c) {
         if (c.arrayCount_ > 0) c.ShowText();
       }},
      {"'", [](TContentRun& c) {
         c.NextLine(0, -c.gs_.Leading);
         c.arrayCount_ = 1;
         c.ShowText();
       }},
      {"\"", [](TContentRun& c) {
         c.NextLine(0, -c.gs_.Leading);
         std::string_view s = c.PopToken();
         c.gs_.CharSpacing = c.PopNumber();
         c.gs_.WordSpacing = c.PopNumber();
         c.Push(s);
         c.arrayCount_ = 1;
         c.ShowText();
       }},
      {"Do", [](TContentRun& c) { c.DrawXObject(); }},
      {"BI", [](TContentRun& c) { c.DrawInlineImage(); }},
      {"BMC", [](TContentRun& c) { c.BeginMarkedContent(false); }},
      {"BDC", [](TContentRun& c) { c.BeginMarkedContent(true); }},
      {"EMC", [](TContentRun& c) { c.EndMarkedContent(); }},
      {"[", [](TContentRun& c) { c.ReadArray(); }},
  };
  auto found = kOperators.find(op);
  if (found == kOperators.end()) return false;
  if (r_.TextDevice) TellTextDevice(op);
  found->second(*this);
  return true;
}

// ---- graphics state ----

void TContentRun::PushState() {
  if (stack_.size() >= kMaxStateDepth) {
    ++overflowDepth_;
    return;
  }
  gs_.ClipRegion = canvas_.SaveClip();
  stack_.push_back(gs_);
}

void TContentRun::PopState(bool reselectFont) {
  if (overflowDepth_ > 0) {
    --overflowDepth_;
  } else if (!stack_.empty()) {
    // The run starts with an implicit q, so an unmatched Q returns to the
    // start state; further unmatched ones restore nothing more.
    gs_ = stack_.back();
    stack_.pop_back();
  }
  canvas_.RestoreClip(gs_.ClipRegion);
  r_.CTM = gs_.StateCTM;
  if (reselectFont) SelectFont();
}

void TContentRun::Concat(const TPDFMatrix& m) {
  TPDFMatrix product = MultiplyMatrix(m, r_.CTM);
  // A matrix that overflows would turn every later coordinate into NaN.
  if (!MatrixIsFinite(product)) return;
  r_.CTM = product;
  gs_.StateCTM = product;
}

void TContentRun::SetDash() {
  gs_.DashPhase = PopNumber();
  size_t n = static_cast<size_t>(std::max(arrayCount_, 0));
  n = std::min(n, operands_.size());
  std::vector<double> values(n);
  for (size_t i = n; i-- > 0;) values[i] = PopNumber();
  gs_.DashArray = values;
  if (n % 2 == 1) gs_.DashArray.insert(gs_.DashArray.end(), values.begin(), values.end());
  arrayCount_ = 0;
}

void TContentRun::ApplyExtGState(std::string_view name) {
  auto* dict = PdfCast<TPDFDictionary>(ResourceEntry(resources_, "ExtGState", NameKey(name)));
  if (!dict) return;
  if (auto* type = PdfCast<TPDFName>(ResolveObject(dict->GetValue("Type"))); type && type->Value != "ExtGState")
    return;
  auto number = [&](std::string_view key, auto apply) {
    if (auto* n = PdfCast<TPDFNumeric>(ResolveObject(dict->GetValue(key))); n && std::isfinite(n->Value))
      apply(n->Value);
  };
  number("LW", [&](double v) { gs_.LineWidth = v; });
  number("LC", [&](double v) { gs_.LineCap = static_cast<int32_t>(std::nearbyint(std::clamp(v, -9.0, 9.0))); });
  number("LJ", [&](double v) { gs_.LineJoin = static_cast<int32_t>(std::nearbyint(std::clamp(v, -9.0, 9.0))); });
  number("ML", [&](double v) { gs_.MiterLimit = v; });
  number("CA", [&](double v) { gs_.StrokeAlpha = v; });
  number("ca", [&](double v) { gs_.FillAlpha = v; });
  if (auto* font = PdfCast<TPDFArray>(ResolveObject(dict->GetValue("Font"))); font && font->Count() == 2) {
    auto* ref = PdfCast<TPDFIndRef>(font->Item(0));
    auto* size = PdfCast<TPDFNumeric>(ResolveObject(font->Item(1)));
    if (ref && size && std::isfinite(size->Value)) {
      gs_.FontName = std::to_string(ref->RefNumber) + " " + std::to_string(ref->RefGeneration) + " R";
      gs_.FontSize = size->Value;
    }
  }
  ApplyTransparencyEntries(dict);
}

// ---- paths and painting ----

void TContentRun::PathPoint(double x, double y, double& px, double& py) const {
  TransformByMatrix(r_.CTM, x, y, px, py);
}

void TContentRun::OpenPath() {
  if (pathOpen_) return;
  canvas_.NewPath();
  pathOpen_ = true;
}

void TContentRun::StrokeSetup() {
  ApplyTransparency();
  canvas_.SetStrokeAlpha(gs_.StrokeAlpha);
  canvas_.SetStrokeColor(gs_.StrokeColor);
  double x0, y0, x1, y1;
  PathPoint(0, 0, x0, y0);
  PathPoint(0, gs_.LineWidth, x1, y1);
  canvas_.SetLineWidth(std::hypot(x1 - x0, y1 - y0));
  if (gs_.DashArray.empty()) {
    canvas_.SetDash({}, 0);
  } else if (gs_.LineWidth > 0) {
    std::vector<double> lengths;
    for (double d : gs_.DashArray) lengths.push_back(d / gs_.LineWidth);
    canvas_.SetDash(lengths, gs_.DashPhase / gs_.LineWidth);
  } else {
    canvas_.SetDash(gs_.DashArray, gs_.DashPhase);
  }
  canvas_.SetLineJoin(gs_.LineJoin);
  canvas_.SetLineCap(gs_.LineCap);
  canvas_.SetMiterLimit(gs_.MiterLimit);
}

void TContentRun::FillSetup(int rule) {
  ApplyTransparency();
  canvas_.SetFillAlpha(gs_.FillAlpha);
  canvas_.SetFillRule(rule);
  canvas_.SetFillColor(gs_.FillColor);
}

void TContentRun::Paint(bool fill, bool stroke, int rule, bool close) {
  if (close) canvas_.ClosePath();
  if (stroke) StrokeSetup();
  if (fill) FillSetup(rule);
  bool doFill = fill && PrepareSource(true);
  bool doStroke = stroke && PrepareSource(false);
  if (!visible_ || (!doFill && !doStroke))
    canvas_.EndPath();
  else if (doFill && doStroke)
    canvas_.FillStrokePath();
  else if (doFill)
    canvas_.FillPath();
  else
    canvas_.StrokePath();
  pathOpen_ = false;
}

// ---- colour ----

std::string TContentRun::SpaceKey(std::string_view token) {
  if (token == "/DeviceRGB" || token == "/DeviceGray" || token == "/DeviceCMYK") return std::string(token.substr(1));
  std::string name = NameKey(token);
  if (name == "Pattern") return "Pattern";
  TPDFObject* value = ResourceEntry(resources_, "ColorSpace", name);
  if (auto* n = PdfCast<TPDFName>(value)) {
    if (n->Value == "DeviceRGB" || n->Value == "DeviceGray" || n->Value == "DeviceCMYK" || n->Value == "Pattern")
      return n->Value;
    return "DeviceRGB";
  }
  auto* array = PdfCast<TPDFArray>(value);
  auto* family = array ? PdfCast<TPDFName>(ResolveObject(array->Item(0))) : nullptr;
  if (!family) return "DeviceRGB";
  const std::string& kind = family->Value;
  if (kind == "Pattern") {
    // An uncoloured pattern's colour is given in the base space, whose key
    // follows the word.
    TPDFObject* base = ResolveObject(array->Item(1));
    if (auto* n = PdfCast<TPDFName>(base))
      return n->Value.starts_with("Device") ? "Pattern" + n->Value : std::string("Pattern");
    auto* baseArray = PdfCast<TPDFArray>(base);
    auto* baseFamily = baseArray ? PdfCast<TPDFName>(ResolveObject(baseArray->Item(0))) : nullptr;
    if (!baseFamily || baseFamily->Value == "Pattern") return "Pattern";
    int id = r_.colors_->CreateSpace(baseFamily->Value, name, baseArray);
    return id >= 0 ? "Pattern" + std::string(kSpacePrefix) + std::to_string(id) : std::string("Pattern");
  }
  // Every other space array (Separation, DeviceN, Lab, Indexed, ICCBased,
  // CalGray, CalRGB) goes to the colour layer, which knows its operand count.
  {
    // Spaces are made once per space array, so a name reused for another
    // space on a later page gets its own object.
    std::string cacheKey = kind + ":" + name + ":" + std::to_string(reinterpret_cast<uintptr_t>(array));
    auto found = r_.separations_.find(cacheKey);
    int id = found != r_.separations_.end() ? found->second : r_.colors_->CreateSpace(kind, name, array);
    if (found == r_.separations_.end() && r_.separations_.size() < 4096) r_.separations_[cacheKey] = id;
    if (id >= 0) return std::string(kSpacePrefix) + std::to_string(id);
  }
  return "DeviceRGB";
}

void TContentRun::SetColor(bool fill, const std::string& space) {
  if (ignoreColor_) return;
  std::string& key = fill ? gs_.FillSpace : gs_.StrokeSpace;
  if (!space.empty()) key = space;
  if (IsPatternKey(key)) return SetPatternColor(fill, key);
  (fill ? gs_.FillPattern : gs_.StrokePattern) = nullptr;
  int32_t& color = fill ? gs_.FillColor : gs_.StrokeColor;
  const TPDFRenderColors& colors = *r_.colors_;
  if (key == "DeviceGray") {
    color = colors.GrayToColor(PopNumber());
  } else if (key == "DeviceRGB") {
    double b = PopNumber(), g = PopNumber(), red = PopNumber();
    color = colors.RGBToColor(red, g, b);
  } else if (key == "DeviceCMYK") {
    double k = PopNumber(), y = PopNumber(), m = PopNumber(), c = PopNumber();
    double red, g, b;
    colors.CMYKToRGB(c, m, y, k, red, g, b);
    color = colors.RGBToColor(red, g, b);
    if (fill) gs_.FillCMYK = {c, m, y, k};
  } else if (key.starts_with(kSpacePrefix) && key.size() > kSpacePrefix.size()) {
    int id = static_cast<int>(ReadDecimal(std::string_view(key).substr(kSpacePrefix.size())));
    int n = std::clamp(r_.colors_->ComponentCount(id), 1, 32);
    std::vector<double> components(n);
    for (int i = n; i-- > 0;) components[i] = PopNumber();
    color = r_.colors_->SpaceColor(id, components);
  }
}

}  // namespace ostrel
