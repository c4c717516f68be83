// Type 2 (compact font) charstrings to glyph programs.
#include <algorithm>
#include <cmath>

#include "pdf/text/fonts/charstring_translators.h"
#include "pdf/text/fonts/font_program_limits.h"

namespace ostrel {
namespace {

constexpr size_t kMaxOperations = 1 << 20;
constexpr size_t kMaxOperands = 48;
constexpr size_t kTransientSize = 33;

int Bias(size_t count) { return count < 1240 ? 107 : count < 33900 ? 1131 : 32768; }

class TType2Translator {
 public:
  TType2Translator(TPDFType1Decoder& d, TGlyphProgram& out) : d_(d), out_(out) {}

  void Glyph(std::string_view name, int depth) {
    std::string cs = d_.FindCharstring(name);
    if (cs.empty()) return;
    ended_ = false;
    stack_.clear();
    Run(cs, depth);
  }

  void Start() { out_.push_back("hsbw(0,0)"); }

 private:
  double Arg(size_t i) const { return i < stack_.size() ? stack_[i] : 0; }
  double Pop() {
    if (stack_.empty()) return 0;
    double v = stack_.back();
    stack_.pop_back();
    return v;
  }
  void Push(double v) {
    if (stack_.size() < kMaxOperands) stack_.push_back(v);
  }

  void Write(const char* name, const std::vector<double>& args, const char* tag = "", const char* sep = ",") {
    if (out_.size() >= kMaxGlyphProgramEntries) return;
    std::string s = name;
    s += '(';
    for (size_t i = 0; i < args.size(); ++i) {
      if (i) s += sep;
      s += GlyphProgramNumber(args[i]);
    }
    s += ')';
    s += tag;
    out_.push_back(std::move(s));
  }
  void Curve(double a, double b, double c, double d, double e, double f, const char* tag) {
    Write("rrcurveto", {a, b, c, d, e, f}, tag);
  }

  // The first stack-clearing operator may carry the advance width first.
  void TakeWidth(bool hasExtra) {
    if (widthTaken_) return;
    widthTaken_ = true;
    if (!recordWidth_) return;
    if (hasExtra && !stack_.empty()) {
      d_.lastWidth_ = d_.nominalWidthX_ + stack_.front();
      stack_.erase(stack_.begin());
    } else {
      d_.lastWidth_ = d_.defaultWidthX_;
    }
  }

  void Stems(const char* name) {
    TakeWidth(stack_.size() % 2 == 1);
    stems_ += stack_.size() / 2;
    if (!stack_.empty()) Write(name, stack_);
    stack_.clear();
  }

  void Mask(const char* name, const std::string& cs, size_t& i) {
    if (!stack_.empty()) Stems("vstem");
    TakeWidth(false);
    size_t bytes = std::max<size_t>(1, (stems_ + 7) / 8);
    std::vector<double> bits;
    for (size_t k = 0; k < bytes; ++k) {
      uint8_t m = i + 1 < cs.size() ? static_cast<uint8_t>(cs[++i]) : 0;
      for (int bit = 7; bit >= 0; --bit)
        if (k * 8 + size_t(7 - bit) < stems_) bits.push_back((m >> bit) & 1);
    }
    Write(name, bits);
  }

  void AlternatingCurves(bool vertical, const char* tagV, const char* tagH) {
    size_t i = 0, n = stack_.size();
    while (n - i >= 4) {
      double last = n - i == 5 ? Arg(i + 4) : 0;
      if (vertical)
        Curve(0, Arg(i), Arg(i + 1), Arg(i + 2), Arg(i + 3), last, tagV);
      else
        Curve(Arg(i), 0, Arg(i + 1), Arg(i + 2), last, Arg(i + 3), tagH);
      i += n - i == 5 ? 5 : 4;
      vertical = !vertical;
    }
  }

  void Lines(bool horizontal) {
    for (size_t i = 0; i < stack_.size(); ++i, horizontal = !horizontal) {
      if (horizontal)
        Write("rlineto", {Arg(i), 0});
      else
        Write("rlineto", {0, Arg(i)});
    }
  }

  void Seac(int depth) {
    double achar = Arg(3), bchar = Arg(2), ady = Arg(1), adx = Arg(0);
    const std::string& base = SeacGlyphName(int(std::clamp<int64_t>(FontProgramInteger(bchar), -1, 256)));
    const std::string& accent = SeacGlyphName(int(std::clamp<int64_t>(FontProgramInteger(achar), -1, 256)));
    if (base.empty() || accent.empty() || depth + 1 >= kMaxGlyphNesting) return;
    TType2Translator baseT(d_, out_);
    baseT.recordWidth_ = false;
    baseT.operations_ = operations_;
    baseT.Glyph(base, depth + 1);
    Write("seac", {0, adx, ady});
    TType2Translator accentT(d_, out_);
    accentT.recordWidth_ = false;
    accentT.operations_ = baseT.operations_;
    accentT.Glyph(accent, depth + 1);
    operations_ = accentT.operations_;
  }

  void Run(const std::string& cs, int depth) {
    if (depth >= kMaxGlyphNesting) return;
    for (size_t i = 0; i < cs.size() && !ended_; ++i) {
      if (++operations_ > kMaxOperations) {
        ended_ = true;
        return;
      }
      int b = static_cast<uint8_t>(cs[i]);
      auto next = [&]() -> int { return i + 1 < cs.size() ? static_cast<uint8_t>(cs[++i]) : 0; };
      if (b == 28) {
        int hi = next();
        Push(static_cast<int16_t>((hi << 8) | next()));
        continue;
      }
      if (b >= 32) {
        if (b <= 246) {
          Push(b - 139);
        } else if (b <= 250) {
          Push((b - 247) * 256 + next() + 108);
        } else if (b <= 254) {
          Push(-(b - 251) * 256 - next() - 108);
        } else {
          uint32_t u = 0;
          for (int k = 0; k < 4; ++k) u = (u << 8) | uint32_t(next());
          Push(static_cast<int32_t>(u) / 65536.0);
        }
        continue;
      }
      size_t n = stack_.size();
      switch (b) {
        case 1: case 18: Stems("hstem"); break;
        case 3: case 23: Stems("vstem"); break;
        case 19: Mask("hintmask", cs, i); break;
        case 20: Mask("cntrmask", cs, i); break;
        case 21:
          TakeWidth(n > 2);
          Write("rmoveto", {Arg(stack_.size() - 2), Arg(stack_.size() - 1)});
          break;
        case 22:
          TakeWidth(n > 1);
          Write("rmoveto", {Arg(stack_.size() - 1), 0});
          break;
        case 4:
          TakeWidth(n > 1);
          Write("rmoveto", {0, Arg(stack_.size() - 1)}, "", ", ");
          break;
        case 5:
          for (size_t k = 0; k + 1 < n; k += 2) Write("rlineto", {Arg(k), Arg(k + 1)});
          break;
        case 6: Lines(true); break;
        case 7: Lines(false); break;
        case 8:
          for (size_t k = 0; k + 5 < n; k += 6) Curve(Arg(k), Arg(k + 1), Arg(k + 2), Arg(k + 3), Arg(k + 4), Arg(k + 5), " rr");
          break;
        case 24: {
          size_t k = 0;
          for (; n >= 8 && k + 7 < n; k += 6) Curve(Arg(k), Arg(k + 1), Arg(k + 2), Arg(k + 3), Arg(k + 4), Arg(k + 5), " rr");
          Write("rlineto", {Arg(k), Arg(k + 1)}, " cl");
          break;
        }
        case 25: {
          size_t k = 0;
          for (; n >= 6 && k + 6 < n; k += 2) Write("rlineto", {Arg(k), Arg(k + 1)});
          Curve(Arg(k), Arg(k + 1), Arg(k + 2), Arg(k + 3), Arg(k + 4), Arg(k + 5), " lc");
          break;
        }
        case 26: {
          size_t k = 0;
          double dx1 = 0;
          if (n % 2 == 1) dx1 = Arg(k++);
          for (; k + 3 < n; k += 4, dx1 = 0) Curve(dx1, Arg(k), Arg(k + 1), Arg(k + 2), 0, Arg(k + 3), " vv");
          break;
        }
        case 27: {
          size_t k = 0;
          double dy1 = 0;
          if (n % 2 == 1) dy1 = Arg(k++);
          for (; k + 3 < n; k += 4, dy1 = 0) Curve(Arg(k), dy1, Arg(k + 1), Arg(k + 2), Arg(k + 3), 0, " hh");
          break;
        }
        case 30: AlternatingCurves(true, " vh", " hv"); break;
        case 31: AlternatingCurves(false, " vh", " hv"); break;
        case 10: case 29: {
          bool local = b == 10;
          size_t count = local ? d_.LocalSubroutineCount() : d_.GlobalSubroutineCount();
          int64_t index = FontProgramInteger(Pop()) + Bias(count);
          std::string subr = local ? d_.LocalSubroutine(index) : d_.GlobalSubroutine(index);
          if (!subr.empty()) Run(subr, depth + 1);
          continue;  // operands left by the subroutine stay
        }
        case 11: return;
        case 14:
          TakeWidth(n == 1 || n == 5);
          if (stack_.size() == 4) Seac(depth);
          out_.push_back("endchar");
          ended_ = true;
          break;
        case 12: Escaped(next()); continue;
        default:
          out_.push_back("Unknown: " + std::to_string(b));
          break;
      }
      stack_.clear();
    }
  }

  void Escaped(int e) {
    switch (e) {
      case 3: { double b = Pop(), a = Pop(); Push(a != 0 && b != 0); return; }
      case 4: { double b = Pop(), a = Pop(); Push(a != 0 || b != 0); return; }
      case 5: Push(Pop() == 0); return;
      case 9: Push(std::abs(Pop())); return;
      case 10: { double b = Pop(), a = Pop(); Push(a + b); return; }
      case 11: { double b = Pop(), a = Pop(); Push(a - b); return; }
      case 12: { double b = Pop(), a = Pop(); Push(b == 0 ? 0 : a / b); return; }
      case 14: Push(-Pop()); return;
      case 15: { double b = Pop(), a = Pop(); Push(a == b); return; }
      case 24: { double b = Pop(), a = Pop(); Push(a * b); return; }
      case 26: { double a = Pop(); Push(a < 0 ? 0 : std::sqrt(a)); return; }
      case 23:
        seed_ = seed_ * 1103515245u + 12345u;
        Push(((seed_ >> 8) % 65536 + 1) / 65536.0);
        return;
      case 22: {
        double v2 = Pop(), v1 = Pop(), s2 = Pop(), s1 = Pop();
        Push(v1 <= v2 ? s1 : s2);
        return;
      }
      case 20: {
        double i = Pop(), v = Pop();
        if (i >= 0 && i < kTransientSize) transient_[size_t(i)] = v;
        return;
      }
      case 21: {
        double i = Pop();
        Push(i >= 0 && i < kTransientSize ? transient_[size_t(i)] : 0);
        return;
      }
      case 18: Pop(); return;
      case 27: { double a = Pop(); Push(a); Push(a); return; }
      case 28: { double b = Pop(), a = Pop(); Push(b); Push(a); return; }
      case 29: {
        double i = Pop();
        size_t m = stack_.size();
        int64_t ki = FontProgramInteger(i);
        size_t k = ki < 0 ? 0 : size_t(ki);
        Push(m == 0 ? 0 : k < m ? stack_[m - 1 - k] : 0);
        return;
      }
      case 30: {
        double j = Pop(), count = Pop();
        size_t m = stack_.size();
        if (count <= 0 || count > double(m)) return;
        size_t c = size_t(count);
        int64_t shift = FontProgramInteger(std::fmod(FontProgramInteger(j), double(c)));
        if (shift < 0) shift += int64_t(c);
        std::rotate(stack_.end() - int64_t(c), stack_.end() - shift, stack_.end());
        return;
      }
      case 35:
        Write("t2flex", {Arg(0), Arg(1), Arg(2), Arg(3), Arg(4), Arg(5), Arg(6), Arg(7), Arg(8), Arg(9), Arg(10), Arg(11), Arg(12)});
        break;
      case 34:
        Write("t2flex", {Arg(0), 0, Arg(1), Arg(2), Arg(3), 0, Arg(4), 0, Arg(5), -Arg(2), Arg(6), 0, 50});
        break;
      case 36:
        Write("t2flex", {Arg(0), Arg(1), Arg(2), Arg(3), Arg(4), 0, Arg(5), 0, Arg(6), Arg(7), Arg(8),
                         -(Arg(1) + Arg(3) + Arg(7)), 50});
        break;
      case 37: {
        double sx = 0, sy = 0;
        for (size_t k = 0; k < 10; k += 2) {
          sx += Arg(k);
          sy += Arg(k + 1);
        }
        double d6 = Arg(10);
        bool horizontal = std::abs(sx) > std::abs(sy);
        Write("t2flex", {Arg(0), Arg(1), Arg(2), Arg(3), Arg(4), Arg(5), Arg(6), Arg(7), Arg(8), Arg(9),
                         horizontal ? d6 : -sx, horizontal ? -sy : d6, 50});
        break;
      }
      default:
        out_.push_back("Unknown: " + std::to_string(12 * 256 + e));
        break;
    }
    stack_.clear();
  }

  TPDFType1Decoder& d_;
  TGlyphProgram& out_;
  std::vector<double> stack_;
  double transient_[kTransientSize] = {};
  size_t stems_ = 0;
  bool widthTaken_ = false;
  bool recordWidth_ = true;  // seac components do not set the glyph's width
  bool ended_ = false;
  uint32_t seed_ = 1;
  size_t operations_ = 0;
};

}  // namespace

void TranslateType2Glyph(TPDFType1Decoder& decoder, std::string_view key, TGlyphProgram& out) {
  if (decoder.FindCharstring(key).empty()) return;
  TType2Translator t(decoder, out);
  t.Start();
  t.Glyph(key, 0);
}

}  // namespace ostrel
