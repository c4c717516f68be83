#pragma once
// TPDFExtractor: the text of one page read straight from its content stream.
// It does not interpret the page as a renderer would: tokens are read flat,
// a small text state follows the positioning operators, and the decoded text
// of every shown string is written in content order, with a space where the
// pen jumps sideways and line breaks where it jumps up or down.
#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

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

 private:
  struct TState;

  TPDFObject* Resolve(TPDFObject* obj) const;
  bool HandleToken(TState& st, std::string_view token, std::string_view content, size_t& pos);
  bool ReadArray(TState& st, std::string_view content, size_t& pos);
  bool SelectFont(TState& st);
  void FindSpaceCode(TState& st);
  bool ShowString(TState& st, const std::string& bytes, double x);
  void Show(const TState& st, const std::u16string& text, double x);
  void AddPiece(TState& st, std::string bytes, bool space, bool spaced);
  // A piece of what arrays collect for the next "TJ". Pieces are decoded one
  // by one so that a gap between two strings of a composite font never
  // splits a two-byte code.
  struct TArrayPiece {
    std::string Bytes;
    bool Space = false;   // a gap: Bytes holds the space code of a simple font
    bool Spaced = false;  // wide letter spacing in a composite font
  };
  std::u16string DecodePiece(const TArrayPiece& piece) const;
  std::u16string DecodeShownBytes(std::string_view bytes) const;
  double StringWidth(const TState& st, std::string_view bytes) const;
  void MoveTm(TState& st);
  void BreakAfterMove(TState& st, bool fullSpaceRule);
  const std::string& BaseFontOf(const std::string& resourceName);

  TPDFDictionary* resources_;
  TPDFFontCollection& fonts_;
  TPDFDictionary* fontResources_ = nullptr;
  int mode_ = kPlainText;
  std::u16string out_;
  // Resource name to /BaseFont, filled as fonts are selected in mode 2.
  std::unordered_map<std::string, std::string> baseFontCache_;
};

}  // namespace ostrel
