// A stand-in for every program the launcher starts from a test medium. One
// executable, copied under each program's name (Install.exe, InstallBuild.exe,
// revuvez.exe, the server installer, the extra program, the help commands),
// so that a test sees exactly what the launcher started, where and when.
//
// Configuration: the INI file next to the copy with the copy's base name
// ("Install.exe" reads "Install.ini"), section [stub]; a key missing there
// falls back to an environment variable, so a test can set defaults for every
// copy at once:
//
//   log=PATH          KTR_STUB_LOG        append the record below to PATH; a
//                                         relative PATH is taken from the
//                                         stub's own folder
//   exit_code=N       KTR_STUB_EXIT_CODE  exit with N (default 0)
//   sleep_ms=N        KTR_STUB_SLEEP_MS   stay alive N milliseconds
//   hold=PATH         KTR_STUB_HOLD       then stay alive while PATH exists
//                                         (at most five minutes), so that a
//                                         test can look as long as it needs
//   file1..file16=PATH                    create PATH (and its folders) with
//                                         the line "created by <program>"
//   reg1..reg16=KEY|VALUE|DATA            create the key under
//                                         HKEY_LOCAL_MACHINE and set VALUE to
//                                         the REG_SZ DATA
//   window=1          KTR_STUB_WINDOW     after the sleep, show a small window
//                                         with the program's file name, its
//                                         role, its command line and working
//                                         folder, and end when it is closed
//                                         (the demo medium; tests leave it off)
//   role=TEXT                             what the program stands for, shown
//                                         in that window
//   broadcast=1       KTR_STUB_BROADCAST  before ending, send WM_SETTINGCHANGE
//                                         ("Environment") to every top-level
//                                         window with SendMessage, as
//                                         installers do after changing the
//                                         environment; it returns only once
//                                         every window has answered, so the
//                                         ended record proves they all did
//
// Record: two lines of tab-separated name=value fields, written whole so that
// stubs running side by side do not mix their lines:
//
//   event=started time=MS pid=N program=PATH cwd=DIR show=N command_line=LINE
//   event=ended   time=MS pid=N exit_code=N
//
// MS counts milliseconds since 1970-01-01 UTC; show is the wShowWindow the
// starter passed with STARTF_USESHOWWINDOW, or -1 without it; the command
// line comes last, as it may hold anything but a line break.
#include <cstdlib>
#include <string>

#include "platform/win32/unique_handle.h"

namespace {

using ktr::win32::FileHandle;
using ktr::win32::RegKey;

struct FontTraits {
  using pointer = HFONT;
  static pointer Invalid() noexcept { return nullptr; }
  static bool IsValid(pointer h) noexcept { return h != nullptr; }
  static void Close(pointer h) noexcept { ::DeleteObject(h); }
};
using Font = ktr::win32::UniqueResource<FontTraits>;

std::string ModulePath() {
  for (DWORD size = MAX_PATH;; size *= 2) {
    std::string buffer(size, '\0');
    DWORD length = GetModuleFileNameA(nullptr, buffer.data(), size);
    if (length < size) {
      buffer.resize(length);
      return buffer;
    }
  }
}

std::string FolderOf(const std::string& path) {
  auto slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string IniPath(const std::string& module) {
  auto slash = module.find_last_of('\\');
  auto dot = module.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) dot = module.size();
  return module.substr(0, dot) + ".ini";
}

std::string Setting(const std::string& ini, const char* key, const char* variable) {
  char buffer[4096];
  DWORD length = GetPrivateProfileStringA("stub", key, "", buffer, sizeof(buffer), ini.c_str());
  if (length > 0) return std::string(buffer, length);
  if (variable == nullptr) return {};
  length = GetEnvironmentVariableA(variable, buffer, sizeof(buffer));
  return length > 0 && length < sizeof(buffer) ? std::string(buffer, length) : std::string();
}

long Number(const std::string& text, long fallback) {
  if (text.empty()) return fallback;
  char* end = nullptr;
  long value = std::strtol(text.c_str(), &end, 0);
  return end != nullptr && *end == '\0' ? value : fallback;
}

std::string CurrentDirectory() {
  DWORD needed = GetCurrentDirectoryA(0, nullptr);
  std::string buffer(needed, '\0');
  DWORD length = GetCurrentDirectoryA(needed, buffer.data());
  buffer.resize(length < needed ? length : 0);
  return buffer;
}

long long NowMs() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER ticks;
  ticks.LowPart = now.dwLowDateTime;
  ticks.HighPart = now.dwHighDateTime;
  return static_cast<long long>((ticks.QuadPart - 116444736000000000ULL) / 10000ULL);
}

bool IsAbsolute(const std::string& path) {
  return (path.size() >= 2 && path[1] == ':') || (!path.empty() && path[0] == '\\');
}

void MakeFolders(const std::string& path) {
  for (std::size_t i = 3; i < path.size(); ++i) {
    if (path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
  }
}

// Another stub may be appending at this moment; it holds the file only for
// one write, so a few tries are enough.
void Append(const std::string& log, const std::string& line) {
  for (int attempt = 0; attempt < 50; ++attempt) {
    FileHandle file(CreateFileA(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
      DWORD written = 0;
      WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
      return;
    }
    Sleep(20);
  }
}

void CreateGivenFile(const std::string& path, const std::string& program) {
  MakeFolders(path);
  FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  std::string text = "created by " + program + "\r\n";
  DWORD written = 0;
  WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void SetGivenValue(const std::string& setting) {
  auto first = setting.find('|');
  auto second = first == std::string::npos ? first : setting.find('|', first + 1);
  if (second == std::string::npos) return;
  std::string key = setting.substr(0, first);
  std::string value = setting.substr(first + 1, second - first - 1);
  std::string data = setting.substr(second + 1);
  while (!key.empty() && key[0] == '\\') key.erase(0, 1);
  RegKey opened;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      opened.put(), nullptr) != ERROR_SUCCESS) {
    opened.release();
    return;
  }
  RegSetValueExA(opened.get(), value.c_str(), 0, REG_SZ,
                 reinterpret_cast<const BYTE*>(data.c_str()), static_cast<DWORD>(data.size() + 1));
}

// --- The demo window -------------------------------------------------------

constexpr int kClientWidth = 440;
constexpr int kClientHeight = 176;
constexpr int kMargin = 12;
constexpr int kLabelWidth = 92;
constexpr int kFieldHeight = 36;  // two lines: a path on a medium is long
// Away from the middle of the screen, where the launcher's windows are.
constexpr int kScreenGap = 8;

LRESULT CALLBACK DemoWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) DestroyWindow(window);
      return 0;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wparam, lparam);
  }
}

HWND Child(HWND parent, const char* kind, const std::string& text, DWORD style, int id, int x,
           int y, int width, int height, HFONT font) {
  HWND child = CreateWindowExA(0, kind, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, width,
                               height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               GetModuleHandleA(nullptr), nullptr);
  if (child != nullptr && font != nullptr) {
    SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  return child;
}

std::string FileNameOf(const std::string& path) {
  auto slash = path.find_last_of('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Tells a person trying the demo medium what the launcher started and how;
// the real program would do its work here. Returns when the window closes.
void ShowDemoWindow(const std::string& program, const std::string& role,
                    const std::string& command_line, const std::string& folder) {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = DemoWindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  window_class.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_INFORMATION));
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  window_class.lpszClassName = "KtrDemoStub";
  RegisterClassA(&window_class);

  LOGFONTA look{};
  SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof(look), &look, 0);
  Font text_font(CreateFontIndirectA(&look));
  look.lfWeight = FW_BOLD;
  Font title_font(CreateFontIndirectA(&look));

  const std::string name = FileNameOf(program);
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
  const DWORD ex_style = WS_EX_CONTROLPARENT;
  RECT frame{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, style, FALSE, ex_style);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  HWND window =
      CreateWindowExA(ex_style, window_class.lpszClassName, (name + " - KTR demo medium").c_str(),
                      style, work.right - width - kScreenGap, work.bottom - height - kScreenGap,
                      width, height, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return;

  const int inner = kClientWidth - 2 * kMargin;
  const int field_x = kMargin + kLabelWidth;
  const int field_width = inner - kLabelWidth;
  // Static fields rather than edit boxes: their text is the window text that
  // any process can read, and SS_EDITCONTROL breaks a long path anywhere.
  const DWORD field = SS_NOPREFIX | SS_EDITCONTROL | SS_SUNKEN;
  const HFONT text = text_font.get();
  Child(window, "STATIC", role.empty() ? name : name + ": " + role, SS_NOPREFIX, -1, kMargin,
        kMargin, inner, 18, title_font.get());
  Child(window, "STATIC",
        "A stand-in on the demo medium. The launcher started it with:", SS_NOPREFIX, -1, kMargin,
        34, inner, 18, text);
  Child(window, "STATIC", "Command line:", SS_NOPREFIX, -1, kMargin, 60, kLabelWidth, 18, text);
  Child(window, "STATIC", command_line, field, -1, field_x, 58, field_width, kFieldHeight, text);
  Child(window, "STATIC", "Working folder:", SS_NOPREFIX, -1, kMargin, 102, kLabelWidth, 18, text);
  Child(window, "STATIC", folder, field, -1, field_x, 100, field_width, kFieldHeight, text);
  HWND ok = Child(window, "BUTTON", "OK", WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK,
                  kClientWidth - kMargin - 80, kClientHeight - kMargin - 25, 80, 25, text);

  ShowWindow(window, SW_SHOWNORMAL);
  SetForegroundWindow(window);
  SetFocus(ok);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (IsDialogMessageA(window, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const std::string program = ModulePath();
  const std::string ini = IniPath(program);
  std::string log = Setting(ini, "log", "KTR_STUB_LOG");
  if (!log.empty() && !IsAbsolute(log)) log = FolderOf(program) + log;
  const long exit_code = Number(Setting(ini, "exit_code", "KTR_STUB_EXIT_CODE"), 0);
  const long sleep_ms = Number(Setting(ini, "sleep_ms", "KTR_STUB_SLEEP_MS"), 0);

  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  GetStartupInfoA(&startup);
  const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
  const std::string pid = std::to_string(GetCurrentProcessId());

  if (!log.empty()) {
    Append(log, "event=started\ttime=" + std::to_string(NowMs()) + "\tpid=" + pid + "\tprogram=" +
                    program + "\tcwd=" + CurrentDirectory() + "\tshow=" + std::to_string(show) +
                    "\tcommand_line=" + GetCommandLineA() + "\r\n");
  }
  for (int i = 1; i <= 16; ++i) {
    std::string file = Setting(ini, ("file" + std::to_string(i)).c_str(), nullptr);
    if (!file.empty()) CreateGivenFile(file, program);
    std::string value = Setting(ini, ("reg" + std::to_string(i)).c_str(), nullptr);
    if (!value.empty()) SetGivenValue(value);
  }
  if (sleep_ms > 0) Sleep(static_cast<DWORD>(sleep_ms));
  // A look at the launcher's windows takes seconds when Wine runs emulated;
  // the test takes the file away once it has seen enough.
  const std::string hold = Setting(ini, "hold", "KTR_STUB_HOLD");
  for (int waited = 0; !hold.empty() && waited < 5 * 60 * 1000 &&
                       GetFileAttributesA(hold.c_str()) != INVALID_FILE_ATTRIBUTES;
       waited += 50) {
    Sleep(50);
  }
  if (Number(Setting(ini, "window", "KTR_STUB_WINDOW"), 0) != 0) {
    ShowDemoWindow(program, Setting(ini, "role", nullptr), GetCommandLineA(), CurrentDirectory());
  }
  if (Number(Setting(ini, "broadcast", "KTR_STUB_BROADCAST"), 0) != 0) {
    static const char kEnvironment[] = "Environment";
    SendMessageA(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(kEnvironment));
  }
  if (!log.empty()) {
    Append(log, "event=ended\ttime=" + std::to_string(NowMs()) + "\tpid=" + pid +
                    "\texit_code=" + std::to_string(exit_code) + "\r\n");
  }
  return static_cast<int>(exit_code);
}
