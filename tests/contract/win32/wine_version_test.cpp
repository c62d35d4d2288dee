// The edition index on the real adapters under each Windows version that
// Wine can emulate. The version is read when a process starts, so the test
// program starts itself with --os-type-report under each one.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/os_type.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_host.h"
#include "tests/contract/win32/win32_support.h"

namespace ktr::contract {
namespace {

using win32::RegKey;

std::optional<std::string> ReadText(HKEY root, const std::string& key, const std::string& value) {
  RegKey opened;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, opened.put()) != ERROR_SUCCESS) {
    opened.release();
    return std::nullopt;
  }
  char data[1024];
  DWORD size = sizeof(data) - 1;
  DWORD type = 0;
  if (RegQueryValueExA(opened.get(), value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data),
                       &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  data[size] = '\0';
  return std::string(data);
}

// Sets the value, or deletes it for nullopt; the key is created as needed.
void WriteText(HKEY root, const std::string& key, const std::string& value,
               const std::optional<std::string>& data) {
  RegKey created;
  ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            created.put(), nullptr),
            ERROR_SUCCESS);
  if (data) {
    RegSetValueExA(created.get(), value.c_str(), 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(data->c_str()),
                   static_cast<DWORD>(data->size() + 1));
  } else {
    RegDeleteValueA(created.get(), value.c_str());
  }
}

struct Setting {
  HKEY root;
  std::string key;
  std::string value;
};

const Setting kWineVersion{HKEY_CURRENT_USER, "Software\\Wine", "Version"};
const Setting kNtName{HKEY_LOCAL_MACHINE, std::string(platform::kNtVersionKey), "ProductName"};
const Setting kType{HKEY_LOCAL_MACHINE, std::string(platform::kProductOptionsKey), "ProductType"};
const Setting k9xName{HKEY_LOCAL_MACHINE, std::string(platform::kVersionKey), "ProductName"};

struct Emulated {
  const char* label;
  std::optional<std::string> version;  // nullopt: Wine's default
  bool set_values;
  std::optional<std::string> nt_name;
  std::optional<std::string> type;
  std::optional<std::string> name_9x;
  std::uint32_t platform;
  int index;
};

class WineVersionTest : public testing::TestWithParam<Emulated> {
 protected:
  void SetUp() override {
    for (const Setting* s : {&kWineVersion, &kNtName, &kType, &k9xName}) {
      saved_.push_back(ReadText(s->root, s->key, s->value));
    }
  }
  void TearDown() override {
    int i = 0;
    for (const Setting* s : {&kWineVersion, &kNtName, &kType, &k9xName}) {
      WriteText(s->root, s->key, s->value, saved_[i++]);
    }
    DeleteFileA(report_.c_str());
  }

  std::string Report() {
    report_ = ContractProgramFolder() + "\\os-type-report.txt";
    DeleteFileA(report_.c_str());
    char self[MAX_PATH * 4];
    DWORD length = GetModuleFileNameA(nullptr, self, sizeof(self));
    win32::Win32Host win32;
    std::string line = "\"";
    line.append(self, length);
    line += "\" --os-type-report=" + report_;
    EXPECT_EQ(win32.host().processes.run_and_wait(line, 0), 0);
    std::string text = ReadWholeFile(report_);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
  }

 private:
  std::vector<std::optional<std::string>> saved_;
  std::string report_;
};

TEST_P(WineVersionTest, RealAdaptersTellTheEdition) {
  const Emulated& e = GetParam();
  WriteText(kWineVersion.root, kWineVersion.key, kWineVersion.value, e.version);
  if (e.set_values) {
    WriteText(kNtName.root, kNtName.key, kNtName.value, e.nt_name);
    WriteText(kType.root, kType.key, kType.value, e.type);
    WriteText(k9xName.root, k9xName.key, k9xName.value, e.name_9x);
  }
  EXPECT_EQ(Report(),
            "platform=" + std::to_string(e.platform) + " index=" + std::to_string(e.index))
      << e.label;
}

// The NT values stay set under the 9x versions, and the other way round, to
// show that the platform id picks the branch.
INSTANTIATE_TEST_SUITE_P(
    Versions, WineVersionTest,
    testing::Values(
        Emulated{"win95", "win95", true, "Microsoft Windows XP", "WinNT", "Microsoft Windows 95", 1,
                 0},
        Emulated{"win98", "win98", true, "Microsoft Windows XP", "WinNT",
                 "Microsoft Windows 98 Second Edition", 1, 1},
        Emulated{"winme", "winme", true, std::nullopt, std::nullopt, "Microsoft Windows ME", 1, 2},
        Emulated{"win98 bare name", "win98", true, std::nullopt, std::nullopt, "Windows 98", 1, -1},
        Emulated{"nt40 server", "nt40", true, std::nullopt, "ServerNT", "Microsoft Windows 98", 2,
                 3},
        Emulated{"nt40 workstation", "nt40", true, std::nullopt, "WinNT", std::nullopt, 2, 4},
        Emulated{"win2k professional", "win2k", true, "Microsoft Windows 2000", "WinNT",
                 std::nullopt, 2, 5},
        Emulated{"win2k server", "win2k", true, "Microsoft Windows 2000", "LanmanNT", std::nullopt,
                 2, 6},
        Emulated{"winxp", "winxp", true, "Microsoft Windows XP", "ServerNT", std::nullopt, 2, 7},
        // Wine's own values: a workstation product type, a product name of
        // a later Windows.
        Emulated{"default", std::nullopt, false, std::nullopt, std::nullopt, std::nullopt, 2, 4}));

}  // namespace
}  // namespace ktr::contract
