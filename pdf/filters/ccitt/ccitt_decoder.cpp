#include "pdf/filters/ccitt/ccitt_decoder.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "pdf/filters/ccitt/ccitt_codes.h"

namespace ostrel {
namespace {

const char kInvalidCode[] = "Invalid code encountered.";
const char kInvalidGroup3[] = "Invalid code encountered while decoding 2D group 3 compressed data.";
const char kInvalidGroup4[] = "Invalid code encountered while decoding 2D group 4 compressed data.";

uint8_t ReverseBits(uint8_t b) {
  b = static_cast<uint8_t>((b & 0xF0) >> 4 | (b & 0x0F) << 4);
  b = static_cast<uint8_t>((b & 0xCC) >> 2 | (b & 0x33) << 2);
  return static_cast<uint8_t>((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

}  // namespace

TOSLCCITTDecoder::TOSLCCITTDecoder(int width, bool fillBits, bool byteAlignedRows, int bitOrder,
                                   int height)
    : width_(width), height_(height), fillBits_(fillBits), byteAligned_(byteAlignedRows) {
  if (bitOrder != 1 && bitOrder != 2) throw ECCITTError("tag must be either 1 or 2.");
  bitOrder_ = bitOrder;
  if (width < 1 || height < 0 ||
      static_cast<uint64_t>(width) * static_cast<uint64_t>(std::max(height, 1)) > kMaxCCITTPixels)
    throw ECCITTError("Image size out of range.");
  rowBytes_ = (static_cast<size_t>(width) + 7) / 8;
  output_.assign(rowBytes_ * static_cast<size_t>(height), 0);
  reference_.assign(3, width_);
}

TOSLCCITTDecoder::TOSLCCITTDecoder(int width, bool fillBits, bool byteAlignedRows, int bitOrder, int height,
                                   TCCITTRowSink sink)
    : width_(width), height_(height), fillBits_(fillBits), byteAligned_(byteAlignedRows), sink_(std::move(sink)) {
  if (bitOrder != 1 && bitOrder != 2) throw ECCITTError("tag must be either 1 or 2.");
  bitOrder_ = bitOrder;
  if (!sink_ || width < 1 || width > kMaxCCITTStreamedWidth || height < 0 ||
      static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > kMaxCCITTStreamedPixels)
    throw ECCITTError("Image size out of range.");
  rowBytes_ = (static_cast<size_t>(width) + 7) / 8;
  output_.assign(rowBytes_, 0);
  reference_.assign(3, width_);
}

// Where the row being decoded is written: its place in the whole bitmap, or
// the single row buffer when rows go to a sink.
uint8_t* TOSLCCITTDecoder::CurrentRow() {
  return sink_ ? output_.data() : output_.data() + static_cast<size_t>(row_) * rowBytes_;
}

void TOSLCCITTDecoder::SetInput(std::string_view input) {
  input_.assign(input);
  if (bitOrder_ == 2)
    for (char& c : input_) c = static_cast<char>(ReverseBits(static_cast<uint8_t>(c)));
  bitPos_ = 0;
  bitCount_ = input_.size() * 8;
}

// The next n (at most 24) bits; past the end of the data they read as zero.
uint32_t TOSLCCITTDecoder::Peek(int n) const {
  size_t byte = bitPos_ >> 3;
  uint32_t word = 0;
  for (size_t i = 0; i < 4; ++i) {
    word <<= 8;
    if (byte + i < input_.size()) word |= static_cast<uint8_t>(input_[byte + i]);
  }
  return (word << (bitPos_ & 7)) >> (32 - n);
}

// One run: make-up codes until a terminating code (below 64). The sum is held
// at the row width so that a long chain of make-up codes cannot overflow.
int TOSLCCITTDecoder::ReadRun(bool black) {
  const TCCITTCode* table = black ? CCITTBlackCodes() : CCITTWhiteCodes();
  int bits = black ? kBlackLookupBits : kWhiteLookupBits;
  int run = 0;
  for (;;) {
    TCCITTCode code = table[Peek(bits)];
    if (code.Length == 0) throw ECCITTError(kInvalidCode);
    if (code.Value == kCCITTEol)
      throw ECCITTError(black ? "EOL code word encountered in Black run."
                              : "EOL code word encountered in White run.");
    Skip(code.Length);
    run = std::min(run + code.Value, width_);
    if (code.Value < 64) return run;
  }
}

void TOSLCCITTDecoder::AddChange(int position) {
  // A valid line changes colour at most once per pixel; more entries can only
  // come from empty runs repeated by damaged data.
  if (current_.size() > 2 * static_cast<size_t>(width_) + 8) throw ECCITTError(kInvalidCode);
  current_.push_back(position);
}

void TOSLCCITTDecoder::FinishRow() {
  current_.insert(current_.end(), 3, width_);
  std::swap(reference_, current_);
  current_.clear();
  ++row_;
  if (byteAligned_) AlignToByte();
  if (sink_) {
    sink_(output_.data());
    std::fill(output_.begin(), output_.end(), 0);
  }
}

// Rows the data did not reach stay white, as they do in the whole bitmap.
void TOSLCCITTDecoder::DeliverRemainingRows() {
  if (!sink_) return;
  for (; row_ < height_; ++row_) {
    sink_(output_.data());
    std::fill(output_.begin(), output_.end(), 0);
  }
}

void TOSLCCITTDecoder::FillBlack(int from, int to) {
  if (from >= to) return;
  uint8_t* row = CurrentRow();
  int firstByte = from >> 3, lastByte = (to - 1) >> 3;
  uint8_t headMask = static_cast<uint8_t>(0xFF >> (from & 7));
  uint8_t tailMask = static_cast<uint8_t>(0xFF << (7 - ((to - 1) & 7)));
  if (firstByte == lastByte) {
    row[firstByte] |= headMask & tailMask;
    return;
  }
  row[firstByte] |= headMask;
  std::memset(row + firstByte + 1, 0xFF, static_cast<size_t>(lastByte - firstByte - 1));
  row[lastByte] |= tailMask;
}

void TOSLCCITTDecoder::DecodeRow1D() {
  int a0 = 0;
  bool black = false;
  while (a0 < width_) {
    int a1 = std::min(a0 + ReadRun(black), width_);
    if (black) FillBlack(a0, a1);
    AddChange(a1);
    a0 = a1;
    black = !black;
  }
}

void TOSLCCITTDecoder::DecodeRow2D(bool groupFour) {
  static const int kVerticalOffset[] = {0, 0, 0, 1, 2, 3, -1, -2, -3};
  const TCCITTCode* modes = CCITTModeCodes();
  int a0 = -1;  // the imaginary position before the first pixel
  bool black = false;
  size_t bi = 0;
  while (a0 < width_) {
    TCCITTCode code = modes[Peek(kModeLookupBits)];
    if (code.Length == 0) {
      // Seven zero bits: an EOL or the end of the data. T.6 ends the row there.
      if (groupFour) break;
      throw ECCITTError(kInvalidGroup3);
    }
    Skip(code.Length);

    // b1: the first change on the reference line right of a0 to the colour
    // opposite the current one (even entries for white, odd for black).
    size_t parity = black ? 1 : 0;
    if ((bi & 1) != parity) bi = bi > 0 ? bi - 1 : 1;
    while (bi >= 2 && reference_[bi - 2] > a0) bi -= 2;
    while (reference_[bi] <= a0) bi += 2;
    int b1 = reference_[bi], b2 = reference_[bi + 1];
    int start = std::max(a0, 0);

    switch (code.Value) {
      case kModePass:
        if (black) FillBlack(start, b2);
        a0 = b2;
        break;
      case kModeHorizontal: {
        int a1 = std::min(start + ReadRun(black), width_);
        int a2 = std::min(a1 + ReadRun(!black), width_);
        if (black) FillBlack(start, a1);
        else FillBlack(a1, a2);
        AddChange(a1);
        AddChange(a2);
        a0 = a2;
        break;
      }
      case kModeExtension:
        if (!groupFour || Peek(3) != 7) throw ECCITTError(groupFour ? kInvalidGroup4 : kInvalidGroup3);
        Skip(3);
        DecodeUncompressed(a0, black);
        break;
      default: {
        int a1 = std::clamp(b1 + kVerticalOffset[code.Value], start, width_);
        if (black) FillBlack(start, a1);
        AddChange(a1);
        a0 = a1;
        black = !black;
        break;
      }
    }
  }
}

// Uncompressed mode: 0^n 1 (n <= 4) is n white pixels and one black, 000001
// five white pixels; 0^n 1 T with 6 <= n <= 10 ends the mode after n - 6
// white pixels, T giving the colour that follows.
void TOSLCCITTDecoder::DecodeUncompressed(int& a0, bool& black) {
  int pos = std::max(a0, 0);
  auto emit = [&](bool pixelBlack) {
    if (pos >= width_) return;
    if (pixelBlack != black) {
      AddChange(pos);
      black = pixelBlack;
    }
    if (black) FillBlack(pos, pos + 1);
    ++pos;
  };
  for (;;) {
    int zeros = 0;
    while (zeros <= 10 && !AtEnd() && Peek(1) == 0) {
      Skip(1);
      ++zeros;
    }
    if (AtEnd() || zeros > 10) throw ECCITTError(kInvalidGroup4);
    Skip(1);
    if (zeros <= 5) {
      for (int i = 0; i < zeros; ++i) emit(false);
      if (zeros < 5) emit(true);
      continue;
    }
    for (int i = 0; i < zeros - 6; ++i) emit(false);
    bool next = Peek(1) != 0;
    Skip(1);
    if (next != black && pos < width_) {
      AddChange(pos);
      black = next;
    }
    a0 = pos;
    return;
  }
}

void TOSLCCITTDecoder::Decode1D(std::string_view input) {
  SetInput(input);
  try {
    for (row_ = 0; row_ < height_;) {
      uint32_t head = Peek(8);
      if (byteAligned_ && head == 1) {
        Skip(8);  // the end of an EOL whose fill bits aligned it to the byte
      } else if (head == 0) {
        while (!AtEnd() && Peek(1) == 0) Skip(1);
        if (AtEnd()) break;
        Skip(1);
      }
      DecodeRow1D();
      FinishRow();
    }
  } catch (const ECCITTError&) {
    // Rows decoded so far stay.
  }
  DeliverRemainingRows();
}

// Moves past the next EOL (at least eleven zero bits and a one), skipping
// whatever precedes it; a tag bit must follow.
void TOSLCCITTDecoder::SkipToEol() {
  int zeros = 0;
  while (!AtEnd()) {
    bool one = Peek(1) != 0;
    Skip(1);
    if (!one) {
      ++zeros;
    } else if (zeros >= 11) {
      if (AtEnd()) break;
      return;
    } else {
      zeros = 0;
    }
  }
  throw ECCITTError("EOL not found");
}

void TOSLCCITTDecoder::Decode2D(std::string_view input) {
  SetInput(input);
  for (row_ = 0; row_ < height_;) {
    SkipToEol();
    bool oneDimensional = Peek(1) != 0;
    Skip(1);
    if (row_ == 0 && !oneDimensional) throw ECCITTError("First scanline must be 1D encoded.");
    if (oneDimensional) DecodeRow1D();
    else DecodeRow2D(false);
    FinishRow();
  }
}

bool TOSLCCITTDecoder::DecodeT6(std::string_view input) {
  SetInput(input);
  reference_.assign(3, width_);
  try {
    for (row_ = 0; row_ < height_;) {
      DecodeRow2D(true);
      FinishRow();
    }
  } catch (const ECCITTError&) {
    std::fill(output_.begin(), output_.end(), 0);
    return false;
  }
  return true;
}

size_t TOSLCCITTDecoder::ConsumedBytes() {
  if (Peek(24) == 0x001001) Skip(24);
  return std::min((bitPos_ + 7) / 8, input_.size());
}

namespace {

// Runs the coding K selects: T.6 below 0, one-dimensional T.4 at 0,
// two-dimensional T.4 above. Errors leave as ECCITTError.
void DecodeByK(TOSLCCITTDecoder& decoder, std::string_view data, int k) {
  if (k < 0) {
    if (!decoder.DecodeT6(data)) throw ECCITTError(kInvalidGroup4);
  } else if (k == 0) {
    decoder.Decode1D(data);
  } else {
    decoder.Decode2D(data);
  }
}

}  // namespace

bool CCITTFaxDecodeRows(std::string_view data, int k, int columns, int rows, bool encodedByteAlign,
                        const TCCITTRowSink& sink, std::string* error) {
  std::optional<TOSLCCITTDecoder> decoder;
  try {
    decoder.emplace(columns, false, encodedByteAlign, 1, rows, sink);
    DecodeByK(*decoder, data, k);
  } catch (const ECCITTError& e) {
    if (error) *error = e.what();
    if (!decoder || k <= 0) return false;
    // Two-dimensional T.4 keeps the rows decoded before the error.
    decoder->DeliverRemainingRows();
  }
  return true;
}

std::vector<uint8_t> CCITTFaxDecode(std::string_view data, int k, int columns, int rows,
                                    bool encodedByteAlign, std::string* error) {
  std::optional<TOSLCCITTDecoder> decoder;
  try {
    decoder.emplace(columns, false, encodedByteAlign, 1, rows);
    DecodeByK(*decoder, data, k);
  } catch (const ECCITTError& e) {
    if (error) *error = e.what();
    // Two-dimensional T.4 keeps the rows decoded before the error.
    if (!decoder || k <= 0) return {};
  }
  return decoder->Output();
}

}  // namespace ostrel
