#pragma once
// CCITTFaxDecode: T.4 one- and two-dimensional (Group 3) and T.6 (Group 4)
// data into packed rows of (width + 7) / 8 bytes, 1 for black, 0 for white.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

// A decoding failure, with the message the image decoder reports.
class ECCITTError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Bitmaps larger than this are refused before anything is allocated.
inline constexpr uint64_t kMaxCCITTPixels = uint64_t{1} << 28;
// Rows handed to a sink hold only one row at a time, so larger images can be
// decoded; width and row count are still bounded, as the time spent is.
inline constexpr int kMaxCCITTStreamedWidth = 1 << 24;
inline constexpr uint64_t kMaxCCITTStreamedPixels = uint64_t{1} << 32;

// Receives each decoded row in order: RowBytes() bytes, 1 for black.
using TCCITTRowSink = std::function<void(const uint8_t* row)>;

class TOSLCCITTDecoder {
 public:
  // bitOrder 1: most significant bit of each byte first; 2: least first.
  // Throws ECCITTError for another bit order, a width below 1, a negative
  // height or more than kMaxCCITTPixels pixels.
  TOSLCCITTDecoder(int width, bool fillBits, bool byteAlignedRows, int bitOrder, int height);
  // The same, handing every row to sink as soon as it is complete; Output()
  // then holds only the row being decoded. Rows the data does not reach are
  // delivered white, so the sink always sees height rows after a success.
  // Bounds: kMaxCCITTStreamedWidth and kMaxCCITTStreamedPixels.
  TOSLCCITTDecoder(int width, bool fillBits, bool byteAlignedRows, int bitOrder, int height, TCCITTRowSink sink);

  // Modified Huffman rows (K = 0). Stops quietly at the first error; the rows
  // decoded before it stay.
  void Decode1D(std::string_view input);
  // T.4 rows each behind an EOL, one- or two-dimensional (K > 0). Throws
  // ECCITTError; rows decoded before the error stay in Output().
  void Decode2D(std::string_view input);
  // T.6 rows (K < 0). On error the output is cleared to zero and the result
  // is false.
  bool DecodeT6(std::string_view input);

  // Streaming only: after Decode2D threw, hands the row it stopped in (as
  // far as it got) and every later row, white, to the sink, so that the
  // sink sees what the whole bitmap would hold.
  void DeliverRemainingRows();

  int Width() const { return width_; }
  int Height() const { return height_; }
  size_t RowBytes() const { return rowBytes_; }
  const std::vector<uint8_t>& Output() const { return output_; }
  // Bytes of input used so far, counting a partly used byte and skipping an
  // end-of-facsimile-block (two EOLs) right after the last row.
  size_t ConsumedBytes();

 private:
  void SetInput(std::string_view input);
  uint32_t Peek(int n) const;
  void Skip(int n) { bitPos_ += n; }
  bool AtEnd() const { return bitPos_ >= bitCount_; }
  void AlignToByte() { bitPos_ = (bitPos_ + 7) & ~size_t{7}; }

  int ReadRun(bool black);
  void StartRow();
  void FinishRow();
  void AddChange(int position);
  void FillBlack(int from, int to);
  void DecodeRow1D();
  void DecodeRow2D(bool groupFour);
  void DecodeUncompressed(int& a0, bool& black);
  void SkipToEol();
  uint8_t* CurrentRow();

  int width_;
  int height_;
  bool fillBits_;
  int bitOrder_ = 1;
  bool byteAligned_;
  size_t rowBytes_;
  std::vector<uint8_t> output_;
  TCCITTRowSink sink_;

  std::string input_;
  size_t bitPos_ = 0;
  size_t bitCount_ = 0;

  int row_ = 0;
  // Changing elements: even entries turn white to black, odd black to white;
  // each line ends with sentinels at the width.
  std::vector<int> reference_;
  std::vector<int> current_;
};

// The choice the image decoder makes from /K: negative T.6, zero
// one-dimensional T.4, positive two-dimensional T.4. Returns the packed rows
// (1 = black). On failure *error is set and the result is empty, except for
// two-dimensional T.4, which keeps the rows decoded before the error.
std::vector<uint8_t> CCITTFaxDecode(std::string_view data, int k, int columns, int rows,
                                    bool encodedByteAlign, std::string* error = nullptr);
// The same choice with the rows streamed to sink (see the streaming
// constructor). False on failure with *error set; two-dimensional T.4 then
// still delivers the rows decoded before the error, followed by white rows,
// and counts as a success, as CCITTFaxDecode keeps those rows.
bool CCITTFaxDecodeRows(std::string_view data, int k, int columns, int rows, bool encodedByteAlign,
                        const TCCITTRowSink& sink, std::string* error = nullptr);

}  // namespace ostrel
