// Drawing glyph programs: each command moves the current point in glyph
// space; moves start contours, lines and curves extend them.
#include "pdf/render/glyphs/glyph_program_outline.h"

#include <charconv>
#include <string_view>

namespace ostrel {
namespace {

struct TCommand {
  std::string_view Name;
  double Args[16] = {};
  size_t Count = 0;
};

// "name(a,b,...) tag" into its name and numbers; bare names have none.
TCommand ParseCommand(std::string_view text) {
  TCommand c;
  size_t open = text.find('(');
  c.Name = text.substr(0, open);
  if (open == std::string_view::npos) return c;
  size_t close = text.find(')', open);
  std::string_view args = text.substr(open + 1, close == std::string_view::npos ? std::string_view::npos : close - open - 1);
  while (!args.empty() && c.Count < std::size(c.Args)) {
    while (!args.empty() && args.front() == ' ') args.remove_prefix(1);
    size_t comma = args.find(',');
    std::string_view item = args.substr(0, comma);
    double v = 0;
    std::from_chars(item.data(), item.data() + item.size(), v);
    c.Args[c.Count++] = v;
    if (comma == std::string_view::npos) break;
    args.remove_prefix(comma + 1);
  }
  return c;
}

class TProgramDrawer {
 public:
  TGlyphOutline Draw(const TGlyphProgram& program) {
    for (const std::string& entry : program) Step(ParseCommand(entry));
    Close();
    return std::move(outline_);
  }

 private:
  void Close() {
    if (open_) outline_.ClosePath();
    open_ = false;
  }
  void Move(double dx, double dy) {
    Close();
    x_ += dx;
    y_ += dy;
    outline_.MoveTo(x_, y_);
    open_ = true;
  }
  void EnsureOpen() {
    if (!open_) {
      outline_.MoveTo(x_, y_);
      open_ = true;
    }
  }
  void Curve(const double* a) {
    EnsureOpen();
    double x1 = x_ + a[0], y1 = y_ + a[1];
    double x2 = x1 + a[2], y2 = y1 + a[3];
    x_ = x2 + a[4];
    y_ = y2 + a[5];
    outline_.CurveTo(x1, y1, x2, y2, x_, y_);
  }

  void Step(const TCommand& c) {
    const double* a = c.Args;
    if (c.Name == "rmoveto") {
      Move(a[0], a[1]);
    } else if (c.Name == "rlineto") {
      EnsureOpen();
      x_ += a[0];
      y_ += a[1];
      outline_.LineTo(x_, y_);
    } else if (c.Name == "rrcurveto") {
      Curve(a);
    } else if (c.Name == "t2flex") {
      Curve(a);
      Curve(a + 6);
    } else if (c.Name == "flex") {
      // The reference point only steers hinting; the two curves start at the
      // current point.
      double r[12];
      for (int i = 0; i < 12; ++i) r[i] = a[2 + i];
      r[0] += a[0];
      r[1] += a[1];
      Curve(r);
      Curve(r + 6);
    } else if (c.Name == "closepath" || c.Name == "endchar") {
      Close();
    } else if (c.Name == "hsbw") {
      x_ = originX_ + a[0];
      y_ = originY_;
    } else if (c.Name == "sbw") {
      x_ = originX_ + a[0];
      y_ = originY_ + a[1];
    } else if (c.Name == "seac") {
      // What follows is the accent, its origin moved from the base's.
      Close();
      originX_ = a[1] - a[0];
      originY_ = a[2];
      x_ = originX_;
      y_ = originY_;
    } else if (c.Name == "setcurrentpoint") {
      x_ = originX_ + a[0];
      y_ = originY_ + a[1];
    }
  }

  TGlyphOutline outline_;
  double x_ = 0, y_ = 0;
  double originX_ = 0, originY_ = 0;
  bool open_ = false;
};

}  // namespace

TGlyphOutline OutlineOfGlyphProgram(const TGlyphProgram& program) { return TProgramDrawer().Draw(program); }

}  // namespace ostrel
