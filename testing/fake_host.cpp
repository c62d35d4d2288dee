#include "testing/fake_host.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/errors.h"

namespace ktr::fake {
namespace {

constexpr unsigned long kErrorFileNotFound = 2;
constexpr unsigned long kErrorPathNotFound = 3;
constexpr unsigned long kErrorDirectory = 267;
constexpr std::uint32_t kHiddenOrSystem = 0x2 | 0x4;

}  // namespace

std::string Folded(const std::string& text) {
  std::string folded = text;
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

// ---------------------------------------------------------------- registry

std::string FakeRegistry::Normal(const std::string& key) {
  std::size_t begin = key.find_first_not_of('\\');
  if (begin == std::string::npos) return {};
  std::size_t end = key.find_last_not_of('\\');
  return Folded(key.substr(begin, end - begin + 1));
}

void FakeRegistry::add_key(const std::string& key) { keys_[Normal(key)]; }

void FakeRegistry::remove_key(const std::string& key) { keys_.erase(Normal(key)); }

bool FakeRegistry::has_key(const std::string& key) const { return keys_.contains(Normal(key)); }

void FakeRegistry::set(const std::string& key, const std::string& value, const std::string& data,
                       Type type) {
  keys_[Normal(key)][Folded(value)] = Value{type, data};
}

std::optional<std::string> FakeRegistry::get(const std::string& key,
                                             const std::string& value) const {
  auto k = keys_.find(Normal(key));
  if (k == keys_.end()) return std::nullopt;
  auto v = k->second.find(Folded(value));
  if (v == k->second.end()) return std::nullopt;
  return v->second.data;
}

std::optional<FakeRegistry::Type> FakeRegistry::type_of(const std::string& key,
                                                        const std::string& value) const {
  auto k = keys_.find(Normal(key));
  if (k == keys_.end()) return std::nullopt;
  auto v = k->second.find(Folded(value));
  if (v == k->second.end()) return std::nullopt;
  return v->second.type;
}

bool FakeRegistry::has_value(const std::string& key, const std::string& value) const {
  return get(key, value).has_value();
}

std::optional<std::string> FakeRegistry::read_string(const std::string& key,
                                                     const std::string& value) {
  reads.push_back({key, value});
  std::string normal = Normal(key);
  auto k = keys_.find(normal);
  if (k == keys_.end() || refused_read_.contains(normal)) return std::nullopt;
  auto v = k->second.find(Folded(value));
  if (v == k->second.end()) return std::nullopt;
  if (v->second.type != Type::kString && v->second.type != Type::kExpandString) {
    throw RegistryError::InvalidDataType(value);
  }
  return v->second.data;
}

void FakeRegistry::write_string(const std::string& key, const std::string& value,
                                const std::string& data) {
  std::string normal = Normal(key);
  auto k = keys_.find(normal);
  if (k == keys_.end() || refused_write_.contains(normal)) {
    throw RegistryError::SetDataFailed(value);
  }
  k->second[Folded(value)] = Value{Type::kString, data};
}

RegDeleteResult FakeRegistry::delete_value(const std::string& key, const std::string& value) {
  std::string normal = Normal(key);
  auto k = keys_.find(normal);
  if (k == keys_.end()) return RegDeleteResult::kKeyMissing;
  if (refused_delete_.contains(normal)) return RegDeleteResult::kRefused;
  if (k->second.erase(Folded(value)) == 0) return RegDeleteResult::kValueMissing;
  return RegDeleteResult::kDeleted;
}

// ------------------------------------------------------------------- files

class FakeFiles::Reader : public FileReader {
 public:
  Reader(FakeFiles& files, std::string normal, std::string path, bool shared)
      : files_(files), normal_(std::move(normal)), path_(std::move(path)), shared_(shared) {
    ++files_.open_handles_[normal_];
    if (shared_) ++files_.shared_readers_[normal_];
    const File& f = files_.files_.at(normal_);
    size_at_open_ = f.bytes.size();
    if (auto shrink = files_.FaultFor(normal_, Fault::kShrink)) {
      File& g = files_.files_.at(normal_);
      if (shrink->at < g.bytes.size()) g.bytes.resize(shrink->at);
    }
  }
  ~Reader() override {
    --files_.open_handles_[normal_];
    if (shared_) --files_.shared_readers_[normal_];
  }

  std::optional<std::uint64_t> size() override { return size_at_open_; }

  std::int64_t read(void* buffer, std::size_t count) override {
    std::int64_t got;
    auto fail = files_.FaultFor(normal_, Fault::kFailRead);
    const std::string& bytes = files_.files_.at(normal_).bytes;
    if (fail && position_ >= fail->at) {
      got = -1;
    } else {
      std::size_t available = position_ < bytes.size() ? bytes.size() - position_ : 0;
      std::size_t n = std::min(count, available);
      if (n > 0) std::memcpy(buffer, bytes.data() + position_, n);
      position_ += n;
      got = static_cast<std::int64_t>(n);
    }
    files_.read_calls.push_back({path_, count, got});
    return got;
  }

  std::optional<DosDateTime> last_write_time() override {
    return files_.files_.at(normal_).last_write;
  }

 private:
  FakeFiles& files_;
  std::string normal_;
  std::string path_;
  bool shared_;
  std::uint64_t size_at_open_ = 0;
  std::uint64_t position_ = 0;
};

class FakeFiles::Writer : public FileWriter {
 public:
  Writer(FakeFiles& files, std::string normal, std::string path)
      : files_(files), normal_(std::move(normal)), path_(std::move(path)) {
    ++files_.open_handles_[normal_];
  }
  ~Writer() override { --files_.open_handles_[normal_]; }

  std::int64_t write(const void* data, std::size_t count) override {
    return files_.Append(files_.files_.at(normal_), normal_, path_, data, count);
  }

  bool set_last_write_time(DosDateTime when) override {
    files_.files_.at(normal_).last_write = when;
    return true;
  }

 private:
  FakeFiles& files_;
  std::string normal_;
  std::string path_;
};

class FakeFiles::Placed : public PlacedFile {
 public:
  Placed(FakeFiles& files, std::string normal, std::string path, FileProtection protection)
      : files_(files), normal_(std::move(normal)), path_(std::move(path)) {
    pending_.last_write = files_.now;
    pending_.protection = protection;
  }

  std::int64_t write(const void* data, std::size_t count) override {
    return files_.Append(pending_, normal_, path_, data, count);
  }

  bool set_last_write_time(DosDateTime when) override {
    pending_.last_write = when;
    return true;
  }

  // MOVEFILE_REPLACE_EXISTING: no folder, no read-only file, nothing open.
  bool commit() override {
    if (committed_ || files_.folders_.contains(normal_) ||
        files_.refused_replace_.contains(normal_) || files_.open_count(path_) > 0) {
      return false;
    }
    auto it = files_.files_.find(normal_);
    if (it != files_.files_.end() && (it->second.attributes & kFileAttributeReadOnly) != 0) {
      return false;
    }
    files_.files_[normal_] = pending_;
    files_.files_[normal_].identity = files_.next_identity_++;
    committed_ = true;
    return true;
  }

 private:
  FakeFiles& files_;
  std::string normal_;
  std::string path_;
  File pending_;
  bool committed_ = false;
};

FakeFiles::FakeFiles() { folders_.insert("c:\\"); }

std::int64_t FakeFiles::Append(File& f, const std::string& normal, const std::string& path,
                               const void* data, std::size_t count) {
  std::uint64_t done = f.bytes.size();
  std::size_t n = count;
  std::int64_t result;
  if (auto fail = FaultFor(normal, Fault::kFailWrite); fail && done + count > fail->at) {
    result = -1;
    n = 0;
  } else {
    if (auto cut = FaultFor(normal, Fault::kShortWrite)) {
      n = done >= cut->at ? 0 : static_cast<std::size_t>(std::min<std::uint64_t>(count, cut->at - done));
    }
    result = static_cast<std::int64_t>(n);
  }
  f.bytes.append(static_cast<const char*>(data), n);
  if (n > 0) f.last_write = now;
  write_calls.push_back({path, count, result});
  return result;
}

std::unique_ptr<PlacedFile> FakeFiles::place(const std::string& destination,
                                             FileProtection protection) {
  opens.push_back(destination);
  std::string normal = Normal(destination);
  if (refused_create_.contains(normal) || !folders_.contains(ParentOf(normal))) return nullptr;
  return std::make_unique<Placed>(*this, normal, destination, protection);
}

std::vector<std::string> FakeFiles::names_in(const std::string& folder) const {
  const std::string normal = Normal(folder);
  std::vector<std::string> names;
  auto add = [&](const std::string& entry) {
    if (entry != normal && ParentOf(entry) == normal) {
      names.push_back(entry.substr(entry.find_last_of('\\') + 1));
    }
  };
  for (const auto& [entry, file] : files_) add(entry);
  for (const std::string& entry : folders_) add(entry);
  std::sort(names.begin(), names.end());
  return names;
}

// Relative paths are taken from the current directory, as the system does;
// doubled backslashes, "." and ".." are resolved.
std::string FakeFiles::Normal(const std::string& path) const {
  std::string full;
  if (path.size() >= 2 && path[1] == ':') {
    full = path;
    if (full.size() == 2 || full[2] != '\\') full.insert(2, "\\");
  } else if (!path.empty() && path[0] == '\\') {
    full = current_directory_.substr(0, 2) + path;
  } else {
    full = current_directory_ + "\\" + path;
  }
  std::vector<std::string> parts;
  std::string part;
  auto flush = [&] {
    if (part == "..") {
      if (parts.size() > 1) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    part.clear();
  };
  for (char c : full) {
    if (c == '\\' || c == '/') {
      flush();
    } else {
      part += c;
    }
  }
  flush();
  std::string normal = parts.empty() ? std::string() : parts[0];
  if (parts.size() == 1) normal += '\\';
  for (std::size_t i = 1; i < parts.size(); ++i) normal += "\\" + parts[i];
  return Folded(normal);
}

std::string FakeFiles::ParentOf(const std::string& normal) {
  auto slash = normal.find_last_of('\\');
  if (slash == std::string::npos || slash + 1 == normal.size()) return {};
  if (slash == 2) return normal.substr(0, 3);
  return normal.substr(0, slash);
}

std::optional<FakeFiles::Fault> FakeFiles::FaultFor(const std::string& normal,
                                                    Fault::Kind kind) const {
  auto [begin, end] = faults_.equal_range(normal);
  for (auto it = begin; it != end; ++it) {
    if (it->second.kind == kind) return it->second;
  }
  return std::nullopt;
}

void FakeFiles::add_folder(const std::string& path) {
  for (std::string f = Normal(path); !f.empty(); f = ParentOf(f)) folders_.insert(f);
}

void FakeFiles::add_file(const std::string& path, const std::string& bytes,
                         std::uint32_t attributes, DosDateTime last_write) {
  std::string normal = Normal(path);
  for (std::string f = ParentOf(normal); !f.empty(); f = ParentOf(f)) folders_.insert(f);
  files_[normal] = File{bytes, attributes, last_write, std::nullopt, next_identity_++};
}

bool FakeFiles::has_folder(const std::string& path) const {
  return folders_.contains(Normal(path));
}

const FakeFiles::File* FakeFiles::file(const std::string& path) const {
  auto it = files_.find(Normal(path));
  return it == files_.end() ? nullptr : &it->second;
}

std::optional<std::string> FakeFiles::contents(const std::string& path) const {
  const File* f = file(path);
  if (f == nullptr) return std::nullopt;
  return f->bytes;
}

FakeFiles::MappedView FakeFiles::map_for_writing(const std::string& path) {
  const std::string normal = Normal(path);
  return MappedView(*this, normal, files_.at(normal).identity);
}

bool FakeFiles::MappedView::write(const std::string& bytes) {
  auto it = files_->files_.find(normal_);
  if (it == files_->files_.end() || it->second.identity != identity_) return false;
  it->second.bytes += bytes;
  return true;
}

int FakeFiles::open_count(const std::string& path) const {
  auto it = open_handles_.find(Normal(path));
  return it == open_handles_.end() ? 0 : it->second;
}

void FakeFiles::short_write(const std::string& path, std::uint64_t limit) {
  faults_.insert({Normal(path), Fault{Fault::kShortWrite, limit}});
}

void FakeFiles::fail_write(const std::string& path, std::uint64_t limit) {
  faults_.insert({Normal(path), Fault{Fault::kFailWrite, limit}});
}

void FakeFiles::fail_read(const std::string& path, std::uint64_t offset) {
  faults_.insert({Normal(path), Fault{Fault::kFailRead, offset}});
}

void FakeFiles::shrink_after_open(const std::string& path, std::uint64_t size) {
  faults_.insert({Normal(path), Fault{Fault::kShrink, size}});
}

void FakeFiles::refuse_set_current_directory(const std::string& path, unsigned long code) {
  refused_directories_[Normal(path)] = code;
}

bool FakeFiles::exists(const std::string& path) { return files_.contains(Normal(path)); }

std::unique_ptr<FileReader> FakeFiles::open_read(const std::string& path) {
  opens.push_back(path);
  std::string normal = Normal(path);
  if (!files_.contains(normal) || refused_open_.contains(normal) || open_count(path) > 0) {
    return nullptr;
  }
  return std::make_unique<Reader>(*this, normal, path, false);
}

std::unique_ptr<FileReader> FakeFiles::open_read_shared(const std::string& path) {
  opens.push_back(path);
  std::string normal = Normal(path);
  if (!files_.contains(normal) || refused_open_.contains(normal)) return nullptr;
  const auto shared = shared_readers_.find(normal);
  if (open_count(path) > (shared == shared_readers_.end() ? 0 : shared->second)) return nullptr;
  return std::make_unique<Reader>(*this, normal, path, true);
}

int FakeFiles::held_count(const std::string& path) const {
  auto it = shared_readers_.find(Normal(path));
  return it == shared_readers_.end() ? 0 : it->second;
}

std::optional<std::vector<FolderEntry>> FakeFiles::list_folder(const std::string& folder) {
  const std::string normal = Normal(folder);
  if (!folders_.contains(normal)) return std::nullopt;
  std::vector<FolderEntry> entries;
  for (const std::string& name : names_in(folder)) {
    entries.push_back({name, folders_.contains(Normal(folder + "\\" + name))});
  }
  return entries;
}

// CREATE_ALWAYS: an existing file is emptied, unless it is read-only, hidden
// or system, or open (no sharing); a missing parent folder is an error.
std::unique_ptr<FileWriter> FakeFiles::create_unprotected(const std::string& path) {
  opens.push_back(path);
  std::string normal = Normal(path);
  if (refused_create_.contains(normal) || folders_.contains(normal) ||
      !folders_.contains(ParentOf(normal)) || open_count(path) > 0) {
    return nullptr;
  }
  auto it = files_.find(normal);
  if (it != files_.end() &&
      (it->second.attributes & (kFileAttributeReadOnly | kHiddenOrSystem)) != 0) {
    return nullptr;
  }
  files_[normal] = File{{}, kFileAttributeArchive, now, std::nullopt, next_identity_++};
  return std::make_unique<Writer>(*this, normal, path);
}

bool FakeFiles::remove(const std::string& path) {
  std::string normal = Normal(path);
  auto it = files_.find(normal);
  if (it == files_.end() || refused_remove_.contains(normal) || open_count(path) > 0 ||
      (it->second.attributes & kFileAttributeReadOnly) != 0) {
    return false;
  }
  files_.erase(it);
  return true;
}

std::optional<std::uint32_t> FakeFiles::attributes(const std::string& path) {
  std::string normal = Normal(path);
  if (auto it = files_.find(normal); it != files_.end()) return it->second.attributes;
  if (folders_.contains(normal)) return kFileAttributeDirectory;
  return std::nullopt;
}

bool FakeFiles::set_attributes(const std::string& path, std::uint32_t attributes) {
  auto it = files_.find(Normal(path));
  if (it == files_.end()) return false;
  std::uint32_t kept = attributes & ~kFileAttributeNormal & ~kFileAttributeDirectory;
  it->second.attributes = kept == 0 ? kFileAttributeNormal : kept;
  return true;
}

unsigned long FakeFiles::set_current_directory(const std::string& path) {
  std::string normal = Normal(path);
  if (auto it = refused_directories_.find(normal); it != refused_directories_.end()) {
    return it->second;
  }
  if (files_.contains(normal)) return kErrorDirectory;
  if (!folders_.contains(normal)) {
    return folders_.contains(ParentOf(normal)) ? kErrorFileNotFound : kErrorPathNotFound;
  }
  // The system keeps the letter case the caller gave.
  std::string shown = path;
  if (!(path.size() >= 2 && path[1] == ':')) shown = current_directory_ + "\\" + path;
  std::string collapsed;
  for (char c : shown) {
    if (c == '\\' && !collapsed.empty() && collapsed.back() == '\\') continue;
    collapsed += c;
  }
  if (collapsed.size() > 3 && collapsed.back() == '\\') collapsed.pop_back();
  current_directory_ = collapsed;
  return 0;
}

// ----------------------------------------------------------------- profile

std::string FakeProfile::read_string(const std::string& file, const std::string& section,
                                     const std::string& key, std::size_t buffer_size) {
  calls.push_back({file, section, key, buffer_size});
  if (buffer_size == 0) return {};
  auto text = files_.contents(file);
  if (!text) return {};
  return ProfileValue(*text, section, key, buffer_size);
}

// --------------------------------------------------------------- processes

std::string FakeProcesses::ScriptedProgramOf(const std::string& command_line) const {
  std::string text = Folded(command_line);
  if (!text.empty() && text[0] == '"') text.erase(0, 1);
  std::string best;
  auto consider = [&](const std::string& program) {
    if (program.size() <= best.size() || text.compare(0, program.size(), program) != 0) return;
    if (text.size() == program.size() || text[program.size()] == ' ' ||
        text[program.size()] == '"' || text[program.size()] == '\t') {
      best = program;
    }
  };
  for (const auto& [program, code] : exit_codes_) consider(program);
  for (const auto& program : missing_) consider(program);
  return best;
}

std::optional<std::string> FakeProcesses::FileProgramOf(const std::string& command_line) const {
  auto found = [&](const std::string& part) -> std::optional<std::string> {
    if (part.empty()) return std::nullopt;
    if (files_.file(part) != nullptr) return part;
    auto dot = part.find_last_of('.');
    auto slash = part.find_last_of('\\');
    bool has_extension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    if (!has_extension && files_.file(part + ".exe") != nullptr) return part + ".exe";
    return std::nullopt;
  };
  if (!command_line.empty() && command_line[0] == '"') {
    auto close = command_line.find('"', 1);
    return found(command_line.substr(1, close == std::string::npos ? close : close - 1));
  }
  for (std::size_t end = 0; end <= command_line.size(); ++end) {
    if (end < command_line.size() && command_line[end] != ' ' && command_line[end] != '\t') {
      continue;
    }
    if (auto program = found(command_line.substr(0, end))) return program;
  }
  return std::nullopt;
}

std::optional<std::string> FakeProcesses::ProgramOf(const std::string& command_line) const {
  if (command_line.find_first_not_of(" \t") == std::string::npos) return std::nullopt;
  std::string scripted = ScriptedProgramOf(command_line);
  if (missing_.contains(scripted)) return std::nullopt;
  if (!require_program_file) return scripted.empty() ? command_line : scripted;
  return FileProgramOf(command_line);
}

int FakeProcesses::ExitCodeOf(const std::string& program) const {
  for (const auto& [scripted, code] : exit_codes_) {
    if (require_program_file ? files_.same_path(scripted, program) : scripted == program) {
      return code;
    }
  }
  return default_exit_code;
}

int FakeProcesses::run_and_wait(const std::string& command_line, unsigned short show) {
  std::optional<std::string> program = ProgramOf(command_line);
  runs.push_back({How::kRunAndWait, command_line, show, files_.current_directory(),
                  program.value_or(std::string())});
  if (!program) return -1;
  if (during_wait) during_wait(command_line);
  return ExitCodeOf(*program);
}

unsigned FakeProcesses::start(const std::string& command_line, unsigned short show) {
  std::optional<std::string> program = ProgramOf(command_line);
  runs.push_back({How::kStart, command_line, show, files_.current_directory(),
                  program.value_or(std::string())});
  if (!program) return 2u;
  if (on_start) on_start(command_line);
  return start_result;
}

std::vector<FakeProcesses::Run> FakeProcesses::waited() const {
  std::vector<Run> out;
  for (const Run& r : runs) {
    if (r.how == How::kRunAndWait) out.push_back(r);
  }
  return out;
}

std::vector<FakeProcesses::Run> FakeProcesses::started() const {
  std::vector<Run> out;
  for (const Run& r : runs) {
    if (r.how == How::kStart) out.push_back(r);
  }
  return out;
}

// ------------------------------------------------------------------- shell

std::intptr_t FakeShell::execute(std::uintptr_t owner, const std::string& verb,
                                 const std::string& file, int show) {
  calls.push_back({owner, verb, file, show});
  if (throw_message) throw Error(*throw_message);
  return result;
}

}  // namespace ktr::fake
