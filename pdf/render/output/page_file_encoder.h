#pragma once
// One shape for every page file format: a rendered page in, the bytes of its
// file out. The page loop picks the encoder for a format from one table, so a
// new format is one more row there.
#include <string>

#include "platform/bitmap.h"

namespace ostrel {

struct TPageOutputSettings;

// The complete file of a page. Throws std::runtime_error when the encoding
// library fails.
using TPageFileEncoder = std::string (*)(const Bitmap& page, const TPageOutputSettings& settings);

// The encoder of a format code (TPageOutputFormat); nullptr for a code that
// names no supported format.
TPageFileEncoder PageFileEncoder(int format);

}  // namespace ostrel
