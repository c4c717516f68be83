#pragma once
// `drevlin-convert batch`: many conversions from a list of jobs or a folder.
#include <string>
#include <vector>

namespace drevlin {

// args are the command line after the program name, starting with "batch".
int RunBatch(const std::vector<std::string>& args);

}  // namespace drevlin
