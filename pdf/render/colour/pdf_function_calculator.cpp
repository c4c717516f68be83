#include "pdf/render/colour/pdf_function_calculator.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <unordered_map>

#include "pdf/core/byte_classes.h"

namespace ostrel {

namespace {

using Op = TPDFCalculatorProgram::Op;
using Value = TPDFCalculatorProgram::Value;

const std::unordered_map<std::string_view, Op>& OperatorTable() {
  static const std::unordered_map<std::string_view, Op> table = {
      {"add", Op::Add},         {"sub", Op::Sub},     {"mul", Op::Mul},     {"div", Op::Div},
      {"idiv", Op::Idiv},       {"mod", Op::Mod},     {"neg", Op::Neg},     {"abs", Op::Abs},
      {"ceiling", Op::Ceiling}, {"floor", Op::Floor}, {"round", Op::Round}, {"truncate", Op::Truncate},
      {"sqrt", Op::Sqrt},       {"ln", Op::Ln},       {"log", Op::Log},     {"sin", Op::Sin},
      {"cos", Op::Cos},         {"atan", Op::Atan},   {"exp", Op::Exp},     {"cvi", Op::Cvi},
      {"cvr", Op::Cvr},         {"eq", Op::Eq},       {"ne", Op::Ne},       {"gt", Op::Gt},
      {"ge", Op::Ge},           {"lt", Op::Lt},       {"le", Op::Le},       {"and", Op::And},
      {"or", Op::Or},           {"xor", Op::Xor},     {"not", Op::Not},     {"bitshift", Op::Bitshift},
      {"true", Op::True},       {"false", Op::False}, {"pop", Op::Pop},     {"exch", Op::Exch},
      {"dup", Op::Dup},         {"copy", Op::Copy},   {"index", Op::Index}, {"roll", Op::Roll},
      {"if", Op::If},           {"ifelse", Op::IfElse},
  };
  return table;
}

double ReadNumber(std::string_view token) {
  if (!token.empty() && token[0] == '+') token.remove_prefix(1);
  double value = 0;
  auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
  if (ec != std::errc() || end != token.data() + token.size()) return 0;
  return value;
}

// Saturating conversion to a 32-bit integer; NaN gives 0.
int32_t ToInt32(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}
int32_t Rounded(double v) { return ToInt32(std::nearbyint(v)); }

double Degrees(double radians) { return radians * 180.0 / std::numbers::pi; }
double Radians(double degrees) { return degrees * std::numbers::pi / 180.0; }

}  // namespace

bool TPDFCalculatorProgram::Parse(std::string_view text) {
  procedures_.assign(1, {});
  if (text.size() > kMaxCalculatorProgram) return false;
  size_t start = 0;
  while (start < text.size() && IsPdfWhiteSpace(text[start])) ++start;
  if (start < text.size() && text[start] == '{') ++start;
  size_t last = text.rfind('}');
  size_t end = last == std::string_view::npos || last < start ? text.size() : last;

  std::vector<size_t> open{0};  // procedures being collected, innermost last
  for (size_t i = start; i < end;) {
    const char c = text[i];
    if (IsPdfWhiteSpace(c)) {
      ++i;
      continue;
    }
    if (c == '{') {
      if (open.size() > static_cast<size_t>(kMaxCalculatorNesting)) return false;
      procedures_[open.back()].push_back({Op::Procedure, static_cast<double>(procedures_.size())});
      open.push_back(procedures_.size());
      procedures_.emplace_back();
      ++i;
      continue;
    }
    if (c == '}') {
      if (open.size() > 1) open.pop_back();  // a stray closing brace is ignored
      ++i;
      continue;
    }
    size_t j = i;
    while (j < end && !IsPdfWhiteSpace(text[j]) && text[j] != '{' && text[j] != '}') ++j;
    std::string_view token = text.substr(i, j - i);
    i = j;
    if (c >= 'a' && c <= 'z') {
      auto it = OperatorTable().find(token);
      if (it != OperatorTable().end()) procedures_[open.back()].push_back({it->second, 0});
    } else {
      procedures_[open.back()].push_back({Op::Number, ReadNumber(token)});
    }
  }
  return true;
}

bool TPDFCalculatorProgram::Run(std::vector<Value>& stack) const {
  if (procedures_.empty()) return true;
  std::vector<size_t> pending;
  return RunProcedure(0, stack, pending);
}

// Procedures run by if/ifelse are always nested deeper than the one running,
// so the recursion is bounded by the parse-time nesting limit.
bool TPDFCalculatorProgram::RunProcedure(size_t index, std::vector<Value>& stack,
                                         std::vector<size_t>& pending) const {
  for (const Step& step : procedures_[index]) {
    if (step.Code == Op::Number) {
      if (stack.size() >= kMaxCalculatorStack) return false;
      stack.push_back({step.Value, false});
    } else if (step.Code == Op::Procedure) {
      pending.push_back(static_cast<size_t>(step.Value));
    } else if (!Apply(step.Code, stack, pending)) {
      return false;
    }
  }
  return true;
}

bool TPDFCalculatorProgram::Apply(Op code, std::vector<Value>& stack, std::vector<size_t>& pending) const {
  auto pop = [&stack]() -> Value {
    if (stack.empty()) return {};
    Value v = stack.back();
    stack.pop_back();
    return v;
  };
  auto popNumber = [&pop]() { return pop().Number; };
  bool overflow = false;
  auto push = [&stack, &overflow](double v, bool isBool = false) {
    if (stack.size() >= kMaxCalculatorStack) {
      overflow = true;
      return;
    }
    stack.push_back({v, isBool});
  };
  auto binary = [&](auto f) {
    double b = popNumber(), a = popNumber();
    push(f(a, b));
  };
  auto compare = [&](auto f) {
    double b = popNumber(), a = popNumber();
    push(f(a, b) ? 1 : 0, true);
  };
  auto bitwise = [&](auto f) {
    Value b = pop(), a = pop();
    push(f(Rounded(a.Number), Rounded(b.Number)), a.IsBool && b.IsBool);
  };

  switch (code) {
    case Op::Add: binary([](double a, double b) { return a + b; }); break;
    case Op::Sub: binary([](double a, double b) { return a - b; }); break;
    case Op::Mul: binary([](double a, double b) { return a * b; }); break;
    case Op::Div: binary([](double a, double b) { return a / b; }); break;
    case Op::Idiv:
    case Op::Mod: {
      int64_t b = Rounded(popNumber()), a = Rounded(popNumber());
      if (b == 0) return false;
      push(static_cast<double>(code == Op::Idiv ? a / b : a % b));
      break;
    }
    case Op::Neg: push(-popNumber()); break;
    case Op::Abs: push(std::fabs(popNumber())); break;
    case Op::Ceiling: push(std::ceil(popNumber())); break;
    case Op::Floor: push(std::floor(popNumber())); break;
    case Op::Round: push(std::nearbyint(popNumber())); break;
    case Op::Truncate: push(std::trunc(popNumber())); break;
    case Op::Sqrt: push(std::sqrt(popNumber())); break;
    case Op::Ln: push(std::log(popNumber())); break;
    case Op::Log: push(std::log10(popNumber())); break;
    case Op::Sin: push(std::sin(Radians(popNumber()))); break;
    case Op::Cos: push(std::cos(Radians(popNumber()))); break;
    case Op::Atan: {
      double den = popNumber(), num = popNumber();
      double angle = Degrees(std::atan2(num, den));
      if (angle < 0) angle += 360;
      push(angle >= 360 || !(angle == angle) ? 0 : angle);
      break;
    }
    case Op::Exp: binary([](double base, double e) { return std::pow(base, e); }); break;
    case Op::Cvi: push(ToInt32(std::trunc(popNumber()))); break;
    case Op::Cvr: push(popNumber()); break;
    case Op::Eq: compare([](double a, double b) { return a == b; }); break;
    case Op::Ne: compare([](double a, double b) { return a != b; }); break;
    case Op::Gt: compare([](double a, double b) { return a > b; }); break;
    case Op::Ge: compare([](double a, double b) { return a >= b; }); break;
    case Op::Lt: compare([](double a, double b) { return a < b; }); break;
    case Op::Le: compare([](double a, double b) { return a <= b; }); break;
    case Op::And: bitwise([](int32_t a, int32_t b) { return a & b; }); break;
    case Op::Or: bitwise([](int32_t a, int32_t b) { return a | b; }); break;
    case Op::Xor: bitwise([](int32_t a, int32_t b) { return a ^ b; }); break;
    case Op::Not: {
      Value a = pop();
      if (a.IsBool)
        push(Rounded(a.Number) == 0 ? 1 : 0, true);
      else
        push(~Rounded(a.Number));
      break;
    }
    case Op::Bitshift: {
      int32_t shift = Rounded(popNumber());
      uint32_t v = static_cast<uint32_t>(Rounded(popNumber()));
      uint32_t r = shift >= 32 || shift <= -32 ? 0 : shift >= 0 ? v << shift : v >> -shift;
      push(static_cast<int32_t>(r));
      break;
    }
    case Op::True: push(1, true); break;
    case Op::False: push(0, true); break;
    case Op::Pop: pop(); break;
    case Op::Exch: {
      Value b = pop(), a = pop();
      push(b.Number, b.IsBool);
      push(a.Number, a.IsBool);
      break;
    }
    case Op::Dup: {
      Value a = pop();
      push(a.Number, a.IsBool);
      push(a.Number, a.IsBool);
      break;
    }
    case Op::Copy: {
      int32_t n = Rounded(popNumber());
      if (n < 0 || static_cast<size_t>(n) > stack.size()) break;
      if (stack.size() + n > kMaxCalculatorStack) return false;
      stack.insert(stack.end(), stack.end() - n, stack.end());
      break;
    }
    case Op::Index: {
      int32_t n = Rounded(popNumber());
      if (n < 0 || static_cast<size_t>(n) >= stack.size()) break;
      Value v = stack[stack.size() - 1 - n];
      push(v.Number, v.IsBool);
      break;
    }
    case Op::Roll: {
      int32_t j = Rounded(popNumber());
      int32_t n = Rounded(popNumber());
      if (n <= 0 || static_cast<size_t>(n) > stack.size()) break;
      int32_t shift = j % n;
      if (shift < 0) shift += n;
      auto first = stack.end() - n;
      std::rotate(first, first + (n - shift), stack.end());
      break;
    }
    case Op::If:
    case Op::IfElse: {
      const bool condition = Rounded(popNumber()) == 1;
      std::vector<size_t> procs;
      procs.swap(pending);
      size_t chosen = procs.size();
      if (code == Op::If && !procs.empty() && condition) chosen = 0;
      if (code == Op::IfElse && procs.size() >= 2) chosen = condition ? 0 : 1;
      if (chosen < procs.size() && !RunProcedure(procs[chosen], stack, pending)) return false;
      break;
    }
    case Op::Number:
    case Op::Procedure: break;
  }
  return !overflow;
}

}  // namespace ostrel
