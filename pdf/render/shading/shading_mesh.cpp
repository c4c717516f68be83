// Triangle meshes (free-form and lattice) and patch meshes (Coons and
// tensor-product) as one Cairo mesh pattern: a triangle is a patch whose
// fourth corner repeats the first, which Cairo then fills with exactly the
// barycentric (Gouraud) blend; a Coons patch lets Cairo derive its inner
// control points. Vertices are read from the packed stream data and placed
// in device space.
#include <cairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "pdf/render/shading/shading_source.h"

namespace ostrel {

namespace {

// Patches handed to Cairo per shading, subdivisions included.
constexpr size_t kMaxPatches = size_t{1} << 17;
// Halvings of a triangle whose colours come through a function.
constexpr int kMaxSplitDepth = 4;
constexpr size_t kMaxValues = 32;

class TBitReader {
 public:
  explicit TBitReader(const std::string& data) : data_(data) {}
  bool Read(int bits, double& out) {
    if (pos_ + static_cast<size_t>(bits) > data_.size() * 8) return false;
    uint64_t v = 0;
    for (int i = 0; i < bits; ++i, ++pos_)
      v = v << 1 | ((static_cast<uint8_t>(data_[pos_ >> 3]) >> (7 - (pos_ & 7))) & 1);
    out = static_cast<double>(v);
    return true;
  }
  void Align() { pos_ = (pos_ + 7) & ~size_t{7}; }
  bool AtEnd() const { return pos_ >= data_.size() * 8; }

 private:
  const std::string& data_;
  size_t pos_ = 0;
};

struct TVertex {
  double X = 0, Y = 0;  // device pixels
  size_t N = 0;
  std::array<double, kMaxValues> V{};
};

class TMeshBuilder {
 public:
  TMeshBuilder(const TShadingSource& source, const TPDFMatrix& toDevice)
      : source_(source), toDevice_(toDevice), mesh_(cairo_pattern_create_mesh()) {}

  bool ReadLayout() {
    TPDFDictionary* d = source_.Dict;
    coordBits_ = d->GetInteger("BitsPerCoordinate", 0);
    compBits_ = d->GetInteger("BitsPerComponent", 0);
    flagBits_ = d->GetInteger("BitsPerFlag", 0);
    auto oneOf = [](int v, std::initializer_list<int> allowed) {
      return std::find(allowed.begin(), allowed.end(), v) != allowed.end();
    };
    if (!oneOf(coordBits_, {1, 2, 4, 8, 12, 16, 24, 32}) || !oneOf(compBits_, {1, 2, 4, 8, 12, 16})) return false;
    if (source_.Type != 5 && !oneOf(flagBits_, {2, 4, 8})) return false;
    values_ = source_.ValueCount();
    if (values_ == 0 || values_ > kMaxValues) return false;
    decode_.resize(4 + 2 * values_);
    return ReadShadingNumbers(d, "Decode", decode_.data(), decode_.size());
  }

  // A point in device pixels.
  bool ReadPoint(TBitReader& bits, double& dx, double& dy) {
    double x, y;
    if (!bits.Read(coordBits_, x) || !bits.Read(coordBits_, y)) return false;
    double cmax = std::ldexp(1.0, coordBits_) - 1;
    TransformByMatrix(toDevice_, decode_[0] + x * (decode_[1] - decode_[0]) / cmax,
                      decode_[2] + y * (decode_[3] - decode_[2]) / cmax, dx, dy);
    // Cairo's fixed-point coordinates wrap far out; such a mesh is unusable.
    return std::fabs(dx) < 4e6 && std::fabs(dy) < 4e6;
  }

  bool ReadVertex(TBitReader& bits, TVertex& v) { return ReadPoint(bits, v.X, v.Y) && ReadValues(bits, v); }

  bool ReadValues(TBitReader& bits, TVertex& v) {
    double vmax = std::ldexp(1.0, compBits_) - 1;
    v.N = values_;
    for (size_t i = 0; i < values_; ++i) {
      double raw;
      if (!bits.Read(compBits_, raw)) return false;
      v.V[i] = decode_[4 + 2 * i] + raw * (decode_[5 + 2 * i] - decode_[4 + 2 * i]) / vmax;
    }
    return true;
  }

  TRGBA ColorOf(const TVertex& v) const { return source_.Color(std::span<const double>(v.V.data(), v.N)); }

  void Triangle(const TVertex& a, const TVertex& b, const TVertex& c, int depth = 0) {
    if (patches_ >= kMaxPatches) return;
    if (source_.HasFunctions() && depth < kMaxSplitDepth && NeedsSplit(a, b, c)) {
      TVertex ab = Mid(a, b), bc = Mid(b, c), ca = Mid(c, a);
      Triangle(a, ab, ca, depth + 1);
      Triangle(ab, b, bc, depth + 1);
      Triangle(ca, bc, c, depth + 1);
      Triangle(ab, bc, ca, depth + 1);
      return;
    }
    cairo_mesh_pattern_begin_patch(mesh_);
    cairo_mesh_pattern_move_to(mesh_, a.X, a.Y);
    cairo_mesh_pattern_line_to(mesh_, b.X, b.Y);
    cairo_mesh_pattern_line_to(mesh_, c.X, c.Y);
    const TVertex* corners[] = {&a, &b, &c};
    for (unsigned i = 0; i < 3; ++i) SetCorner(i, ColorOf(*corners[i]));
    cairo_mesh_pattern_end_patch(mesh_);
    ++patches_;
  }

  // points: the 12 boundary points of a patch in stream order, then for a
  // tensor patch its 4 inner points; colours at the four corners.
  void Patch(const std::array<double, 32>& p, bool tensor, const std::array<TVertex, 4>& corner) {
    if (patches_ >= kMaxPatches) return;
    cairo_mesh_pattern_begin_patch(mesh_);
    cairo_mesh_pattern_move_to(mesh_, p[0], p[1]);
    for (int i = 1; i < 12; i += 3)
      cairo_mesh_pattern_curve_to(mesh_, p[2 * i], p[2 * i + 1], p[2 * i + 2], p[2 * i + 3],
                                  p[(2 * i + 4) % 24], p[(2 * i + 5) % 24]);
    if (tensor)
      for (unsigned i = 0; i < 4; ++i) cairo_mesh_pattern_set_control_point(mesh_, i, p[24 + 2 * i], p[25 + 2 * i]);
    for (unsigned i = 0; i < 4; ++i) SetCorner(i, ColorOf(corner[i]));
    cairo_mesh_pattern_end_patch(mesh_);
    ++patches_;
  }

  TCairoPattern Finish() {
    TCairoPattern pattern(mesh_);
    mesh_ = nullptr;
    if (patches_ == 0) return {};
    return pattern;
  }

  int FlagBits() const { return flagBits_; }
  bool Full() const { return patches_ >= kMaxPatches; }

 private:
  void SetCorner(unsigned i, const TRGBA& c) {
    cairo_mesh_pattern_set_corner_color_rgba(mesh_, i, c[0], c[1], c[2], c[3]);
  }
  static TVertex Mid(const TVertex& a, const TVertex& b) {
    TVertex m;
    m.X = (a.X + b.X) / 2, m.Y = (a.Y + b.Y) / 2, m.N = a.N;
    for (size_t i = 0; i < a.N; ++i) m.V[i] = (a.V[i] + b.V[i]) / 2;
    return m;
  }
  // A function that is not straight between two corners needs smaller
  // triangles for Cairo's linear blend to follow it.
  bool NeedsSplit(const TVertex& a, const TVertex& b, const TVertex& c) const {
    if (std::max({std::fabs(a.X - b.X), std::fabs(b.X - c.X), std::fabs(a.Y - b.Y), std::fabs(b.Y - c.Y)}) < 2)
      return false;
    for (auto [p, q] : {std::pair{&a, &b}, std::pair{&b, &c}, std::pair{&c, &a}}) {
      TRGBA cp = ColorOf(*p), cq = ColorOf(*q), cm = ColorOf(Mid(*p, *q));
      for (int i = 0; i < 3; ++i)
        if (std::fabs(cm[i] - (cp[i] + cq[i]) / 2) > 1.0 / 255) return true;
    }
    return false;
  }

  const TShadingSource& source_;
  TPDFMatrix toDevice_;
  cairo_pattern_t* mesh_;
  int coordBits_ = 0, compBits_ = 0, flagBits_ = 0;
  size_t values_ = 0;
  std::vector<double> decode_;
  size_t patches_ = 0;

 public:
  ~TMeshBuilder() {
    if (mesh_) cairo_pattern_destroy(mesh_);
  }
};

void ReadFreeForm(TMeshBuilder& mesh, TBitReader& bits) {
  TVertex a, b, c;
  std::vector<TVertex> fresh;  // vertices of a triangle being started
  bool haveTriangle = false;
  while (!bits.AtEnd() && !mesh.Full()) {
    double flag;
    TVertex v;
    if (!bits.Read(mesh.FlagBits(), flag) || !mesh.ReadVertex(bits, v)) break;
    bits.Align();
    // Flag 0 starts a triangle; the flags of its next two vertices are
    // read and ignored. Flags 1 and 2 add a triangle on an edge of the last.
    if (!fresh.empty() || flag == 0 || !haveTriangle) {
      fresh.push_back(v);
      if (fresh.size() == 3) {
        a = fresh[0], b = fresh[1], c = fresh[2];
        fresh.clear();
        haveTriangle = true;
        mesh.Triangle(a, b, c);
      }
    } else if (flag == 1) {
      a = b, b = c, c = v;
      mesh.Triangle(a, b, c);
    } else {
      b = c, c = v;
      mesh.Triangle(a, b, c);
    }
  }
}

void ReadLattice(TMeshBuilder& mesh, TBitReader& bits, int perRow) {
  std::vector<TVertex> above, row;
  while (!bits.AtEnd() && !mesh.Full()) {
    TVertex v;
    if (!mesh.ReadVertex(bits, v)) break;
    row.push_back(v);
    if (static_cast<int>(row.size()) < perRow) continue;
    for (size_t i = 0; i + 1 < above.size(); ++i) {
      mesh.Triangle(above[i], above[i + 1], row[i]);
      mesh.Triangle(above[i + 1], row[i + 1], row[i]);
    }
    above.swap(row);
    row.clear();
  }
}

void ReadPatches(TMeshBuilder& mesh, TBitReader& bits, bool tensor) {
  // Boundary points in stream order, then the inner ones; x and y pairs.
  std::array<double, 32> p{}, prev{};
  std::array<TVertex, 4> corner, prevCorner;
  bool havePrev = false;
  const int points = tensor ? 16 : 12;
  while (!bits.AtEnd() && !mesh.Full()) {
    double flag;
    if (!bits.Read(mesh.FlagBits(), flag)) break;
    int f = static_cast<int>(flag);
    if (f > 3 || (f > 0 && !havePrev)) break;
    int firstPoint = 0, firstCorner = 0;
    if (f > 0) {
      // The edge shared with the previous patch: its points 3..6, 6..9 or
      // 9..11 and 0, with the corner colours at the edge's ends.
      for (int i = 0; i < 4; ++i) {
        int k = (3 * f + i) % 12;
        p[2 * i] = prev[2 * k], p[2 * i + 1] = prev[2 * k + 1];
      }
      corner[0] = prevCorner[f % 4];
      corner[1] = prevCorner[(f + 1) % 4];
      firstPoint = 4, firstCorner = 2;
    }
    bool ok = true;
    for (int i = firstPoint; i < points && ok; ++i) ok = mesh.ReadPoint(bits, p[2 * i], p[2 * i + 1]);
    for (int i = firstCorner; i < 4 && ok; ++i) ok = mesh.ReadValues(bits, corner[i]);
    if (!ok) break;
    bits.Align();
    mesh.Patch(p, tensor, corner);
    prev = p, prevCorner = corner;
    havePrev = true;
  }
}

}  // namespace

TCairoPattern MakeMeshPattern(const TShadingSource& source, const TPDFMatrix& toDevice) {
  if (!source.Stream) return {};
  TMeshBuilder mesh(source, toDevice);
  if (!mesh.ReadLayout()) return {};
  std::string data = source.Stream->DecodedData();
  TBitReader bits(data);
  switch (source.Type) {
    case 4: ReadFreeForm(mesh, bits); break;
    case 5: {
      int perRow = source.Dict->GetInteger("VerticesPerRow", 0);
      if (perRow < 2) return {};
      ReadLattice(mesh, bits, perRow);
      break;
    }
    default: ReadPatches(mesh, bits, source.Type == 7); break;
  }
  return mesh.Finish();
}

}  // namespace ostrel
