// Type 1 charstrings to glyph programs.
#include <algorithm>
#include <cmath>

#include "pdf/text/fonts/charstring_translators.h"
#include "pdf/text/fonts/font_program_limits.h"

namespace ostrel {
namespace {

// Work done per glyph is bounded: subroutines calling each other twice per
// level would otherwise multiply within the nesting limit.
constexpr size_t kMaxOperations = 1 << 20;
constexpr size_t kMaxOperands = 64;
constexpr int kFlexPoints = 7;

class TType1Translator {
 public:
  TType1Translator(TPDFType1Decoder& d, TGlyphProgram& out) : d_(d), out_(out) {}

  void Glyph(std::string_view name, int depth) {
    std::string cs = d_.FindCharstring(name);
    if (cs.empty()) return;
    // A seac component runs as a glyph of its own.
    ended_ = false;
    stack_.clear();
    Run(d_.DecryptCharstring(cs), depth);
  }

 private:
  double Arg(size_t i) const { return i < stack_.size() ? stack_[i] : 0; }
  // The operand n places from the top (0 = top); 0 when the stack runs short.
  double Top(size_t n) const { return n < stack_.size() ? stack_[stack_.size() - 1 - n] : 0; }
  double Pop() {
    if (stack_.empty()) return 0;
    double v = stack_.back();
    stack_.pop_back();
    return v;
  }
  void Push(double v) {
    if (stack_.size() < kMaxOperands) stack_.push_back(v);
  }
  // Writes name(args...) from the bottom of the stack and clears it.
  void Write(const char* name, std::initializer_list<double> args, const char* tag = "") {
    if (out_.size() >= kMaxGlyphProgramEntries) return;
    std::string s = name;
    s += '(';
    bool first = true;
    for (double a : args) {
      if (!first) s += ',';
      s += GlyphProgramNumber(a);
      first = false;
    }
    s += ')';
    s += tag;
    out_.push_back(std::move(s));
  }
  void Bare(const char* name) {
    if (out_.size() < kMaxGlyphProgramEntries) out_.push_back(name);
  }

  void CallOtherSubr() {
    int64_t number = FontProgramInteger(Pop());
    int64_t count = FontProgramInteger(Pop());
    std::vector<double> args;
    for (int64_t i = 0; i < count && i < int64_t(kMaxOperands); ++i) args.push_back(Pop());
    // args holds the arguments top first.
    switch (number) {
      case 1:
        flexing_ = true;
        flexCount_ = 0;
        break;
      case 2:
        if (flexing_ && flexCount_ < kFlexPoints) ++flexCount_;
        break;
      case 0: {
        double y = args.size() > 0 ? args[0] : 0;
        double x = args.size() > 1 ? args[1] : 0;
        if (flexing_ && flexCount_ == kFlexPoints) {
          Write("flex", {flex_[0][0], flex_[0][1], flex_[1][0], flex_[1][1], flex_[2][0], flex_[2][1], flex_[3][0],
                         flex_[3][1], flex_[4][0], flex_[4][1], flex_[5][0], flex_[5][1], flex_[6][0], flex_[6][1]});
        }
        flexing_ = false;
        psStack_.push_back(y);
        psStack_.push_back(x);
        break;
      }
      case 3:
        psStack_.push_back(3);
        break;
      default:
        for (double a : args) psStack_.push_back(a);
        break;
    }
  }

  void Seac(int depth) {
    double achar = Pop(), bchar = Pop(), ady = Pop(), adx = Pop(), asb = Pop();
    const std::string& base = SeacGlyphName(int(std::clamp<int64_t>(FontProgramInteger(bchar), -1, 256)));
    const std::string& accent = SeacGlyphName(int(std::clamp<int64_t>(FontProgramInteger(achar), -1, 256)));
    if (base.empty() || accent.empty() || d_.FindCharstring(base).empty() || d_.FindCharstring(accent).empty()) return;
    Glyph(base, depth + 1);
    Write("seac", {asb, adx, ady});
    Glyph(accent, depth + 1);
  }

  void Run(const std::string& cs, int depth) {
    if (depth >= kMaxGlyphNesting) return;
    for (size_t i = 0; i < cs.size() && !ended_; ++i) {
      if (++operations_ > kMaxOperations) return;
      int b = static_cast<uint8_t>(cs[i]);
      if (b >= 32) {
        double v = 0;
        if (b <= 246) {
          v = b - 139;
        } else if (b <= 250) {
          v = (b - 247) * 256 + (i + 1 < cs.size() ? static_cast<uint8_t>(cs[++i]) : 0) + 108;
        } else if (b <= 254) {
          v = -(b - 251) * 256 - (i + 1 < cs.size() ? static_cast<uint8_t>(cs[++i]) : 0) - 108;
        } else {
          uint32_t u = 0;
          for (int k = 0; k < 4; ++k) u = (u << 8) | (i + 1 < cs.size() ? static_cast<uint8_t>(cs[++i]) : 0);
          v = static_cast<int32_t>(u);
        }
        Push(v);
        continue;
      }
      if (b == 12) {
        int e = i + 1 < cs.size() ? static_cast<uint8_t>(cs[++i]) : -1;
        Escaped(e, depth);
        continue;
      }
      switch (b) {
        case 1: Write("hstem", {Arg(0), Arg(1)}); break;
        case 3: Write("vstem", {Arg(0), Arg(1)}); break;
        case 4: Move(0, Arg(0)); break;
        case 5: Write("rlineto", {Arg(0), Arg(1)}); break;
        case 6: Write("rlineto", {Arg(0), 0}); break;
        case 7: Write("rlineto", {0, Arg(0)}); break;
        case 8: Write("rrcurveto", {Arg(0), Arg(1), Arg(2), Arg(3), Arg(4), Arg(5)}, " rr"); break;
        case 9: Bare("closepath"); break;
        case 10: {
          int64_t n = FontProgramInteger(Pop());
          std::string subr = d_.LocalSubroutine(n);
          if (!subr.empty()) Run(d_.DecryptCharstring(subr), depth + 1);
          continue;  // the subroutine's operands stay for the caller
        }
        case 11: return;
        case 13:
          Write("hsbw", {Arg(0), Arg(1)});
          if (depth == 0 && d_.lastWidth_ < 0) d_.lastWidth_ = Arg(1);
          break;
        case 14:
          Bare("endchar");
          ended_ = true;
          break;
        case 21: Move(Arg(0), Arg(1)); break;
        case 22: Move(Arg(0), 0); break;
        case 30: Write("rrcurveto", {0, Arg(0), Arg(1), Arg(2), Arg(3), 0}, " vh"); break;
        case 31: Write("rrcurveto", {Arg(0), 0, Arg(1), Arg(2), 0, Arg(3)}, " hv"); break;
        default: break;
      }
      stack_.clear();
    }
  }

  void Move(double dx, double dy) {
    if (flexing_) {
      if (flexCount_ < kFlexPoints) {
        flex_[flexCount_][0] = dx;
        flex_[flexCount_][1] = dy;
      }
      return;
    }
    Write("rmoveto", {dx, dy});
  }

  void Escaped(int e, int depth) {
    switch (e) {
      case 0: Bare("dotsection"); break;
      case 1: Bare("vstem3"); break;
      case 2: Bare("hstem3"); break;
      case 6: Seac(depth); break;
      case 7:
        Write("sbw", {Arg(0), Arg(1), Arg(2), Arg(3)});
        if (depth == 0 && d_.lastWidth_ < 0) d_.lastWidth_ = Arg(2);
        break;
      case 12: {
        double b = Pop(), a = Pop();
        Push(b == 0 ? 0 : a / b);
        return;
      }
      case 16: CallOtherSubr(); return;
      case 17: {
        double v = 0;
        if (!psStack_.empty()) {
          v = psStack_.back();
          psStack_.pop_back();
        }
        Push(v);
        return;
      }
      case 33: Write("setcurrentpoint", {Arg(0), Arg(1)}); break;
      default: break;
    }
    stack_.clear();
  }

  TPDFType1Decoder& d_;
  TGlyphProgram& out_;
  std::vector<double> stack_;
  std::vector<double> psStack_;
  bool flexing_ = false;
  int flexCount_ = 0;
  double flex_[kFlexPoints][2] = {};
  bool ended_ = false;
  size_t operations_ = 0;
};

}  // namespace

const std::string& SeacGlyphName(int code) {
  static const std::string kNone;
  if (code < 0 || code > 255) return kNone;
  const std::string& name = GlyphNamesOf(kStandardEncoding)[code];
  return name == ".notdef" ? kNone : name;
}

void TranslateType1Glyph(TPDFType1Decoder& decoder, std::string_view key, TGlyphProgram& out) {
  TType1Translator(decoder, out).Glyph(key, 0);
}

}  // namespace ostrel
