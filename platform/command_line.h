#pragma once
// Command lines for programs on the medium, with the program path quoted:
// the launch folder may hold blanks, and an unquoted path would let the
// system try a program outside the medium first.
#include <optional>
#include <string>
#include <string_view>

#include "platform/host.h"

namespace ktr::platform {

// `relative` names one file (a fixed path, or a value that is a file name
// alone): the whole text is the program.
std::string ProgramCommandLine(const std::string& launch_folder, std::string_view relative);

// `value` is a command line from MultiLang.ini: a program path relative to
// the launch folder, then its arguments, kept unchanged.
std::string MediumCommandLine(Files& files, const std::string& launch_folder,
                              std::string_view value);

// The same line, but only when its program is a file inside the launch
// folder; nullopt otherwise (an empty value among them), so that a caller
// whose program is optional starts nothing rather than let the system look
// for a program of that name anywhere else.
std::optional<std::string> FoundMediumCommandLine(Files& files, const std::string& launch_folder,
                                                  std::string_view value);

}  // namespace ktr::platform
