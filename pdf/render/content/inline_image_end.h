#pragma once
// Where the data of an inline image ends. Binary image data may contain the
// bytes "EI" anywhere, so the end is found by the data's own structure where
// the filter gives one: the JPEG end marker, the ASCII85 end "~>", the
// deflate stream's output size, or the size of unfiltered samples.
#include <cstddef>
#include <string_view>

namespace ostrel {

// The dictionary text between BI and ID, and the text from the first data
// byte on. Returns the length of the data and sets eiPos to the position of
// the closing "EI" (both relative to `rest`); false when no EI is found.
bool FindInlineImageEnd(std::string_view dict, std::string_view rest, size_t& dataLength, size_t& eiPos);

}  // namespace ostrel
