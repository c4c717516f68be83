#pragma once
// Where the raw data of a stream lies in the text around it: the line break
// after "stream" and data whose /Length is wrong. The document's object
// table, its cross-reference streams and the direct-access reader all find
// stream data by these rules.
#include <cstddef>
#include <string_view>

namespace ostrel {

// The first data byte after a "stream" keyword that ends at afterKeyword:
// spaces, tabs, NULs and form feeds are passed over, then one CR LF, CR or
// LF must follow. npos when no line break does.
size_t StreamDataStart(std::string_view text, size_t afterKeyword);

// The data from start up to the last "endstream" of the text, less the line
// break in front of it: where the data ends when /Length cannot say. False
// when there is no "endstream" after start.
bool DataUpToEndstream(std::string_view text, size_t start, std::string_view& data);

// How many bytes of data a stream declared `declared` bytes long holds, when
// the declared end lies within the text: bytes between that end and the next
// "endstream" belong to the data, the keyword itself never does. npos when no
// "endstream" follows.
size_t StreamDataLength(std::string_view text, size_t start, size_t declared);

}  // namespace ostrel
