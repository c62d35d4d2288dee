// The shell adapter and COM: the apartment the shell's handlers need exists
// from the first request to the end of the adapter, and not before; the
// libraries behind them come from the system folder.
#include <objbase.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/system_library.h"
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

// A DLL planted beside the program is what a bare name finds first where
// the search cannot be limited (Windows XP): the full path never looks there.
TEST(SystemLibraryTest, ComesFromTheSystemFolderAndNeverFromBesideTheProgram) {
  char program[MAX_PATH] = {};
  ASSERT_NE(::GetModuleFileNameA(nullptr, program, MAX_PATH), 0u);
  std::string planted(program);
  planted = planted.substr(0, planted.find_last_of('\\') + 1) + "ktr_planted.dll";
  {
    HANDLE file = ::CreateFileA(planted.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ::WriteFile(file, "MZ planted", 10, &written, nullptr);
    ::CloseHandle(file);
  }
  // By its bare name the planted file is found (and refused as no valid DLL).
  EXPECT_EQ(::LoadLibraryA("ktr_planted.dll"), nullptr);
  EXPECT_NE(::GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(LoadSystemLibrary("ktr_planted.dll"), nullptr);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  ::DeleteFileA(planted.c_str());

  HMODULE shell = LoadSystemLibrary("shell32.dll");
  ASSERT_NE(shell, nullptr);
  char loaded[MAX_PATH] = {};
  char system[MAX_PATH] = {};
  ASSERT_NE(::GetModuleFileNameA(shell, loaded, MAX_PATH), 0u);
  ASSERT_NE(::GetSystemDirectoryA(system, MAX_PATH), 0u);
  EXPECT_EQ(::lstrcmpiA(loaded, (std::string(system) + "\\shell32.dll").c_str()), 0) << loaded;
  ::FreeLibrary(shell);
}

}  // namespace
}  // namespace ktr::win32
