#include "platform/process_helpers.h"

#include <algorithm>
#include <array>

#include "platform/dbcs.h"
#include "platform/errors.h"

namespace ktr::platform {
namespace {

// Every block written in full; false on a failed or short write, a failed
// read, or a read of nothing before `size` bytes have passed.
bool Transfer(FileReader& reader, FileWriter& writer, std::uint64_t size) {
  std::array<char, kCopyBlockSize> block;
  std::uint64_t remaining = size;
  while (remaining > 0) {
    std::int64_t got = reader.read(block.data(), block.size());
    if (got <= 0 || writer.write(block.data(), static_cast<std::size_t>(got)) != got) return false;
    remaining -= std::min<std::uint64_t>(remaining, static_cast<std::uint64_t>(got));
  }
  return true;
}

constexpr std::uint32_t kNotFollowed = kFileAttributeDirectory | kFileAttributeReparsePoint;
constexpr std::uint32_t kRefusesReplacing =
    kFileAttributeReadOnly | kFileAttributeHidden | kFileAttributeSystem;

// The system will not move a file over a read-only one, so the destination's
// attributes are cleared for the move and given back when it fails.
bool Commit(Files& files, PlacedFile& placed, const std::string& destination) {
  const std::optional<std::uint32_t> before = files.attributes(destination);
  const bool cleared = before && (*before & kRefusesReplacing) != 0 &&
                       files.set_attributes(destination, kFileAttributeNormal);
  if (placed.commit()) return true;
  if (cleared) files.set_attributes(destination, *before);
  return false;
}

}  // namespace

// One implementation for every caller; the port does the system's work.
int RunAndWait(Processes& processes, const std::string& command_line, unsigned short show) {
  return processes.run_and_wait(command_line, show);
}

EnteredFolder::EnteredFolder(Files& files, const std::string& folder)
    : files_(files), saved_(files.current_directory()) {
  const unsigned long entered = files_.set_current_directory(folder);
  if (entered != 0) throw InOutError(entered);
}

EnteredFolder::~EnteredFolder() {
  if (!left_) files_.set_current_directory(saved_);
}

void EnteredFolder::leave() {
  left_ = true;
  const unsigned long restored = files_.set_current_directory(saved_);
  if (restored != 0) throw InOutError(restored);
}

// The count is 64-bit, so files of 2 GiB and more are copied whole. Every
// block must be written in full: a short or failed write, a failed read and
// a read of nothing before the count is used up (the source shrank) end the
// copy as failed, and the incomplete destination is removed, since callers
// go on to run what they copied.
bool CopyFileWithDate(Files& files, const std::string& source, const std::string& destination) {
  // Byte for byte: names that differ in case only are tried, and the
  // sharing-free open then refuses the second handle on one file.
  if (source == destination) return false;
  std::unique_ptr<FileReader> reader = files.open_read(source);
  if (!reader) return false;
  std::optional<std::uint64_t> size = reader->size();
  if (!size) return false;
  std::unique_ptr<FileWriter> writer = files.create_unprotected(destination);
  if (!writer) return false;

  if (!Transfer(*reader, *writer, *size)) {
    writer.reset();
    files.remove(destination);
    return false;
  }

  // The date and the attributes are a courtesy: failing to set them does not
  // make the copied bytes wrong.
  if (std::optional<DosDateTime> when = reader->last_write_time()) {
    writer->set_last_write_time(*when);
  }
  writer.reset();
  if (std::optional<std::uint32_t> attributes = files.attributes(source)) {
    files.set_attributes(destination, *attributes);
  }
  return true;
}

bool CanReplace(Files& files, const std::string& destination) {
  const std::optional<std::uint32_t> attributes = files.attributes(destination);
  return !attributes || (*attributes & kNotFollowed) == 0;
}

bool PlaceText(Files& files, const std::string& destination, const std::string& text) {
  if (!CanReplace(files, destination)) return false;
  std::unique_ptr<PlacedFile> placed =
      files.place(destination, FileProtection::kAdministrators);
  if (!placed) return false;
  std::size_t done = 0;
  while (done < text.size()) {
    const std::int64_t wrote = placed->write(text.data() + done, text.size() - done);
    if (wrote <= 0) return false;
    done += static_cast<std::size_t>(wrote);
  }
  return Commit(files, *placed, destination);
}

// The date and the attributes are a courtesy, as in CopyFileWithDate.
bool PlaceCopy(Files& files, const std::string& source, const std::string& destination) {
  if (source == destination || !CanReplace(files, destination)) return false;
  std::unique_ptr<FileReader> reader = files.open_read(source);
  if (!reader) return false;
  return PlaceCopyFrom(files, *reader, source, destination, [] { return true; });
}

bool PlaceCopyFrom(Files& files, FileReader& reader, const std::string& source,
                   const std::string& destination, const std::function<bool()>& before_commit) {
  if (source == destination || !CanReplace(files, destination)) return false;
  const std::optional<std::uint64_t> size = reader.size();
  if (!size) return false;
  std::unique_ptr<PlacedFile> placed =
      files.place(destination, FileProtection::kAdministrators);
  if (!placed || !Transfer(reader, *placed, *size)) return false;
  // Nothing more may come: a source that grew is not the one that was sized.
  char more = 0;
  if (reader.read(&more, 1) != 0) return false;
  if (std::optional<DosDateTime> when = reader.last_write_time()) {
    placed->set_last_write_time(*when);
  }
  if (!before_commit() || !Commit(files, *placed, destination)) return false;
  if (std::optional<std::uint32_t> attributes = files.attributes(source)) {
    files.set_attributes(destination, *attributes);
  }
  return true;
}

// A folder whose name ends in a double-byte character with the trail byte
// 0x5C (Shift-JIS and others) still needs its separator.
std::string AddTrailingBackslash(const std::string& text, unsigned code_page) {
  if (text.empty()) return text;
  if (text.back() == '\\' && !IsTrailByte(text, text.size() - 1, code_page)) return text;
  return text + '\\';
}

// A file name holding such a character must not cut the path inside it.
std::string FolderOf(const std::string& path, unsigned code_page) {
  std::size_t at = path.find_last_of("\\:");
  while (at != std::string::npos && IsTrailByte(path, at, code_page)) {
    at = at == 0 ? std::string::npos : path.find_last_of("\\:", at - 1);
  }
  return at == std::string::npos ? std::string() : path.substr(0, at + 1);
}

}  // namespace ktr::platform
