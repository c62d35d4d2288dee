#pragma once
// Command lines for programs on the medium, with the program path quoted:
// the launch folder may hold blanks, and an unquoted path would let the
// system try a program outside the medium first.
#include <optional>
#include <string>
#include <string_view>

#include "platform/host.h"

namespace ktr::medium {

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

// Starts a help command of the medium without waiting, with show value 5.
// Its program is the one inside the launch folder, quoted; when the medium
// has none, nothing is started: the system would otherwise look for the name
// in its own folders, the current directory and along the search path, and
// start whatever it found there with the launcher's rights. Help is
// optional, so nothing is reported either way.
void StartHelp(Processes& processes, Files& files, const std::string& launch_folder,
               std::string_view value);

}  // namespace ktr::medium
