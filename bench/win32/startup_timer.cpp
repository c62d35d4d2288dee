// Times how long programs take from CreateProcess until they wait for input,
// and how much memory they hold by then. Usage:
//
//   ktr_startup_timer OUT RUNS FOLDER NAME=COMMAND_LINE [NAME=COMMAND_LINE...]
//
// Each program is started RUNS times in FOLDER (its current directory, as a
// medium's launcher is started from the medium's root), the programs taking
// turns so that a change in the machine's load falls on all of them alike;
// one untimed start of each comes first, so that every timed start finds the
// system's DLLs already read. For every start it takes:
//
//   idle     CreateProcess to the return of WaitForInputIdle
//   shown    CreateProcess to the first visible 658 x 334 window of the
//            process (polled every millisecond after idle; a program may wait
//            for input before it shows its window)
//   peak     PeakWorkingSetSize half a second after the window was shown,
//            when the first paint is done and the program sits idle
//
//   cpu      the process's own processor time (user and kernel) when it
//            became idle: what it did itself, without the waits for the
//            machine that its wall-clock time also holds
//
// and then ends the process. The first program is the reference: each
// program's idle time of a round is also divided by the reference's of the
// same round, the two starts having run side by side under the same load.
// OUT gets one line per program:
//
//   NAME idle_ms=MEDIAN shown_ms=MEDIAN idle_min_ms=MIN idle_max_ms=MAX
//        cpu_ms=MEDIAN ratio=MEDIAN_OF_ROUND_RATIOS peak_working_set_kib=MAX
//        runs=RUNS
//
// and a line "error NAME TEXT" for a program that failed to start or to
// become idle; the exit code is then 1.
// unique_handle.h brings <windows.h> in the project's settings; psapi.h
// needs it first.
#include "platform/win32/unique_handle.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

using ktr::win32::FileHandle;
using ktr::win32::UniqueHandle;

constexpr DWORD kIdleTimeoutMs = 60000;
constexpr DWORD kShownTimeoutMs = 60000;
constexpr DWORD kSettleMs = 500;
constexpr int kWindowWidth = 658;
constexpr int kWindowHeight = 334;

struct Program {
  std::string name;
  std::string command_line;
  std::vector<double> idle_ms = {};
  std::vector<double> shown_ms = {};
  std::vector<double> cpu_ms = {};
  std::vector<double> ratio = {};
  SIZE_T peak_working_set = 0;
  std::string error = {};
};

struct Start {
  double idle_ms = 0;
  double shown_ms = 0;
  double cpu_ms = 0;
  SIZE_T peak_working_set = 0;
};

class Stopwatch {
 public:
  Stopwatch() {
    QueryPerformanceFrequency(&frequency_);
    QueryPerformanceCounter(&start_);
  }
  double ms() const {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - start_.QuadPart) * 1000.0 /
           static_cast<double>(frequency_.QuadPart);
  }

 private:
  LARGE_INTEGER frequency_{};
  LARGE_INTEGER start_{};
};

struct WindowSearch {
  DWORD process_id;
  bool found;
};

BOOL CALLBACK FindShownWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  RECT r{};
  if (owner == search->process_id && IsWindowVisible(window) && GetWindowRect(window, &r) &&
      r.right - r.left == kWindowWidth && r.bottom - r.top == kWindowHeight) {
    search->found = true;
    return FALSE;
  }
  return TRUE;
}

double CpuMs(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
  const auto ticks = [](const FILETIME& t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;  // 100 ns units
}

bool WindowShown(DWORD process_id) {
  WindowSearch search{process_id, false};
  EnumWindows(FindShownWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The started process is ended however the measurement went.
class StartedProcess {
 public:
  explicit StartedProcess(const PROCESS_INFORMATION& info)
      : process_(info.hProcess), thread_(info.hThread), id_(info.dwProcessId) {}
  ~StartedProcess() {
    if (WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_.get(), 0);
      WaitForSingleObject(process_.get(), 10000);
    }
  }
  StartedProcess(const StartedProcess&) = delete;
  StartedProcess& operator=(const StartedProcess&) = delete;
  HANDLE get() const { return process_.get(); }
  DWORD id() const { return id_; }

 private:
  UniqueHandle process_;
  UniqueHandle thread_;
  DWORD id_;
};

bool Measure(const std::string& command_line, const std::string& folder, Start& out,
             std::string& error) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  std::string line = command_line;  // CreateProcessA may write into it
  const Stopwatch watch;
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                      &startup, &info)) {
    error = "CreateProcess failed with " + std::to_string(GetLastError());
    return false;
  }
  StartedProcess process(info);
  const DWORD idle = WaitForInputIdle(process.get(), kIdleTimeoutMs);
  out.idle_ms = watch.ms();
  out.cpu_ms = CpuMs(process.get());
  if (idle != 0) {
    error = idle == WAIT_TIMEOUT ? "no input idle within a minute"
                                 : "WaitForInputIdle failed with " + std::to_string(GetLastError());
    return false;
  }
  while (!WindowShown(process.id())) {
    if (WaitForSingleObject(process.get(), 1) != WAIT_TIMEOUT) {
      error = "ended before its window was shown";
      return false;
    }
    if (watch.ms() > kShownTimeoutMs) {
      error = "no 658 x 334 window within a minute";
      return false;
    }
  }
  out.shown_ms = watch.ms();
  Sleep(kSettleMs);
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(process.get(), &counters, sizeof counters)) {
    error = "GetProcessMemoryInfo failed with " + std::to_string(GetLastError());
    return false;
  }
  out.peak_working_set = counters.PeakWorkingSetSize;
  return true;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  if (n == 0) return 0;
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::string Fixed(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

std::string Report(const Program& p) {
  if (!p.error.empty()) return "error " + p.name + " " + p.error + "\n";
  const auto [min, max] = std::minmax_element(p.idle_ms.begin(), p.idle_ms.end());
  char ratio[32];
  std::snprintf(ratio, sizeof ratio, "%.3f", Median(p.ratio));
  return p.name + " idle_ms=" + Fixed(Median(p.idle_ms)) + " shown_ms=" +
         Fixed(Median(p.shown_ms)) + " idle_min_ms=" + Fixed(*min) + " idle_max_ms=" +
         Fixed(*max) + " cpu_ms=" + Fixed(Median(p.cpu_ms)) + " ratio=" + ratio +
         " peak_working_set_kib=" + std::to_string(p.peak_working_set / 1024) +
         " runs=" + std::to_string(p.idle_ms.size()) + "\n";
}

bool WriteWhole(const std::string& path, const std::string& text) {
  FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return file && WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written,
                           nullptr) &&
         written == text.size();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s OUT RUNS FOLDER NAME=COMMAND_LINE...\n", argv[0]);
    return 2;
  }
  const std::string out = argv[1];
  const int runs = std::atoi(argv[2]);
  const std::string folder = argv[3];
  std::vector<Program> programs;
  for (int i = 4; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto equals = arg.find('=');
    if (equals == std::string::npos || equals == 0 || runs < 1) {
      std::fprintf(stderr, "bad argument: %s\n", argv[i]);
      return 2;
    }
    Program program;
    program.name = arg.substr(0, equals);
    program.command_line = arg.substr(equals + 1);
    programs.push_back(std::move(program));
  }

  for (int round = -1; round < runs; ++round) {
    double reference_ms = 0;
    for (Program& p : programs) {
      if (!p.error.empty()) continue;
      Start start;
      if (!Measure(p.command_line, folder, start, p.error)) continue;
      if (round < 0) continue;  // the warm-up start
      if (&p == &programs.front()) reference_ms = start.idle_ms;
      p.idle_ms.push_back(start.idle_ms);
      p.shown_ms.push_back(start.shown_ms);
      p.cpu_ms.push_back(start.cpu_ms);
      if (reference_ms > 0) p.ratio.push_back(start.idle_ms / reference_ms);
      p.peak_working_set = std::max(p.peak_working_set, start.peak_working_set);
    }
  }

  std::string text;
  bool failed = false;
  for (const Program& p : programs) {
    text += Report(p);
    failed = failed || !p.error.empty();
  }
  if (!WriteWhole(out, text)) {
    std::fprintf(stderr, "cannot write %s\n", out.c_str());
    return 1;
  }
  return failed ? 1 : 0;
}
