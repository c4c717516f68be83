// Columns of vertical writing on a page of mostly upright text: each group
// of neighbouring columns is turned a quarter anticlockwise about its own
// top-left corner, so that the layout reads every column down as a line,
// the rightmost first, at the place the group holds on the page.
#include <algorithm>
#include <cmath>
#include <vector>

#include "pdf/text/extract/text_funnel.h"

namespace ostrel {
namespace {

// Columns further apart than this many of their sizes belong to different
// groups.
constexpr double kGroupGapSizes = 2;
// Groups kept apart on one page; later columns join the nearest group
// searched so far once this many exist.
constexpr size_t kMaxGroups = 256;

struct TExtent {
  double Left = HUGE_VAL, Right = -HUGE_VAL, Bottom = HUGE_VAL, Top = -HUGE_VAL;
  void Add(const TExtent& e) {
    Left = std::min(Left, e.Left);
    Right = std::max(Right, e.Right);
    Bottom = std::min(Bottom, e.Bottom);
    Top = std::max(Top, e.Top);
  }
};

TExtent ExtentOf(const TPDFTextFunnelBlock& b) {
  TExtent e;
  for (const TPDFTextPoint* p : {&b.BottomLeft, &b.BottomRight, &b.TopRight, &b.TopLeft}) {
    e.Left = std::min(e.Left, p->X);
    e.Right = std::max(e.Right, p->X);
    e.Bottom = std::min(e.Bottom, p->Y);
    e.Top = std::max(e.Top, p->Y);
  }
  return e;
}

struct TGroup {
  TExtent Extent;
  std::vector<TPDFTextFunnelBlock*> Columns;
};

// True when the column stands beside the group: it overlaps the group's
// height and its gap across to the group is at most a few of its sizes.
bool Beside(const TExtent& group, const TExtent& column, double size) {
  const double reach = kGroupGapSizes * std::max(size, 0.0);
  const bool across = column.Right >= group.Left - reach && column.Left <= group.Right + reach;
  const bool along = column.Bottom <= group.Top && column.Top >= group.Bottom;
  return across && along;
}

}  // namespace

void TPDFTextFunnel::TurnColumnGroups() {
  std::vector<TPDFTextFunnelBlock*> columns;
  for (TPDFTextFunnelBlock& b : Blocks)
    if (b.Vertical) columns.push_back(&b);
  if (columns.empty()) return;
  // Rightmost first, so that a group grows leftwards as its columns are read.
  std::stable_sort(columns.begin(), columns.end(), [](const TPDFTextFunnelBlock* a, const TPDFTextFunnelBlock* b) {
    return ExtentOf(*a).Right > ExtentOf(*b).Right;
  });
  std::vector<TGroup> groups;
  for (TPDFTextFunnelBlock* column : columns) {
    const TExtent e = ExtentOf(*column);
    TGroup* home = nullptr;
    for (TGroup& g : groups) {
      if (Beside(g.Extent, e, column->Size)) {
        home = &g;
        break;
      }
    }
    if (!home && groups.size() >= kMaxGroups) home = &groups.back();
    if (!home) home = &groups.emplace_back();
    home->Extent.Add(e);
    home->Columns.push_back(column);
  }
  // (x, y) becomes (left + (top - y), top - (right - x)): down a column is
  // along a line starting at the group's left, and a column further left is
  // a line further down, the rightmost at the group's top.
  for (const TGroup& g : groups) {
    const TExtent& e = g.Extent;
    for (TPDFTextFunnelBlock* b : g.Columns)
      for (TPDFTextPoint* p : {&b->BottomLeft, &b->BottomRight, &b->TopRight, &b->TopLeft})
        *p = {e.Left + (e.Top - p->Y), e.Top - (e.Right - p->X)};
  }
}

}  // namespace ostrel
