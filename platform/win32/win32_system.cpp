// Locale, version, profile strings and the shell: one call each.
#include "platform/win32/system_library.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_ports.h"
namespace ktr::win32 {
namespace {

// shell32 brings a large set of DLLs into the process; the launcher needs it
// only when the manual or the folder view is asked for, so it is loaded on
// that first request (by its full path in the system folder) instead of at
// start-up. It stays loaded until the process ends.
class ShellLibrary {
 public:
  using ShellExecuteFn = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);

  ShellLibrary() : module_(LoadSystemLibrary("shell32.dll")) {
    if (module_) {
      execute_ = reinterpret_cast<ShellExecuteFn>(
          reinterpret_cast<void*>(::GetProcAddress(module_, "ShellExecuteA")));
    }
  }
  ~ShellLibrary() {
    if (module_) ::FreeLibrary(module_);
  }
  ShellLibrary(const ShellLibrary&) = delete;
  ShellLibrary& operator=(const ShellLibrary&) = delete;

  ShellExecuteFn execute() const { return execute_; }

 private:
  HMODULE module_;
  ShellExecuteFn execute_ = nullptr;
};

}  // namespace

std::uint32_t Win32Locale::system_default_lcid() { return ::GetSystemDefaultLCID(); }

unsigned Win32Locale::ansi_code_page() { return ::GetACP(); }

// Read once at start, as the edition test expects. GetVersionExA answers on
// every system; should it not, the NT family is the only one still running.
Win32Version::Win32Version() : platform_id_(VER_PLATFORM_WIN32_NT) {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(info);
  if (::GetVersionExA(&info)) platform_id_ = info.dwPlatformId;
}

std::string Win32Profile::read_string(const std::string& file, const std::string& section,
                                      const std::string& key, std::size_t buffer_size) {
  if (buffer_size == 0) return {};
  std::string buffer(buffer_size, '\0');
  DWORD length = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer.data(),
                                            static_cast<DWORD>(buffer_size), file.c_str());
  buffer.resize(length < buffer_size ? length : buffer_size - 1);
  return buffer;
}

using InitializeFn = HRESULT(WINAPI*)(LPVOID);
using UninitializeFn = void(WINAPI*)();

Win32Shell::~Win32Shell() {
  if (uninitialize_) reinterpret_cast<UninitializeFn>(uninitialize_)();
  if (ole32_) ::FreeLibrary(static_cast<HMODULE>(ole32_));
}

// Both functions are in ole32 from Windows 2000 on. A failed CoInitialize
// (the thread already in a multithreaded apartment) is not balanced by a
// CoUninitialize, and the request goes on as it would have before.
void Win32Shell::enter_apartment() {
  if (apartment_tried_) return;
  apartment_tried_ = true;
  HMODULE ole32 = LoadSystemLibrary("ole32.dll");
  if (!ole32) return;
  ole32_ = ole32;
  auto initialize = reinterpret_cast<InitializeFn>(
      reinterpret_cast<void (*)()>(::GetProcAddress(ole32, "CoInitialize")));
  auto uninitialize = reinterpret_cast<void (*)()>(::GetProcAddress(ole32, "CoUninitialize"));
  if (initialize && uninitialize && SUCCEEDED(initialize(nullptr))) uninitialize_ = uninitialize;
}

std::intptr_t Win32Shell::execute(std::uintptr_t owner, const std::string& verb,
                                  const std::string& file, int show) {
  enter_apartment();
  static const ShellLibrary shell;
  // Without the shell there is nothing to open with: the answer of a failed
  // start, which the callers look at no more than at any other.
  if (!shell.execute()) return 0;
  HINSTANCE result = shell.execute()(reinterpret_cast<HWND>(owner), verb.c_str(), file.c_str(),
                                     nullptr, nullptr, show);
  return reinterpret_cast<std::intptr_t>(result);
}

}  // namespace ktr::win32
