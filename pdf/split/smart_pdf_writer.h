#pragma once
// Writes objects under their own numbers into a new PDF file held in memory,
// then one classic cross-reference table for all of them.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

class TPDFDictionary;
class TPDFObject;

class TSmartPDFWriter {
 public:
  // "%PDF-" version, then a comment of four bytes above 127 so that the file
  // is taken for binary.
  void WriteHeader(std::string_view version);
  // "n g obj", the text, "endobj".
  void WriteObject(int32_t number, int32_t generation, std::string_view text);
  // The same with the value's PDF text; nullptr writes null.
  void WriteObject(int32_t number, int32_t generation, const TPDFObject* value);
  // The table from 0 to the highest number written (free entries chained in
  // ascending order), the trailer with its /Size set, and "startxref".
  void WriteXrefAndTrailer(TPDFDictionary* trailer);

  const std::string& Bytes() const { return out_; }
  std::string& Bytes() { return out_; }

 private:
  struct Written {
    int32_t Number;
    int32_t Generation;
    int64_t Offset;
  };
  void BeginObject(int32_t number, int32_t generation);
  void EndObject();

  std::string out_;
  std::vector<Written> written_;
};

}  // namespace ostrel
