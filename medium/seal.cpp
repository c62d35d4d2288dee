#include "medium/seal.h"

#include <algorithm>
#include <vector>

namespace ktr::medium {
namespace {

// Large enough that the system calls cost nothing beside the hashing.
constexpr std::size_t kHashBlock = 256u << 10;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Folded(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) c = Lower(c);
  return folded;
}

bool StartsFolded(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && Folded(text.substr(0, prefix.size())) == Folded(prefix);
}

// The folder part of a relative path, with its backslash; "" for the root.
std::string FolderPart(std::string_view relative) {
  const std::size_t slash = relative.find_last_of('\\');
  return slash == std::string_view::npos ? std::string() : std::string(relative.substr(0, slash + 1));
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

// A whole small file through its held reader; nullopt when it cannot be
// read or is larger than `limit`.
std::optional<std::string> ReadWhole(FileReader& reader, std::uint64_t limit) {
  const std::optional<std::uint64_t> size = reader.size();
  if (!size || *size > limit) return std::nullopt;
  std::string text(static_cast<std::size_t>(*size), '\0');
  std::size_t done = 0;
  while (done < text.size()) {
    const std::int64_t got = reader.read(text.data() + done, text.size() - done);
    if (got <= 0) return std::nullopt;
    done += static_cast<std::size_t>(got);
  }
  char extra = 0;
  if (reader.read(&extra, 1) != 0) return std::nullopt;  // it grew: not what was sized
  return text;
}

// The path inside the launch folder that the list would name, or nothing
// for a path that leaves it (".." among others) or that no list can name.
std::optional<std::string> RelativeIn(const std::string& launch_folder, const std::string& path) {
  if (!StartsFolded(path, launch_folder)) return std::nullopt;
  return SealablePath(std::string_view(path).substr(launch_folder.size()));
}

}  // namespace

std::string HexOf(const Sha256Digest& digest) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(64);
  for (std::uint8_t byte : digest) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0xF];
  }
  return hex;
}

std::optional<Sha256Digest> DigestOfHex(std::string_view hex) {
  if (hex.size() != 64 || !std::all_of(hex.begin(), hex.end(), IsHexDigit)) return std::nullopt;
  Sha256Digest digest{};
  for (std::size_t i = 0; i < digest.size(); ++i) {
    auto value = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
    digest[i] = static_cast<std::uint8_t>(value(hex[2 * i]) << 4 | value(hex[2 * i + 1]));
  }
  return digest;
}

namespace {

// One DER element at the front of `der`: its whole bytes and its contents.
struct Element {
  unsigned char tag = 0;
  std::string_view whole;
  std::string_view contents;
};

std::optional<Element> TakeElement(std::string_view& der) {
  if (der.size() < 2) return std::nullopt;
  Element element;
  element.tag = static_cast<unsigned char>(der[0]);
  std::size_t length = static_cast<unsigned char>(der[1]);
  std::size_t header = 2;
  if (length & 0x80) {
    const std::size_t bytes = length & 0x7F;
    if (bytes == 0 || bytes > 4 || der.size() < 2 + bytes) return std::nullopt;
    length = 0;
    for (std::size_t i = 0; i < bytes; ++i) {
      length = length << 8 | static_cast<unsigned char>(der[2 + i]);
    }
    header += bytes;
  }
  if (der.size() - header < length) return std::nullopt;
  element.whole = der.substr(0, header + length);
  element.contents = der.substr(header, length);
  der.remove_prefix(header + length);
  return element;
}

}  // namespace

// Certificate ::= SEQUENCE { tbsCertificate SEQUENCE { [0] version OPTIONAL,
// serialNumber, signature, issuer, validity, subject, subjectPublicKeyInfo,
// ... }, ... }
std::optional<std::string_view> SubjectPublicKeyInfoOf(std::string_view certificate) {
  std::optional<Element> outer = TakeElement(certificate);
  if (!outer || outer->tag != 0x30) return std::nullopt;
  std::string_view rest = outer->contents;
  std::optional<Element> tbs = TakeElement(rest);
  if (!tbs || tbs->tag != 0x30) return std::nullopt;
  std::string_view fields = tbs->contents;
  if (!fields.empty() && static_cast<unsigned char>(fields[0]) == 0xA0 && !TakeElement(fields)) {
    return std::nullopt;
  }
  for (unsigned char expected : {0x02, 0x30, 0x30, 0x30, 0x30}) {
    std::optional<Element> skipped = TakeElement(fields);
    if (!skipped || skipped->tag != expected) return std::nullopt;
  }
  std::optional<Element> key = TakeElement(fields);
  if (!key || key->tag != 0x30) return std::nullopt;
  return key->whole;
}

std::optional<std::string> SealablePath(std::string_view relative) {
  if (relative.empty()) return std::nullopt;
  std::size_t begin = 0;
  for (;;) {
    const std::size_t end = std::min(relative.find('\\', begin), relative.size());
    const std::string_view part = relative.substr(begin, end - begin);
    if (part.empty() || part == "." || part == ".." || part.back() == '.' || part.back() == ' ') {
      return std::nullopt;
    }
    for (char c : part) {
      const auto byte = static_cast<unsigned char>(c);
      if (byte < 0x20 || byte >= 0x7F || c == ':' || c == '/' || c == '*' || c == '?' ||
          c == '"' || c == '<' || c == '>' || c == '|') {
        return std::nullopt;
      }
    }
    if (end == relative.size()) break;
    begin = end + 1;
  }
  return std::string(relative);
}

std::optional<SumsList> SumsList::Parse(std::string_view text) {
  SumsList list;
  std::string previous;
  std::size_t begin = 0;
  while (begin < text.size()) {
    const std::size_t end = text.find('\n', begin);
    if (end == std::string_view::npos) return std::nullopt;  // sha256sum ends every line
    const std::string_view line = text.substr(begin, end - begin);
    begin = end + 1;
    if (line.size() < 67 || line.substr(64, 2) != "  ") return std::nullopt;
    const std::optional<Sha256Digest> digest = DigestOfHex(line.substr(0, 64));
    const std::string_view written = line.substr(66);
    if (!digest || written.find('\\') != std::string_view::npos) return std::nullopt;
    if (!previous.empty() && !(previous < written)) return std::nullopt;
    previous = std::string(written);
    std::string windows(written);
    std::replace(windows.begin(), windows.end(), '/', '\\');
    const std::optional<std::string> path = SealablePath(windows);
    if (!path) return std::nullopt;
    const std::string folded = Folded(*path);
    if (folded == Folded(kSumsFile) || folded == Folded(kSumsSignature) ||
        list.by_folded_.contains(folded)) {
      return std::nullopt;
    }
    list.by_folded_[folded] = list.entries_.size();
    list.entries_.push_back({*path, *digest});
    for (std::size_t slash = folded.find('\\'); slash != std::string::npos;
         slash = folded.find('\\', slash + 1)) {
      list.folders_.insert(folded.substr(0, slash));
    }
  }
  return list;
}

std::string SumsList::Text(std::vector<Entry> entries) {
  for (Entry& entry : entries) std::replace(entry.path.begin(), entry.path.end(), '\\', '/');
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return a.path < b.path; });
  std::string text;
  for (const Entry& entry : entries) text += HexOf(entry.digest) + "  " + entry.path + "\n";
  return text;
}

const SumsList::Entry* SumsList::find(std::string_view relative) const {
  auto it = by_folded_.find(Folded(relative));
  return it == by_folded_.end() ? nullptr : &entries_[it->second];
}

bool SumsList::knows_folder(std::string_view relative) const {
  std::string folded = Folded(relative);
  while (!folded.empty() && folded.back() == '\\') folded.pop_back();
  return folded.empty() || folders_.contains(folded);
}

std::vector<const SumsList::Entry*> SumsList::files_in(std::string_view folder) const {
  const std::string prefix = Folded(folder);
  std::vector<const Entry*> found;
  for (const Entry& entry : entries_) {
    const std::string folded = Folded(entry.path);
    if (folded.starts_with(prefix) && folded.find('\\', prefix.size()) == std::string::npos) {
      found.push_back(&entry);
    }
  }
  return found;
}

void Verified::take(Verified&& other) {
  for (auto& reader : other.held_) held_.push_back(std::move(reader));
  other.held_.clear();
  if (!refused_ && other.refused_) refused_ = other.refused_;
  absent_ = absent_ || other.absent_;
}

std::optional<Sha256Digest> Seal::DigestOf(Sha256& hasher, FileReader& reader) {
  std::vector<char> block(kHashBlock);
  for (;;) {
    const std::int64_t got = reader.read(block.data(), block.size());
    if (got < 0) return std::nullopt;
    if (got == 0) return hasher.finish();
    if (!hasher.add(block.data(), static_cast<std::size_t>(got))) return std::nullopt;
  }
}

// The list is held from its first read on, so that every step of the run is
// judged by the one list whose signature was checked.
const Seal::Folder& Seal::folder(const std::string& launch_folder) {
  const std::string key = Folded(launch_folder);
  if (auto it = folders_.find(key); it != folders_.end()) return it->second;
  Folder& folder = folders_[key];
  std::unique_ptr<FileReader> sums = files_.open_read_shared(launch_folder + std::string(kSumsFile));
  std::unique_ptr<FileReader> signature =
      files_.open_read_shared(launch_folder + std::string(kSumsSignature));
  if (!sums || !signature || !integrity_) return folder;
  const std::optional<std::string> text = ReadWhole(*sums, kMaxSumsBytes);
  const std::optional<std::string> der = ReadWhole(*signature, kMaxSignatureBytes);
  if (!text || !der) return folder;
  const std::optional<Sha256Digest> signer = integrity_->signer_of(*text, *der);
  if (!signer || *signer != pin_) return folder;
  folder.list = SumsList::Parse(*text);
  if (folder.list) {
    folder.held.hold(std::move(sums));
    folder.held.hold(std::move(signature));
  }
  return folder;
}

Verified Seal::checked(const std::string& launch_folder, const Folder& folder,
                       const std::string& relative) {
  const std::string path = launch_folder + relative;
  if (!folder.list) return Verified::Refused(launch_folder + std::string(kSumsFile));
  const SumsList::Entry* entry = folder.list->find(relative);
  if (!entry) return Verified::Refused(path);
  std::unique_ptr<FileReader> reader = files_.open_read_shared(path);
  std::unique_ptr<Sha256> hasher = this->hasher();
  if (!reader || !hasher) return Verified::Refused(path);
  const std::optional<Sha256Digest> digest = DigestOf(*hasher, *reader);
  if (!digest || *digest != entry->digest) return Verified::Refused(path);
  Verified verified;
  verified.hold(std::move(reader));
  return verified;
}

// A document the signed medium does not have, and that is not there, is
// left to fail as the Parts say; one that is there unlisted is refused.
Verified Seal::file(const std::string& launch_folder, const std::string& path) {
  if (language_failed_) return Verified::Refused(failed_language_file_);
  const std::optional<std::string> relative = RelativeIn(launch_folder, path);
  if (!relative) return Verified::Refused(path);
  const Folder& sealed = folder(launch_folder);
  if (sealed.list && !sealed.list->find(*relative) && !files_.attributes(path)) {
    return Verified::Absent();
  }
  return checked(launch_folder, sealed, *relative);
}

Verified Seal::program(const std::string& launch_folder, const std::string& path) {
  if (language_failed_) return Verified::Refused(failed_language_file_);
  // The launch folder alone is what an empty value gives: no program.
  if (Folded(path) == Folded(launch_folder)) return Verified::Absent();
  const std::optional<std::string> relative = RelativeIn(launch_folder, path);
  if (!relative) return Verified::Refused(path);
  const Folder& sealed = folder(launch_folder);
  if (!sealed.list) return Verified::Refused(launch_folder + std::string(kSumsFile));
  // The system also tries the name with ".exe" when it has no extension.
  if (!sealed.list->find(*relative) && !files_.attributes(path) &&
      !files_.attributes(path + ".exe")) {
    return Verified::Absent();
  }
  const std::string folder = FolderPart(*relative);
  const std::optional<std::vector<FolderEntry>> names = files_.list_folder(launch_folder + folder);
  if (!names) return Verified::Refused(launch_folder + folder);
  Verified verified;
  std::set<std::string> seen;
  for (const FolderEntry& name : *names) {
    const std::string child = folder + name.name;
    if (folder.empty() && (Folded(name.name) == Folded(kSumsFile) ||
                           Folded(name.name) == Folded(kSumsSignature))) {
      continue;
    }
    if (name.folder) {
      if (!SealablePath(child) || !sealed.list->knows_folder(child)) {
        return Verified::Refused(launch_folder + child);
      }
      continue;
    }
    if (!SealablePath(child)) return Verified::Refused(launch_folder + child);
    Verified one = checked(launch_folder, sealed, child);
    if (!one.ok()) return one;
    verified.take(std::move(one));
    seen.insert(Folded(child));
  }
  for (const SumsList::Entry* listed : sealed.list->files_in(folder)) {
    if (!seen.contains(Folded(listed->path))) return Verified::Refused(launch_folder + listed->path);
  }
  return verified;
}

Verified Seal::command(const std::string& launch_folder, const std::string& command_line) {
  if (command_line.size() < 2 || command_line.front() != '"') {
    return Verified::Refused(command_line);
  }
  const std::size_t close = command_line.find('"', 1);
  if (close == std::string::npos) return Verified::Refused(command_line);
  return program(launch_folder, command_line.substr(1, close - 1));
}

bool Seal::language_file_verified(const std::string& launch_folder, const std::string& path) {
  const std::string key = Folded(path);
  if (auto it = language_files_.find(key); it != language_files_.end()) return it->second;
  Verified verified = file(launch_folder, path);
  const bool ok = verified.ok();
  language_files_[key] = ok;
  if (ok) {
    hold_until_exit(std::move(verified));
  } else if (!verified.absent() && !language_failed_) {
    // An absent file reads as empty texts without being read at all, so
    // that nothing put there later is read unverified. Every later refusal
    // names what failed: the file, or the list it was judged by.
    language_failed_ = true;
    failed_language_file_ = verified.refused().value_or(path);
  }
  return ok;
}

std::optional<Sha256Digest> Seal::listed_digest(const std::string& launch_folder,
                                                const std::string& path, std::string& refused) {
  refused = path;
  if (language_failed_) {
    refused = failed_language_file_;
    return std::nullopt;
  }
  const std::optional<std::string> relative = RelativeIn(launch_folder, path);
  if (!relative) return std::nullopt;
  const Folder& sealed = folder(launch_folder);
  if (!sealed.list) {
    refused = launch_folder + std::string(kSumsFile);
    return std::nullopt;
  }
  const SumsList::Entry* entry = sealed.list->find(*relative);
  if (!entry) return std::nullopt;
  return entry->digest;
}

std::int64_t HashingReader::read(void* buffer, std::size_t count) {
  const std::int64_t got = reader_.read(buffer, count);
  if (got < 0 || !hasher_ ||
      (got > 0 && !hasher_->add(buffer, static_cast<std::size_t>(got)))) {
    failed_ = true;
  }
  return got;
}

std::optional<Sha256Digest> HashingReader::digest() {
  if (failed_ || !hasher_) return std::nullopt;
  std::optional<Sha256Digest> digest = hasher_->finish();
  hasher_.reset();
  return digest;
}

// The language file's path is the base folder, "ImgData\", the language
// and "\MultiLang.ini" (lang/multilang.h); the base is the launch folder.
std::string SealedProfile::read_string(const std::string& file, const std::string& section,
                                       const std::string& key, std::size_t buffer_size) {
  const std::string folded = Folded(file);
  const std::size_t at = folded.rfind("imgdata\\");
  if (at == std::string::npos) return {};
  if (!seal_.language_file_verified(file.substr(0, at), file)) return {};
  return profile_.read_string(file, section, key, buffer_size);
}

}  // namespace ktr::medium
