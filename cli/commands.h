#pragma once
#include "cli/command_line.h"

namespace drevlin {

// Runs one parsed command; returns the exit status (0, 1).
int RunCommand(const TCliOptions& options, const std::string& executablePath);

}  // namespace drevlin
