#pragma once
// TPDFExtractor: the text of one page in content order, as a device of the
// content interpreter. It keeps its own pen, moved by the positioning
// operators and grown by the shown strings' widths, and writes the decoded
// text of every shown string, with a space where the pen jumps sideways and
// line breaks where it jumps up or down.
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/text/extract/text_device.h"
#include "pdf/text/extract/text_extractor_direction.h"

namespace ostrel {

class TPDFFontCollection;

class TPDFExtractor final : public TTextDevice {
 public:
  // Modes of the output.
  static constexpr int kPlainText = 0;
  static constexpr int kPositionedList = 2;

  // fonts must outlive the extractor. Plain text (mode 0) or one line per
  // shown string (mode 2); any other mode gives an empty text.
  TPDFExtractor(TPDFFontCollection& fonts, int mode);
  ~TPDFExtractor() override;

  // The text received so far, cleaned up; the extractor starts afresh.
  std::u16string Finish();

  // The page's visible box (left, bottom, right, top) in default user space.
  // When set, strings drawn wholly outside it are not written: a reader of
  // the page never sees them (writers park labels and printer's marks
  // there).
  std::optional<std::array<double, 4>> PageBox;

  void BeginText() override;
  void SetFont(TPDFFontCollectionData* font, double size) override;
  void SetSpacing(TTextSpacing which, double value) override;
  void MoveLine(double tx, double ty, bool setsLeading) override;
  void NextLine() override;
  void SetTextMatrix(const std::array<double, 6>& m) override;
  void ShowText(const std::vector<TShownItem>& items, const TShowContext& context) override;
  void BeginMarked(std::string_view properties) override;
  void EndMarked() override;
  void ShowFieldValue(const std::u16string& text, const std::array<double, 4>& rect) override;
  void BeginForm() override;
  void EndForm() override;
  void OtherOperator() override;

 private:
  struct TState;
  // Half a word space, a full space and an em, in the pen's units.
  struct TGapMeasure {
    double HalfSpace = 0, FullSpace = 0, Em = 0;
  };
  // A piece of what an array collects for its "TJ". Pieces are decoded one
  // by one so that a gap between two strings of a composite font never
  // splits a two-byte code.
  struct TArrayPiece {
    std::string Bytes;
    bool Space = false;   // a gap: Bytes holds the space code, if the font has one
    bool Spaced = false;  // wide letter spacing where no space code can be put in
  };

  bool Active() const;
  void ShowArray(const std::vector<TShownItem>& items, const TShowContext& context);
  void ShowString(const std::string& bytes, const TShowContext& context);
  void Show(double x, const TShowContext& context, const std::function<void(TDirectedText&)>& glyphs);
  void AddPiece(std::vector<TArrayPiece>& pieces, size_t& total, std::string bytes, bool space, bool spaced);
  void DecodePiece(const TArrayPiece& piece, TDirectedText& into) const;
  // Each code's text as one glyph; spaced puts a gap between every two.
  void DecodeShownBytes(std::string_view bytes, TDirectedText& into, bool spaced) const;
  void FindSpaceCode();
  // The gap measures of the current font and scale.
  TGapMeasure CurrentGapMeasure() const;
  // True when the pen moving sideways from the end of the last shown text
  // (from) to to leaves a word gap (sameLine: the move breaks no line). A
  // step back that is no gap notes where the next glyph goes (overlapAt_).
  bool IsWordGap(double from, double to, bool sameLine);
  // Joins the accent and the letter on either side of at into one letter.
  void ComposeAccentAt(size_t at);
  static constexpr size_t kNoOverlap = static_cast<size_t>(-1);
  size_t overlapAt_ = kNoOverlap;
  double StringWidth(std::string_view bytes) const;
  // Text of a vertical font runs down the page in columns.
  bool Vertical() const;
  void Advance(std::string_view bytes);
  void BreakInColumns(double dx, double dy);
  void SetTextMatrixScale(const std::array<double, 6>& m);
  bool OnPage(const std::array<double, 6>& ctm, double x0, double x1, bool exact) const;
  void PenToNextLine();
  // A "Tm" is judged once the next operator shows whether a line move
  // follows it at once.
  void SettleTextMatrix(bool lineMoveFollows);
  void MoveTm(double newX, double newY, bool lineMoveFollows);
  void BreakAfterMove(bool fullSpaceRule);
  // Ends the line after a form's or a field's text.
  void EndLineAfterInsert();
  // True where the line and space rules write into the text: plain text,
  // outside a run of turned text.
  bool Emitting() const { return mode_ == kPlainText && turned_.empty(); }

  // Text turned by a quarter, a half or three quarters reads along its own
  // baseline: its pieces are collected while the baseline stays, and written
  // ordered along it when upright text, a form or the page's end follows.
  struct TTurnedPiece {
    double Along = 0, Across = 0, Width = 0;
    std::u16string Text;
  };
  static bool IsTurned(const std::array<double, 6>& textMatrix);
  bool BeginTurnedPiece(const TShowContext& context, TDirectedText& into);
  void EndTurnedPiece(const TShowContext& context, std::u16string text, double width);
  void FlushTurned();

  // The columns of the run of vertical text being written: where each
  // column stands across the page and where its text begins in out_.
  struct TColumn {
    double X = 0;
    size_t Start = 0;
  };
  static constexpr size_t kMaxColumns = 10000;
  void NoteColumn();
  void FlushColumns();
  std::vector<TColumn> columns_;
  size_t columnsStart_ = 0;

  TPDFFontCollection& fonts_;
  int mode_;
  std::u16string out_;
  TDirectedText text_{out_};  // plain text goes into out_ through this
  std::unique_ptr<TState> st_;
  std::vector<TState> savedStates_;
  // For each open form, where the text ended after the break its beginning
  // wrote, or kNoFormBreak when it wrote none.
  static constexpr size_t kNoFormBreak = static_cast<size_t>(-1);
  std::vector<size_t> formBreaks_;
  size_t insertBreakEnd_ = 0;  // where the last such break ended the text
  std::vector<TTurnedPiece> turned_;
  std::array<double, 2> turnedDirection_{1, 0};
  std::array<double, 6> turnedMatrix_{};  // the text matrix of the last piece
  double turnedHalfSpace_ = 0;
  TDirectedText* capture_ = nullptr;  // where Show writes a turned piece  // the page's (or outer form's) state around a form
};

}  // namespace ostrel
