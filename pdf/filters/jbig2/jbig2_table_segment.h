#pragma once
// Huffman tables carried in the data ("tables" segments), and the selection
// of the tables a symbol dictionary or text region codes its values with:
// a standard table by number, or the next table segment it refers to.
#include <cstdint>
#include <memory>
#include <vector>

#include "pdf/filters/jbig2/jbig2_huffman.h"
#include "pdf/filters/jbig2/jbig2_stream_reader.h"

namespace ostrel {

// A table segment's data: flags, lowest and highest value, then the
// bit-packed prefix and range lengths of its lines.
std::shared_ptr<const THuffmanTable> DecodeTableSegment(TStreamReader& reader);

// The table segments a segment refers to, handed out in referral order to
// the fields whose flags select a user-supplied table.
class TUserTables {
 public:
  explicit TUserTables(std::vector<const THuffmanTable*> tables) : tables_(std::move(tables)) {}
  const THuffmanTable* Next();

 private:
  std::vector<const THuffmanTable*> tables_;
  size_t next_ = 0;
};

// One 2-bit (or 1-bit) selection field of a Huffman flags word: the standard
// table numbers for its values in order, 0 where the value is invalid, and
// kUserTable where it asks for the next user-supplied table.
inline constexpr int kUserTable = -1;
struct TTableChoice {
  int Shift;
  int Width;
  int Tables[4];
};

// The table a flags word chooses for one field; throws for an invalid
// value or a missing user-supplied table.
const THuffmanTable* SelectTable(uint32_t flags, const TTableChoice& choice, TUserTables& user);

}  // namespace ostrel
