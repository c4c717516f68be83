#pragma once
// The reading side's font cache: one record per font resource with what text
// extraction and rendering need of it (widths, glyph names, Unicode text,
// code splitting), keyed by the font's object number.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pdf/text/cmaps/cid_vertical_metrics.h"
#include "pdf/text/cmaps/cid_widths.h"
#include "pdf/text/encodings.h"
#include "pdf/text/cmaps/pdf_cmap.h"

namespace ostrel {

class TPDFObject;
class TPDFDictionary;
class TPDFStream;
class TPDFIndRef;
class TPDFGlyphRasterizer;  // made by the rendering layer
class TPDFFontCollectionData;

// What the font cache asks of the font-program layer.
enum class TFontProgramKind { Type1, CompactFont, TrueType, Type3, Substitute };

struct TFontProgramRequest {
  TFontProgramKind Kind;
  const TPDFDictionary* Font;        // the font dictionary
  const TPDFDictionary* Descriptor;  // nullptr when absent
  std::string Program;               // decoded font file; empty for Type3 and Substitute
  const TPDFFontCollectionData* Record;  // glyph names so far, base font name
};

struct TFontProgramResult {
  std::shared_ptr<TPDFGlyphRasterizer> Rasterizer;
  bool HasBuiltInEncoding = false;
  TGlyphNames BuiltInEncoding;
  bool IsTrueType = false;  // the program parsed as TrueType (not as a compact font)
  // For a substitute font: the advance of a glyph name in thousandths of
  // text space, negative when the substitute lacks the glyph.
  std::function<double(std::string_view glyphName)> AdvanceOf;
};

using TFontProgramLoader = std::function<bool(const TFontProgramRequest&, TFontProgramResult&)>;

class TPDFFontCollectionData {
 public:
  int32_t ObjectNumber = 0;
  std::array<double, 256> Widths{};      // thousandths of text space
  std::array<std::string, 256> NameChars;  // one byte each, or empty
  std::string BaseFontName = "Arial";
  std::shared_ptr<TPDFGlyphRasterizer> Rasterizer;
  TGlyphNames GlyphNames;
  bool IsComposite = false;
  TPDFCIDWidths CIDWidths;
  bool CIDWidthsByCode = false;  // the built-in list is keyed by code, not by CID
  double Ascent = 0;
  double Descent = 0;
  std::array<std::string, 256> TextChars;
  std::array<std::u16string, 256> UnicodeText;
  TPDFCMap UnicodeRanges;
  int32_t FirstChar = 0;
  int32_t LastChar = 0;
  std::string CIDToGIDMapData;
  bool OneByteCodes = false;
  std::string EncodingCMapName;
  std::string CharacterCollection;
  // 1 when a composite font's CMap sets its text top to bottom.
  int WritingMode = 0;
  TPDFCIDVerticalMetrics VerticalMetrics;

  // Also kept from loading, for the other layers' convenience.
  std::string Subtype;
  int32_t Flags = 0;     // /Flags of the font descriptor
  int StandardFont = 0;  // 1 to 14 for a non-embedded standard font, else 0
};

class TPDFFontCollection {
 public:
  TPDFFontCollection();
  ~TPDFFontCollection();
  TPDFFontCollection(const TPDFFontCollection&) = delete;
  TPDFFontCollection& operator=(const TPDFFontCollection&) = delete;

  // Makes the record of the referenced font current, loading it on first
  // use. False (nothing added or changed) when fontRef is not an indirect
  // reference or the font cannot be loaded (a Type0 font without exactly one
  // CID font below it).
  bool SelectFontRecord(const TPDFObject* fontRef);
  // Record index of an object number, or -1.
  long FindFont(int32_t objectNumber) const;
  // Appends the record of a font object (a reference is resolved first).
  bool LoadFont(TPDFObject* fontObject);
  // Forgets every record (the settings and handlers stay): records may hold
  // pointers into the objects they were loaded from, which a reader that
  // frees the objects of finished pages is about to let go.
  void Clear();

  // Codes of shown bytes in the current font (meant for composite fonts).
  TOstrelCodeList SplitCodes(std::string_view bytes) const;
  // Unicode text of a code in the current font.
  std::u16string CodeToText(uint32_t code) const;
  // The CID a code of the current composite font selects: the code itself
  // unless the font names a predefined CMap that maps codes to CIDs.
  uint32_t CodeToCID(uint32_t code) const;
  // The width of a code of the current composite font, in thousandths.
  double CodeWidth(uint32_t code) const;
  // The vertical metrics of a code of the current composite font.
  TVerticalMetric CodeVerticalMetric(uint32_t code) const;
  // The current font sets its text top to bottom.
  bool IsVertical() const { return CurrentFont && CurrentFont->IsComposite && CurrentFont->WritingMode == 1; }

  TPDFFontCollectionData* CurrentFont = nullptr;
  size_t Count() const { return records_.size(); }
  TPDFFontCollectionData* Record(size_t index) const {
    return index < records_.size() ? records_[index].get() : nullptr;
  }

  bool LoadFontPrograms = false;
  bool KeepSymbolicDifferences = false;
  // Resolves a reference; the pool's resolver when unset.
  std::function<TPDFObject*(const TPDFIndRef*)> OnResolveObject;
  // Called around reading the data of a stream reached through a reference.
  std::function<void(TPDFStream*, const TPDFIndRef*)> OnBeforeReadStream;
  std::function<void(TPDFStream*, const TPDFIndRef*)> OnAfterReadStream;
  // Parses font programs and makes rasterizers when LoadFontPrograms is set.
  TFontProgramLoader OnLoadFontProgram;

  // Used by the loader.
  TPDFObject* Resolve(TPDFObject* obj) const;
  std::string ReadStream(TPDFObject* maybeRef) const;
  void AppendRecord(std::unique_ptr<TPDFFontCollectionData> record) { records_.push_back(std::move(record)); }

 private:
  std::vector<std::unique_ptr<TPDFFontCollectionData>> records_;
  // (object number, record index), sorted by object number.
  std::vector<std::pair<int32_t, long>> index_;
};

}  // namespace ostrel
