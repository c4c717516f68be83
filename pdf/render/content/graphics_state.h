#pragma once
// The graphics state of the content interpreter, copied by value on q and
// restored on Q.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "pdf/render/content/render_matrix.h"

namespace ostrel {

class TPDFObject;
class TPDFDictionary;

struct TPDFGraphicsState {
  double CurrentX = 110, CurrentY = 700;  // device pixels
  int32_t FillColor = 0;                  // 0x00BBGGRR
  std::array<double, 4> FillCMYK{};
  int32_t StrokeColor = 0;
  std::string FillSpace = "DeviceGray";
  std::string StrokeSpace = "DeviceGray";
  // The pattern chosen with scn / SCN in a pattern space (the resource
  // value as found, a reference or the object); FillColor and StrokeColor
  // then hold the colour an uncoloured pattern is painted in.
  TPDFObject* FillPattern = nullptr;
  TPDFObject* StrokePattern = nullptr;
  double LineWidth = 1.0;
  int32_t LineCap = 0;
  int32_t LineJoin = 0;
  double MiterLimit = 10.0;
  TPDFMatrix StateCTM = kIdentityMatrix;
  TPDFMatrix TextMatrix = kIdentityMatrix;
  TPDFMatrix LineMatrix = kIdentityMatrix;
  double HorizontalScaling = 100;
  double FontSize = 12;
  // A resource name with its slash, or a reference written "n g R".
  std::string FontName;
  double Leading = 0;
  double CharSpacing = 0;
  double WordSpacing = 0;
  double Rise = 0;
  int32_t RenderMode = 0;
  double StrokeAlpha = 1.0;
  double FillAlpha = 1.0;
  uint8_t BlendMode = 0;  // a TBlendMode
  // The soft mask of /SMask in an ExtGState, with the CTM in force when it
  // was set (its group is drawn in that space); nullptr for none.
  TPDFDictionary* SoftMask = nullptr;
  TPDFMatrix SoftMaskCTM = kIdentityMatrix;
  int32_t ClipRegion = 0;  // canvas clip handle
  double DashPhase = 0;
  std::vector<double> DashArray;
};

}  // namespace ostrel
