#include "pdf/filters/ascii_hex_filter.h"

#include "pdf/core/content_strings.h"

namespace ostrel {

std::string AsciiHexDecode(std::string_view data) {
  std::string wrapped;
  wrapped.reserve(data.size() + 2);
  wrapped.push_back('<');
  // The stream's own ">" end marker ends the data; what follows is not hex.
  wrapped.append(data.substr(0, data.find('>')));
  wrapped.push_back('>');
  return ContentHexDecode(wrapped);
}

}  // namespace ostrel
