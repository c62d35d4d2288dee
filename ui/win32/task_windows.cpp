#include "ui/win32/task_windows.h"

namespace ktr::ui::win32 {
namespace {

struct Collector {
  HWND keep;
  std::vector<HWND>* windows;
};

BOOL CALLBACK CollectEnabled(HWND window, LPARAM param) {
  auto* collector = reinterpret_cast<Collector*>(param);
  if (window == collector->keep || !::IsWindowVisible(window) || !::IsWindowEnabled(window)) {
    return TRUE;
  }
  try {
    collector->windows->push_back(window);
  } catch (...) {
    return FALSE;  // no exception crosses the system's callback
  }
  return TRUE;
}

}  // namespace

DisabledTaskWindows::DisabledTaskWindows(HWND keep) {
  Collector collector{keep, &disabled_};
  ::EnumThreadWindows(::GetCurrentThreadId(), CollectEnabled, reinterpret_cast<LPARAM>(&collector));
  for (HWND window : disabled_) ::EnableWindow(window, FALSE);
}

DisabledTaskWindows::~DisabledTaskWindows() {
  for (auto it = disabled_.rbegin(); it != disabled_.rend(); ++it) {
    if (::IsWindow(*it)) ::EnableWindow(*it, TRUE);
  }
}

void CancelMouseCapture() {
  if (HWND holder = ::GetCapture()) ::SendMessageA(holder, WM_CANCELMODE, 0, 0);
  ::ReleaseCapture();
}

bool ActivateFirstOf(std::initializer_list<HWND> candidates) {
  for (HWND window : candidates) {
    if (window && ::IsWindow(window) && ::IsWindowVisible(window) && ::IsWindowEnabled(window)) {
      ::SetActiveWindow(window);
      return true;
    }
  }
  return false;
}

}  // namespace ktr::ui::win32
