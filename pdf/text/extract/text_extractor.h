#pragma once
// TPDFExtractor: the text of one page read straight from its content stream.
// It does not interpret the page as a renderer would: tokens are read flat,
// a small text state follows the positioning operators, and the decoded text
// of every shown string is written in content order, with a space where the
// pen jumps sideways and line breaks where it jumps up or down.
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "pdf/text/extract/text_extractor_direction.h"

namespace ostrel {

class TPDFDictionary;
class TPDFFontCollection;
class TPDFIndRef;
class TPDFObject;
class TPDFStructure;

class TPDFExtractor {
 public:
  // Modes of ExtractText.
  static constexpr int kPlainText = 0;
  static constexpr int kPositionedList = 2;

  // Neither is owned; both must outlive the extractor. resources may be null
  // (a page without resources shows nothing).
  TPDFExtractor(TPDFDictionary* resources, TPDFFontCollection& fonts);

  // Plain text (mode 0) or one line per shown string (mode 2); any other
  // mode gives an empty text.
  std::u16string ExtractText(std::string_view content, int mode);

  // Turns a reference into its object; the pool's resolver when unset.
  std::function<TPDFObject*(const TPDFIndRef*)> OnResolveObject;

  std::string FillColorText = "#000000";
  // Operators of the last ExtractText that could not be read and were skipped.
  size_t DroppedOperators = 0;

  // The page's visible box (left, bottom, right, top) in default user space.
  // When set, strings drawn wholly outside it are not written: a reader of
  // the page never sees them (writers park labels and printer's marks
  // there).
  std::optional<std::array<double, 4>> PageBox;

 private:
  struct TState;

  TPDFObject* Resolve(TPDFObject* obj) const;
  bool HandleToken(TState& st, std::string_view token, std::string_view content, size_t& pos);
  bool ReadArray(TState& st, std::string_view content, size_t& pos);
  bool SelectFont(TState& st);
  void FindSpaceCode(TState& st);
  bool ShowString(TState& st, const std::string& bytes, double x);
  void Show(TState& st, double x, const std::function<void(TDirectedText&)>& glyphs);
  bool OpenMarkedText(TState& st, std::string_view token, std::string_view content, size_t& pos);
  void AddPiece(TState& st, std::string bytes, bool space, bool spaced);
  // A piece of what arrays collect for the next "TJ". Pieces are decoded one
  // by one so that a gap between two strings of a composite font never
  // splits a two-byte code.
  struct TArrayPiece {
    std::string Bytes;
    bool Space = false;   // a gap: Bytes holds the space code, if the font has one
    bool Spaced = false;  // wide letter spacing where no space code can be put in
  };
  void DecodePiece(const TArrayPiece& piece, TDirectedText& into) const;
  // Each code's text as one glyph; spaced puts a gap between every two.
  void DecodeShownBytes(std::string_view bytes, TDirectedText& into, bool spaced) const;
  double StringWidth(const TState& st, std::string_view bytes) const;
  // Text of a vertical font runs down the page in columns.
  bool Vertical(const TState& st) const;
  void Advance(TState& st, std::string_view bytes) const;
  void BreakInColumns(TState& st, double dx, double dy);
  void SetTextMatrixScale(TState& st);
  void Transform(TState& st);
  bool OnPage(const TState& st, double x0, double x1, bool exact) const;
  void NextLine(TState& st);
  static bool LineMoveFollows(std::string_view content, size_t pos);
  void MoveTm(TState& st, bool lineMoveFollows);
  void BreakAfterMove(TState& st, bool fullSpaceRule);
  const std::string& BaseFontOf(const std::string& resourceName);

  TPDFDictionary* resources_;
  TPDFFontCollection& fonts_;
  TPDFDictionary* fontResources_ = nullptr;
  int mode_ = kPlainText;
  std::u16string out_;
  TDirectedText text_{out_};  // plain text goes into out_ through this
  // Resource name to /BaseFont, filled as fonts are selected in mode 2.
  std::unordered_map<std::string, std::string> baseFontCache_;
};

}  // namespace ostrel
