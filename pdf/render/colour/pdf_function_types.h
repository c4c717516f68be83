#pragma once
// The four kinds of PDF function. Each Load reads the kind's own entries
// from the function dictionary and says whether the function is usable.
#include <memory>
#include <string>
#include <vector>

#include "pdf/render/colour/pdf_function.h"
#include "pdf/render/colour/pdf_function_calculator.h"

namespace ostrel {

// Sampled: a table of samples, read at the nearest sample (no interpolation).
class TPDFType0Function final : public TPDFFunction {
 public:
  bool Load(TPDFDictionary* dict, std::string data);
  bool Evaluate(std::span<const double> inputs, std::vector<double>& outputs) const override;

  std::vector<double> Size;
  int32_t BitsPerSample = 0;
  int32_t Order = 1;  // read but not used: samples are taken at the nearest point
  std::vector<double> Encode;
  std::vector<double> Decode;
  std::string Data;
};

// Exponential interpolation y = C0 + x^N (C1 - C0).
class TPDFType2Function final : public TPDFFunction {
 public:
  bool Load(TPDFDictionary* dict);
  bool Evaluate(std::span<const double> inputs, std::vector<double>& outputs) const override;
  size_t OutputCount() const override { return outputs_; }

  std::vector<double> C0{0.0};
  std::vector<double> C1{1.0};
  double N = 1;

 private:
  size_t outputs_ = 0;
};

// Stitching: one sub-function per interval of the domain.
class TPDFType3Function final : public TPDFFunction {
 public:
  bool Load(TPDFDictionary* dict, TPDFFunctionLoad& load);
  bool Evaluate(std::span<const double> inputs, std::vector<double>& outputs) const override;
  size_t OutputCount() const override { return outputs_; }

  std::vector<double> Bounds;  // with Domain[1] appended
  std::vector<double> Encode;
  std::vector<std::unique_ptr<TPDFFunction>> Functions;  // a member that cannot be made is null

 private:
  size_t outputs_ = 0;
};

// PostScript calculator.
class TPDFType4Function final : public TPDFFunction {
 public:
  bool Load(const std::string& programText);
  bool Evaluate(std::span<const double> inputs, std::vector<double>& outputs) const override;

  TPDFCalculatorProgram Program;
};

}  // namespace ostrel
