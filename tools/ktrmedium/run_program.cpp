#include "tools/ktrmedium/run_program.h"

#ifdef _WIN32
#include <process.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
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

namespace {

// Starts argv along the search path, no shell in between: the child, or -1
// with the reason in output.
pid_t Spawn(const std::vector<std::string>& argv, const posix_spawn_file_actions_t* actions,
                 int close_after_start, std::string& output) {
  std::vector<char*> pointers;
  for (const std::string& arg : argv) pointers.push_back(const_cast<char*>(arg.c_str()));
  pointers.push_back(nullptr);
  pid_t child = 0;
  const int spawned =
      posix_spawnp(&child, argv.front().c_str(), actions, nullptr, pointers.data(), environ);
  if (close_after_start >= 0) close(close_after_start);
  if (spawned != 0) {
    output = "cannot start " + argv.front() + ": " + std::strerror(spawned);
    return -1;
  }
  return child;
}

// The exit code, 128 + the signal for a killed child, -1 when lost.
int WaitFor(pid_t child) {
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

}  // namespace

int RunProgram(const std::vector<std::string>& argv) {
  std::string ignored;
  const pid_t child = Spawn(argv, nullptr, -1, ignored);
  return child < 0 ? -1 : WaitFor(child);
}

ProgramRun RunProgramCollecting(const std::vector<std::string>& argv) {
  ProgramRun run;
  int pipe_ends[2];
  if (pipe2(pipe_ends, O_CLOEXEC) != 0) {
    run.output = std::string("cannot create a pipe: ") + std::strerror(errno);
    return run;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], STDERR_FILENO);
  // The write end is closed here once the child has its copy, so the reads
  // below end when the child does.
  const pid_t child = Spawn(argv, &actions, pipe_ends[1], run.output);
  posix_spawn_file_actions_destroy(&actions);
  if (child < 0) {
    close(pipe_ends[0]);
    return run;
  }
  run.started = true;
  char buffer[4096];
  for (;;) {
    const ssize_t got = read(pipe_ends[0], buffer, sizeof buffer);
    if (got > 0) {
      run.output.append(buffer, static_cast<std::size_t>(got));
    } else if (got == 0 || errno != EINTR) {
      break;
    }
  }
  close(pipe_ends[0]);
  run.exit_code = WaitFor(child);
  return run;
}

#endif

}  // namespace ktr::tools
