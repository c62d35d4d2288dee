#pragma once
// What a contract suite needs beyond the port under test: a scratch folder
// and registry key of its own, set-up steps the ports do not offer, and test
// programs that record their runs. tests/contract/native provides it over
// the fake host, tests/contract/win32 over the Windows API, so that the same
// assertions hold on both sides.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/host.h"

namespace ktr::contract {

enum class ValueType { kString, kExpandString, kDword, kStringWithoutZero };

// One run of a test program, read from its record (the stub's format).
struct ProgramRun {
  std::string pid;
  std::string program;
  std::string cwd;
  std::string command_line;
  int show = -1;
  bool ended = false;
  int exit_code = 0;
};

class Environment {
 public:
  virtual ~Environment() = default;

  virtual Host host() = 0;
  virtual Integrity& integrity() = 0;
  // A fresh, empty folder of this test: absolute, no trailing backslash.
  virtual const std::string& scratch() const = 0;
  // A key under HKEY_LOCAL_MACHINE of this test, not yet created; it and
  // everything below it are removed afterwards.
  virtual const std::string& scratch_key() const = 0;

  virtual void make_folder(const std::string& path) = 0;
  virtual void make_file(const std::string& path, const std::string& bytes) = 0;
  virtual void set_local_write_time(const std::string& path, int year, int month, int day, int hour,
                                    int minute, int second) = 0;

  // Whether a read-only file refuses to be opened for writing. Wine keeps
  // the attribute as the Unix mode, which does not stop the root user.
  virtual bool read_only_refuses_writing() = 0;

  // The names in `folder`, as stored, in no particular order.
  virtual std::vector<std::string> names_in(const std::string& folder) = 0;
  // The owner and DACL of a file as an SDDL string ("O:..D:.."), as the
  // system reports them; empty when they cannot be read.
  virtual std::string security_of(const std::string& path) = 0;
  // Whether a file keeps the descriptor it is given. Wine (without its
  // staging patches) keeps only the Unix mode and reports a descriptor made
  // from it: the owner is the user, and Everyone (WD) shows the "other" bits.
  virtual bool keeps_descriptors() = 0;

  virtual void make_key(const std::string& key) = 0;
  virtual bool key_exists(const std::string& key) = 0;
  virtual void set_value(const std::string& key, const std::string& value, ValueType type,
                         const std::string& data) = 0;

  // Puts a program at `path` that, when it runs, records its run, stays
  // alive `sleep_ms` and exits with `exit_code`.
  virtual void make_program(const std::string& path, int exit_code, int sleep_ms = 0) = 0;
  // The runs the program at `path` recorded; waits a while for `ended`
  // complete runs when a program was started without waiting for it.
  virtual std::vector<ProgramRun> runs_of(const std::string& path, std::size_t ended = 0) = 0;
};

std::unique_ptr<Environment> MakeEnvironment();

// The record a program leaves: its path with the extension ".log".
inline std::string RecordPathOf(const std::string& program) {
  auto slash = program.find_last_of('\\');
  auto dot = program.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
    dot = program.size();
  }
  return program.substr(0, dot) + ".log";
}

// Parses the stub's record: "event=started ..." then "event=ended ..." lines
// of tab-separated name=value fields.
inline std::vector<ProgramRun> ParseRecord(const std::string& text) {
  std::vector<ProgramRun> runs;
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t end = text.find_first_of("\r\n", begin);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(begin, end - begin);
    begin = end + 1;
    if (line.empty()) continue;
    std::vector<std::pair<std::string, std::string>> fields;
    std::size_t at = 0;
    while (at <= line.size()) {
      std::size_t tab = line.find('\t', at);
      std::string field = line.substr(at, tab == std::string::npos ? tab : tab - at);
      auto equals = field.find('=');
      if (equals != std::string::npos) {
        // The command line is the last field and may hold tabs of its own.
        if (field.compare(0, equals, "command_line") == 0) {
          fields.emplace_back("command_line", line.substr(at + equals + 1));
          break;
        }
        fields.emplace_back(field.substr(0, equals), field.substr(equals + 1));
      }
      if (tab == std::string::npos) break;
      at = tab + 1;
    }
    auto get = [&](const char* name) {
      for (const auto& [n, v] : fields) {
        if (n == name) return v;
      }
      return std::string();
    };
    if (get("event") == "started") {
      ProgramRun run;
      run.pid = get("pid");
      run.program = get("program");
      run.cwd = get("cwd");
      run.command_line = get("command_line");
      run.show = std::atoi(get("show").c_str());
      runs.push_back(run);
    } else if (get("event") == "ended") {
      for (ProgramRun& run : runs) {
        if (run.pid == get("pid") && !run.ended) {
          run.ended = true;
          run.exit_code = std::atoi(get("exit_code").c_str());
          break;
        }
      }
    }
  }
  return runs;
}

// Each test gets an environment of its own.
class ContractTest : public testing::Test {
 protected:
  void SetUp() override { env_ = MakeEnvironment(); }
  void TearDown() override { env_.reset(); }

  Environment& env() { return *env_; }
  Host host() { return env_->host(); }
  std::string In(const std::string& relative) { return env_->scratch() + "\\" + relative; }

 private:
  std::unique_ptr<Environment> env_;
};

}  // namespace ktr::contract
