// The launcher's start-up taken apart: the calls of its WinMain and of
// RunLauncher, in their order, with the time of each step written down. The
// start-up timer starts this program beside the launcher and the floor, so
// the steps add up to what the launcher spends where. Usage:
//
//   ktr_startup_phases OUT
//
// Appends one line per start to OUT, in milliseconds:
//
//   entry=  process creation to WinMain: the loader, the DLLs' start-up
//           and the runtime's (static constructors, TLS callbacks)
//   host=   the host adapters
//   backend=  the toolkit backend with its application window
//   main=   the main menu: its window, creation step (texts, skin) and
//           first show and paint
//   ghost=  the hidden Ghost window, made and loaded at start
//   skin=   the main menu's eight pictures read and decoded once more
//   paint=  the main menu painted once more
//   com=    ole32 loaded and a COM apartment entered and left on this
//           thread, as the shell requests need it
//
// After the line it waits for input like the launcher, so that the timer
// sees it idle and ends it.
#include "platform/win32/unique_handle.h"  // brings <windows.h> first

#include <cstdio>
#include <string>
#include <string_view>

#include "forms/frm_main.h"
#include "app/launcher.h"
#include "forms/frm_ghost_install.h"
#include "lang/multilang.h"
#include "medium/medium.h"
#include "platform/win32/win32_host.h"
#include "ui/bitmap.h"
#include "ui/win32/win32_backend.h"

namespace {

unsigned long long Ticks(const FILETIME& t) {
  return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

// Process creation to now, on the system clock that the creation time is
// read from (100 ns units; Wine keeps it to the microsecond).
double MsSinceProcessCreation() {
  FILETIME created, exited, kernel, user, now;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  GetSystemTimeAsFileTime(&now);
  return static_cast<double>(Ticks(now) - Ticks(created)) / 10000.0;
}

class Stamps {
 public:
  Stamps() {
    QueryPerformanceFrequency(&frequency_);
    QueryPerformanceCounter(&last_);
  }
  void add(const char* name, double ms) {
    char item[64];
    std::snprintf(item, sizeof item, "%s%s=%.2f", line_.empty() ? "" : " ", name, ms);
    line_ += item;
  }
  // The time since the previous stamp.
  void step(const char* name) {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    add(name, static_cast<double>(now.QuadPart - last_.QuadPart) * 1000.0 /
                  static_cast<double>(frequency_.QuadPart));
    last_ = now;
  }
  void restart() { QueryPerformanceCounter(&last_); }
  bool append_to(const char* path) const {
    ktr::win32::FileHandle file(CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    const std::string text = line_ + "\n";
    DWORD written = 0;
    return file &&
           WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written,
                     nullptr) &&
           written == text.size();
  }

 private:
  LARGE_INTEGER frequency_{};
  LARGE_INTEGER last_{};
  std::string line_;
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_line, int) {
  Stamps stamps;
  stamps.add("entry", MsSinceProcessCreation());
  stamps.restart();
  using namespace ktr;
  win32::Win32Host system;
  Host host = system.host();
  stamps.step("host");
  ui::win32::Win32Backend backend;
  stamps.step("backend");
  lang::InitLanguageIndex(host.locale);
  ui::Application app(backend);
  app.set_title(app::kInitialTitle);
  auto& main = app.create_form<forms::TMainForm>(host);
  stamps.step("main");
  app.create_form<forms::TGhostInstall>(nullptr, host);
  stamps.step("ghost");

  const std::string folder = medium::LaunchFolder(host.files, host.locale);
  constexpr std::string_view kMainPictures[] = {
      medium::kBackgroundEmpty, medium::kContentEmpty, "Button1.bmp", "Button2.bmp",
      "Button3.bmp",            "Button4.bmp",         "Button5.bmp", "ButtonExit.bmp"};
  stamps.restart();
  for (std::string_view file : kMainPictures) {
    (void)ui::LoadBitmapFile(host.files, medium::SkinFile(host.profile, folder, file));
  }
  stamps.step("skin");
  RedrawWindow(reinterpret_cast<HWND>(main.native_handle()), nullptr, nullptr,
               RDW_INVALIDATE | RDW_UPDATENOW);
  stamps.step("paint");
  // As the shell adapter does at its first request: ole32 is loaded then, not
  // at start (imported, it would count in entry= where the launcher has none).
  if (HMODULE ole32 = LoadLibraryA("ole32.dll")) {
    using InitializeFn = HRESULT(WINAPI*)(LPVOID);
    using UninitializeFn = void(WINAPI*)();
    auto initialize = reinterpret_cast<InitializeFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(ole32, "CoInitialize")));
    auto uninitialize = reinterpret_cast<UninitializeFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(ole32, "CoUninitialize")));
    if (initialize && uninitialize && SUCCEEDED(initialize(nullptr))) uninitialize();
  }
  stamps.step("com");
  if (!stamps.append_to(command_line)) return 1;
  app.run();
  return 0;
}
