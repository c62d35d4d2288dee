#pragma once
// A medium folder as the launcher would see it through the file system:
// names matched without regard to letter case, Windows paths relative to
// the medium's root. The folder is listed once and each file read at most
// once, so a check costs one pass over what it looks at. As a Files port it
// answers the launcher's own lookups (program resolution, picture loading)
// from that listing; it writes nothing.
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/host.h"

namespace ktr::tools {

// Where the launcher would stand: the medium's root as a drive root.
inline constexpr std::string_view kMediumRoot = "D:\\";

struct MediumEntry {
  std::string path;  // relative, backslashes, as spelt on disk (UTF-8)
  std::filesystem::path disk;
  bool folder = false;
  std::uint64_t size = 0;
};

class MediumTree : public Files {
 public:
  // Throws std::filesystem::filesystem_error when the folder cannot be listed.
  explicit MediumTree(const std::filesystem::path& root);

  const std::vector<MediumEntry>& entries() const { return entries_; }
  // The entry a relative Windows path names, in any letter case.
  const MediumEntry* find(std::string_view relative) const;
  const MediumEntry* file(std::string_view relative) const;
  bool folder(std::string_view relative) const;
  // The file's bytes, read on first use; nullopt when it cannot be read.
  const std::string* contents(const MediumEntry& entry);

  // Files, over paths below kMediumRoot.
  bool exists(const std::string& path) override;
  std::unique_ptr<FileReader> open_read(const std::string& path) override;
  // The checker's reads all come from the one listing; sharing means nothing here.
  std::unique_ptr<FileReader> open_read_shared(const std::string& path) override {
    return open_read(path);
  }
  std::unique_ptr<FileWriter> create_unprotected(const std::string&) override { return nullptr; }
  bool remove(const std::string&) override { return false; }
  std::optional<std::uint32_t> attributes(const std::string& path) override;
  bool set_attributes(const std::string&, std::uint32_t) override { return false; }
  std::string current_directory() override { return std::string(kMediumRoot); }
  unsigned long set_current_directory(const std::string&) override { return 5; }
  std::string program_path() override { return std::string(kMediumRoot) + "KtrSetup.exe"; }

 private:
  const MediumEntry* on_medium(const std::string& path) const;

  std::vector<MediumEntry> entries_;
  std::map<std::string, std::size_t> by_folded_path_;
  std::map<std::size_t, std::optional<std::string>> contents_;
};

// A path's name as UTF-8, on every system.
std::string Utf8Name(const std::filesystem::path& path);
// ASCII lower case, as the file system compares names.
std::string FoldedName(std::string_view name);

}  // namespace ktr::tools
