#pragma once
// The file name of one rendered page, made from the caller's pattern.
#include <string>
#include <string_view>

namespace ostrel {

// Every "%p" in the pattern becomes the page number. Without "%p", the number
// goes right before the extension of the last path component, or at the end
// when that component has no extension: "out/report.png" -> "out/report2.png",
// "out.d/scan" -> "out.d/scan2".
std::string PageOutputName(std::string_view pattern, int page);

}  // namespace ostrel
