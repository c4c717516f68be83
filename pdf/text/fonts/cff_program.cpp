// Reading a compact font program: its INDEX structures, top and private
// dictionaries, charset, encoding and, for CID-keyed fonts, the font
// dictionaries and their selection per glyph.
#include <algorithm>

#include "pdf/core/pdf_objects.h"
#include "pdf/core/pdf_structure.h"
#include "pdf/text/fonts/cff_index.h"
#include "pdf/text/fonts/cff_standard_strings.h"
#include "pdf/text/fonts/font_program_bytes.h"
#include "pdf/text/fonts/truetype_parser.h"
#include "pdf/text/fonts/type1_decoder.h"

namespace ostrel {
namespace {

double NumberIn(const TPDFDictionary* d, std::string_view key, double fallback) {
  auto* n = d ? PdfCast<TPDFNumeric>(d->GetValue(key)) : nullptr;
  return n ? n->Value : fallback;
}

const TPDFArray* ArrayIn(const TPDFDictionary* d, std::string_view key) {
  return d ? PdfCast<TPDFArray>(d->GetValue(key)) : nullptr;
}

double ArrayNumber(const TPDFArray* a, size_t i) {
  auto* n = a ? PdfCast<TPDFNumeric>(a->Item(i)) : nullptr;
  return n ? n->Value : 0;
}

// An offset read from a dictionary, or npos when it lies outside the data.
size_t OffsetIn(std::string_view data, double value) {
  return value >= 0 && value < double(data.size()) ? size_t(value) : std::string_view::npos;
}

}  // namespace

class TCFFReader {
 public:
  TCFFReader(TPDFType1Decoder& d, std::string_view cff) : d_(d), cff_(cff) {}

  bool Read() {
    if (cff_.size() < 4) return false;
    size_t pos = static_cast<uint8_t>(cff_[2]);
    std::vector<std::string_view> names = ReadCFFIndex(cff_, pos, pos);
    std::vector<std::string_view> tops = ReadCFFIndex(cff_, pos, pos);
    strings_ = ReadCFFIndex(cff_, pos, pos);
    for (std::string_view s : ReadCFFIndex(cff_, pos, pos)) d_.globalSubrs_.emplace_back(s);
    if (tops.empty()) return false;
    auto* top = ParseDict(tops[0], false);
    if (!top) return false;
    d_.FontDictionary = top;
    d_.cidKeyed_ = top->GetValue("ROS") != nullptr;
    d_.topMatrix_ = ReadFontMatrix(top);
    double scale = ArrayNumber(ArrayIn(top, "FontMatrix"), 0) * 1000;
    d_.widthScale_ = scale == 0 ? 1.0 : scale;
    if (auto* box = ArrayIn(top, "FontBBox"))
      for (size_t i = 0; i < box->Count(); ++i) d_.fontBox_.push_back(ArrayNumber(box, i));

    size_t csPos = OffsetIn(cff_, NumberIn(top, "CharStrings", -1));
    size_t end = 0;
    std::vector<std::string_view> charstrings =
        csPos == std::string_view::npos ? std::vector<std::string_view>{} : ReadCFFIndex(cff_, csPos, end);
    d_.charstringType_ = 2;
    if (!charstrings.empty()) {
      std::vector<std::string> glyphNames = ReadCharset(NumberIn(top, "charset", 0), charstrings.size());
      for (size_t g = 0; g < charstrings.size(); ++g) d_.AddGlyph(std::move(glyphNames[g]), std::string(charstrings[g]));
      ReadEncoding(NumberIn(top, "Encoding", 0), glyphNames.size());
    }
    if (d_.cidKeyed_) {
      ReadFDArray(top);
      ReadFDSelect(NumberIn(top, "FDSelect", -1), charstrings.size());
    } else {
      d_.localSubrs_ = ReadPrivateSubrs(top);
    }
    return !charstrings.empty();
  }

 private:
  TPDFDictionary* ParseDict(std::string_view bytes, bool isPrivate) {
    return PdfCast<TPDFDictionary>(d_.pool_->ParseObject(CFFDictToText(bytes, strings_, isPrivate)));
  }

  std::string StringOf(int sid) const {
    if (sid < kCFFStandardStringCount) return CFFStandardString(sid);
    size_t i = size_t(sid - kCFFStandardStringCount);
    return i < strings_.size() ? std::string(strings_[i]) : std::string();
  }

  std::string NameOf(int sid) const { return d_.cidKeyed_ ? "CID:" + std::to_string(sid) : StringOf(sid); }

  std::vector<std::string> ReadCharset(double charset, size_t glyphCount) {
    std::vector<std::string> names(glyphCount);
    names[0] = NameOf(0);
    if (charset >= 0 && charset <= 2) {
      // Predefined charsets: glyph numbers taken as string IDs.
      for (size_t g = 1; g < glyphCount; ++g) names[g] = NameOf(int(std::min<size_t>(g, 65535)));
      return names;
    }
    size_t pos = OffsetIn(cff_, charset);
    if (pos == std::string_view::npos) return names;
    TFontByteReader r(cff_, pos);
    uint8_t format = r.U8();
    size_t g = 1;
    if (format == 0) {
      while (g < glyphCount && !r.Overrun()) names[g++] = NameOf(r.U16());
    } else if (format == 1 || format == 2) {
      while (g < glyphCount && !r.Overrun()) {
        int first = r.U16();
        int more = format == 1 ? r.U8() : r.U16();
        if (r.Overrun()) break;
        for (int i = 0; i <= more && g < glyphCount; ++i) names[g++] = NameOf(std::min(first + i, 65535));
      }
    }
    return names;
  }

  void ReadEncoding(double encoding, size_t glyphCount) {
    d_.hasEncoding_ = true;
    if (encoding == 0) {
      // The standard encoding names the same glyphs as StandardEncoding.
      d_.encoding_ = GlyphNamesOf(kStandardEncoding);
      return;
    }
    if (encoding == 1) return;
    size_t pos = OffsetIn(cff_, encoding);
    d_.encoding_.fill(".notdef");
    if (pos == std::string_view::npos) return;
    TFontByteReader r(cff_, pos);
    uint8_t format = r.U8() & 0x7F;
    auto nameOf = [&](size_t g) { return g < d_.glyphNames_.size() ? d_.glyphNames_[g] : std::string(); };
    if (format == 0) {
      int count = r.U8();
      for (int i = 1; i <= count && !r.Overrun(); ++i) {
        uint8_t code = r.U8();
        if (size_t(i) < glyphCount) d_.encoding_[code] = nameOf(size_t(i));
      }
    } else if (format == 1) {
      int ranges = r.U8();
      size_t g = 1;
      for (int i = 0; i < ranges && !r.Overrun(); ++i) {
        int first = r.U8();
        int more = r.U8();
        for (int c = first; c <= first + more && c < 256 && g < glyphCount; ++c) d_.encoding_[c] = nameOf(g++);
      }
    }
  }

  std::vector<std::string> ReadPrivateSubrs(const TPDFDictionary* fontDict) {
    std::vector<std::string> subrs;
    const TPDFArray* priv = ArrayIn(fontDict, "Private");
    if (!priv || priv->Count() < 2) return subrs;
    double size = ArrayNumber(priv, 0), offset = ArrayNumber(priv, 1);
    size_t pos = OffsetIn(cff_, offset);
    if (pos == std::string_view::npos || size < 0 || size > double(cff_.size() - pos)) return subrs;
    auto* dict = ParseDict(cff_.substr(pos, size_t(size)), true);
    if (!d_.cidKeyed_) {
      d_.defaultWidthX_ = NumberIn(dict, "defaultWidthX", 0);
      d_.nominalWidthX_ = NumberIn(dict, "nominalWidthX", 0);
    }
    double subrsOffset = NumberIn(dict, "Subrs", -1);
    if (subrsOffset < 0) return subrs;
    size_t subrsPos = OffsetIn(cff_, double(pos) + subrsOffset);
    if (subrsPos == std::string_view::npos) return subrs;
    size_t end = 0;
    for (std::string_view s : ReadCFFIndex(cff_, subrsPos, end)) subrs.emplace_back(s);
    return subrs;
  }

  void ReadFDArray(const TPDFDictionary* top) {
    size_t pos = OffsetIn(cff_, NumberIn(top, "FDArray", -1));
    if (pos == std::string_view::npos) return;
    size_t end = 0;
    for (std::string_view fd : ReadCFFIndex(cff_, pos, end)) {
      TPDFDictionary* dict = ParseDict(fd, false);
      d_.fdSubrs_.push_back(ReadPrivateSubrs(dict));
      d_.fdMatrices_.push_back(ReadFontMatrix(dict));
    }
  }

  void ReadFDSelect(double offset, size_t glyphCount) {
    size_t pos = OffsetIn(cff_, offset);
    d_.fdSelect_.assign(glyphCount, -1);
    if (pos == std::string_view::npos) return;
    // A font dictionary number beyond the FDArray selects nothing.
    auto checked = [&](int fd) -> int16_t { return size_t(fd) < d_.fdSubrs_.size() ? int16_t(fd) : int16_t(-1); };
    TFontByteReader r(cff_, pos);
    uint8_t format = r.U8();
    if (format == 0) {
      for (size_t g = 0; g < glyphCount && !r.Overrun(); ++g) d_.fdSelect_[g] = checked(r.U8());
    } else if (format == 3) {
      size_t ranges = r.U16();
      if (ranges * 3 + 2 > r.Remaining()) return;
      size_t first = r.U16();
      for (size_t i = 0; i < ranges; ++i) {
        int fd = checked(r.U8());
        size_t next = r.U16();
        for (size_t g = first; g < next && g < glyphCount; ++g) d_.fdSelect_[g] = int16_t(fd);
        first = next;
      }
    }
  }

  TPDFType1Decoder& d_;
  std::string_view cff_;
  std::vector<std::string_view> strings_;
};

bool TPDFType1Decoder::LoadCompactProgram(std::string_view data) {
  if (data.starts_with("OTTO")) {
    TPDFTrueTypeParser sfnt;
    if (!sfnt.LoadDirectoryOnly(data)) return false;
    long i = sfnt.FindTable("CFF ");
    if (i < 0) return false;
    const TPDFTTDirectoryEntry& e = sfnt.Directory[i];
    if (e.Offset >= data.size()) return false;
    data = data.substr(e.Offset, std::min<size_t>(e.Length, data.size() - e.Offset));
  }
  return TCFFReader(*this, data).Read();
}

}  // namespace ostrel
