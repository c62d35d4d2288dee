// The shell adapter and COM: the apartment the shell's handlers need exists
// from the first request to the end of the adapter, and not before.
#include <objbase.h>

#include <gtest/gtest.h>

#include "platform/win32/win32_ports.h"

namespace ktr::win32 {
namespace {

// Asking for the other apartment model answers RPC_E_CHANGED_MODE while the
// thread is in a single-threaded one, and changes nothing either way.
bool InSingleThreadedApartment() {
  const HRESULT probe = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  if (SUCCEEDED(probe)) CoUninitialize();
  return probe == RPC_E_CHANGED_MODE;
}

TEST(ShellTest, EntersComApartmentOnFirstRequestAndLeavesItWithTheAdapter) {
  ASSERT_FALSE(InSingleThreadedApartment());
  {
    Win32Shell shell;
    EXPECT_FALSE(InSingleThreadedApartment()) << "no COM before the shell is asked";
    // A file that is not there: the shell answers with an error code, no window.
    EXPECT_LE(shell.execute(0, "open", "Z:\\no\\such\\folder\\manual.txt", SW_SHOWNORMAL), 32);
    EXPECT_TRUE(InSingleThreadedApartment());
    shell.execute(0, "open", "Z:\\no\\such\\folder\\manual.txt", SW_SHOWNORMAL);
    EXPECT_TRUE(InSingleThreadedApartment());
  }
  EXPECT_FALSE(InSingleThreadedApartment()) << "entered once, left once";
}

}  // namespace
}  // namespace ktr::win32
