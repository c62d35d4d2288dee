// The launcher's process entry: the platform set-up that must come before
// everything else, then the launcher itself on the Windows host and toolkit.
// The command line is not read.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstddef>
#include <exception>
#include <optional>

#include "app/launcher.h"
#include "platform/win32/win32_host.h"
#include "ui/win32/win32_backend.h"

namespace {

// Functions that older systems lack are looked up at run time, so that the
// program still starts there; casting through void(*)() is the sanctioned
// way to convert GetProcAddress's answer.
template <class Function>
Function Lookup(HMODULE module, const char* name) {
  FARPROC address = module ? ::GetProcAddress(module, name) : nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

// A medium copied to a download folder may lie beside planted DLLs, so DLLs
// are looked for in the system folder only. SetDefaultDllDirectories exists
// from Windows 8 (and Vista/7 with KB2533623); SetDllDirectoryA("") at least
// takes the current directory out of the search (XP SP1 on; RTM lacks both).
void LimitDllSearchToSystemFolder() {
  HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
  constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
  if (auto set_default = Lookup<SetDefaultDllDirectoriesFn>(kernel, "SetDefaultDllDirectories")) {
    if (set_default(kSearchSystem32)) return;
  }
  if (auto set_directory = Lookup<SetDllDirectoryFn>(kernel, "SetDllDirectoryA")) {
    set_directory("");
  }
}

// The launcher's key, written by `ktrmedium sign` after the marker before it
// signs the program, so that the signature covers it: the SHA-256 of the
// public key that must have signed the medium's list. All zero in every
// launcher not signed for release, which then verifies nothing. Read through
// volatile, as the bytes in the file are not the ones compiled.
extern "C" __attribute__((used)) volatile const unsigned char ktr_sealed_medium_pin[48] = {
    'K', 'T', 'R', '-', 'S', 'E', 'A', 'L', 'E', 'D', '-', 'P', 'I', 'N', ':', '1'};
constexpr std::size_t kPinMarkerSize = 16;

std::optional<ktr::Sha256Digest> LauncherPin() {
  ktr::Sha256Digest pin{};
  bool any = false;
  for (std::size_t i = 0; i < pin.size(); ++i) {
    pin[i] = ktr_sealed_medium_pin[kPinMarkerSize + i];
    any = any || pin[i] != 0;
  }
  if (!any) return std::nullopt;
  return pin;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  LimitDllSearchToSystemFolder();
  // No COM here: the shell adapter enters the apartment on the first request
  // that needs it, and leaves it when the host goes after every window.
  try {
    ktr::win32::Win32Host system;
    ktr::Host host = system.host();
    ktr::ui::win32::Win32Backend backend;
    return ktr::app::RunLauncher(host, backend, &system.integrity(), LauncherPin());
  } catch (const std::exception& e) {
    // Only a failure to make the application's windows gets here; the
    // windows' own errors are reported by the toolkit and the loop goes on.
    ::MessageBoxA(nullptr, e.what(), ktr::app::kInitialTitle, MB_OK | MB_ICONSTOP);
    return 1;
  }
}
