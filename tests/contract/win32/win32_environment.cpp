// The contract suites' environment on the Windows API: a scratch folder under
// the temporary folder, a scratch key under HKEY_LOCAL_MACHINE\Software, and
// copies of the stub program as test programs.
#include <aclapi.h>
#include <sddl.h>

#include <string>
#include <vector>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_host.h"
#include "tests/contract/contract_env.h"
#include "tests/contract/win32/win32_support.h"

namespace ktr::contract {
namespace {

using win32::FileHandle;
using win32::RegKey;

int g_serial = 0;

void DeleteTree(const std::string& folder) {
  WIN32_FIND_DATAA found;
  win32::FindHandle search(FindFirstFileA((folder + "\\*").c_str(), &found));
  if (search) {
    do {
      std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      std::string path = folder + "\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        DeleteTree(path);
      } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(search.get(), &found));
  }
  RemoveDirectoryA(folder.c_str());
}

void DeleteKeyTree(HKEY root, const std::string& key) {
  {
    RegKey opened;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, opened.put()) != ERROR_SUCCESS) {
      opened.release();
      return;
    }
    std::vector<std::string> children;
    char name[256];
    for (DWORD i = 0;; ++i) {
      DWORD size = sizeof(name);
      if (RegEnumKeyExA(opened.get(), i, name, &size, nullptr, nullptr, nullptr, nullptr) !=
          ERROR_SUCCESS) {
        break;
      }
      children.emplace_back(name, size);
    }
    for (const std::string& child : children) DeleteKeyTree(root, key + "\\" + child);
  }
  RegDeleteKeyA(root, key.c_str());
}

class Win32Environment : public Environment {
 public:
  Win32Environment() {
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(MAX_PATH, temp);
    std::string base(temp, length);
    if (!base.empty() && base.back() == '\\') base.pop_back();
    std::string id = std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++g_serial);
    scratch_ = base + "\\ktr-contract-" + id;
    key_ = "Software\\KtrContract\\" + id;
    CreateDirectoryA(scratch_.c_str(), nullptr);
  }

  ~Win32Environment() override {
    // A test that changed the current directory into the scratch folder
    // would keep it from being removed.
    SetCurrentDirectoryA(ContractProgramFolder().c_str());
    DeleteTree(scratch_);
    DeleteKeyTree(HKEY_LOCAL_MACHINE, key_);
  }

  Host host() override { return host_.host(); }
  Integrity& integrity() override { return host_.integrity(); }
  const std::string& scratch() const override { return scratch_; }
  const std::string& scratch_key() const override { return key_; }

  void make_folder(const std::string& path) override {
    for (std::size_t i = 3; i <= path.size(); ++i) {
      if (i == path.size() || path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
    }
  }

  void make_file(const std::string& path, const std::string& bytes) override {
    ASSERT_TRUE(WriteWholeFile(path, bytes)) << path;
  }

  void set_local_write_time(const std::string& path, int year, int month, int day, int hour,
                            int minute, int second) override {
    SYSTEMTIME when{};
    when.wYear = static_cast<WORD>(year);
    when.wMonth = static_cast<WORD>(month);
    when.wDay = static_cast<WORD>(day);
    when.wHour = static_cast<WORD>(hour);
    when.wMinute = static_cast<WORD>(minute);
    when.wSecond = static_cast<WORD>(second);
    FILETIME local{};
    FILETIME written{};
    ASSERT_TRUE(SystemTimeToFileTime(&when, &local));
    ASSERT_TRUE(LocalFileTimeToFileTime(&local, &written));
    FileHandle file(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(static_cast<bool>(file)) << path;
    ASSERT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &written));
  }

  bool read_only_refuses_writing() override {
    static const bool refuses = [this] {
      std::string probe = scratch_ + "\\read-only-probe";
      WriteWholeFile(probe, "x");
      SetFileAttributesA(probe.c_str(), FILE_ATTRIBUTE_READONLY);
      FileHandle file(CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
      return !file;
    }();
    return refuses;
  }

  std::vector<std::string> names_in(const std::string& folder) override {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    win32::FindHandle search(FindFirstFileA((folder + "\\*").c_str(), &found));
    if (!search) return names;
    do {
      std::string name = found.cFileName;
      if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(search.get(), &found));
    return names;
  }

  std::string security_of(const std::string& path) override {
    const SECURITY_INFORMATION wanted = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, wanted, nullptr, nullptr, nullptr,
                              nullptr, &descriptor) != ERROR_SUCCESS) {
      return {};
    }
    char* text = nullptr;
    std::string sddl;
    if (ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1, wanted,
                                                             &text, nullptr)) {
      sddl = text;
      LocalFree(text);
    }
    LocalFree(descriptor);
    return sddl;
  }

  bool keeps_descriptors() override {
    static const bool keeps = [this] {
      std::string probe = scratch_ + "\\descriptor-probe";
      PSECURITY_DESCRIPTOR descriptor = nullptr;
      if (!ConvertStringSecurityDescriptorToSecurityDescriptorA("O:BAD:P(A;;FA;;;BA)",
                                                                SDDL_REVISION_1, &descriptor,
                                                                nullptr)) {
        return false;
      }
      SECURITY_ATTRIBUTES security{sizeof security, descriptor, FALSE};
      FileHandle(CreateFileA(probe.c_str(), GENERIC_WRITE, 0, &security, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
      LocalFree(descriptor);
      const bool kept = security_of(probe).compare(0, 4, "O:BA") == 0;
      DeleteFileA(probe.c_str());
      return kept;
    }();
    return keeps;
  }

  void make_key(const std::string& key) override {
    RegKey created;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, created.put(), nullptr),
              ERROR_SUCCESS)
        << key;
  }

  bool key_exists(const std::string& key) override {
    RegKey opened;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, opened.put()) !=
        ERROR_SUCCESS) {
      opened.release();
      return false;
    }
    return true;
  }

  void set_value(const std::string& key, const std::string& value, ValueType type,
                 const std::string& data) override {
    RegKey created;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, created.put(), nullptr),
              ERROR_SUCCESS);
    LONG status;
    if (type == ValueType::kDword) {
      DWORD number = std::stoul(data);
      status = RegSetValueExA(created.get(), value.c_str(), 0, REG_DWORD,
                              reinterpret_cast<const BYTE*>(&number), sizeof(number));
    } else {
      DWORD size =
          static_cast<DWORD>(data.size() + (type == ValueType::kStringWithoutZero ? 0 : 1));
      status = RegSetValueExA(created.get(), value.c_str(), 0,
                              type == ValueType::kExpandString ? REG_EXPAND_SZ : REG_SZ,
                              reinterpret_cast<const BYTE*>(data.c_str()), size);
    }
    ASSERT_EQ(status, ERROR_SUCCESS);
  }

  void make_program(const std::string& path, int exit_code, int sleep_ms) override {
    ASSERT_TRUE(PlaceStub(path, "[stub]\r\nlog=" + RecordPathOf(path) +
                                    "\r\nexit_code=" + std::to_string(exit_code) +
                                    "\r\nsleep_ms=" + std::to_string(sleep_ms) + "\r\n"))
        << path;
  }

  // A program started without waiting writes its record on its own time.
  std::vector<ProgramRun> runs_of(const std::string& path, std::size_t ended) override {
    std::vector<ProgramRun> runs;
    for (int waited = 0; waited < 15000; waited += 50) {
      runs = ParseRecord(ReadWholeFile(RecordPathOf(path)));
      std::size_t done = 0;
      for (const ProgramRun& run : runs) done += run.ended ? 1 : 0;
      if (done >= ended) break;
      Sleep(50);
    }
    return runs;
  }

 private:
  win32::Win32Host host_;
  std::string scratch_;
  std::string key_;
};

}  // namespace

std::unique_ptr<Environment> MakeEnvironment() { return std::make_unique<Win32Environment>(); }

}  // namespace ktr::contract
