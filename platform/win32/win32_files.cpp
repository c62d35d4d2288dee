// Files and folders: block transfers on handles opened without sharing (or
// shared with readers only, for what is only read), the last-write time as a local DOS date and time, attributes by name.
#include <algorithm>
#include <limits>
#include <memory>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_ports.h"

#include <sddl.h>

namespace ktr::win32 {
namespace {

constexpr std::size_t kMaxTransfer = std::numeric_limits<DWORD>::max();

class Win32FileReader : public FileReader {
 public:
  explicit Win32FileReader(FileHandle handle) : handle_(std::move(handle)) {}

  std::optional<std::uint64_t> size() override {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(handle_.get(), &size)) return std::nullopt;
    return static_cast<std::uint64_t>(size.QuadPart);
  }

  std::int64_t read(void* buffer, std::size_t count) override {
    DWORD done = 0;
    if (!::ReadFile(handle_.get(), buffer, static_cast<DWORD>(std::min(count, kMaxTransfer)), &done,
                    nullptr)) {
      return -1;
    }
    return done;
  }

  std::optional<DosDateTime> last_write_time() override {
    FILETIME written{};
    FILETIME local{};
    DosDateTime when;
    if (!::GetFileTime(handle_.get(), nullptr, nullptr, &written) ||
        !::FileTimeToLocalFileTime(&written, &local) ||
        !::FileTimeToDosDateTime(&local, &when.date, &when.time)) {
      return std::nullopt;
    }
    return when;
  }

 private:
  FileHandle handle_;
};

class Win32FileWriter : public FileWriter {
 public:
  explicit Win32FileWriter(FileHandle handle) : handle_(std::move(handle)) {}

  std::int64_t write(const void* data, std::size_t count) override {
    DWORD done = 0;
    if (!::WriteFile(handle_.get(), data, static_cast<DWORD>(std::min(count, kMaxTransfer)), &done,
                     nullptr)) {
      return -1;
    }
    return done;
  }

  bool set_last_write_time(DosDateTime when) override {
    FILETIME local{};
    FILETIME written{};
    return ::DosDateTimeToFileTime(when.date, when.time, &local) &&
           ::LocalFileTimeToFileTime(&local, &written) &&
           ::SetFileTime(handle_.get(), nullptr, nullptr, &written);
  }

  HANDLE handle() const { return handle_.get(); }
  // CloseHandle's own answer: the last data may be refused only here.
  bool close() {
    if (!handle_) return true;
    return ::CloseHandle(handle_.release()) != 0;
  }

 private:
  FileHandle handle_;
};

// The descriptor of a file placed with FileProtection::kAdministrators: owner
// Administrators; SYSTEM and Administrators full control (FA), Users read
// and execute (FILE_GENERIC_READ | FILE_GENERIC_EXECUTE); protected (P), so
// nothing is inherited from the folder.
constexpr char kAdministratorsOnly[] = "O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;BU)";

struct LocalFreeDeleter {
  void operator()(void* memory) const { ::LocalFree(memory); }
};
using SecurityDescriptor = std::unique_ptr<void, LocalFreeDeleter>;

SecurityDescriptor DescriptorFor(FileProtection protection) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  switch (protection) {
    case FileProtection::kAdministrators:
      if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(
              kAdministratorsOnly, SDDL_REVISION_1, &descriptor, nullptr)) {
        return nullptr;
      }
      break;
  }
  return SecurityDescriptor(descriptor);
}

// Created under a name of its own (CREATE_NEW never opens what is already
// there, a planted link included) and closed before the move, which replaces
// the destination itself, never what a link there points to.
class Win32PlacedFile : public PlacedFile {
 public:
  Win32PlacedFile(FileHandle handle, std::string temporary, std::string destination)
      : writer_(std::move(handle)),
        temporary_(std::move(temporary)),
        destination_(std::move(destination)) {}
  ~Win32PlacedFile() override {
    if (!done_) Discard();
  }

  std::int64_t write(const void* data, std::size_t count) override {
    return writer_.write(data, count);
  }
  bool set_last_write_time(DosDateTime when) override {
    return writer_.set_last_write_time(when);
  }

  bool commit() override {
    if (done_) return false;
    done_ = true;
    if (::FlushFileBuffers(writer_.handle()) && writer_.close() &&
        ::MoveFileExA(temporary_.c_str(), destination_.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return true;
    }
    Discard();
    return false;
  }

 private:
  void Discard() {
    writer_.close();
    ::DeleteFileA(temporary_.c_str());
  }

  Win32FileWriter writer_;
  std::string temporary_;
  std::string destination_;
  bool done_ = false;
};

}  // namespace

std::unique_ptr<PlacedFile> Win32Files::place(const std::string& destination,
                                              FileProtection protection) {
  SecurityDescriptor descriptor = DescriptorFor(protection);
  if (!descriptor) return nullptr;
  SECURITY_ATTRIBUTES security{};
  security.nLength = sizeof security;
  security.lpSecurityDescriptor = descriptor.get();
  // A name left by an earlier run or put there by someone else is passed by.
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string temporary = destination + ".~" + std::to_string(attempt);
    FileHandle handle(::CreateFileA(temporary.c_str(), GENERIC_READ | GENERIC_WRITE, 0, &security,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (handle) {
      return std::make_unique<Win32PlacedFile>(std::move(handle), std::move(temporary),
                                               destination);
    }
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return nullptr;
  }
  return nullptr;
}

bool Win32Files::exists(const std::string& path) {
  DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::unique_ptr<FileReader> Win32Files::open_read(const std::string& path) {
  FileHandle handle(::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle) return nullptr;
  return std::make_unique<Win32FileReader>(std::move(handle));
}

// FILE_SHARE_READ alone: other readers are welcome, while no one can write,
// rename or delete the file under the reader.
std::unique_ptr<FileReader> Win32Files::open_read_shared(const std::string& path) {
  FileHandle handle(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle) return nullptr;
  return std::make_unique<Win32FileReader>(std::move(handle));
}

std::optional<std::vector<FolderEntry>> Win32Files::list_folder(const std::string& folder) {
  std::string pattern = folder;
  if (pattern.empty() || pattern.back() != '\\') pattern += '\\';
  pattern += '*';
  WIN32_FIND_DATAA found{};
  FindHandle search(::FindFirstFileA(pattern.c_str(), &found));
  if (!search) return std::nullopt;
  std::vector<FolderEntry> entries;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    entries.push_back({name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
  } while (::FindNextFileA(search.get(), &found));
  if (::GetLastError() != ERROR_NO_MORE_FILES) return std::nullopt;
  return entries;
}

std::unique_ptr<FileWriter> Win32Files::create_unprotected(const std::string& path) {
  FileHandle handle(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle) return nullptr;
  return std::make_unique<Win32FileWriter>(std::move(handle));
}

bool Win32Files::remove(const std::string& path) { return ::DeleteFileA(path.c_str()) != 0; }

std::optional<std::uint32_t> Win32Files::attributes(const std::string& path) {
  DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  return attributes;
}

bool Win32Files::set_attributes(const std::string& path, std::uint32_t attributes) {
  return ::SetFileAttributesA(path.c_str(), attributes) != 0;
}

// Asked for its length first: a folder deeper than MAX_PATH is taken whole.
std::string Win32Files::current_directory() {
  DWORD needed = ::GetCurrentDirectoryA(0, nullptr);
  while (needed != 0) {
    std::string buffer(needed, '\0');
    DWORD length = ::GetCurrentDirectoryA(needed, buffer.data());
    if (length == 0) break;
    if (length < needed) {
      buffer.resize(length);
      return buffer;
    }
    needed = length;  // it changed between the two calls
  }
  return {};
}

unsigned long Win32Files::set_current_directory(const std::string& path) {
  return ::SetCurrentDirectoryA(path.c_str()) ? 0 : ::GetLastError();
}

// GetModuleFileNameA fills the buffer without a zero when the path does not
// fit, so the buffer grows until the answer is shorter than it.
std::string Win32Files::program_path() {
  for (DWORD size = MAX_PATH; size <= 65536; size *= 2) {
    std::string buffer(size, '\0');
    DWORD length = ::GetModuleFileNameA(nullptr, buffer.data(), size);
    if (length == 0) return {};
    if (length < size) {
      buffer.resize(length);
      return buffer;
    }
  }
  return {};
}

}  // namespace ktr::win32
