#pragma once
// Colour conversion as the content interpreter needs it. The device spaces
// convert here; the space objects of Separation, DeviceN and Lab arrays are
// made by a colour converter installed on the renderer (the colour manager of
// the colour layer), which this default does not provide.
#include <cstdint>
#include <string>
#include <vector>

namespace ostrel {

class TPDFArray;

class TPDFRenderColors {
 public:
  virtual ~TPDFRenderColors() = default;

  // Components in 0..1 (clamped here, NaN read as 0) to 0x00BBGGRR.
  virtual int32_t RGBToColor(double r, double g, double b) const;
  virtual void CMYKToRGB(double c, double m, double y, double k, double& r, double& g, double& b) const;
  int32_t GrayToColor(double gray) const { return RGBToColor(gray, gray, gray); }

  // A colour-space object for a Separation, DeviceN or Lab array found in
  // the resources under resourceName. Returns an identifier (>= 0) to pass
  // to the two operations below, or -1 when the space is not supported.
  virtual int CreateSpace(const std::string& kind, const std::string& resourceName, TPDFArray* space) {
    return -1;
  }
  // Number of operands a colour of the space takes.
  virtual int ComponentCount(int spaceId) const { return 1; }
  // The colour of the components (in operand order) in the space.
  virtual int32_t SpaceColor(int spaceId, const std::vector<double>& components) { return 0; }
};

// A colour component clamped to 0..1, NaN read as 0.
double ClampUnit(double v);
// round(v * 255) half to even after clamping.
int UnitToByte(double v);

}  // namespace ostrel
