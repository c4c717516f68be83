// Compact font program INDEX structures and the dictionary-to-text rewriting.
#include "pdf/text/fonts/cff_index.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "pdf/text/fonts/cff_standard_strings.h"
#include "pdf/text/fonts/font_program_bytes.h"
#include "pdf/text/fonts/font_program_limits.h"

namespace ostrel {

std::vector<std::string_view> ReadCFFIndex(std::string_view data, size_t pos, size_t& end) {
  std::vector<std::string_view> items;
  end = data.size();
  TFontByteReader r(data, pos);
  uint16_t count = r.U16();
  if (r.Overrun()) return items;
  if (count == 0) {
    end = r.Pos();
    return items;
  }
  uint8_t offSize = r.U8();
  if (offSize < 1 || offSize > 4) return items;
  // The offsets themselves must fit before anything is reserved for them.
  if ((size_t(count) + 1) * offSize > r.Remaining()) return items;
  std::vector<uint32_t> offsets(size_t(count) + 1);
  for (auto& o : offsets) o = r.Offset(offSize);
  size_t base = r.Pos() - 1;  // offsets count from 1
  if (offsets[0] != 1) return items;
  for (size_t i = 1; i < offsets.size(); ++i)
    if (offsets[i] < offsets[i - 1]) return items;
  if (offsets.back() > data.size() - base) return items;
  items.reserve(count);
  for (size_t i = 0; i < count; ++i) items.push_back(data.substr(base + offsets[i], offsets[i + 1] - offsets[i]));
  end = base + offsets.back();
  return items;
}

namespace {

enum TOperandKind { kNumber, kArray, kString, kROS };

struct TDictOperator {
  int Code;  // 0..21, or 1200 + second byte of an escaped operator
  const char* Name;
  TOperandKind Kind;
  bool Private;
};

constexpr TDictOperator kOperators[] = {
    {0, "version", kString, false},        {1, "Notice", kString, false},
    {2, "FullName", kString, false},       {3, "FamilyName", kString, false},
    {4, "Weight", kString, false},         {5, "FontBBox", kArray, false},
    {13, "UniqueID", kNumber, false},      {14, "XUID", kArray, false},
    {15, "charset", kNumber, false},       {16, "Encoding", kNumber, false},
    {17, "CharStrings", kNumber, false},   {18, "Private", kArray, false},
    {1200, "Copyright", kString, false},   {1201, "isFixedPitch", kNumber, false},
    {1202, "italicAngle", kNumber, false}, {1203, "UnderlinePosition", kNumber, false},
    {1204, "UnderlineThickness", kNumber, false}, {1205, "PaintType", kNumber, false},
    {1206, "CharstringType", kNumber, false},     {1207, "FontMatrix", kArray, false},
    {1208, "StrokeWidth", kNumber, false},  {1220, "SyntheticBase", kNumber, false},
    {1221, "PostScript", kString, false},   {1222, "BaseFontName", kString, false},
    {1223, "BaseFontBlend", kArray, false}, {1230, "ROS", kROS, false},
    {1231, "CIDFontVersion", kNumber, false}, {1232, "CIDFontRevision", kNumber, false},
    {1233, "CIDFontType", kNumber, false},  {1234, "CIDCount", kNumber, false},
    {1235, "UIDBase", kNumber, false},      {1236, "FDArray", kNumber, false},
    {1237, "FDSelect", kNumber, false},     {1238, "FontName", kString, false},
    {6, "BlueValues", kArray, true},        {7, "OtherBlues", kArray, true},
    {8, "FamilyBlues", kArray, true},       {9, "FamilyOtherBlues", kArray, true},
    {10, "StdHW", kNumber, true},           {11, "StdVW", kNumber, true},
    {1209, "BlueScale", kNumber, true},     {1210, "BlueShift", kNumber, true},
    {1211, "BlueFuzz", kNumber, true},      {1212, "StemSnapH", kArray, true},
    {1213, "StemSnapV", kArray, true},      {1214, "ForceBold", kNumber, true},
    {1217, "LanguageGroup", kNumber, true}, {1218, "ExpansionFactor", kNumber, true},
    {1219, "initialRandomSeed", kNumber, true}, {19, "Subrs", kNumber, true},
    {20, "defaultWidthX", kNumber, true},   {21, "nominalWidthX", kNumber, true},
};

const TDictOperator* FindOperator(int code, bool isPrivate) {
  for (const TDictOperator& op : kOperators)
    if (op.Code == code && op.Private == isPrivate) return &op;
  return nullptr;
}

std::string NumberText(double v) {
  char buf[400];  // room for any double in fixed notation
  if (!std::isfinite(v)) return "0";
  if (std::abs(v) < 1e15 && v == double(int64_t(v))) {
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, int64_t(v));
    return std::string(buf, end);
  }
  // The object parser reads at most nine fraction digits and no exponent.
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 9);
  std::string s(buf, end);
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s;
}

// A PDF literal string; parentheses and backslashes are escaped so that a
// Notice holding ")" cannot end the string early and break the dictionary.
std::string EscapedString(std::string_view s) {
  std::string out = "(";
  for (char c : s) {
    if (c == '(' || c == ')' || c == '\\') out.push_back('\\');
    out.push_back(c);
  }
  out.push_back(')');
  return out;
}

std::string StringOf(double sid, const std::vector<std::string_view>& strings) {
  int64_t n = FontProgramInteger(sid);
  if (n >= 0 && n < kCFFStandardStringCount) return CFFStandardString(int(n));
  if (n >= kCFFStandardStringCount && size_t(n - kCFFStandardStringCount) < strings.size())
    return std::string(strings[size_t(n - kCFFStandardStringCount)]);
  return {};
}

double ReadReal(TFontByteReader& r) {
  std::string text;
  for (bool done = false; !done && !r.Overrun() && text.size() < 64;) {
    uint8_t b = r.U8();
    for (int nibble : {b >> 4, b & 15}) {
      if (nibble <= 9) text.push_back(char('0' + nibble));
      else if (nibble == 10) text.push_back('.');
      else if (nibble == 11) text.push_back('E');
      else if (nibble == 12) text += "E-";
      else if (nibble == 14) text.push_back('-');
      else if (nibble == 15) { done = true; break; }
    }
  }
  double v = 0;
  std::from_chars(text.data(), text.data() + text.size(), v);
  return std::isfinite(v) ? v : 0;
}

}  // namespace

std::string CFFDictToText(std::string_view dict, const std::vector<std::string_view>& strings, bool isPrivate) {
  // A dictionary holds at most 48 operands per operator.
  constexpr size_t kMaxOperands = 48;
  std::string out = "<< ";
  std::vector<double> operands;
  TFontByteReader r(dict);
  while (r.Remaining() > 0) {
    uint8_t b = r.U8();
    if (b <= 21) {
      int code = b == 12 ? 1200 + r.U8() : b;
      const TDictOperator* op = FindOperator(code, isPrivate);
      if (op) {
        out += '/';
        out += op->Name;
        out += ' ';
        if (op->Kind == kString) {
          out += EscapedString(operands.empty() ? std::string() : StringOf(operands.back(), strings));
        } else if (op->Kind == kROS) {
          out += "[ ";
          for (size_t i = 0; i < operands.size(); ++i)
            out += (i < 2 ? EscapedString(StringOf(operands[i], strings)) : NumberText(operands[i])) + " ";
          out += "]";
        } else if (op->Kind == kArray) {
          out += "[ ";
          for (double v : operands) out += NumberText(v) + " ";
          out += "]";
        } else {
          out += operands.empty() ? "0" : NumberText(operands.back());
        }
        out += ' ';
      }
      operands.clear();
      continue;
    }
    double v = 0;
    if (b == 28) v = r.S16();
    else if (b == 29) v = r.S32();
    else if (b == 30) v = ReadReal(r);
    else if (b >= 32 && b <= 246) v = int(b) - 139;
    else if (b >= 247 && b <= 250) v = (int(b) - 247) * 256 + r.U8() + 108;
    else if (b >= 251 && b <= 254) v = -(int(b) - 251) * 256 - r.U8() - 108;
    else continue;  // reserved bytes carry nothing
    if (operands.size() < kMaxOperands) operands.push_back(v);
  }
  out += ">>";
  return out;
}

}  // namespace ostrel
