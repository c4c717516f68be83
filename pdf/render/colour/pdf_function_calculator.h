#pragma once
// The PostScript calculator of Type 4 functions: the program text is parsed
// once into operators, numbers and procedures, then run on a fresh, bounded
// operand stack for every evaluation.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace ostrel {

inline constexpr size_t kMaxCalculatorStack = 1000;
inline constexpr int kMaxCalculatorNesting = 100;
inline constexpr size_t kMaxCalculatorProgram = size_t{1} << 20;  // bytes of program text

class TPDFCalculatorProgram {
 public:
  enum class Op : uint8_t {
    Number, Procedure,
    Add, Sub, Mul, Div, Idiv, Mod, Neg, Abs, Ceiling, Floor, Round, Truncate,
    Sqrt, Ln, Log, Sin, Cos, Atan, Exp, Cvi, Cvr,
    Eq, Ne, Gt, Ge, Lt, Le, And, Or, Xor, Not, Bitshift, True, False,
    Pop, Exch, Dup, Copy, Index, Roll, If, IfElse,
  };
  struct Step {
    Op Code;
    double Value = 0;      // Number: the value; Procedure: index into procedures_
  };
  // A stack entry remembers whether it is a boolean so that `not` can tell
  // logical from bitwise negation.
  struct Value {
    double Number = 0;
    bool IsBool = false;
  };

  // False when the text is too long or its braces nest too deeply.
  bool Parse(std::string_view text);
  // Runs the program on stack; false on a stack overflow or a zero divisor
  // of idiv or mod.
  bool Run(std::vector<Value>& stack) const;

 private:
  bool RunProcedure(size_t index, std::vector<Value>& stack, std::vector<size_t>& pending) const;
  bool Apply(Op code, std::vector<Value>& stack, std::vector<size_t>& pending) const;

  std::vector<std::vector<Step>> procedures_;  // [0] is the program itself
};

}  // namespace ostrel
