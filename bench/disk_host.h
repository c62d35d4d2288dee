#pragma once
// Host ports on this machine's own disk, for benchmarks: the launcher's
// Windows paths ("D:\Setup\imgdata\...") land in a real folder and every read
// is a real system call, so a measurement includes what the medium costs.
// Profile strings follow the fake host's INI rules (ProfileValue) over the
// file's bytes as read from disk. Not a test double: it records nothing and
// injects no faults.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/host.h"
#include "testing/fake_host.h"

namespace ktr::bench {

// A file descriptor with one owner.
class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  ~UniqueFd();
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept;
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

// One drive letter of Windows paths mapped onto a folder. Names are matched
// exactly first and without regard to case only when that fails, so a medium
// whose files carry the launcher's spelling costs no directory scans.
class DiskFiles : public Files {
 public:
  DiskFiles(char drive, std::filesystem::path root, std::string current_directory);

  // The file or folder a Windows path names; empty when it lies on another
  // drive or a part of it does not exist (the last part may be missing).
  std::filesystem::path Resolve(const std::string& windows_path) const;

  bool exists(const std::string& path) override;
  std::unique_ptr<FileReader> open_read(const std::string& path) override;
  std::unique_ptr<FileReader> open_read_shared(const std::string& path) override {
    return open_read(path);
  }
  std::unique_ptr<FileWriter> create_unprotected(const std::string& path) override;
  bool remove(const std::string& path) override;
  std::optional<std::uint32_t> attributes(const std::string& path) override;
  bool set_attributes(const std::string& path, std::uint32_t attributes) override;
  std::string current_directory() override { return current_directory_; }
  unsigned long set_current_directory(const std::string& path) override;
  std::string program_path() override;

 private:
  // Absolute, backslashes only, "." and ".." resolved.
  std::string Absolute(const std::string& windows_path) const;
  // The path spelt as given, without looking at the disk; empty for another
  // drive.
  std::filesystem::path Exact(const std::string& windows_path) const;

  char drive_;
  std::filesystem::path root_;
  std::string current_directory_;
};

// GetPrivateProfileStringA over DiskFiles: the file is read whole for every
// call, as the launcher's lookups expect nothing to be kept.
class DiskProfile : public Profile {
 public:
  explicit DiskProfile(DiskFiles& files) : files_(files) {}
  std::string read_string(const std::string& file, const std::string& section,
                          const std::string& key, std::size_t buffer_size) override;

 private:
  DiskFiles& files_;
};

// Every port: files and profile strings on disk, the rest from the fake host
// (the measured paths never reach them).
struct DiskHost {
  DiskHost(char drive, std::filesystem::path root, std::string current_directory)
      : files(drive, std::move(root), std::move(current_directory)) {}

  fake::FakeHost others;
  DiskFiles files;
  DiskProfile profile{files};

  Host host() {
    return Host{others.locale, others.version, others.registry, profile,
                files,         others.processes, others.shell};
  }
};

// Reads a whole file with plain POSIX calls into `buffer`, reusing its
// storage; false when it cannot be read. The yardstick the launcher's own
// reads are measured against.
bool ReadWholeFile(const std::filesystem::path& path, std::string& buffer);

}  // namespace ktr::bench
