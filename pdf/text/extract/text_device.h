#pragma once
// What the content interpreter tells a consumer of text, operator by
// operator. The interpreter reads the content (of the page, of every form it
// draws, of annotation appearances), keeps the graphics state and selects
// fonts; a device receives the text operators with their operands already
// read, and decides for itself how shown strings become text.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

class TPDFFontCollectionData;

// One element of a shown array: a string's bytes, or a number that moves the
// pen back by thousandths of the font size.
struct TShownItem {
  bool IsString = false;
  std::string Bytes;
  double Adjust = 0;
};

// The state a shown string is drawn with.
struct TShowContext {
  std::array<double, 6> Ctm{1, 0, 0, 1, 0, 0};  // user space to default user space
  // Text space to user space where the string starts, as the positioning
  // operators set it (the advances of strings shown before are not in it).
  std::array<double, 6> TextMatrix{1, 0, 0, 1, 0, 0};
  int32_t FillColor = 0;                        // 0x00BBGGRR
  bool IsArray = false;                         // TJ rather than Tj
  bool NextLineFirst = false;                   // ' and ": a line move comes first
};

enum class TTextSpacing { Character, Word, Leading };

class TTextDevice {
 public:
  virtual ~TTextDevice() = default;

  virtual void BeginText() = 0;
  // font is null when the font named by Tf could not be selected.
  virtual void SetFont(TPDFFontCollectionData* font, double size) = 0;
  virtual void SetSpacing(TTextSpacing which, double value) = 0;
  // Td (setsLeading false) and TD.
  virtual void MoveLine(double tx, double ty, bool setsLeading) = 0;
  virtual void NextLine() = 0;  // T*
  virtual void SetTextMatrix(const std::array<double, 6>& m) = 0;
  virtual void ShowText(const std::vector<TShownItem>& items, const TShowContext& context) = 0;
  // properties is the operand of BDC as written (a name, or a whole
  // dictionary "<<...>>"), empty for BMC.
  virtual void BeginMarked(std::string_view properties) = 0;
  virtual void EndMarked() = 0;
  // Content of a form or an appearance begins or ends inside the page's.
  virtual void BeginForm() {}
  virtual void EndForm() {}
  // Text that stands on the page without content to show it: the value of
  // a form field that has no appearance, in its rectangle (left, bottom,
  // right, top).
  virtual void ShowFieldValue(const std::u16string& text, const std::array<double, 4>& rect) {}
  // Any other operator: it separates the text operators around it.
  virtual void OtherOperator() {}
};

}  // namespace ostrel
