// The contract tests on the Windows API. Run with --os-type-report=FILE, the
// program only writes the platform id and the OS type index it sees and
// ends: the Wine version test starts it that way under each emulated version.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/os_type.h"
#include "platform/win32/win32_host.h"
#include "tests/contract/win32/win32_support.h"

int main(int argc, char** argv) {
  constexpr const char* kReport = "--os-type-report=";
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], kReport, std::strlen(kReport)) == 0) {
      ktr::win32::Win32Host win32;
      ktr::Host host = win32.host();
      std::string report;
      try {
        report = "platform=" + std::to_string(host.version.platform_id()) +
                 " index=" + std::to_string(ktr::platform::GetOSTypeIndex(host)) + "\r\n";
      } catch (const std::exception& e) {
        report = std::string("error=") + e.what() + "\r\n";
      }
      return ktr::contract::WriteWholeFile(argv[i] + std::strlen(kReport), report) ? 0 : 1;
    }
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
