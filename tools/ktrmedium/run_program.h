#pragma once
// Starts a program found along the search path with these arguments, no
// shell in between, and waits for it.
#include <string>
#include <vector>

namespace ktr::tools {

// The program's exit code, or -1 when it could not be started.
int RunProgram(const std::vector<std::string>& argv);

}  // namespace ktr::tools
