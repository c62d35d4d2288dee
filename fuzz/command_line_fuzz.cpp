// libFuzzer entry for the command lines of the medium's programs. The input's
// first line is a MultiLang.ini value, every further line a file on the
// medium. Whatever the value, the line must start with the quoted launch
// folder, keep the value's program and arguments as they stand (".exe" added
// at most), and, when it names a file of the medium, be understood by the
// in-memory system as starting exactly that file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "medium/command_line.h"
#include "testing/fake_host.h"

namespace {

constexpr std::string_view kLaunchFolder = "D:\\Medium 1\\";

bool Blank(char c) { return c == ' ' || c == '\t'; }

// The program text the line quotes, when the line is one the rules can make
// of the value: nullopt when it is none of them.
std::optional<std::string> QuotedProgram(std::string_view value, std::string_view line) {
  const std::string head = '"' + std::string(kLaunchFolder);
  if (line.substr(0, head.size()) != head) return std::nullopt;
  if (!value.empty() && value.front() == '"') {
    const std::size_t close = value.find('"', 1);
    if (close != std::string_view::npos) {
      const std::string program(value.substr(1, close - 1));
      if (line == head + program + '"' + std::string(value.substr(close + 1))) return program;
      return std::nullopt;
    }
  }
  for (std::size_t end = 0; end <= value.size(); ++end) {
    if (end < value.size() && !Blank(value[end])) continue;
    const std::string part(value.substr(0, end));
    const std::string rest(value.substr(end));
    if (line == head + part + '"' + rest) return part;
    if (line == head + part + ".exe\"" + rest) return part + ".exe";
  }
  return std::nullopt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t first_end = input.find('\n');
  const std::string_view value = input.substr(0, first_end);

  ktr::fake::FakeFiles files;
  std::size_t at = first_end;
  while (at != std::string_view::npos && at < input.size()) {
    const std::size_t next = input.find('\n', at + 1);
    const std::string_view name = input.substr(
        at + 1, next == std::string_view::npos ? std::string_view::npos : next - at - 1);
    if (!name.empty()) files.add_file(std::string(kLaunchFolder) + std::string(name), "MZ");
    at = next;
  }

  const std::string line = ktr::medium::MediumCommandLine(files, std::string(kLaunchFolder), value);
  const std::optional<std::string> program = QuotedProgram(value, line);
  if (!program) std::abort();

  const std::string path = std::string(kLaunchFolder) + *program;
  if (program->find('"') == std::string::npos && files.file(path) != nullptr) {
    ktr::fake::FakeProcesses processes(files);
    processes.require_program_file = true;
    processes.run_and_wait(line, 1);
    if (processes.runs.size() != 1 || !files.same_path(processes.runs[0].program, path)) {
      std::abort();
    }
  }
  return 0;
}
