#pragma once
// The host services the launcher needs, one narrow interface per concern.
// The win32 adapters implement them on the Windows API; tests use the
// in-memory host under testing/. Paths are Windows paths in the system's
// ANSI code page; nothing here converts text.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ktr {

namespace medium {
class Seal;
}

class Locale {
 public:
  virtual ~Locale() = default;
  // GetSystemDefaultLCID: the system's, not the user's or the thread's.
  virtual std::uint32_t system_default_lcid() = 0;
  // The ANSI code page, which decides what a trailing 0x5C byte is.
  virtual unsigned ansi_code_page() = 0;
};

class Version {
 public:
  virtual ~Version() = default;
  // dwPlatformId of GetVersionExA: 2 for the NT family, 1 for Windows 9x.
  virtual std::uint32_t platform_id() = 0;
};

enum class RegDeleteResult { kDeleted, kKeyMissing, kValueMissing, kRefused };

// Values below HKEY_LOCAL_MACHINE. A key path may start with a backslash.
class Registry {
 public:
  virtual ~Registry() = default;
  // Opened for reading only. A missing or refused key and a missing value give
  // nullopt; a value of a type other than REG_SZ or REG_EXPAND_SZ throws
  // RegistryError::InvalidDataType.
  virtual std::optional<std::string> read_string(const std::string& key,
                                                 const std::string& value) = 0;
  // Opens the existing key (never creates it) and writes a REG_SZ value; throws
  // RegistryError::SetDataFailed on any failure.
  virtual void write_string(const std::string& key, const std::string& value,
                            const std::string& data) = 0;
  virtual RegDeleteResult delete_value(const std::string& key, const std::string& value) = 0;
};

// GetPrivateProfileStringA with the empty text as default.
class Profile {
 public:
  virtual ~Profile() = default;
  virtual std::string read_string(const std::string& file, const std::string& section,
                                  const std::string& key, std::size_t buffer_size) = 0;
};

// A local DOS date and time, the two-second resolution CopyFileWithDate keeps.
struct DosDateTime {
  std::uint16_t date = 0;
  std::uint16_t time = 0;
  friend bool operator==(const DosDateTime&, const DosDateTime&) = default;
};

class FileReader {
 public:
  virtual ~FileReader() = default;
  virtual std::optional<std::uint64_t> size() = 0;
  // Bytes read, 0 at the end, -1 on a read error.
  virtual std::int64_t read(void* buffer, std::size_t count) = 0;
  virtual std::optional<DosDateTime> last_write_time() = 0;
};

class FileWriter {
 public:
  virtual ~FileWriter() = default;
  // Bytes written, -1 on a write error.
  virtual std::int64_t write(const void* data, std::size_t count) = 0;
  virtual bool set_last_write_time(DosDateTime when) = 0;
};

// Who may change a file the launcher leaves on the machine.
enum class FileProtection {
  // Owner Administrators; SYSTEM and Administrators full control, Users read
  // and execute; nothing inherited from the folder. The folder's own rules
  // would let any signed-in user change a file in the root of drive C:.
  kAdministrators,
};

// A file written under a temporary name in its destination's folder, created
// with its protection from the start. It takes the destination's place only
// when committed; discarded (destroyed uncommitted) it leaves nothing behind.
class PlacedFile : public FileWriter {
 public:
  // Flushes the file to the disk and moves it over the destination, replacing
  // it, write-through. False when the move is refused: the destination is as
  // it was and the new file is removed.
  virtual bool commit() = 0;
};

// One name in a folder, without "." and "..".
struct FolderEntry {
  std::string name;
  bool folder = false;
};

class Files {
 public:
  virtual ~Files() = default;
  // True for an existing file (not a folder), as FileExists.
  virtual bool exists(const std::string& path) = 0;
  // Opened without sharing; nullptr when the file cannot be opened. For a
  // copy's source, which nothing may change or read while it is copied.
  virtual std::unique_ptr<FileReader> open_read(const std::string& path) = 0;
  // Opened for reading, shared with other readers only: nobody may write,
  // rename or delete it while it is open, and a second launcher, an indexer
  // or another client of a shared medium reading it too is no error.
  virtual std::unique_ptr<FileReader> open_read_shared(const std::string& path) = 0;
  // Created or emptied (CREATE_ALWAYS), without sharing, with whatever
  // descriptor the folder passes on, through a link in its place; nullptr
  // on failure. It keeps CopyFileWithDate's own contract and nothing else:
  // no file the launcher leaves on the machine is made this way (those are
  // placed, see place).
  virtual std::unique_ptr<FileWriter> create_unprotected(const std::string& path) = 0;
  virtual bool remove(const std::string& path) = 0;
  virtual std::optional<std::uint32_t> attributes(const std::string& path) = 0;
  virtual bool set_attributes(const std::string& path, std::uint32_t attributes) = 0;
  // The whole current directory, however long.
  virtual std::string current_directory() = 0;
  // 0 on success, else the system's error code.
  virtual unsigned long set_current_directory(const std::string& path) = 0;
  // Full path of the running program's own file.
  virtual std::string program_path() = 0;
  // A new file for `destination` (see PlacedFile); nullptr when it cannot be
  // created. A host that cannot protect files refuses.
  virtual std::unique_ptr<PlacedFile> place(const std::string& destination,
                                            FileProtection protection) {
    (void)destination;
    (void)protection;
    return nullptr;
  }
  // The names in a folder, in no particular order; nullopt when it cannot be
  // listed.
  virtual std::optional<std::vector<FolderEntry>> list_folder(const std::string& folder) {
    (void)folder;
    return std::nullopt;
  }
};

class Processes {
 public:
  virtual ~Processes() = default;
  // Starts the command line, blocks until the process ends and gives its exit
  // code, or -1 when it cannot be started.
  virtual int run_and_wait(const std::string& command_line, unsigned short show) = 0;
  // WinExec: starts without waiting; the result is WinExec's.
  virtual unsigned start(const std::string& command_line, unsigned short show) = 0;
};

class Shell {
 public:
  virtual ~Shell() = default;
  // ShellExecuteA with no parameters and no working folder. `owner` is the
  // toolkit's native handle of the owning window, 0 for none.
  virtual std::intptr_t execute(std::uintptr_t owner, const std::string& verb,
                                const std::string& file, int show) = 0;
};

// A SHA-256 digest: of a file, or of a signer's public key (the DER of its
// SubjectPublicKeyInfo), which is how a sealed launcher names its key.
using Sha256Digest = std::array<std::uint8_t, 32>;

class Sha256 {
 public:
  virtual ~Sha256() = default;
  // False when the system refused the data; the digest is then worthless.
  virtual bool add(const void* data, std::size_t count) = 0;
  virtual std::optional<Sha256Digest> finish() = 0;
};

// Hashing and the check of a detached signature, for the sealed medium. No
// trust decision is made here: the caller compares the signer's key with
// the one it carries.
class Integrity {
 public:
  virtual ~Integrity() = default;
  // nullptr when the system cannot hash with SHA-256.
  virtual std::unique_ptr<Sha256> sha256() = 0;
  // `signature` is a DER CMS (PKCS#7) SignedData without content, over
  // `content`. Gives the SHA-256 of the signer certificate's
  // SubjectPublicKeyInfo when the message has exactly one signer, that
  // signer's certificate is in the message, it carries no signed attributes
  // (whose digest a system may not compare with the content) and its
  // signature over the content holds; nullopt in every other case.
  virtual std::optional<Sha256Digest> signer_of(const std::string& content,
                                                const std::string& signature) = 0;
};

struct Host {
  Locale& locale;
  Version& version;
  Registry& registry;
  Profile& profile;
  Files& files;
  Processes& processes;
  Shell& shell;
  // The sealed medium's rules (medium/seal.h), bound at start-up only by a
  // launcher that carries a key; none for every other launcher.
  medium::Seal* seal = nullptr;
};

inline constexpr unsigned short kSwShowNormal = 1;
inline constexpr unsigned short kSwShow = 5;
inline constexpr std::uint32_t kFileAttributeReadOnly = 0x1;
inline constexpr std::uint32_t kFileAttributeHidden = 0x2;
inline constexpr std::uint32_t kFileAttributeSystem = 0x4;
inline constexpr std::uint32_t kFileAttributeDirectory = 0x10;
inline constexpr std::uint32_t kFileAttributeReparsePoint = 0x400;
inline constexpr std::uint32_t kFileAttributeNormal = 0x80;

}  // namespace ktr
