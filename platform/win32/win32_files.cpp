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

using ErrorSlot = std::shared_ptr<unsigned long>;

// Keeps the system's answer to the call that has just failed, then gives
// the port's own answer for a failure.
template <class Result>
Result Failed(const ErrorSlot& slot, Result result) {
  *slot = ::GetLastError();
  return result;
}

class Win32FileReader : public FileReader {
 public:
  Win32FileReader(FileHandle handle, ErrorSlot error)
      : handle_(std::move(handle)), error_(std::move(error)) {}

  std::optional<std::uint64_t> size() override {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(handle_.get(), &size)) return Failed(error_, std::nullopt);
    return static_cast<std::uint64_t>(size.QuadPart);
  }

  std::int64_t read(void* buffer, std::size_t count) override {
    DWORD done = 0;
    if (!::ReadFile(handle_.get(), buffer, static_cast<DWORD>(std::min(count, kMaxTransfer)), &done,
                    nullptr)) {
      return Failed<std::int64_t>(error_, -1);
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
      return Failed(error_, std::nullopt);
    }
    return when;
  }

 private:
  FileHandle handle_;
  ErrorSlot error_;
};

class Win32FileWriter : public FileWriter {
 public:
  Win32FileWriter(FileHandle handle, ErrorSlot error)
      : handle_(std::move(handle)), error_(std::move(error)) {}

  std::int64_t write(const void* data, std::size_t count) override {
    DWORD done = 0;
    if (!::WriteFile(handle_.get(), data, static_cast<DWORD>(std::min(count, kMaxTransfer)), &done,
                     nullptr)) {
      return Failed<std::int64_t>(error_, -1);
    }
    return done;
  }

  bool set_last_write_time(DosDateTime when) override {
    FILETIME local{};
    FILETIME written{};
    if (::DosDateTimeToFileTime(when.date, when.time, &local) &&
        ::LocalFileTimeToFileTime(&local, &written) &&
        ::SetFileTime(handle_.get(), nullptr, nullptr, &written)) {
      return true;
    }
    return Failed(error_, false);
  }

  HANDLE handle() const { return handle_.get(); }
  const ErrorSlot& error() const { return error_; }
  // CloseHandle's own answer: the last data may be refused only here.
  bool close() {
    if (!handle_) return true;
    return ::CloseHandle(handle_.release()) != 0 || Failed(error_, false);
  }

 private:
  FileHandle handle_;
  ErrorSlot error_;
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

SecurityDescriptor DescriptorFor(FileProtection protection, const ErrorSlot& error) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  switch (protection) {
    case FileProtection::kAdministrators:
      if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(
              kAdministratorsOnly, SDDL_REVISION_1, &descriptor, nullptr)) {
        return Failed(error, nullptr);
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
  Win32PlacedFile(FileHandle handle, ErrorSlot error, std::string temporary,
                  std::string destination)
      : writer_(std::move(handle), std::move(error)),
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
    if ((::FlushFileBuffers(writer_.handle()) || Failed(writer_.error(), false)) &&
        writer_.close() &&
        (::MoveFileExA(temporary_.c_str(), destination_.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ||
         Failed(writer_.error(), false))) {
      return true;
    }
    Discard();
    return false;
  }

 private:
  // The failure that discards is what the port keeps, not the clean-up's.
  void Discard() {
    const unsigned long cause = *writer_.error();
    writer_.close();
    ::DeleteFileA(temporary_.c_str());
    *writer_.error() = cause;
  }

  Win32FileWriter writer_;
  std::string temporary_;
  std::string destination_;
  bool done_ = false;
};

}  // namespace

std::unique_ptr<PlacedFile> Win32Files::place(const std::string& destination,
                                              FileProtection protection) {
  *last_error_ = 0;
  SecurityDescriptor descriptor = DescriptorFor(protection, last_error_);
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
      return std::make_unique<Win32PlacedFile>(std::move(handle), last_error_, std::move(temporary),
                                               destination);
    }
    const DWORD error = *last_error_ = ::GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return nullptr;
  }
  return nullptr;
}

bool Win32Files::exists(const std::string& path) {
  DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::unique_ptr<FileReader> Win32Files::open_read(const std::string& path) {
  *last_error_ = 0;
  FileHandle handle(::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle) return Failed(last_error_, nullptr);
  return std::make_unique<Win32FileReader>(std::move(handle), last_error_);
}

// FILE_SHARE_READ alone: other readers are welcome, while no one can write,
// rename or delete the file under the reader.
std::unique_ptr<FileReader> Win32Files::open_read_shared(const std::string& path) {
  *last_error_ = 0;
  FileHandle handle(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle) return Failed(last_error_, nullptr);
  return std::make_unique<Win32FileReader>(std::move(handle), last_error_);
}

std::optional<std::vector<FolderEntry>> Win32Files::list_folder(const std::string& folder) {
  std::string pattern = folder;
  if (pattern.empty() || pattern.back() != '\\') pattern += '\\';
  pattern += '*';
  *last_error_ = 0;
  WIN32_FIND_DATAA found{};
  FindHandle search(::FindFirstFileA(pattern.c_str(), &found));
  if (!search) return Failed(last_error_, std::nullopt);
  std::vector<FolderEntry> entries;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    entries.push_back({name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
  } while (::FindNextFileA(search.get(), &found));
  if (const DWORD error = ::GetLastError(); error != ERROR_NO_MORE_FILES) {
    *last_error_ = error;
    return std::nullopt;
  }
  return entries;
}

std::unique_ptr<FileWriter> Win32Files::create_unprotected(const std::string& path) {
  *last_error_ = 0;
  FileHandle handle(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle) return Failed(last_error_, nullptr);
  return std::make_unique<Win32FileWriter>(std::move(handle), last_error_);
}

bool Win32Files::remove(const std::string& path) {
  *last_error_ = 0;
  return ::DeleteFileA(path.c_str()) != 0 || Failed(last_error_, false);
}

std::optional<std::uint32_t> Win32Files::attributes(const std::string& path) {
  *last_error_ = 0;
  DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return Failed(last_error_, std::nullopt);
  return attributes;
}

bool Win32Files::set_attributes(const std::string& path, std::uint32_t attributes) {
  *last_error_ = 0;
  return ::SetFileAttributesA(path.c_str(), attributes) != 0 || Failed(last_error_, false);
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
  return ::SetCurrentDirectoryA(path.c_str()) ? 0 : *last_error_ = ::GetLastError();
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
