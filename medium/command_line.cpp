#include "medium/command_line.h"

#include "platform/debugger_note.h"

namespace ktr::medium {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool HasExtension(std::string_view part) {
  auto dot = part.find_last_of('.');
  auto slash = part.find_last_of('\\');
  return dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash);
}

std::string Quoted(const std::string& launch_folder, std::string_view program) {
  std::string line = "\"";
  line += launch_folder;
  line += program;
  line += '"';
  return line;
}

}  // namespace

std::string ProgramCommandLine(const std::string& launch_folder, std::string_view relative) {
  return Quoted(launch_folder, relative);
}

// The program is found as the system finds an unquoted one, shortest
// leading part first, but only inside the launch folder: nothing outside the
// medium can be picked. A value that quotes its program is taken at its word.
std::optional<std::string> FoundMediumCommandLine(Files& files, const std::string& launch_folder,
                                                  std::string_view value) {
  auto on_medium = [&](std::string_view part) -> std::optional<std::string> {
    if (part.empty()) return std::nullopt;
    std::string path = launch_folder + std::string(part);
    if (files.exists(path)) return std::string(part);
    if (!HasExtension(part) && files.exists(path + ".exe")) return std::string(part) + ".exe";
    return std::nullopt;
  };
  if (!value.empty() && value.front() == '"') {
    auto close = value.find('"', 1);
    if (close != std::string_view::npos) {
      std::optional<std::string> program = on_medium(value.substr(1, close - 1));
      if (!program) return std::nullopt;
      return Quoted(launch_folder, *program) + std::string(value.substr(close + 1));
    }
  }
  for (std::size_t end = 0; end <= value.size(); ++end) {
    if (end < value.size() && !IsBlank(value[end])) continue;
    std::string_view part = value.substr(0, end);
    if (part.empty() || IsBlank(part.back())) continue;
    if (std::optional<std::string> program = on_medium(part)) {
      return Quoted(launch_folder, *program) + std::string(value.substr(end));
    }
  }
  return std::nullopt;
}

std::string MediumCommandLine(Files& files, const std::string& launch_folder,
                              std::string_view value) {
  if (!value.empty() && value.front() == '"') {
    auto close = value.find('"', 1);
    if (close != std::string_view::npos) {
      return Quoted(launch_folder, value.substr(1, close - 1)) +
             std::string(value.substr(close + 1));
    }
  }
  if (std::optional<std::string> found = FoundMediumCommandLine(files, launch_folder, value)) {
    return *found;
  }
  auto blank = value.find_first_of(" \t");
  if (blank == std::string_view::npos) return Quoted(launch_folder, value);
  return Quoted(launch_folder, value.substr(0, blank)) + std::string(value.substr(blank));
}

void StartHelp(Processes& processes, Files& files, const std::string& launch_folder,
               std::string_view value) {
  try {
    if (std::optional<std::string> line = FoundMediumCommandLine(files, launch_folder, value)) {
      processes.start(*line, kSwShow);
    }
  } catch (...) {
    // The window works all the same without its help.
    platform::NoteForDebugger("help " + std::string(value), std::current_exception());
  }
}

}  // namespace ktr::medium
