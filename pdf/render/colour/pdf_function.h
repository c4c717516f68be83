#pragma once
// PDF functions (types 0, 2, 3 and 4): tint transforms of Separation and
// DeviceN colour spaces. A function is made once from its object and then
// evaluated any number of times; evaluation never reads outside its data.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "pdf/core/pdf_objects.h"

namespace ostrel {

// Bounds on what a function read from a file may claim.
inline constexpr size_t kMaxFunctionInputs = 32;    // DeviceN allows 32 colorants
inline constexpr size_t kMaxFunctionOutputs = 32;
inline constexpr int kMaxFunctionDepth = 8;          // stitching inside stitching
inline constexpr int kMaxFunctionsPerLoad = 256;     // every function made for one top-level function

class TPDFFunction {
 public:
  virtual ~TPDFFunction() = default;
  // Fills outputs (resized to OutputCount()) from inputs. False when the
  // function cannot give a result for them (a failing calculator program,
  // an unusable sub-function); the caller then treats the colour as black.
  virtual bool Evaluate(std::span<const double> inputs, std::vector<double>& outputs) const = 0;

  size_t InputCount() const { return Domain.size() / 2; }     // m
  virtual size_t OutputCount() const { return Range.size() / 2; }  // n

  std::vector<double> Domain;
  std::vector<double> Range;
};

// Bookkeeping of one CreateFunction call: nesting depth, the objects on the
// current path (reference cycles) and a budget of functions made.
struct TPDFFunctionLoad {
  int Depth = 0;
  int Made = 0;
  std::vector<const TPDFObject*> Path;
};

// The function the object describes (dictionary or stream, references
// followed), or nullptr when it is not a usable function.
std::unique_ptr<TPDFFunction> CreateFunction(TPDFObject* obj);
std::unique_ptr<TPDFFunction> CreateFunction(TPDFObject* obj, TPDFFunctionLoad& load);

// Helpers shared by the function readers.
// Follows references (a bounded chain of them); nullptr when one is broken.
TPDFObject* ResolveChain(TPDFObject* obj);
// The numbers of an array (members that are not numbers read as 0); false
// when obj is not an array or holds more than limit members. A missing obj
// gives an empty list and true.
bool ReadNumbers(TPDFObject* obj, size_t limit, std::vector<double>& out);

}  // namespace ostrel
