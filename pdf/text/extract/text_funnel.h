#pragma once
// The text funnel: collects the pieces of text a page shows, with where and
// how they are shown, joins pieces that continue one another into blocks and
// writes the blocks as a positioned list, as a character-grid layout or as one
// line per block.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "pdf/text/extract/text_extraction_settings.h"

namespace ostrel {

// One piece of shown text as the renderer hands it over. The box is in glyph
// space; Matrix maps glyph space to user space.
struct TPDFTextRun {
  std::array<double, 6> Matrix{1, 0, 0, 1, 0, 0};
  std::u16string Text;
  std::vector<double> Widths;  // glyph units, one per UTF-16 unit of Text
  double StartX = 0, BaseY = 0, Width = 0, Height = 0;
  double Size = 0;  // font size in user space
  double SpaceWidth = 0;  // the font's space along the baseline in user space; 0 when unknown
  std::string FontName;
  std::string ColorText;
  // Vertical writing: the box's x axis runs down the column.
  bool Vertical = false;
};

struct TPDFTextPoint {
  double X = 0, Y = 0;
};

struct TPDFTextFunnelBlock {
  TPDFTextPoint BottomLeft, BottomRight, TopRight, TopLeft;  // user space
  std::u16string Text;
  std::vector<double> Widths;  // user space, one per UTF-16 unit of Text
  std::string FontName;
  std::string MatrixKey;
  std::string ColorText;
  double Size = 0;
  // Integer box, top-down, made by PrepareBoxes.
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0, Width = 0, Height = 0;
  int32_t Prev = -1, Next = -1;  // layout line links: positions in Order
  uint8_t Placed = 0;
  int32_t MiddleY = 0;
  uint8_t Vertical = 0;  // a column of vertical writing
};

class TPDFTextFunnel {
 public:
  void ClearBlocks();
  void SetArea(double left, double top, double width, double height);
  void SetAllowJoin(bool flag) { AllowJoin = flag ? 1 : 0; }
  // Copies the settings the funnel reads; switches the area on when asked.
  void ApplySettings(const TTextExtractionSettings& settings);

  void AddRun(const TPDFTextRun& run);
  void PrepareBoxes();

  // Output of the positioned-list modes, one line per block (and one of
  // widths after it when WriteWidths is set).
  void WriteList(std::u16string& text);
  // One line per block.
  void WriteLines(std::u16string& text);
  // The character grid: LinkLines chains blocks into text lines first.
  void LinkLines();
  void WriteLayout(std::u16string& text);

  std::vector<TPDFTextFunnelBlock> Blocks;
  std::vector<TPDFTextFunnelBlock*> Order;
  // User-space y of the top of the page: top-down coordinates are
  // BaseHeight - y.
  double BaseHeight = 0;
  uint8_t SplitWords = 0;
  // Characters handed over in vertical and in upright writing this page.
  size_t VerticalUnits = 0, UprightUnits = 0;
  // When most of the page is vertical writing, turns every block a quarter
  // anticlockwise, so that the lines read are its columns, the rightmost
  // first (as a reader turns such a page). On a page of mostly upright
  // text, turns each group of neighbouring columns so about its top-left
  // corner: the group's columns become lines where it stands, and the
  // upright text stays as it is. Before LinkLines or WriteLines.
  void TurnForColumns();
  uint8_t WriteWidths = 0;
  uint8_t AllowJoin = 1;
  double WordGapFactor = 0.7;
  uint8_t IgnoreFontName = 0, IgnoreColorText = 0, IgnoreMatrix = 0, SortByPosition = 0;
  uint8_t AreaOn = 0;
  double ClipLeft = 0, ClipTop = 0, ClipRight = 0, ClipBottom = 0;
  uint8_t CMYKColorText = 0;

  // Blocks kept for one page; runs that would start more are dropped.
  static constexpr size_t kMaxBlocks = 250'000;
  // Block comparisons while joining, per page. Past it a run is compared with
  // the most recent blocks only, so a page of many runs stays linear.
  static constexpr int64_t kJoinBudget = 60'000'000;
  static constexpr size_t kRecentBlocks = 64;
  // Share of the font's space below which a gap joins two pieces into one
  // word. Measured on real documents against poppler's pdftotext: shares
  // from 0.15 to 0.25 agree best with its words (bench/text-f1 --layout).
  static constexpr double kWordGapSpaceShare = 0.25;
  // Coordinates are clamped to this before they become integers.
  static constexpr double kMaxCoordinate = 1'000'000;
  // Width of the layout grid, and the deepest row it moves down to.
  static constexpr int kGridWidth = 500;
  static constexpr int kMaxLayoutRow = 10'000;
  static constexpr int kClaimRows = 10'000;

 private:
  bool AttributesMatch(const TPDFTextFunnelBlock& block, const TPDFTextRun& run, const std::string& key) const;
  void SortOrderByPosition();
  void TurnColumnGroups();
  int64_t joinBudget_ = kJoinBudget;
};

// A number with at most `decimals` decimals, trailing zeros and a trailing
// point dropped, "." as the separator.
std::string FormatFunnelNumber(double value, int decimals);

}  // namespace ostrel
