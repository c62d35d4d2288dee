#pragma once
// Starts a program found along the search path with these arguments, no
// shell in between, and waits for it.
#include <string>
#include <vector>

namespace ktr::tools {

// The program's exit code, or -1 when it could not be started.
int RunProgram(const std::vector<std::string>& argv);

#ifndef _WIN32
struct ProgramRun {
  bool started = false;
  int exit_code = -1;
  // Standard output and standard error together; why it could not start.
  std::string output;
};

// The same with an empty standard input and what the program says kept.
ProgramRun RunProgramCollecting(const std::vector<std::string>& argv);
#endif

}  // namespace ktr::tools
