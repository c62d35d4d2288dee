#pragma once
// The host ports on the Windows API. Thin: each call is the system call its
// port names, with the system's own answer passed on; no decisions here.
#include <cstdint>
#include <memory>

#include "platform/host.h"

namespace ktr::win32 {

class Win32Locale : public Locale {
 public:
  std::uint32_t system_default_lcid() override;
  unsigned ansi_code_page() override;
};

class Win32Version : public Version {
 public:
  Win32Version();
  std::uint32_t platform_id() override { return platform_id_; }

 private:
  std::uint32_t platform_id_;
};

class Win32Registry : public Registry {
 public:
  std::optional<std::string> read_string(const std::string& key, const std::string& value) override;
  void write_string(const std::string& key, const std::string& value,
                    const std::string& data) override;
  RegDeleteResult delete_value(const std::string& key, const std::string& value) override;
};

class Win32Profile : public Profile {
 public:
  std::string read_string(const std::string& file, const std::string& section,
                          const std::string& key, std::size_t buffer_size) override;
};

class Win32Files : public Files {
 public:
  bool exists(const std::string& path) override;
  std::unique_ptr<FileReader> open_read(const std::string& path) override;
  std::unique_ptr<FileReader> open_read_shared(const std::string& path) override;
  std::optional<std::vector<FolderEntry>> list_folder(const std::string& folder) override;
  std::unique_ptr<FileWriter> create_unprotected(const std::string& path) override;
  bool remove(const std::string& path) override;
  std::optional<std::uint32_t> attributes(const std::string& path) override;
  bool set_attributes(const std::string& path, std::uint32_t attributes) override;
  std::string current_directory() override;
  unsigned long set_current_directory(const std::string& path) override;
  std::string program_path() override;
  std::unique_ptr<PlacedFile> place(const std::string& destination,
                                    FileProtection protection) override;
};

class Win32Processes : public Processes {
 public:
  int run_and_wait(const std::string& command_line, unsigned short show) override;
  unsigned start(const std::string& command_line, unsigned short show) override;
};

// The shell's handlers need COM on the calling thread. The apartment is
// entered on the first request, not at start-up: ole32 and the libraries it
// brings are loaded then, and the main menu comes up without them. It is
// left when the host goes, after every window.
class Win32Shell : public Shell {
 public:
  Win32Shell() = default;
  ~Win32Shell() override;
  Win32Shell(const Win32Shell&) = delete;
  Win32Shell& operator=(const Win32Shell&) = delete;

  std::intptr_t execute(std::uintptr_t owner, const std::string& verb, const std::string& file,
                        int show) override;

 private:
  void enter_apartment();

  bool apartment_tried_ = false;
  // HMODULE and CoUninitialize, kept out of this header; set only when the
  // apartment was entered.
  void* ole32_ = nullptr;
  void (*uninitialize_)() = nullptr;
};

// SHA-256 through the AES provider (advapi32); the signature through
// crypt32's message functions, loaded at the first check.
class Win32Integrity : public Integrity {
 public:
  Win32Integrity();
  ~Win32Integrity() override;
  Win32Integrity(const Win32Integrity&) = delete;
  Win32Integrity& operator=(const Win32Integrity&) = delete;

  std::unique_ptr<Sha256> sha256() override;
  std::optional<Sha256Digest> signer_of(const std::string& content,
                                        const std::string& signature) override;

 private:
  struct Messages;
  bool acquire();

  bool provider_tried_ = false;
  std::uintptr_t provider_ = 0;  // HCRYPTPROV
  std::unique_ptr<Messages> messages_;
};

}  // namespace ktr::win32
