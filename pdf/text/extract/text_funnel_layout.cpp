// The character-grid form of the funnel's blocks: blocks are chained into
// text lines from left to right, and each line is written onto a grid of
// fixed-width columns, one grid line per text line, with empty lines for the
// vertical gaps between them.
#include <algorithm>
#include <cmath>

#include "pdf/text/extract/text_funnel.h"

namespace ostrel {
namespace {

// Anchors are blocks that own most of the rows they cover; every block is
// chained behind the anchor nearest to it vertically.
struct TAnchor {
  int32_t MiddleY;
  int32_t Sequence;  // order of recording: the first found wins a tie
  int32_t Position;  // in Order
};

constexpr int64_t kFarthestAnchor = 9999;
constexpr int32_t kTallestAnchor = 175;

int32_t NearestAnchor(const std::vector<TAnchor>& anchors, int32_t y) {
  auto byY = [](const TAnchor& a, int32_t v) { return a.MiddleY < v; };
  auto above = std::lower_bound(anchors.begin(), anchors.end(), y, byY);
  const TAnchor* best = nullptr;
  int64_t bestDistance = kFarthestAnchor;
  auto consider = [&](const TAnchor& a) {
    int64_t d = std::llabs(int64_t{a.MiddleY} - y);
    if (d < bestDistance || (d == bestDistance && best && a.Sequence < best->Sequence)) {
      best = &a;
      bestDistance = d;
    }
  };
  if (above != anchors.end()) consider(*above);
  if (above != anchors.begin()) {
    // The first recorded of the nearest group below.
    int32_t below = std::prev(above)->MiddleY;
    consider(*std::lower_bound(anchors.begin(), above, below, byY));
  }
  return best ? best->Position : -1;
}

}  // namespace

void TPDFTextFunnel::LinkLines() {
  PrepareBoxes();
  std::stable_sort(Order.begin(), Order.end(), [](const TPDFTextFunnelBlock* a, const TPDFTextFunnelBlock* b) {
    return a->Left != b->Left ? a->Left < b->Left : a->Top < b->Top;
  });
  const auto n = static_cast<int32_t>(Order.size());

  std::vector<char> claimed(kClaimRows, 0);
  std::vector<TAnchor> anchors;
  for (int32_t i = 0; i < n; ++i) {
    const TPDFTextFunnelBlock& b = *Order[i];
    if (b.Height > kTallestAnchor) continue;
    int64_t count = 0;
    for (int64_t r = std::max<int64_t>(b.Top, 0); r <= std::min<int64_t>(b.Bottom, kClaimRows - 1); ++r) {
      if (claimed[r]) continue;
      claimed[r] = 1;
      ++count;
    }
    if (count > 0 && count * 2 > b.Height)
      anchors.push_back({b.MiddleY, static_cast<int32_t>(anchors.size()), i});
  }
  std::sort(anchors.begin(), anchors.end(), [](const TAnchor& a, const TAnchor& b) {
    return a.MiddleY != b.MiddleY ? a.MiddleY < b.MiddleY : a.Sequence < b.Sequence;
  });

  auto middle = [&](int32_t p) { return int64_t{Order[p]->MiddleY}; };
  for (int32_t i = 0; i < n; ++i) {
    int32_t k = NearestAnchor(anchors, Order[i]->MiddleY);
    if (k < 0 || k == i) continue;
    // Follow the anchor's line to its end. Mirrored text can make links
    // cycle, so the walk is bounded by the number of blocks.
    for (int32_t steps = 0; steps < n; ++steps) {
      int32_t next = Order[k]->Next;
      if (next < 0 || Order[next]->Prev != k) break;
      k = next;
    }
    // A block never follows itself.
    if (k == i || Order[k]->Next == i) continue;
    TPDFTextFunnelBlock& kb = *Order[k];
    TPDFTextFunnelBlock& ib = *Order[i];
    if (int64_t{kb.Right} >= int64_t{ib.Left} + 5) continue;
    if (kb.Next < 0) {
      if (ib.Prev < 0) ib.Prev = k;
      kb.Next = i;
    } else if (std::llabs(middle(i) - middle(k)) < std::llabs(middle(kb.Next) - middle(k))) {
      Order[kb.Next]->Prev = -1;
      ib.Prev = k;
      kb.Next = i;
    }
  }
  for (int32_t i = 0; i < n; ++i)
    if (Order[i]->Next >= 0) Order[Order[i]->Next]->Prev = i;
}

void TPDFTextFunnel::WriteLayout(std::u16string& text) {
  const auto n = static_cast<int32_t>(Order.size());
  auto valid = [&](int32_t p) { return p >= 0 && p < n; };
  for (TPDFTextFunnelBlock* b : Order) b->Placed = 0;

  // Lines start at blocks nothing precedes. Blocks that only a cycle of
  // links reaches would never be written: each such cycle starts a line of
  // its own at its first block.
  std::vector<int32_t> starts;
  std::vector<char> reached(n, 0);
  auto reach = [&](int32_t p) {
    for (; valid(p) && !reached[p]; p = Order[p]->Next) reached[p] = 1;
  };
  for (int32_t i = 0; i < n; ++i)
    if (!valid(Order[i]->Prev)) {
      starts.push_back(i);
      reach(i);
    }
  for (int32_t i = 0; i < n; ++i)
    if (!reached[i]) {
      starts.push_back(i);
      reach(i);
    }
  std::stable_sort(starts.begin(), starts.end(), [&](int32_t a, int32_t b) { return Order[a]->Top < Order[b]->Top; });

  std::u16string grid(kGridWidth, u' ');
  const size_t textStart = text.size();
  int64_t counter = 1;
  for (int32_t start : starts) {
    if (Order[start]->Placed) continue;
    // Rows below the deepest are written at it, so a block far down the
    // page cannot ask for millions of empty lines.
    auto row = std::min<int64_t>(static_cast<int64_t>(std::nearbyint(Order[start]->Top / 8.0)), kMaxLayoutRow);
    // The page's text starts at its first line: the white above it is not
    // written.
    if (text.size() == textStart) counter = std::max(counter, row);
    if (counter < row) {
      for (int64_t i = 0; i < row - counter - 1; ++i) text += u"\r\n";
      counter = row;
    }
    int64_t lastColumn = -1, previousRight = -1;
    for (int32_t p = start, steps = 0; valid(p) && steps < n; p = Order[p]->Next, ++steps) {
      TPDFTextFunnelBlock& b = *Order[p];
      if (b.Placed) break;
      auto column = static_cast<int64_t>(std::nearbyint(b.Left / 5.0));
      if (lastColumn + 1 >= column)
        column = b.Height / 5.0 >= static_cast<double>(b.Left - previousRight) ? lastColumn + 1 : lastColumn + 2;
      // Characters that fall outside the grid are clipped.
      auto length = static_cast<int64_t>(b.Text.size());
      int64_t first = std::max<int64_t>(0, -(column + 1));
      int64_t last = std::min<int64_t>(length, kGridWidth - (column + 1));
      for (int64_t j = first; j < last; ++j) {
        char16_t c = b.Text[j];
        grid[column + 1 + j] = c < u' ' ? u' ' : c;
      }
      if (length > 0) lastColumn = column + length;
      b.Placed = 1;
      previousRight = b.Right;
    }
    size_t end = grid.size();
    while (end > 0 && grid[end - 1] <= u' ') --end;
    text.append(grid, 0, end);
    text += u"\r\n";
    ++counter;
    std::fill(grid.begin(), grid.end(), u' ');
  }
}

}  // namespace ostrel
