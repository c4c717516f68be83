#pragma once
// ASCIIHexDecode: the content-stream hexadecimal decoder over the stream data.
#include <string>
#include <string_view>

namespace ostrel {

std::string AsciiHexDecode(std::string_view data);

}  // namespace ostrel
