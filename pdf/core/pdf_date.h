#pragma once
// Dates in PDF form and the short unique tags of resource names.
#include <string>

namespace ostrel {

// "D:yyyymmddhhmmss" and the offset from universal time ("Z", or +hh'mm').
std::string FormatPDFDate();

// Eight lower-case hexadecimal characters, unique per call: the start of the
// MD5 of a random GUID and the current time.
std::string NewNameTag();

}  // namespace ostrel
