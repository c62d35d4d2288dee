#pragma once
// Command lines for the medium's programs with the program path quoted, so
// that a launch folder with blanks cannot be read as a shorter program path.
#include <string>
#include <string_view>

namespace ktr {
class Files;
}

namespace ktr::platform {

// The whole relative text names one program: launch folder + text, quoted.
std::string ProgramCommandLine(const std::string& launch_folder, std::string_view relative);

// A command line from MultiLang.ini (program path, then arguments): the
// program is the shortest leading part, ended at a blank or at the end, that
// names an existing file under the launch folder (".exe" tried for a part
// without extension), else the text up to its first blank. The arguments
// follow unchanged.
std::string MediumCommandLine(Files& files, const std::string& launch_folder,
                              std::string_view command);

}  // namespace ktr::platform
