#pragma once
// Starting a program and waiting for its end; copying a file with its date
// and attributes; completing a folder path.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "platform/host.h"

namespace ktr::platform {

// The exit code of the ended process, or -1 when it could not be started.
int RunAndWait(Processes& processes, const std::string& command_line, unsigned short show);

// The current directory moved into a folder for a while. Entering raises
// InOutError with the system's code when the folder cannot be entered;
// leave() goes back and raises the same way when it cannot. A scope left by
// an error goes back without a word, the error being the one to report.
class EnteredFolder {
 public:
  EnteredFolder(Files& files, const std::string& folder);
  ~EnteredFolder();
  EnteredFolder(const EnteredFolder&) = delete;
  EnteredFolder& operator=(const EnteredFolder&) = delete;
  void leave();

 private:
  Files& files_;
  std::string saved_;
  bool left_ = false;
};

inline constexpr std::size_t kCopyBlockSize = 2048;

// True when the destination holds the whole source, with the source's last
// write time (to the even second) and attributes. On false no incomplete
// destination is left behind. The destination is created as the folder has
// it, through a link in its place: no file that the launcher leaves on the
// machine is copied this way; those are placed (PlaceCopy, PlaceText).
bool CopyFileWithDate(Files& files, const std::string& source, const std::string& destination);

// Files the launcher leaves on the machine, in the place of whatever was
// there: written whole under a temporary name with the administrators'
// protection, then moved over the destination. A destination that is a
// folder or a reparse point (symbolic link, junction, mount point) is never
// followed nor replaced; a read-only, hidden or system file is replaced like
// any other. On false the destination is as it was and nothing is left.
bool CanReplace(Files& files, const std::string& destination);
bool PlaceText(Files& files, const std::string& destination, const std::string& text);
// As CopyFileWithDate, the copy taking the source's date and attributes.
bool PlaceCopy(Files& files, const std::string& source, const std::string& destination);
// The same from a reader the caller opened on `source`; `before_commit`
// decides, once every byte has passed, whether the copy takes its place.
bool PlaceCopyFrom(Files& files, FileReader& reader, const std::string& source,
                   const std::string& destination, const std::function<bool()>& before_commit);

// The two path rules every folder is made with. In a double-byte ANSI code
// page (932, 936, 949, 950) a 0x5C that is the trail byte of a character is
// no backslash; other code pages look at the bytes alone.

// Appends "\" unless the text is empty or already ends in a backslash.
std::string AddTrailingBackslash(const std::string& text, unsigned code_page);

// The folder part of a path: everything up to its last backslash (or the
// colon of a bare drive), that separator included; empty for a file name
// alone.
std::string FolderOf(const std::string& path, unsigned code_page);

}  // namespace ktr::platform
