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
//   file1..file16=PATH                    create PATH (and its folders) with
//                                         the line "created by <program>"
//   reg1..reg16=KEY|VALUE|DATA            create the key under
//                                         HKEY_LOCAL_MACHINE and set VALUE to
//                                         the REG_SZ DATA
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

void SetGivenValue(const std::string& spec) {
  auto first = spec.find('|');
  auto second = first == std::string::npos ? first : spec.find('|', first + 1);
  if (second == std::string::npos) return;
  std::string key = spec.substr(0, first);
  std::string value = spec.substr(first + 1, second - first - 1);
  std::string data = spec.substr(second + 1);
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
  if (!log.empty()) {
    Append(log, "event=ended\ttime=" + std::to_string(NowMs()) + "\tpid=" + pid +
                    "\texit_code=" + std::to_string(exit_code) + "\r\n");
  }
  return static_cast<int>(exit_code);
}
