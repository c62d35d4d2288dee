#include "medium/medium.h"

#include "lang/keys.h"
#include "lang/multilang.h"
#include "platform/host.h"
#include "platform/process_helpers.h"

namespace ktr::medium {
namespace {

bool IsLeadByte(unsigned char byte, unsigned code_page) {
  switch (code_page) {
    case 932:  // Shift-JIS
      return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    case 936:  // GBK
    case 949:  // Unified Hangul Code
    case 950:  // Big5
      return byte >= 0x81 && byte <= 0xFE;
    default:
      return false;
  }
}

}  // namespace

// Scans from the start, as the system does: a byte's role depends on every
// byte before it.
bool IsTrailByte(std::string_view text, std::size_t index, unsigned code_page) {
  std::size_t i = 0;
  while (i < index) {
    if (IsLeadByte(static_cast<unsigned char>(text[i]), code_page) && i + 1 < text.size()) {
      if (i + 1 == index) return true;
      i += 2;
    } else {
      i += 1;
    }
  }
  return false;
}

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
