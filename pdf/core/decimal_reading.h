#pragma once
// The decimal reading shared by the object parser and the content-stream
// readers: plain decimal numbers only, never an exponent or a "+".
#include <string_view>

namespace ostrel {

// Reads text (surrounding white space ignored) made of digits, at most one
// point and an optional leading minus; any other text reads as 0. Without a
// point the digits are a 64-bit integer (0 on overflow). With a point only the
// first nine fraction digits count, so 3.1415926535 reads as 3.141592653.
double ReadDecimal(std::string_view text);

}  // namespace ostrel
