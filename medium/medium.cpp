#include "medium/medium.h"

#include "lang/keys.h"
#include "lang/multilang.h"
#include "platform/host.h"
#include "platform/process_helpers.h"

namespace ktr::medium {

std::string LaunchFolderFrom(const std::string& current_directory, unsigned code_page) {
  if (current_directory.empty()) return "\\";
  return platform::AddTrailingBackslash(current_directory, code_page);
}

std::string LaunchFolder(Files& files, Locale& locale) {
  return LaunchFolderFrom(files.current_directory(), locale.ansi_code_page());
}

std::string ProgramFolder(Files& files, Locale& locale) {
  const unsigned code_page = locale.ansi_code_page();
  return platform::AddTrailingBackslash(platform::FolderOf(files.program_path(), code_page),
                                        code_page);
}

std::string SkinFolder(Profile& profile, const std::string& launch_folder) {
  return launch_folder + "imgdata\\" +
         lang::ReadLangString(profile, launch_folder, lang::RES_LANG) + "\\";
}

std::string SkinFile(Profile& profile, const std::string& launch_folder, std::string_view file) {
  return SkinFolder(profile, launch_folder) + std::string(file);
}

}  // namespace ktr::medium
