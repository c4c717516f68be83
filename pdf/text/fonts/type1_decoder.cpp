// The glyph table of a Type 1 or CFF program and its glyph-program cache.
#include "pdf/text/fonts/type1_decoder.h"

#include <charconv>
#include <cmath>

#include "pdf/core/pdf_objects.h"
#include "pdf/core/pdf_structure.h"
#include "pdf/text/fonts/charstring_translators.h"

namespace ostrel {
namespace {

// "GID:12" or "CID:12" to 12; -1 for anything else.
int64_t KeyNumber(std::string_view key, std::string_view prefix) {
  if (!key.starts_with(prefix)) return -1;
  int64_t n = -1;
  auto [end, ec] = std::from_chars(key.data() + prefix.size(), key.data() + key.size(), n);
  return ec == std::errc() && end == key.data() + key.size() ? n : -1;
}

// A cache entry per distinct key; beyond this many keys programs are
// translated again rather than kept.
constexpr size_t kMaxCachedPrograms = 70000;

}  // namespace

TPDFType1Decoder::TPDFType1Decoder() : pool_(std::make_unique<TPDFStructure>()) {
  encoding_ = GlyphNamesOf(kStandardEncoding);
}

TPDFType1Decoder::~TPDFType1Decoder() = default;

void TPDFType1Decoder::AddGlyph(std::string name, std::string charstring) {
  glyphIndex_.try_emplace(name, glyphNames_.size());
  glyphNames_.push_back(std::move(name));
  charstrings_.push_back(std::move(charstring));
}

std::string TPDFType1Decoder::FindCharstring(std::string_view key) {
  long glyph = -1;
  auto it = glyphIndex_.find(std::string(key));
  if (it != glyphIndex_.end()) {
    glyph = long(it->second);
  } else if (int64_t n = KeyNumber(key, "GID:"); n >= 0) {
    auto byCID = glyphIndex_.find("CID:" + std::to_string(n));
    if (byCID != glyphIndex_.end())
      glyph = long(byCID->second);
    else if (size_t(n) < charstrings_.size())
      glyph = long(n);
  }
  if (glyph < 0) return {};
  currentFD_ = size_t(glyph) < fdSelect_.size() ? fdSelect_[glyph] : -1;
  return charstrings_[glyph];
}

std::optional<std::array<double, 6>> ReadFontMatrix(const TPDFDictionary* dict) {
  auto* a = dict ? PdfCast<TPDFArray>(dict->GetValue("FontMatrix")) : nullptr;
  if (!a || a->Count() < 6) return std::nullopt;
  std::array<double, 6> m;
  for (size_t i = 0; i < 6; ++i) {
    auto* n = PdfCast<TPDFNumeric>(a->Item(i));
    if (!n || !std::isfinite(n->Value) || std::fabs(n->Value) > 1e6) return std::nullopt;
    m[i] = n->Value;
  }
  double det = m[0] * m[3] - m[1] * m[2];
  if (!std::isfinite(det) || std::fabs(det) < 1e-12) return std::nullopt;
  return m;
}

std::array<double, 6> TPDFType1Decoder::GlyphMatrix() const {
  using M = std::array<double, 6>;
  constexpr M kIdentity{1, 0, 0, 1, 0, 0}, kDefault{0.001, 0, 0, 0.001, 0, 0};
  const std::optional<M>* fd = cidKeyed_ && currentFD_ >= 0 && size_t(currentFD_) < fdMatrices_.size()
                                   ? &fdMatrices_[currentFD_]
                                   : nullptr;
  bool hasFD = fd && fd->has_value();
  // A CID-keyed font usually puts its matrix in each font dictionary and
  // none (or the identity) at the top; the default matrix stands in only
  // when neither level gives one.
  M top = topMatrix_ ? *topMatrix_ : hasFD ? kIdentity : kDefault;
  M f = hasFD ? **fd : kIdentity;
  M m{f[0] * top[0] + f[1] * top[2],        f[0] * top[1] + f[1] * top[3],
      f[2] * top[0] + f[3] * top[2],        f[2] * top[1] + f[3] * top[3],
      f[4] * top[0] + f[5] * top[2] + top[4], f[4] * top[1] + f[5] * top[3] + top[5]};
  for (double& v : m) v *= 1000;
  return m;
}

size_t TPDFType1Decoder::LocalSubroutineCount() const {
  if (cidKeyed_) return currentFD_ >= 0 && size_t(currentFD_) < fdSubrs_.size() ? fdSubrs_[currentFD_].size() : 0;
  return localSubrs_.size();
}

std::string TPDFType1Decoder::LocalSubroutine(int64_t n) const {
  const std::vector<std::string>* list = &localSubrs_;
  if (cidKeyed_) {
    if (currentFD_ < 0 || size_t(currentFD_) >= fdSubrs_.size()) return {};
    list = &fdSubrs_[currentFD_];
  }
  return n >= 0 && size_t(n) < list->size() ? (*list)[n] : std::string();
}

std::string TPDFType1Decoder::GlobalSubroutine(int64_t n) const {
  return n >= 0 && size_t(n) < globalSubrs_.size() ? globalSubrs_[n] : std::string();
}

bool TPDFType1Decoder::GlyphProgram(std::string_view key) {
  std::string k(key);
  if (auto it = programCache_.find(k); it != programCache_.end()) {
    CurrentProgram = it->second;
    return !CurrentProgram.empty();
  }
  CurrentProgram.clear();
  lastWidth_ = -1;
  if (charstringType_ == 2)
    TranslateType2Glyph(*this, key, CurrentProgram);
  else
    TranslateType1Glyph(*this, key, CurrentProgram);
  if (programCache_.size() < kMaxCachedPrograms) {
    advanceCache_.emplace(k, lastWidth_);
    programCache_.emplace(std::move(k), CurrentProgram);
  }
  return !CurrentProgram.empty();
}

double TPDFType1Decoder::GlyphAdvance(std::string_view key) {
  std::string k(key);
  if (auto it = advanceCache_.find(k); it != advanceCache_.end()) return it->second;
  GlyphProgram(key);
  auto it = advanceCache_.find(k);
  return it != advanceCache_.end() ? it->second : lastWidth_;
}

}  // namespace ostrel
