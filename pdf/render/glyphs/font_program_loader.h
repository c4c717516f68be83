#pragma once
// The font collection's hook for font programs: chooses and builds the glyph
// rasterizer of each font it loads.
#include <memory>

#include "pdf/text/font_collection.h"

namespace ostrel {

class TSystemFonts;

// A loader for fonts (set it as fonts.OnLoadFontProgram). systemFonts finds
// substitutes for fonts that are not embedded; nullptr uses fontconfig's
// current configuration.
TFontProgramLoader MakeFontProgramLoader(TPDFFontCollection& fonts, std::shared_ptr<TSystemFonts> systemFonts = nullptr);

// The built-in Dingbats font, read once per process (nullptr when absent).
std::shared_ptr<const std::string> BuiltInDingbatsFont();

}  // namespace ostrel
