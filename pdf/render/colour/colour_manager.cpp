#include "pdf/render/colour/colour_manager.h"

#include <algorithm>
#include <cmath>

#include "pdf/render/colour/colour_space_lab.h"

namespace ostrel {

namespace {

// Clamp that tolerates lo > hi (gives lo) and NaN (gives lo).
double Limit(double v, double lo, double hi) {
  if (!(v >= lo)) return lo;
  return v > hi ? std::max(lo, hi) : v;
}

// Coefficients of the multilinear blend of the CMYK cube's 16 corner colours,
// in the term order 1, C, M, Y, K, CM, CY, CK, MY, MK, YK, CMY, CMK, CYK, MYK, CMYK.
constexpr double kPolyR[16] = {1,      -1,     -0.0745, 0,       -0.8627, 0.2549,  0,      0.8627,
                               0.0039, 0.0784, -0.0275, 0.0275, -0.2588, 0.0275, 0.0157, -0.0471};
constexpr double kPolyG[16] = {1,      -0.3216, -1,      -0.051, -0.8784, 0.5138, 0.0236, 0.2588,
                               0.1608, 0.8784,  0.0314, -0.1137, -0.451, 0.0117, -0.1412, 0.0784};
constexpr double kPolyB[16] = {1,     -0.0627, -0.451,  -1,      -0.8745, 0.0862,  0.5176, 0.0784,
                               0.451, 0.3255,  0.8745, -0.3176, -0.0941, -0.5333, -0.3255, 0.3255};

double Polynomial(const double (&k)[16], const double (&t)[16]) {
  double sum = 0;
  for (int i = 0; i < 16; ++i) sum += k[i] * t[i];
  return sum;
}

double LabInverse(double t) {
  constexpr double kEdge = 6.0 / 29.0;
  return t >= kEdge ? t * t * t : (t - 4.0 / 29.0) * 0.12841854934601665;
}

double SrgbGamma(double v) {
  v = v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1.0 / 2.4) - 0.055;
  return Limit(v, 0.0, 1.0);
}

}  // namespace

uint8_t ColorChannelByte(double v) {
  return static_cast<uint8_t>(std::nearbyint(Limit(v, 0.0, 1.0) * 255.0));
}

int32_t PackColor(double r, double g, double b) {
  return static_cast<int32_t>(ColorChannelByte(b)) << 16 | static_cast<int32_t>(ColorChannelByte(g)) << 8 |
         static_cast<int32_t>(ColorChannelByte(r));
}

TPDFRGB SimpleCMYKToRGB(double c, double m, double y, double k) {
  return {1 - std::min(k + c * (1 - k), 1.0), 1 - std::min(k + m * (1 - k), 1.0),
          1 - std::min(k + y * (1 - k), 1.0)};
}

TPDFRGB TPDFSimpleColorManager::CMYKToRGB(double c, double m, double y, double k) const {
  if (!UseCMYKPolynomial) return SimpleCMYKToRGB(c, m, y, k);
  const double t[16] = {1,         c,         m,         y,         k,         c * m,         c * y,
                        c * k,     m * y,     m * k,     y * k,     c * m * y, c * m * k,     c * y * k,
                        m * y * k, c * m * y * k};
  return {Polynomial(kPolyR, t), Polynomial(kPolyG, t), Polynomial(kPolyB, t)};
}

TPDFRGB TPDFSimpleColorManager::LabToRGB(double L, double a, double b) const {
  // NaN components count as 0, as they do when a colour is packed.
  L = Limit(L, 0.0, 100.0);
  a = Limit(a == a ? a : 0.0, ARange[0], ARange[1]);
  b = Limit(b == b ? b : 0.0, BRange[0], BRange[1]);
  const double fy = (L + 16) / 116;
  const double x = LabInverse(fy + a / 500) * WhitePoint[0];
  const double y = LabInverse(fy) * WhitePoint[1];
  const double z = LabInverse(fy - b / 200) * WhitePoint[2];
  return {SrgbGamma(2.0416 * x - 0.565 * y - 0.3447 * z), SrgbGamma(-0.9692 * x + 1.876 * y + 0.0416 * z),
          SrgbGamma(0.0134 * x - 0.1184 * y + 1.0152 * z)};
}

void TPDFSimpleColorManager::SetWhitePoint(double xw, double yw, double zw) {
  if (xw > 0 && yw == 1 && zw > 0) {
    WhitePoint[0] = xw, WhitePoint[1] = yw, WhitePoint[2] = zw;
  } else {
    WhitePoint[0] = 0.9505, WhitePoint[1] = 1.0, WhitePoint[2] = 1.089;
  }
}

void TPDFSimpleColorManager::SetLabRange(double amin, double amax, double bmin, double bmax) {
  ARange[0] = amin, ARange[1] = amax, BRange[0] = bmin, BRange[1] = bmax;
}

int32_t TPDFSimpleColorManager::LabToColor(const TPDFLabColorSpace& space, double L, double a, double b) {
  // The space's own white point is deliberately not taken: the XYZ to sRGB
  // matrix assumes D65, and keeping D65 maps every space's white to white.
  SetWhitePoint(space.WhitePoint[0], -5.0, space.WhitePoint[2]);
  SetLabRange(space.Range[0], space.Range[1], space.Range[2], space.Range[3]);
  const TPDFRGB rgb = LabToRGB(L, a, b);
  return RGBToColor(rgb.R, rgb.G, rgb.B);
}

}  // namespace ostrel
