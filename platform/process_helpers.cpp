#include "platform/process_helpers.h"

#include <algorithm>
#include <array>

#include "medium/medium.h"

namespace ktr::platform {

// One implementation for every caller; the port does the system's work.
int RunAndWait(Processes& processes, const std::string& command_line, unsigned short show) {
  return processes.run_and_wait(command_line, show);
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
  std::unique_ptr<FileWriter> writer = files.create(destination);
  if (!writer) return false;

  std::array<char, kCopyBlockSize> block;
  std::uint64_t remaining = *size;
  while (remaining > 0) {
    std::int64_t got = reader->read(block.data(), block.size());
    bool complete = got > 0 && writer->write(block.data(), static_cast<std::size_t>(got)) == got;
    if (!complete) {
      writer.reset();
      files.remove(destination);
      return false;
    }
    remaining -= std::min<std::uint64_t>(remaining, static_cast<std::uint64_t>(got));
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

// A folder whose name ends in a double-byte character with the trail byte
// 0x5C (Shift-JIS and others) still needs its separator.
std::string AddTrailingBackslash(const std::string& text, unsigned code_page) {
  if (text.empty()) return text;
  if (text.back() == '\\' && !medium::IsTrailByte(text, text.size() - 1, code_page)) return text;
  return text + '\\';
}

// A file name holding such a character must not cut the path inside it.
std::string FolderOf(const std::string& path, unsigned code_page) {
  std::size_t at = path.find_last_of("\\:");
  while (at != std::string::npos && medium::IsTrailByte(path, at, code_page)) {
    at = at == 0 ? std::string::npos : path.find_last_of("\\:", at - 1);
  }
  return at == std::string::npos ? std::string() : path.substr(0, at + 1);
}

}  // namespace ktr::platform
