#include "pdf/text/extract/text_funnel.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace ostrel {
namespace {

// Coordinates far beyond any page are kept finite and bounded, so that
// distances, sums and formatted numbers stay meaningful.
double Bounded(double v) {
  constexpr double kLimit = 1e15;
  if (std::isnan(v)) return 0;
  return std::clamp(v, -kLimit, kLimit);
}

TPDFTextPoint Apply(const std::array<double, 6>& m, double x, double y) {
  return {Bounded(m[0] * x + m[2] * y + m[4]), Bounded(m[1] * x + m[3] * y + m[5])};
}

// Distance from a block's end to where a run starts; a run starting inside
// the block's extent on exactly its base line continues it.
double JoinDistance(const TPDFTextFunnelBlock& b, const TPDFTextPoint& p) {
  double lo = std::min(b.BottomLeft.X, b.BottomRight.X), hi = std::max(b.BottomLeft.X, b.BottomRight.X);
  if (p.X > lo && p.X < hi && p.Y == b.BottomRight.Y) return 0;
  return std::hypot(p.X - b.BottomRight.X, p.Y - b.BottomRight.Y);
}

int32_t RoundBox(double v) {
  if (std::isnan(v)) return 0;
  v = std::clamp(v, -TPDFTextFunnel::kMaxCoordinate, TPDFTextFunnel::kMaxCoordinate);
  return static_cast<int32_t>(std::nearbyint(v));
}

}  // namespace

std::string FormatFunnelNumber(double value, int decimals) {
  if (!std::isfinite(value)) value = std::isnan(value) ? 0 : std::copysign(1e300, value);
  char buf[400];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  if (ec != std::errc()) return "0";
  std::string s(buf, end);
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  if (s == "-0") s = "0";
  return s;
}

void TPDFTextFunnel::ClearBlocks() {
  Blocks.clear();
  Order.clear();
  VerticalUnits = UprightUnits = 0;
  joinBudget_ = kJoinBudget;
}

void TPDFTextFunnel::SetArea(double left, double top, double width, double height) {
  AreaOn = 1;
  ClipLeft = left;
  ClipTop = top;
  ClipRight = left + width;
  ClipBottom = top - height;
}

void TPDFTextFunnel::TurnForColumns() {
  if (Blocks.empty()) return;
  if (VerticalUnits <= UprightUnits) {
    TurnColumnGroups();
    return;
  }
  // (x, y) becomes (top - y, x): down a column is along a line, and a
  // column further right is a line higher up. The turned page is as high
  // as the page was wide.
  const double top = BaseHeight;
  double height = BaseHeight;
  for (TPDFTextFunnelBlock& b : Blocks) {
    for (TPDFTextPoint* p : {&b.BottomLeft, &b.BottomRight, &b.TopRight, &b.TopLeft}) {
      *p = {top - p->Y, p->X};
      height = std::max(height, p->Y);
    }
  }
  BaseHeight = height;
}

void TPDFTextFunnel::ApplySettings(const TTextExtractionSettings& s) {
  WordGapFactor = s.WordGapFactor;
  IgnoreFontName = s.IgnoreFontName;
  IgnoreColorText = s.IgnoreColorText;
  IgnoreMatrix = s.IgnoreMatrix;
  SortByPosition = s.SortByPosition;
  CMYKColorText = s.CMYKColorText;
  if (s.UseArea) SetArea(s.AreaLeft, s.AreaTop, s.AreaWidth, s.AreaHeight);
}

bool TPDFTextFunnel::AttributesMatch(const TPDFTextFunnelBlock& block, const TPDFTextRun& run,
                                     const std::string& key) const {
  return (IgnoreFontName || block.FontName == run.FontName) && (IgnoreColorText || block.ColorText == run.ColorText) &&
         (IgnoreMatrix || block.MatrixKey == key);
}

void TPDFTextFunnel::AddRun(const TPDFTextRun& run) {
  const auto& m = run.Matrix;
  double x0 = run.StartX, y0 = run.BaseY, w = run.Width, h = run.Height;
  TPDFTextPoint p = Apply(m, x0, y0), q = Apply(m, x0 + w, y0), r = Apply(m, x0 + w, y0 + h),
                l = Apply(m, x0, y0 + h);
  if (AreaOn && (p.X < ClipLeft || p.X > ClipRight || p.Y > ClipTop || p.Y < ClipBottom)) return;

  std::string key;
  for (int i = 0; i < 4; ++i) key += FormatFunnelNumber(m[i], 4);
  std::vector<double> widths;
  widths.reserve(run.Widths.size());
  for (double v : run.Widths) widths.push_back(Bounded(v * m[0]));
  double size = std::isfinite(run.Size) ? run.Size : 0;

  // A gap narrower than this joins two pieces into one word: a share of the
  // font's space where the space is known (tightly justified text kerns
  // words apart by less than a space but by far more than letters), else a
  // share of the size.
  const double scale = WordGapFactor / 0.7;
  const double joinLimit = run.SpaceWidth > 0 && std::isfinite(run.SpaceWidth)
                               ? std::min(size / 3.75, kWordGapSpaceShare * run.SpaceWidth * scale)
                               : size / 3.75;
  const double gapLimit = run.SpaceWidth > 0 && std::isfinite(run.SpaceWidth)
                              ? kWordGapSpaceShare * run.SpaceWidth * scale
                              : size * scale * 0.3;
  TPDFTextFunnelBlock* found = nullptr;
  bool close = false;
  double gap = 0;
  if (AllowJoin) {
    // The whole page is searched from its first block while the budget
    // lasts; then only the latest blocks, where most continuations are.
    size_t first = 0;
    if (joinBudget_ < static_cast<int64_t>(Blocks.size()))
      first = Blocks.size() > kRecentBlocks ? Blocks.size() - kRecentBlocks : 0;
    joinBudget_ -= static_cast<int64_t>(Blocks.size() - first);
    TPDFTextFunnelBlock* gapJoin = nullptr;
    double gapDistance = 0;
    for (size_t i = first; i < Blocks.size(); ++i) {
      TPDFTextFunnelBlock& b = Blocks[i];
      if (!AttributesMatch(b, run, key)) continue;
      double d = JoinDistance(b, p);
      if (joinLimit > d) {
        found = &b;
        close = true;
        break;
      }
      if (!gapJoin && std::fabs(b.BottomRight.Y - p.Y) < 2 && d < size) {
        gapJoin = &b;
        gapDistance = d;
      }
    }
    if (!found && gapJoin) {
      found = gapJoin;
      gap = gapDistance;
      close = gap < gapLimit;
      if (!close && SplitWords) found = nullptr;
    }
  }

  if (found) {
    if (!close) {
      found->Text.push_back(u' ');
      found->Widths.push_back(gap);
    }
    found->Text += run.Text;
    found->Widths.insert(found->Widths.end(), widths.begin(), widths.end());
    found->BottomRight = q;
    found->TopRight = r;
  } else if (Blocks.size() < kMaxBlocks) {
    TPDFTextFunnelBlock b;
    b.BottomLeft = p;
    b.BottomRight = q;
    b.TopRight = r;
    b.TopLeft = l;
    b.Text = run.Text;
    b.Widths = std::move(widths);
    b.FontName = run.FontName;
    b.MatrixKey = std::move(key);
    b.ColorText = run.ColorText;
    b.Size = size;
    b.Vertical = run.Vertical ? 1 : 0;
    Blocks.push_back(std::move(b));
  }
  AllowJoin = 1;
}

void TPDFTextFunnel::PrepareBoxes() {
  Order.clear();
  Order.reserve(Blocks.size());
  for (TPDFTextFunnelBlock& b : Blocks) {
    b.Left = RoundBox(b.BottomLeft.X);
    b.Right = RoundBox(b.TopRight.X);
    b.Top = RoundBox(BaseHeight - b.TopRight.Y);
    b.Bottom = RoundBox(BaseHeight - b.BottomLeft.Y);
    b.Width = b.Right - b.Left;
    b.Height = b.Bottom - b.Top;
    b.MiddleY = b.Top + static_cast<int32_t>(std::nearbyint(b.Height / 2.0));
    b.Prev = b.Next = -1;
    b.Placed = 0;
    Order.push_back(&b);
  }
}

void TPDFTextFunnel::SortOrderByPosition() {
  std::stable_sort(Order.begin(), Order.end(), [](const TPDFTextFunnelBlock* a, const TPDFTextFunnelBlock* b) {
    return a->Top != b->Top ? a->Top < b->Top : a->Left < b->Left;
  });
}

}  // namespace ostrel
