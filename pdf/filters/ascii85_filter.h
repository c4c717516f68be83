#pragma once
// ASCII85Decode: base-85 text, "z" for four zero bytes, ended by "~>".
#include <string>
#include <string_view>

namespace ostrel {

// Decodes up to the first "~>". Without that end marker the result is empty;
// a group whose value does not fit in 32 bits gives four zero bytes.
std::string ASCII85Decode(std::string_view data);
inline std::string Ascii85Decode(std::string_view data) { return ASCII85Decode(data); }

}  // namespace ostrel
