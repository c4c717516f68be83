#include "pdf/text/embedding/embedded_font.h"

#include <cmath>

#include "pdf/core/number_format.h"
#include "pdf/core/pdf_objects.h"
#include "pdf/core/pdf_structure.h"
#include "pdf/filters/flate_filter.h"
#include "pdf/text/embedding/truetype_subset.h"
#include "pdf/text/fonts/font_program_bytes.h"
#include "pdf/text/fonts/truetype_parser.h"
#include "platform/file_io.h"

namespace ostrel {
namespace {

// CIDs are two bytes; the last one stays free so a count always fits.
constexpr size_t kMaxGlyphs = 0xFFFF;
// Characters a cmap may list: the whole of Unicode, once each.
constexpr size_t kMaxMappedCharacters = 0x110000;
// bfchar entries per block, the most a CMap block may hold.
constexpr size_t kToUnicodeBlock = 100;

// The Unicode cmap subtables we read: format 12 (every plane) before format 4
// (the basic plane).
void ReadCmap(const TPDFTrueTypeParser& parser, std::unordered_map<char32_t, uint16_t>& cmap) {
  std::string_view table = parser.TableData("cmap");
  TFontByteReader r(table);
  r.U16();
  uint16_t count = r.U16();
  for (uint16_t i = 0; i < count && !r.Overrun(); ++i) {
    uint16_t platform = r.U16(), encoding = r.U16();
    uint32_t offset = r.U32();
    if (!((platform == 3 && encoding == 10) || (platform == 0 && encoding >= 4))) continue;
    TFontByteReader s(table, offset);
    if (s.U16() != 12) continue;
    s.Skip(10);  // reserved, length, language
    uint32_t groups = s.U32();
    for (uint32_t g = 0; g < groups && s.Remaining() >= 12 && cmap.size() < kMaxMappedCharacters; ++g) {
      uint32_t first = s.U32(), last = std::min<uint32_t>(s.U32(), 0x10FFFF), glyph = s.U32();
      for (uint32_t c = first; c <= last && cmap.size() < kMaxMappedCharacters; ++c, ++glyph)
        if (glyph <= 0xFFFF) cmap.emplace(c, static_cast<uint16_t>(glyph));
    }
    if (!cmap.empty()) return;
  }
  for (const TPDFTTEncodingRecord& rec : parser.CmapSubtables()) {
    if (rec.Format != 4 || !((rec.PlatformID == 3 && rec.EncodingID == 1) || rec.PlatformID == 0)) continue;
    for (size_t k = 0; k < rec.Codes.size(); ++k)
      if (rec.GlyphIndices[k] != 0) cmap.emplace(rec.Codes[k], rec.GlyphIndices[k]);
    if (!cmap.empty()) return;
  }
}

void AppendHex16(std::string& out, uint32_t v) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (int shift = 12; shift >= 0; shift -= 4) out += kDigits[(v >> shift) & 0xF];
}

std::string Utf16Hex(std::u32string_view text) {
  std::string hex;
  for (char32_t c : text) {
    if (c >= 0x10000) {
      AppendHex16(hex, 0xD800 + ((c - 0x10000) >> 10));
      AppendHex16(hex, 0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      AppendHex16(hex, c);
    }
  }
  return hex;
}

// The CMap that gives each CID back as the characters it was shown for.
std::string ToUnicodeCMap(const std::vector<std::u32string>& textOf) {
  std::string entries;
  size_t inBlock = 0, blocks = 0;
  std::string block;
  auto flush = [&] {
    if (inBlock == 0) return;
    entries += std::to_string(inBlock) + " beginbfchar\n" + block + "endbfchar\n";
    block.clear();
    inBlock = 0;
    ++blocks;
  };
  for (size_t cid = 0; cid < textOf.size(); ++cid) {
    if (textOf[cid].empty()) continue;
    block += "<";
    AppendHex16(block, static_cast<uint32_t>(cid));
    block += "> <" + Utf16Hex(textOf[cid]) + ">\n";
    if (++inBlock == kToUnicodeBlock) flush();
  }
  flush();
  return "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
         "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
         "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
         "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n" +
         entries + "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
}

// Six capital letters naming this subset, the same for the same glyphs.
std::string SubsetTag(const std::vector<uint16_t>& glyphs, std::string_view name) {
  uint64_t hash = 1469598103934665603ull;
  auto mix = [&](uint8_t byte) { hash = (hash ^ byte) * 1099511628211ull; };
  for (char c : name) mix(static_cast<uint8_t>(c));
  for (uint16_t g : glyphs) mix(g >> 8), mix(g & 0xFF);
  std::string tag;
  for (int i = 0; i < 6; ++i, hash /= 26) tag += static_cast<char>('A' + hash % 26);
  return tag;
}

}  // namespace

TPDFEmbeddedFont::TPDFEmbeddedFont(TPDFStructure& pool, std::string resourceName)
    : ResourceName(std::move(resourceName)), pool_(pool) {}

TPDFEmbeddedFont::~TPDFEmbeddedFont() = default;

std::unique_ptr<TPDFEmbeddedFont> TPDFEmbeddedFont::Load(TPDFStructure& pool, std::string resourceName,
                                                         const std::string& path, int face,
                                                         std::string postScriptName) {
  if (!pool.OnMakeIndirect) return nullptr;
  std::optional<std::string> bytes = ReadWholeFile(path);
  if (!bytes) return nullptr;
  std::unique_ptr<TPDFEmbeddedFont> font(new TPDFEmbeddedFont(pool, std::move(resourceName)));
  font->parser_ = std::make_unique<TPDFTrueTypeParser>();
  font->parser_->FaceIndex = static_cast<uint32_t>(std::max(face, 0));
  if (!font->parser_->LoadFromBytes(std::move(*bytes))) return nullptr;
  font->glyphs_ = std::make_unique<TTrueTypeGlyphs>(*font->parser_);
  if (!font->glyphs_->Usable()) return nullptr;
  ReadCmap(*font->parser_, font->cmap_);
  if (font->cmap_.empty()) return nullptr;
  font->unitsPerEm_ = font->parser_->UnitsPerEm();
  font->postScriptName_ = postScriptName.empty() ? "Font" : std::move(postScriptName);
  font->MakeObjects(font->postScriptName_);
  return font;
}

uint16_t TPDFEmbeddedFont::GlyphOf(char32_t c) const {
  if (c >= 0x10000) return LookUpGlyph(c);
  std::unique_ptr<uint32_t[]>& block = glyphBlocks_[c >> 8];
  if (!block) block = std::make_unique<uint32_t[]>(256);
  uint32_t& entry = block[c & 0xFF];
  if (entry == 0) entry = 0x10000u | LookUpGlyph(c);
  return static_cast<uint16_t>(entry);
}

uint16_t TPDFEmbeddedFont::LookUpGlyph(char32_t c) const {
  auto found = cmap_.find(c);
  return found == cmap_.end() || found->second >= glyphs_->GlyphCount() ? 0 : found->second;
}

double TPDFEmbeddedFont::Advance(char32_t c) const { return glyphs_->Advance(GlyphOf(c)) * 1000.0 / unitsPerEm_; }

std::string TPDFEmbeddedFont::Encode(std::u32string_view text) {
  std::string codes;
  codes.reserve(2 * text.size());
  for (char32_t c : text) {
    uint16_t glyph = GlyphOf(c), cid = 0;
    if (cidOf_[glyph] != kNoCid) {
      cid = cidOf_[glyph];
      if (textOf_[cid].empty()) textOf_[cid] = c;  // first shown as a component only
    } else if (glyph != 0 && used_.size() < kMaxGlyphs) {
      cid = static_cast<uint16_t>(used_.size());
      used_.push_back(glyph);
      textOf_.push_back(std::u32string(1, c));
      cidOf_[glyph] = cid;
    }
    codes += static_cast<char>(cid >> 8);
    codes += static_cast<char>(cid & 0xFF);
  }
  return codes;
}

void TPDFEmbeddedFont::MakeObjects(const std::string& postScriptName) {
  auto indirect = [&](TPDFObject* object) {
    auto [number, generation] = pool_.OnMakeIndirect(object);
    return pool_.NewIndRef(number, generation);
  };
  program_ = pool_.NewStreamWith(pool_.NewDictionary(), {});
  toUnicode_ = pool_.NewStreamWith(pool_.NewDictionary(), {});
  TPDFIndRef* programRef = indirect(program_);
  TPDFIndRef* toUnicodeRef = indirect(toUnicode_);

  const TPDFTTHeadValues& head = parser_->HeadValues();
  const TPDFTTMetrics& metrics = parser_->Metrics();
  auto scaled = [&](int v) { return static_cast<int64_t>(std::lround(v * 1000.0 / unitsPerEm_)); };
  descriptor_ = pool_.NewDictionary();
  descriptor_->SetValue("Type", pool_.NewName("FontDescriptor"));
  descriptor_->SetValue("FontName", pool_.NewName(postScriptName));
  descriptor_->SetValue("Flags", pool_.NewNumeric(4));  // symbolic: glyphs are reached by number
  descriptor_->SetValue("FontBBox", pool_.NewIntegerArray({scaled(head.XMin), scaled(head.YMin), scaled(head.XMax),
                                                           scaled(head.YMax)}));
  descriptor_->SetValue("ItalicAngle", pool_.NewNumeric(0));
  descriptor_->SetValue("Ascent", pool_.NewNumeric(metrics.Ascender));
  descriptor_->SetValue("Descent", pool_.NewNumeric(metrics.Descender));
  descriptor_->SetValue("CapHeight", pool_.NewNumeric(metrics.Ascender));
  descriptor_->SetValue("StemV", pool_.NewNumeric(80));
  descriptor_->SetValue("FontFile2", programRef);
  TPDFIndRef* descriptorRef = indirect(descriptor_);

  cidFont_ = pool_.NewDictionary();
  cidFont_->SetValue("Type", pool_.NewName("Font"));
  cidFont_->SetValue("Subtype", pool_.NewName("CIDFontType2"));
  cidFont_->SetValue("BaseFont", pool_.NewName(postScriptName));
  TPDFDictionary* system = pool_.NewDictionary();
  system->SetValue("Registry", pool_.NewString("Adobe"));
  system->SetValue("Ordering", pool_.NewString("Identity"));
  system->SetValue("Supplement", pool_.NewNumeric(0));
  cidFont_->SetValue("CIDSystemInfo", system);
  cidFont_->SetValue("FontDescriptor", descriptorRef);
  cidFont_->SetValue("CIDToGIDMap", pool_.NewName("Identity"));
  TPDFIndRef* cidFontRef = indirect(cidFont_);

  type0_ = pool_.NewDictionary();
  type0_->SetValue("Type", pool_.NewName("Font"));
  type0_->SetValue("Subtype", pool_.NewName("Type0"));
  type0_->SetValue("BaseFont", pool_.NewName(postScriptName));
  type0_->SetValue("Encoding", pool_.NewName("Identity-H"));
  type0_->SetValue("DescendantFonts", pool_.NewArrayOf({cidFontRef}));
  type0_->SetValue("ToUnicode", toUnicodeRef);
  Reference = indirect(type0_);
}

void TPDFEmbeddedFont::Finish() {
  // Components of composite glyphs join the subset behind the glyphs shown.
  for (size_t i = 0; i < used_.size() && used_.size() < kMaxGlyphs; ++i) {
    for (uint16_t part : glyphs_->Components(used_[i])) {
      if (cidOf_[part] != kNoCid || used_.size() >= kMaxGlyphs) continue;
      cidOf_[part] = static_cast<uint16_t>(used_.size());
      used_.push_back(part);
      textOf_.emplace_back();
    }
  }
  const std::string name = SubsetTag(used_, postScriptName_) + "+" + postScriptName_;
  type0_->SetValue("BaseFont", pool_.NewName(name));
  cidFont_->SetValue("BaseFont", pool_.NewName(name));
  descriptor_->SetValue("FontName", pool_.NewName(name));

  std::string subset = glyphs_->Subset(used_);
  program_->StreamDict->SetValue("Length1", pool_.NewNumeric(static_cast<double>(subset.size())));
  program_->StreamDict->SetValue("Filter", pool_.NewName("FlateDecode"));
  program_->SetRawData(FlateEncode(subset));
  toUnicode_->StreamDict->SetValue("Filter", pool_.NewName("FlateDecode"));
  toUnicode_->SetRawData(FlateEncode(ToUnicodeCMap(textOf_)));

  TPDFArray* widths = pool_.NewArray();
  for (uint16_t glyph : used_)
    widths->Add(pool_.NewNumeric(std::round(glyphs_->Advance(glyph) * 1000.0 / unitsPerEm_)));
  cidFont_->SetValue("W", pool_.NewArrayOf({pool_.NewNumeric(0), widths}));
}

}  // namespace ostrel
