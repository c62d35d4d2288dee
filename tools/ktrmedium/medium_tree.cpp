#include "tools/ktrmedium/medium_tree.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

namespace ktr::tools {
namespace {

namespace fs = std::filesystem;

// A reader over bytes the tree already holds.
class HeldReader : public FileReader {
 public:
  explicit HeldReader(const std::string& bytes) : bytes_(bytes) {}
  std::optional<std::uint64_t> size() override { return bytes_.size(); }
  std::int64_t read(void* buffer, std::size_t count) override {
    const std::size_t n = std::min(count, bytes_.size() - offset_);
    std::memcpy(buffer, bytes_.data() + offset_, n);
    offset_ += n;
    return static_cast<std::int64_t>(n);
  }
  std::optional<DosDateTime> last_write_time() override { return std::nullopt; }

 private:
  const std::string& bytes_;
  std::size_t offset_ = 0;
};

}  // namespace

std::string Utf8Name(const fs::path& path) {
  const std::u8string name = path.u8string();
  return std::string(name.begin(), name.end());
}

std::string FoldedName(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

// Listed in name order, so reports come out the same on every run and system.
MediumTree::MediumTree(const fs::path& root) {
  if (!fs::is_directory(root)) {
    throw fs::filesystem_error("not a folder", root,
                               std::make_error_code(std::errc::not_a_directory));
  }
  std::vector<std::pair<fs::path, std::string>> pending = {{root, ""}};
  while (!pending.empty()) {
    auto [folder, prefix] = pending.back();
    pending.pop_back();
    std::vector<fs::directory_entry> listed{fs::directory_iterator(folder),
                                            fs::directory_iterator()};
    std::sort(listed.begin(), listed.end(), [](const auto& a, const auto& b) {
      return a.path().filename() < b.path().filename();
    });
    std::vector<std::pair<fs::path, std::string>> below;
    for (const fs::directory_entry& item : listed) {
      MediumEntry entry;
      entry.path = prefix + Utf8Name(item.path().filename());
      entry.disk = item.path();
      std::error_code unknown;
      entry.folder = item.is_directory(unknown);
      if (!entry.folder) entry.size = item.file_size(unknown);
      if (unknown) entry.size = 0;
      // A link to a folder is listed, not followed: it could lead back up.
      if (entry.folder && !item.is_symlink(unknown))
        below.emplace_back(item.path(), entry.path + "\\");
      by_folded_path_.emplace(FoldedName(entry.path), entries_.size());
      entries_.push_back(std::move(entry));
    }
    pending.insert(pending.end(), below.rbegin(), below.rend());
  }
}

const MediumEntry* MediumTree::find(std::string_view relative) const {
  auto it = by_folded_path_.find(FoldedName(relative));
  return it == by_folded_path_.end() ? nullptr : &entries_[it->second];
}

const MediumEntry* MediumTree::file(std::string_view relative) const {
  const MediumEntry* entry = find(relative);
  return entry && !entry->folder ? entry : nullptr;
}

bool MediumTree::folder(std::string_view relative) const {
  const MediumEntry* entry = find(relative);
  return entry && entry->folder;
}

const std::string* MediumTree::contents(const MediumEntry& entry) {
  const std::size_t index = static_cast<std::size_t>(&entry - entries_.data());
  auto [it, fresh] = contents_.try_emplace(index);
  if (fresh) {
    std::ifstream in(entry.disk, std::ios::binary);
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.good() || in.eof()) it->second = std::move(bytes);
  }
  return it->second ? &*it->second : nullptr;
}

const MediumEntry* MediumTree::on_medium(const std::string& path) const {
  if (path.size() < kMediumRoot.size() ||
      FoldedName(path.substr(0, kMediumRoot.size())) != FoldedName(kMediumRoot)) {
    return nullptr;
  }
  return find(std::string_view(path).substr(kMediumRoot.size()));
}

bool MediumTree::exists(const std::string& path) {
  const MediumEntry* entry = on_medium(path);
  return entry && !entry->folder;
}

std::unique_ptr<FileReader> MediumTree::open_read(const std::string& path) {
  const MediumEntry* entry = on_medium(path);
  if (!entry || entry->folder) return nullptr;
  const std::string* bytes = contents(*entry);
  if (!bytes) return nullptr;
  return std::make_unique<HeldReader>(*bytes);
}

std::optional<std::uint32_t> MediumTree::attributes(const std::string& path) {
  const MediumEntry* entry = on_medium(path);
  if (!entry) return std::nullopt;
  return entry->folder ? kFileAttributeDirectory : kFileAttributeReadOnly;
}

}  // namespace ktr::tools
