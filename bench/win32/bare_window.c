/* The floor of the launcher's start-up: the least a program must do to show
 * what the launcher shows first. One borderless 658 x 334 window, centred,
 * painting one bitmap read from the medium with the system's own loader
 * (LoadImage, LR_LOADFROMFILE). Written in C so that no language runtime
 * beyond the C library's start-up stands between the process and its window:
 * no static constructors, no exception tables to register, no toolkit, no
 * texts, no COM. Usage:
 *
 *   ktr_bare_window BITMAP
 *
 * BITMAP is a path, relative to the current directory as the launcher's skin
 * paths are, optionally in double quotes. Exit code 1 when the bitmap cannot
 * be loaded or the window cannot be made.
 *
 * Built a second time with KTR_FLOOR_PHASES as ktr_floor_phases, which takes
 * "BITMAP OUT" and appends the time of each step to OUT in the form of
 * ktr_startup_phases (milliseconds): entry (process creation to WinMain),
 * picture (LoadImage), window (class and window made), shown (shown and
 * painted). The floor itself stays without any of it. */
#include "floor_window.h"

#ifdef KTR_FLOOR_PHASES
#include <stdio.h>

static char g_line[256];
static LARGE_INTEGER g_frequency, g_last;

static unsigned long long Ticks(const FILETIME* t) {
  return ((unsigned long long)t->dwHighDateTime << 32) | t->dwLowDateTime;
}

static void Add(const char* name, double ms) {
  size_t used = strlen(g_line);
  snprintf(g_line + used, sizeof g_line - used, "%s%s=%.2f", used ? " " : "", name, ms);
}

static void Entry(void) {
  FILETIME created, exited, kernel, user, now;
  QueryPerformanceFrequency(&g_frequency);
  QueryPerformanceCounter(&g_last);
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return;
  GetSystemTimeAsFileTime(&now);
  Add("entry", (double)(Ticks(&now) - Ticks(&created)) / 10000.0);
}

static void Step(const char* name) {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  Add(name, (double)(now.QuadPart - g_last.QuadPart) * 1000.0 / (double)g_frequency.QuadPart);
  g_last = now;
}

static void Write(const char* path) {
  HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, NULL);
  DWORD written;
  if (file == INVALID_HANDLE_VALUE) return;
  strcat(g_line, "\n");
  WriteFile(file, g_line, (DWORD)strlen(g_line), &written, NULL);
  CloseHandle(file);
}
#define STEP(name) Step(name)
#else
#define STEP(name) ((void)0)
#endif

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
  char path[MAX_PATH];
  size_t length = strlen(command_line);
  HWND window;
  int left, top;
  (void)previous;
#ifdef KTR_FLOOR_PHASES
  const char* out = strrchr(command_line, ' ');
  Entry();
  if (!out) return 1;
  length = (size_t)(out++ - command_line);
#endif

  if (length >= 2 && command_line[0] == '"' && command_line[length - 1] == '"') {
    ++command_line;
    length -= 2;
  }
  if (length == 0 || length >= sizeof path) return 1;
  memcpy(path, command_line, length);
  path[length] = '\0';
  g_picture = (HBITMAP)LoadImageA(NULL, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
  if (!g_picture) return 1;
  STEP("picture");

  if (!RegisterFloorClass(instance, "KtrBareWindow")) return 1;

  left = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
  top = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
  window = CreateWindowExA(0, "KtrBareWindow", "Bare window", WS_POPUP, left, top, kWidth,
                           kHeight, NULL, NULL, instance, NULL);
  if (!window) return 1;
  STEP("window");
  ShowWindow(window, show);
  UpdateWindow(window);
  STEP("shown");
#ifdef KTR_FLOOR_PHASES
  Write(out);
#endif

  return RunFloor();
}
