#include "tools/ktrmedium/run_program.h"

#ifdef _WIN32
#include <process.h>
#else
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
extern char** environ;
#endif

namespace ktr::tools {

#ifdef _WIN32
namespace {

// The C runtime joins the arguments with blanks as they are: each is quoted
// by the rules its parser undoes.
std::string Quoted(const std::string& arg) {
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

}  // namespace

int RunProgram(const std::vector<std::string>& argv) {
  std::vector<std::string> quoted;
  for (const std::string& arg : argv) quoted.push_back(Quoted(arg));
  std::vector<const char*> pointers;
  for (const std::string& arg : quoted) pointers.push_back(arg.c_str());
  pointers.push_back(nullptr);
  const auto code = _spawnvp(_P_WAIT, argv.front().c_str(), pointers.data());
  return code < 0 ? -1 : static_cast<int>(code);
}

#else

int RunProgram(const std::vector<std::string>& argv) {
  std::vector<char*> pointers;
  for (const std::string& arg : argv) pointers.push_back(const_cast<char*>(arg.c_str()));
  pointers.push_back(nullptr);
  pid_t child = 0;
  if (posix_spawnp(&child, argv.front().c_str(), nullptr, nullptr, pointers.data(), environ) != 0) {
    return -1;
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

#endif

}  // namespace ktr::tools
