#pragma once
// Splitting paths into folder, name and extension the way the converter names
// its outputs: "/" separates folders, an extension starts at the last "." of
// the last component.
#include <string>

namespace drevlin {

std::string FileNamePart(const std::string& path);
std::string DirectoryPart(const std::string& path);  // with its trailing "/", or ""
// Name up to, not including, its last "."; empty when there is none.
std::string BaseNameOf(const std::string& name);
// path without the extension of its last component (folders may hold dots).
std::string StripExtension(const std::string& path);
std::string ReplaceExtension(const std::string& name, const std::string& extension);

}  // namespace drevlin
