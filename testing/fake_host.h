#pragma once
// An in-memory host for tests: every port of platform/host.h, with the
// platform's matching rules (paths, registry keys and INI names compared
// without regard to case) and switches that make an operation fail the way
// the real system can. It models what the contract tests prove of the win32
// adapters; it does not model more of Windows than the launcher uses.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/host.h"
#include "platform/profile_text.h"
#include "testing/openssl_integrity.h"

namespace ktr::fake {

// ASCII-only lower case, as the file system and the registry compare names.
std::string Folded(const std::string& text);

class FakeLocale : public Locale {
 public:
  std::uint32_t lcid = 0x0409;
  unsigned code_page = 1252;

  std::uint32_t system_default_lcid() override { return lcid; }
  unsigned ansi_code_page() override { return code_page; }
};

class FakeVersion : public Version {
 public:
  std::uint32_t platform = 2;

  std::uint32_t platform_id() override { return platform; }
};

class FakeRegistry : public Registry {
 public:
  enum class Type { kString, kExpandString, kDword, kBinary, kMultiString };

  struct Read {
    std::string key;
    std::string value;
  };

  // Makes the key (and nothing else) exist; values are kept.
  void add_key(const std::string& key);
  void remove_key(const std::string& key);
  bool has_key(const std::string& key) const;
  // Creates the key when needed: this is the test's set-up, not the port.
  void set(const std::string& key, const std::string& value, const std::string& data,
           Type type = Type::kString);
  std::optional<std::string> get(const std::string& key, const std::string& value) const;
  std::optional<Type> type_of(const std::string& key, const std::string& value) const;
  bool has_value(const std::string& key, const std::string& value) const;

  // The key exists but the caller's access is refused.
  void refuse_read(const std::string& key) { refused_read_.insert(Normal(key)); }
  void refuse_write(const std::string& key) { refused_write_.insert(Normal(key)); }
  void refuse_delete(const std::string& key) { refused_delete_.insert(Normal(key)); }

  // Every read_string call, in order.
  std::vector<Read> reads;

  std::optional<std::string> read_string(const std::string& key,
                                         const std::string& value) override;
  void write_string(const std::string& key, const std::string& value,
                    const std::string& data) override;
  RegDeleteResult delete_value(const std::string& key, const std::string& value) override;

 private:
  struct Value {
    Type type = Type::kString;
    std::string data;
  };
  using Key = std::map<std::string, Value>;  // by folded value name

  static std::string Normal(const std::string& key);

  std::map<std::string, Key> keys_;  // by normalised key path
  std::set<std::string> refused_read_;
  std::set<std::string> refused_write_;
  std::set<std::string> refused_delete_;
};

class FakeFiles : public Files {
 public:
  struct File {
    std::string bytes;
    std::uint32_t attributes = kFileAttributeArchive;
    DosDateTime last_write;
    // None: what the folder passes on.
    std::optional<FileProtection> protection;
    // Which file this is: a file that takes the name of another gets a new
    // one, while handles and views made on the old file stay with it.
    std::uint64_t identity = 0;
  };

  // Another program's writable mapping of a file. A view is no handle, so
  // no share mode sees it, and it writes into the file it was made on,
  // whatever takes that file's name later; made in the gap between a check
  // and a use, it is what no descriptor set afterwards can take back.
  class MappedView {
   public:
    // True when the bytes reached the file that now bears the name.
    bool write(const std::string& bytes);

   private:
    friend class FakeFiles;
    MappedView(FakeFiles& files, std::string normal, std::uint64_t identity)
        : files_(&files), normal_(std::move(normal)), identity_(identity) {}
    FakeFiles* files_;
    std::string normal_;
    std::uint64_t identity_;
  };

  struct ReadCall {
    std::string path;
    std::size_t asked = 0;
    std::int64_t got = 0;
  };
  struct WriteCall {
    std::string path;
    std::size_t asked = 0;
    std::int64_t written = 0;
  };

  static constexpr std::uint32_t kFileAttributeArchive = 0x20;
  static constexpr std::uint32_t kFileAttributeDirectory = 0x10;

  FakeFiles();

  // Parent folders are made as needed.
  void add_file(const std::string& path, const std::string& bytes = {},
                std::uint32_t attributes = kFileAttributeArchive, DosDateTime last_write = {});
  void add_folder(const std::string& path);
  bool has_folder(const std::string& path) const;
  const File* file(const std::string& path) const;
  std::optional<std::string> contents(const std::string& path) const;
  // Open handles of the file, readers and writers together.
  int open_count(const std::string& path) const;
  // A writable view of an existing file, as another program would map it.
  MappedView map_for_writing(const std::string& path);
  // Whether two paths name one file or folder.
  bool same_path(const std::string& a, const std::string& b) const { return Normal(a) == Normal(b); }

  // The last-write time a newly created file gets.
  DosDateTime now{0x5A21, 0x5000};
  void set_program_path(const std::string& path) { program_path_ = path; }
  // Sets the current directory without any test, as the process start does.
  void put_current_directory(const std::string& path) { current_directory_ = path; }

  // Fault injection, by path.
  void refuse_open(const std::string& path) { refused_open_.insert(Normal(path)); }
  void refuse_create(const std::string& path) { refused_create_.insert(Normal(path)); }
  void refuse_remove(const std::string& path) { refused_remove_.insert(Normal(path)); }
  // The disk refuses to let a placed file take the place of `path` (the move
  // fails); a refused create refuses the placed file from the start.
  void refuse_replace(const std::string& path) { refused_replace_.insert(Normal(path)); }
  // The writer of `path` takes only `limit` bytes in total; the write that
  // crosses the limit reports the bytes it took, later writes 0.
  void short_write(const std::string& path, std::uint64_t limit);
  // A write that would go past `limit` bytes in total fails with -1.
  void fail_write(const std::string& path, std::uint64_t limit);
  // A read that starts at or past `offset` fails with -1.
  void fail_read(const std::string& path, std::uint64_t offset);
  // After it is opened the file loses everything past `size`: size() still
  // reports the length at the open, reads end at `size`.
  void shrink_after_open(const std::string& path, std::uint64_t size);
  void refuse_set_current_directory(const std::string& path, unsigned long code);

  // The names of the files and folders in `folder`, folded, sorted.
  std::vector<std::string> names_in(const std::string& folder) const;

  // Every open_read, open_read_shared, create_unprotected and place call, in
  // order, with the path as given.
  std::vector<std::string> opens;
  std::vector<ReadCall> read_calls;
  std::vector<WriteCall> write_calls;

  // Open readers that share reading (open_read_shared), of the open_count.
  int held_count(const std::string& path) const;

  bool exists(const std::string& path) override;
  std::unique_ptr<FileReader> open_read(const std::string& path) override;
  // Readers that share for reading coexist; a handle that does not share,
  // or one that writes, keeps them out and is kept out by them.
  std::unique_ptr<FileReader> open_read_shared(const std::string& path) override;
  std::optional<std::vector<FolderEntry>> list_folder(const std::string& folder) override;
  std::unique_ptr<FileWriter> create_unprotected(const std::string& path) override;
  bool remove(const std::string& path) override;
  std::optional<std::uint32_t> attributes(const std::string& path) override;
  bool set_attributes(const std::string& path, std::uint32_t attributes) override;
  std::string current_directory() override { return current_directory_; }
  unsigned long set_current_directory(const std::string& path) override;
  std::string program_path() override { return program_path_; }
  // The placed file lives in the writer until commit; faults by path apply
  // to it under its destination's name.
  std::unique_ptr<PlacedFile> place(const std::string& destination,
                                    FileProtection protection) override;

 private:
  class Reader;
  class Writer;
  class Placed;
  struct Fault {
    enum Kind { kShortWrite, kFailWrite, kFailRead, kShrink } kind;
    std::uint64_t at;
  };

  // Absolute, folded, single backslashes, no trailing backslash but a root's.
  std::string Normal(const std::string& path) const;
  static std::string ParentOf(const std::string& normal);
  std::optional<Fault> FaultFor(const std::string& normal, Fault::Kind kind) const;
  // Appends to `file` as a write of `path` with its faults; the result is the
  // write's.
  std::int64_t Append(File& file, const std::string& normal, const std::string& path,
                      const void* data, std::size_t count);

  std::map<std::string, File> files_;
  std::set<std::string> folders_;
  std::map<std::string, int> open_handles_;
  std::map<std::string, int> shared_readers_;  // the part of open_handles_ that shares
  std::uint64_t next_identity_ = 1;
  std::set<std::string> refused_open_;
  std::set<std::string> refused_create_;
  std::set<std::string> refused_remove_;
  std::set<std::string> refused_replace_;
  std::multimap<std::string, Fault> faults_;
  std::map<std::string, unsigned long> refused_directories_;
  std::string current_directory_ = "C:\\";
  std::string program_path_ = "C:\\KtrSetup.exe";
};

// FakeProfile's reading, for other doubles that keep their INI text
// elsewhere: the launcher's own rule.
using platform::ProfileValue;

// GetPrivateProfileStringA over the fake files, with the empty default.
class FakeProfile : public Profile {
 public:
  explicit FakeProfile(FakeFiles& files) : files_(files) {}

  struct Call {
    std::string file;
    std::string section;
    std::string key;
    std::size_t buffer_size = 0;
  };
  std::vector<Call> calls;

  std::string read_string(const std::string& file, const std::string& section,
                          const std::string& key, std::size_t buffer_size) override;

 private:
  FakeFiles& files_;
};

class FakeProcesses : public Processes {
 public:
  explicit FakeProcesses(FakeFiles& files) : files_(files) {}

  enum class How { kRunAndWait, kStart };
  struct Run {
    How how = How::kRunAndWait;
    std::string command_line;
    unsigned short show = 0;
    std::string current_directory;  // the process's, when it was started
    // The program as the fake understood the line; empty when none started.
    std::string program;
  };

  // A command line runs the scripted program whose path it starts with (a
  // leading quote skipped, letter case ignored, the path followed by the end,
  // a blank or a quote); the longest such path wins.
  void set_exit_code(const std::string& program, int code) { exit_codes_[Folded(program)] = code; }
  // The program cannot be started: run_and_wait gives -1, start gives 2.
  void set_missing(const std::string& program) { missing_.insert(Folded(program)); }
  // When set, a program must exist in the fake files and is found as the
  // system finds it: a quoted path as it stands; an unquoted one by its
  // shortest leading part, ended at a blank or the end, that names a file,
  // ".exe" appended to a part without extension. Scripted exit codes then
  // apply to the program found.
  bool require_program_file = false;
  int default_exit_code = 0;
  // WinExec's answer for a program that starts; above 31 means success.
  unsigned start_result = 33;
  // Called while run_and_wait "waits", with the command line.
  std::function<void(const std::string&)> during_wait;
  // Called after start has started a program, with the command line.
  std::function<void(const std::string&)> on_start;

  std::vector<Run> runs;
  std::vector<Run> waited() const;
  std::vector<Run> started() const;

  int run_and_wait(const std::string& command_line, unsigned short show) override;
  unsigned start(const std::string& command_line, unsigned short show) override;

 private:
  // The scripted program the command line starts, folded; empty for none.
  std::string ScriptedProgramOf(const std::string& command_line) const;
  // The program that would start, as given in the line; nullopt for none.
  std::optional<std::string> ProgramOf(const std::string& command_line) const;
  std::optional<std::string> FileProgramOf(const std::string& command_line) const;
  int ExitCodeOf(const std::string& program) const;

  FakeFiles& files_;
  std::map<std::string, int> exit_codes_;
  std::set<std::string> missing_;
};

class FakeShell : public Shell {
 public:
  struct Call {
    std::uintptr_t owner = 0;
    std::string verb;
    std::string file;
    int show = 0;
  };
  std::vector<Call> calls;
  // ShellExecuteA's answer; above 32 means success.
  std::intptr_t result = 42;
  // When set, execute records the call and then throws ktr::Error with it.
  std::optional<std::string> throw_message;

  std::intptr_t execute(std::uintptr_t owner, const std::string& verb, const std::string& file,
                        int show) override;
};

struct FakeHost {
  FakeLocale locale;
  FakeVersion version;
  FakeRegistry registry;
  FakeFiles files;
  FakeProfile profile{files};
  FakeProcesses processes{files};
  FakeShell shell;
  OpenSslIntegrity integrity;

  Host host() { return Host{locale, version, registry, profile, files, processes, shell}; }
};

}  // namespace ktr::fake
