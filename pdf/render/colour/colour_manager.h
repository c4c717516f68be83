#pragma once
// Colour conversion to the canvas's packed form 0x00BBGGRR: device CMYK and
// CIE Lab to RGB, and the one packer every colour goes through.
#include <cstdint>

namespace ostrel {

struct TPDFRGB {
  double R = 0, G = 0, B = 0;
};

// One channel 0..1 as a byte: clamped to 0..1 (NaN counts as 0), scaled by
// 255 and rounded half to even. Out-of-range inputs must never carry into a
// neighbouring channel of the packed value.
uint8_t ColorChannelByte(double v);
// r, g, b (0..1) packed as b << 16 | g << 8 | r, each through ColorChannelByte.
int32_t PackColor(double r, double g, double b);
inline int32_t PackGray(double g) { return PackColor(g, g, g); }

// The naive conversion r = 1 - min(K + C(1 - K), 1) and so on: DeviceN
// spaces with a CMYK alternate use it, and the manager when the polynomial
// is switched off.
TPDFRGB SimpleCMYKToRGB(double c, double m, double y, double k);

class TPDFColorManager {
 public:
  virtual ~TPDFColorManager() = default;
  virtual TPDFRGB CMYKToRGB(double c, double m, double y, double k) const = 0;
  virtual int32_t RGBToColor(double r, double g, double b) const = 0;
  virtual TPDFRGB LabToRGB(double L, double a, double b) const = 0;
};

class TPDFLabColorSpace;

class TPDFSimpleColorManager final : public TPDFColorManager {
 public:
  TPDFRGB CMYKToRGB(double c, double m, double y, double k) const override;
  int32_t RGBToColor(double r, double g, double b) const override { return PackColor(r, g, b); }
  TPDFRGB LabToRGB(double L, double a, double b) const override;

  // Accepted only when xw > 0, yw == 1 and zw > 0; anything else restores
  // the D65 white the manager starts with.
  void SetWhitePoint(double xw, double yw, double zw);
  void SetLabRange(double amin, double amax, double bmin, double bmax);
  // A Lab colour of the given space: its a*/b* ranges become the manager's,
  // the white point stays D65 so that L = 100 is paper white.
  int32_t LabToColor(const TPDFLabColorSpace& space, double L, double a, double b);

  uint8_t UseCMYKPolynomial = 1;
  double WhitePoint[3] = {0.9505, 1.0, 1.089};
  double ARange[2] = {-128, 127};
  double BRange[2] = {-128, 127};
};

}  // namespace ostrel
