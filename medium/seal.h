#pragma once
// The sealed medium: a signed list of every file, and the rules by which a
// launcher that carries a key verifies what it runs, opens or copies. A
// launcher without a key has no Seal, and nothing here runs for it.
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/host.h"

namespace ktr::medium {

// At the medium's root, in the form sha256sum writes: 64 lowercase hex
// digits, two blanks, the path relative to the root with forward slashes.
inline constexpr std::string_view kSumsFile = "SHA256SUMS";
inline constexpr std::string_view kSumsSignature = "SHA256SUMS.p7s";
// Far above any medium's list or signature; a bigger file is no list.
inline constexpr std::uint64_t kMaxSumsBytes = 16u << 20;
inline constexpr std::uint64_t kMaxSignatureBytes = 256u << 10;

std::string HexOf(const Sha256Digest& digest);
std::optional<Sha256Digest> DigestOfHex(std::string_view hex);

// The DER of the SubjectPublicKeyInfo inside a DER X.509 certificate, as it
// stands there: what a launcher's pin is the SHA-256 of. nullopt for bytes
// that are no certificate.
std::optional<std::string_view> SubjectPublicKeyInfoOf(std::string_view certificate);

// A relative Windows path as a seal matches it: ASCII only, backslashes,
// no empty, "." or ".." part, no colon (an alternate stream), no part that
// ends in a dot or a blank (which Windows drops, so that two spellings
// would open one file). nullopt for every other path. Letter case is kept.
std::optional<std::string> SealablePath(std::string_view relative);

// The list of a sealed medium.
class SumsList {
 public:
  struct Entry {
    std::string path;  // relative, backslashes, as the list spells it
    Sha256Digest digest;
  };

  // nullopt for a text that is not such a list: a malformed line, a path
  // that SealablePath refuses, a path listed twice (in any letter case),
  // lines out of order, or the list and its signature listed.
  static std::optional<SumsList> Parse(std::string_view text);
  // The text of a list of these files, sorted as sha256sum -c expects them
  // and as Parse wants them (by bytes of the forward-slash path).
  static std::string Text(std::vector<Entry> entries);

  const Entry* find(std::string_view relative) const;
  // A folder that holds a listed file, at any depth; "" is the root.
  bool knows_folder(std::string_view relative) const;
  // The listed files directly in a folder ("" the root).
  std::vector<const Entry*> files_in(std::string_view folder) const;
  const std::vector<Entry>& entries() const { return entries_; }

 private:
  std::vector<Entry> entries_;
  std::map<std::string, std::size_t> by_folded_;
  std::set<std::string> folders_;  // folded
};

// What a verified step holds: every file it checked, open and shared for
// reading only, so that none can change until the step is over. Empty and
// fine for an unsealed launcher. A refused step names the file and holds
// nothing.
class Verified {
 public:
  Verified() = default;
  static Verified Refused(std::string file) {
    Verified refused;
    refused.refused_ = std::move(file);
    return refused;
  }
  // A program that is neither on the medium nor in its list: nothing runs,
  // as for a program that cannot be started, and nothing is said.
  static Verified Absent() {
    Verified absent;
    absent.absent_ = true;
    return absent;
  }

  bool ok() const { return !refused_ && !absent_; }
  bool absent() const { return absent_; }
  // The full path of the file that is not as it was signed.
  const std::optional<std::string>& refused() const { return refused_; }
  void hold(std::unique_ptr<FileReader> reader) { held_.push_back(std::move(reader)); }
  void take(Verified&& other);
  std::size_t held() const { return held_.size(); }

 private:
  std::vector<std::unique_ptr<FileReader>> held_;
  std::optional<std::string> refused_;
  bool absent_ = false;
};

// The rules of a launcher that carries a key (its pin: the SHA-256 of the
// signer's public key). The list of the launch folder is read, and its
// signature checked, at the first need; list and signature stay held for
// the rest of the run. Nothing is ever verified against a list whose
// signature failed: every step is refused.
class Seal {
 public:
  Seal(Files& files, Integrity* integrity, Sha256Digest pin)
      : files_(files), integrity_(integrity), pin_(pin) {}

  // A program of the medium and the whole folder that holds it, since an
  // installer loads its libraries and packages from there: exactly the
  // files the list names in that folder, each with its listed digest, and
  // only subfolders the list knows.
  Verified program(const std::string& launch_folder, const std::string& path);
  // The same for the program a command line starts: its quoted first part.
  Verified command(const std::string& launch_folder, const std::string& command_line);
  // One file alone (a document, a template, the language file).
  Verified file(const std::string& launch_folder, const std::string& path);

  // The current language's MultiLang.ini, verified at its first lookup.
  // Once it failed, every step is refused: it names every command line.
  bool language_file_verified(const std::string& launch_folder, const std::string& path);

  // The digest the list gives a file, after the same rules as file(); the
  // step that copies from its own handle compares it before committing.
  std::optional<Sha256Digest> listed_digest(const std::string& launch_folder,
                                            const std::string& path, std::string& refused);
  std::unique_ptr<Sha256> hasher() { return integrity_ ? integrity_->sha256() : nullptr; }

  // Kept until the launcher exits: a program started without waiting, a
  // document opened by the shell.
  void hold_until_exit(Verified&& step) { until_exit_.take(std::move(step)); }

  // The SHA-256 of what remains of a reader; nullopt on a read error.
  static std::optional<Sha256Digest> DigestOf(Sha256& hasher, FileReader& reader);

 private:
  struct Folder {
    std::optional<SumsList> list;  // none: the signature failed
    Verified held;                 // the list and its signature
  };

  const Folder& folder(const std::string& launch_folder);
  Verified checked(const std::string& launch_folder, const Folder& folder,
                   const std::string& relative);

  Files& files_;
  Integrity* integrity_;
  Sha256Digest pin_;
  std::map<std::string, Folder> folders_;
  std::map<std::string, bool> language_files_;
  bool language_failed_ = false;
  std::string failed_language_file_;
  Verified until_exit_;
};

// A reader that hashes what passes through it, for a step that uses the
// very bytes it verifies (the tool copied to drive C:).
class HashingReader : public FileReader {
 public:
  HashingReader(FileReader& reader, std::unique_ptr<Sha256> hasher)
      : reader_(reader), hasher_(std::move(hasher)) {}
  std::optional<std::uint64_t> size() override { return reader_.size(); }
  std::int64_t read(void* buffer, std::size_t count) override;
  std::optional<DosDateTime> last_write_time() override { return reader_.last_write_time(); }
  // The digest of every byte read; nullopt after a failure, or when called twice.
  std::optional<Sha256Digest> digest();

 private:
  FileReader& reader_;
  std::unique_ptr<Sha256> hasher_;
  bool failed_ = false;
};

// The launch folder's Profile as a sealed launcher reads it: a MultiLang.ini
// that is not as it was signed is not read at all, every text empty.
class SealedProfile : public Profile {
 public:
  SealedProfile(Profile& profile, Seal& seal) : profile_(profile), seal_(seal) {}
  std::string read_string(const std::string& file, const std::string& section,
                          const std::string& key, std::size_t buffer_size) override;

 private:
  Profile& profile_;
  Seal& seal_;
};

}  // namespace ktr::medium
