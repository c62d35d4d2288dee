#include "bench/disk_host.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <vector>

namespace ktr::bench {
namespace {

constexpr std::uint32_t kAttributeDirectory = 0x10;
constexpr std::uint32_t kAttributeArchive = 0x20;
constexpr unsigned long kErrorFileNotFound = 2;
constexpr unsigned long kErrorPathNotFound = 3;
constexpr unsigned long kErrorDirectory = 267;

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::vector<std::string> PartsOf(const std::string& absolute) {
  std::vector<std::string> parts;
  std::string part;
  for (std::size_t i = 3; i <= absolute.size(); ++i) {
    if (i == absolute.size() || absolute[i] == '\\') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += absolute[i];
    }
  }
  return parts;
}

// The entry of `folder` whose name matches `name` without regard to case.
std::optional<std::string> MatchInFolder(const std::filesystem::path& folder,
                                         const std::string& name) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return std::nullopt;
  std::optional<std::string> found;
  while (dirent* entry = readdir(dir)) {
    if (strcasecmp(entry->d_name, name.c_str()) == 0) {
      found = entry->d_name;
      break;
    }
  }
  closedir(dir);
  return found;
}

std::optional<DosDateTime> DosTimeOf(std::time_t when) {
  std::tm local{};
  if (localtime_r(&when, &local) == nullptr || local.tm_year < 80) return std::nullopt;
  DosDateTime dos;
  dos.date = static_cast<std::uint16_t>(((local.tm_year - 80) << 9) | ((local.tm_mon + 1) << 5) |
                                        local.tm_mday);
  dos.time = static_cast<std::uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) |
                                        (local.tm_sec / 2));
  return dos;
}

std::time_t TimeOfDos(DosDateTime dos) {
  std::tm local{};
  local.tm_year = (dos.date >> 9) + 80;
  local.tm_mon = ((dos.date >> 5) & 0x0F) - 1;
  local.tm_mday = dos.date & 0x1F;
  local.tm_hour = dos.time >> 11;
  local.tm_min = (dos.time >> 5) & 0x3F;
  local.tm_sec = (dos.time & 0x1F) * 2;
  local.tm_isdst = -1;
  return std::mktime(&local);
}

// The size is the one taken when the file was opened, as the system's
// answer for an open handle would be.
class DiskReader : public FileReader {
 public:
  DiskReader(UniqueFd fd, std::uint64_t size) : fd_(std::move(fd)), size_(size) {}

  std::optional<std::uint64_t> size() override { return size_; }

  std::int64_t read(void* buffer, std::size_t count) override {
    for (;;) {
      ssize_t got = ::read(fd_.get(), buffer, count);
      if (got >= 0 || errno != EINTR) return got;
    }
  }

  std::optional<DosDateTime> last_write_time() override {
    struct stat st {};
    if (fstat(fd_.get(), &st) != 0) return std::nullopt;
    return DosTimeOf(st.st_mtime);
  }

 private:
  UniqueFd fd_;
  std::uint64_t size_;
};

class DiskWriter : public FileWriter {
 public:
  explicit DiskWriter(UniqueFd fd) : fd_(std::move(fd)) {}

  std::int64_t write(const void* data, std::size_t count) override {
    for (;;) {
      ssize_t done = ::write(fd_.get(), data, count);
      if (done >= 0 || errno != EINTR) return done;
    }
  }

  bool set_last_write_time(DosDateTime when) override {
    const std::time_t t = TimeOfDos(when);
    if (t == static_cast<std::time_t>(-1)) return false;
    const timespec times[2] = {{0, UTIME_OMIT}, {t, 0}};
    return futimens(fd_.get(), times) == 0;
  }

 private:
  UniqueFd fd_;
};

UniqueFd OpenRetrying(const char* path, int flags, mode_t mode = 0) {
  for (;;) {
    int fd = ::open(path, flags | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EINTR) return UniqueFd(fd);
  }
}

}  // namespace

UniqueFd::~UniqueFd() {
  if (fd_ >= 0) ::close(fd_);
}

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.release();
  }
  return *this;
}

DiskFiles::DiskFiles(char drive, std::filesystem::path root, std::string current_directory)
    : drive_(Upper(drive)), root_(std::move(root)), current_directory_(std::move(current_directory)) {}

std::string DiskFiles::Absolute(const std::string& windows_path) const {
  std::string full;
  if (windows_path.size() >= 2 && windows_path[1] == ':') {
    full = windows_path.substr(0, 2) + "\\" + windows_path.substr(2);
  } else if (!windows_path.empty() && (windows_path[0] == '\\' || windows_path[0] == '/')) {
    full = current_directory_.substr(0, 2) + windows_path;
  } else {
    full = current_directory_ + "\\" + windows_path;
  }
  std::vector<std::string> parts;
  std::string part;
  auto flush = [&] {
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    part.clear();
  };
  for (std::size_t i = 2; i < full.size(); ++i) {
    if (full[i] == '\\' || full[i] == '/') {
      flush();
    } else {
      part += full[i];
    }
  }
  flush();
  std::string absolute = full.substr(0, 2) + "\\";
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) absolute += '\\';
    absolute += parts[i];
  }
  return absolute;
}

// A plain absolute path on our drive, the launcher's usual kind, is mapped by
// swapping separators; anything else goes through Absolute first.
std::filesystem::path DiskFiles::Exact(const std::string& windows_path) const {
  const bool plain = windows_path.size() >= 3 && windows_path[1] == ':' &&
                     windows_path[2] == '\\' && windows_path.find("\\\\") == std::string::npos &&
                     windows_path.find("\\.") == std::string::npos &&
                     windows_path.find('/') == std::string::npos;
  const std::string absolute = plain ? windows_path : Absolute(windows_path);
  if (Upper(absolute[0]) != drive_) return {};
  std::string exact = root_.native();
  for (std::size_t i = 2; i < absolute.size(); ++i) {
    exact += absolute[i] == '\\' ? '/' : absolute[i];
  }
  if (exact.size() > root_.native().size() + 1 && exact.back() == '/') exact.pop_back();
  return exact;
}

std::filesystem::path DiskFiles::Resolve(const std::string& windows_path) const {
  std::filesystem::path exact = Exact(windows_path);
  struct stat st {};
  if (exact.empty() || stat(exact.c_str(), &st) == 0) return exact;

  const std::vector<std::string> parts = PartsOf(Absolute(windows_path));
  std::filesystem::path path = root_;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    std::filesystem::path next = path / parts[i];
    if (stat(next.c_str(), &st) == 0) {
      path = next;
    } else if (auto match = MatchInFolder(path, parts[i])) {
      path /= *match;
    } else if (i + 1 == parts.size()) {
      path = next;
    } else {
      return {};
    }
  }
  return path;
}

bool DiskFiles::exists(const std::string& path) {
  std::filesystem::path real = Resolve(path);
  struct stat st {};
  return !real.empty() && stat(real.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The launcher's spelling is tried as it stands, so a medium written in it
// costs one open; other spellings pay for the directory scans.
std::unique_ptr<FileReader> DiskFiles::open_read(const std::string& path) {
  std::filesystem::path real = Exact(path);
  if (real.empty()) return nullptr;
  UniqueFd fd = OpenRetrying(real.c_str(), O_RDONLY);
  if (!fd && (errno == ENOENT || errno == ENOTDIR)) {
    real = Resolve(path);
    if (!real.empty()) fd = OpenRetrying(real.c_str(), O_RDONLY);
  }
  struct stat st {};
  if (!fd || fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
  return std::make_unique<DiskReader>(std::move(fd), static_cast<std::uint64_t>(st.st_size));
}

// A read-only file is refused, as CREATE_ALWAYS does, even to root.
std::unique_ptr<FileWriter> DiskFiles::create_unprotected(const std::string& path) {
  std::filesystem::path real = Resolve(path);
  if (real.empty()) return nullptr;
  if (auto current = attributes(path); current && (*current & kFileAttributeReadOnly) != 0) {
    return nullptr;
  }
  UniqueFd fd = OpenRetrying(real.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (!fd) return nullptr;
  return std::make_unique<DiskWriter>(std::move(fd));
}

bool DiskFiles::remove(const std::string& path) {
  std::filesystem::path real = Resolve(path);
  auto current = attributes(path);
  if (real.empty() || !current || (*current & (kFileAttributeReadOnly | kAttributeDirectory))) {
    return false;
  }
  return ::unlink(real.c_str()) == 0;
}

// The owner's write permission stands for the read-only attribute.
std::optional<std::uint32_t> DiskFiles::attributes(const std::string& path) {
  std::filesystem::path real = Resolve(path);
  struct stat st {};
  if (real.empty() || stat(real.c_str(), &st) != 0) return std::nullopt;
  if (S_ISDIR(st.st_mode)) return kAttributeDirectory;
  return kAttributeArchive | ((st.st_mode & S_IWUSR) ? 0u : kFileAttributeReadOnly);
}

bool DiskFiles::set_attributes(const std::string& path, std::uint32_t attributes) {
  std::filesystem::path real = Resolve(path);
  struct stat st {};
  if (real.empty() || stat(real.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  mode_t mode = st.st_mode & 07777;
  mode = (attributes & kFileAttributeReadOnly) ? (mode & ~S_IWUSR) : (mode | S_IWUSR);
  return chmod(real.c_str(), mode) == 0;
}

unsigned long DiskFiles::set_current_directory(const std::string& path) {
  std::filesystem::path real = Resolve(path);
  struct stat st {};
  if (real.empty() || stat(real.c_str(), &st) != 0) {
    return real.empty() ? kErrorPathNotFound : kErrorFileNotFound;
  }
  if (!S_ISDIR(st.st_mode)) return kErrorDirectory;
  std::string absolute = Absolute(path);
  if (absolute.size() > 3 && absolute.back() == '\\') absolute.pop_back();
  current_directory_ = absolute;
  return 0;
}

std::string DiskFiles::program_path() { return std::string(1, drive_) + ":\\KtrSetup.exe"; }

std::string DiskProfile::read_string(const std::string& file, const std::string& section,
                                     const std::string& key, std::size_t buffer_size) {
  if (buffer_size == 0) return {};
  std::unique_ptr<FileReader> reader = files_.open_read(file);
  if (!reader) return {};
  std::string text(reader->size().value_or(0), '\0');
  std::size_t filled = 0;
  while (filled < text.size()) {
    std::int64_t got = reader->read(text.data() + filled, text.size() - filled);
    if (got <= 0) break;
    filled += static_cast<std::size_t>(got);
  }
  text.resize(filled);
  return fake::ProfileValue(text, section, key, buffer_size);
}

bool ReadWholeFile(const std::filesystem::path& path, std::string& buffer) {
  UniqueFd fd = OpenRetrying(path.c_str(), O_RDONLY);
  struct stat st {};
  if (!fd || fstat(fd.get(), &st) != 0) return false;
  buffer.resize(static_cast<std::size_t>(st.st_size));
  std::size_t filled = 0;
  while (filled < buffer.size()) {
    ssize_t got = ::read(fd.get(), buffer.data() + filled, buffer.size() - filled);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    filled += static_cast<std::size_t>(got);
  }
  return true;
}

}  // namespace ktr::bench
