#pragma once
// Thin wrappers over zlib for whole byte strings (zlib format: two-byte
// header and Adler-32 trailer, not raw deflate).
#include <cstddef>
#include <string>
#include <string_view>

#include <zlib.h>

namespace ostrel {

// Inflates `data`. Corrupt or truncated input keeps everything decoded before
// the damage; other zlib failures (bad header, preset dictionary, memory) give
// an empty result. Output stops at `maxOutput` bytes. `complete`, when given,
// says whether the stream ended properly within the bound.
std::string ZlibInflate(std::string_view data, size_t maxOutput, bool* complete = nullptr);

// Deflates `data` at `level`; an empty string when zlib fails.
std::string ZlibDeflate(std::string_view data, int level = Z_DEFAULT_COMPRESSION);

}  // namespace ostrel
