#include "pdf/render/output/page_output_name.h"

namespace ostrel {

std::string PageOutputName(std::string_view pattern, int page) {
  const std::string number = std::to_string(page);
  std::string name;
  if (pattern.find("%p") != std::string_view::npos) {
    for (size_t i = 0; i < pattern.size(); ++i) {
      if (pattern.compare(i, 2, "%p") == 0) {
        name += number;
        ++i;
      } else {
        name += pattern[i];
      }
    }
    return name;
  }
  size_t slash = pattern.find_last_of('/');
  size_t componentStart = slash == std::string_view::npos ? 0 : slash + 1;
  size_t dot = pattern.find_last_of('.');
  if (dot == std::string_view::npos || dot < componentStart) dot = pattern.size();
  name.reserve(pattern.size() + number.size());
  name.append(pattern.substr(0, dot)).append(number).append(pattern.substr(dot));
  return name;
}

}  // namespace ostrel
