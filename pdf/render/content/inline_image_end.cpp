#include "pdf/render/content/inline_image_end.h"

#include <zlib.h>

#include <algorithm>
#include <charconv>
#include <string>
#include <vector>

#include "pdf/render/content/content_tokenizer.h"

namespace ostrel {
namespace {

// The keys of the dictionary that decide where the data ends.
struct TInlineKeys {
  std::string Filter;  // one name, or the names of an array joined by spaces
  bool FilterIsArray = false;
  long long Width = 0, Height = 0, Bits = 8;
  int Components = 1;
  bool ImageMask = false;
};

std::string Expand(std::string_view name) {
  static constexpr std::pair<std::string_view, std::string_view> kShort[] = {
      {"AHx", "ASCIIHexDecode"}, {"A85", "ASCII85Decode"}, {"LZW", "LZWDecode"}, {"Fl", "FlateDecode"},
      {"RL", "RunLengthDecode"}, {"CCF", "CCITTFaxDecode"}, {"DCT", "DCTDecode"},
      {"G", "DeviceGray"}, {"RGB", "DeviceRGB"}, {"CMYK", "DeviceCMYK"}, {"I", "Indexed"}};
  for (const auto& [abbreviation, full] : kShort) {
    if (name == abbreviation) return std::string(full);
  }
  return std::string(name);
}

long long Number(std::string_view token) {
  long long value = 0;
  std::from_chars(token.data(), token.data() + token.size(), value);
  return value;
}

TInlineKeys ReadKeys(std::string_view dict) {
  // Tokens: names, numbers, booleans and the brackets of arrays.
  std::vector<std::string_view> tokens;
  for (size_t i = 0; i < dict.size();) {
    if (IsPdfWhiteSpace(dict[i])) {
      ++i;
      continue;
    }
    size_t start = i++;
    if (dict[start] != '[' && dict[start] != ']') {
      while (i < dict.size() && !EndsContentWord(dict[i])) ++i;
    }
    tokens.push_back(dict.substr(start, i - start));
  }
  TInlineKeys keys;
  for (size_t i = 0; i + 1 < tokens.size(); ++i) {
    std::string key = Expand(tokens[i].substr(tokens[i].starts_with('/') ? 1 : 0));
    std::string_view value = tokens[i + 1];
    if (key == "W" || key == "Width") keys.Width = Number(value);
    if (key == "H" || key == "Height") keys.Height = Number(value);
    if (key == "BPC" || key == "BitsPerComponent") keys.Bits = Number(value);
    if (key == "IM" || key == "ImageMask") keys.ImageMask = value == "true";
    if (key == "CS" || key == "ColorSpace") {
      std::string space = Expand(value.substr(value.starts_with('/') ? 1 : 0));
      keys.Components = space == "DeviceRGB" ? 3 : space == "DeviceCMYK" ? 4 : 1;
    }
    if (key == "F" || key == "Filter") {
      if (value != "[") {
        keys.Filter = Expand(value.substr(1));
      } else {
        keys.FilterIsArray = true;
        for (size_t k = i + 2; k < tokens.size() && tokens[k] != "]"; ++k) {
          if (!keys.Filter.empty()) keys.Filter += ' ';
          keys.Filter += Expand(tokens[k].substr(tokens[k].starts_with('/') ? 1 : 0));
        }
      }
    }
  }
  if (keys.ImageMask) keys.Bits = 1, keys.Components = 1;
  return keys;
}

// Bytes of unfiltered samples, 0 when the sizes make no sense.
size_t ImpliedSize(const TInlineKeys& keys) {
  if (keys.Width <= 0 || keys.Height <= 0 || keys.Bits <= 0 || keys.Bits > 16) return 0;
  if (keys.Width > (1LL << 28) || keys.Height > (1LL << 28)) return 0;
  long long row = (keys.Width * keys.Bits * keys.Components + 7) / 8;
  long long total = row * keys.Height;
  return total > (1LL << 40) ? 0 : static_cast<size_t>(total);
}

// The first "EI" at or after `from` that is followed by white space (or ends
// the text) and is not glued to a preceding word.
size_t NextEI(std::string_view rest, size_t from) {
  for (size_t i = from; i + 1 < rest.size(); ++i) {
    if (rest[i] != 'E' || rest[i + 1] != 'I') continue;
    bool blankBefore = i == 0 || IsPdfWhiteSpace(rest[i - 1]) || i == from;
    bool blankAfter = i + 2 >= rest.size() || IsPdfWhiteSpace(rest[i + 2]);
    if (blankBefore && blankAfter) return i;
  }
  return std::string_view::npos;
}

// End of a JPEG stream: segments skipped by their lengths up to the scan,
// then the entropy-coded data up to the end marker. npos when malformed.
size_t JpegEnd(std::string_view data) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(data[i]); };
  if (data.size() < 4 || byte(0) != 0xFF || byte(1) != 0xD8) return std::string_view::npos;
  size_t i = 2;
  while (i + 4 <= data.size()) {
    if (byte(i) != 0xFF) return std::string_view::npos;
    unsigned char marker = byte(i + 1);
    if (marker == 0xFF) {
      ++i;
      continue;
    }
    size_t length = (size_t{byte(i + 2)} << 8) | byte(i + 3);
    if (marker != 0xDA) {
      i += 2 + length;
      continue;
    }
    // Entropy-coded data: stuffed 0xFF 0x00 and restart markers belong to it.
    size_t next = std::string_view::npos;
    for (size_t k = i + 2 + length; k + 1 < data.size(); ++k) {
      if (byte(k) != 0xFF) continue;
      unsigned char code = byte(k + 1);
      if (code == 0 || (code >= 0xD0 && code <= 0xD7) || code == 0xFF) continue;
      if (code == 0xD9) return k + 2;
      next = k;  // another segment, as between the scans of a progressive JPEG
      break;
    }
    if (next == std::string_view::npos) return std::string_view::npos;
    i = next;
  }
  return std::string_view::npos;
}

// The first EI candidate whose preceding bytes inflate to at least `wanted`
// bytes. The stream is inflated once, the output counted at each candidate.
size_t FlateEnd(std::string_view rest, size_t wanted) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return std::string_view::npos;
  unsigned char scratch[16384];
  size_t fed = 0;
  size_t produced = 0;
  bool finished = false;
  size_t result = std::string_view::npos;
  for (size_t candidate = NextEI(rest, 0); candidate != std::string_view::npos;
       candidate = NextEI(rest, candidate + 2)) {
    // Feed the bytes up to this candidate.
    while (!finished && fed < candidate) {
      z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(rest.data() + fed));
      z.avail_in = static_cast<uInt>(std::min<size_t>(candidate - fed, 1 << 20));
      size_t before = z.avail_in;
      do {
        z.next_out = scratch;
        z.avail_out = sizeof scratch;
        int status = inflate(&z, Z_NO_FLUSH);
        produced += sizeof scratch - z.avail_out;
        if (status == Z_STREAM_END) finished = true;
        if (status != Z_OK && status != Z_BUF_ERROR) {
          finished = true;
          break;
        }
      } while (z.avail_out == 0);
      fed += before - z.avail_in;
      if (before == z.avail_in && !finished) break;  // no progress: needs more input
    }
    if (produced + 3 >= wanted) {
      result = candidate;
      break;
    }
  }
  inflateEnd(&z);
  return result;
}

}  // namespace

bool FindInlineImageEnd(std::string_view dict, std::string_view rest, size_t& dataLength, size_t& eiPos) {
  TInlineKeys keys = ReadKeys(dict);
  size_t ei = std::string_view::npos;
  size_t end = std::string_view::npos;
  if (!keys.FilterIsArray && keys.Filter == "DCTDecode") {
    end = JpegEnd(rest);
    if (end != std::string_view::npos) ei = NextEI(rest, end);
  } else if (keys.FilterIsArray && keys.Filter == "ASCII85Decode FlateDecode") {
    size_t marker = rest.find("~>");
    if (marker != std::string_view::npos) {
      end = marker + 2;
      ei = NextEI(rest, end);
    }
  } else if (!keys.FilterIsArray && keys.Filter == "FlateDecode") {
    if (size_t implied = ImpliedSize(keys)) ei = FlateEnd(rest, implied);
  } else if (keys.Filter.empty()) {
    size_t implied = ImpliedSize(keys);
    if (implied > 0 && implied <= rest.size()) ei = NextEI(rest, implied);
  }
  if (ei == std::string_view::npos) {
    end = std::string_view::npos;
    ei = NextEI(rest, 0);
  }
  if (ei == std::string_view::npos) return false;
  if (end == std::string_view::npos) {
    end = ei;
    if (end > 0 && IsPdfWhiteSpace(rest[end - 1])) --end;
  }
  dataLength = std::min(end, ei);
  eiPos = ei;
  return true;
}

}  // namespace ostrel
