// The yardstick of the launcher's start-up: the least a program must do to
// show what the launcher shows first. One borderless 658 x 334 window,
// centred, painting one bitmap read from the medium with the system's own
// loader; no toolkit, no texts, no COM. Usage:
//
//   ktr_bare_window BITMAP
//
// BITMAP is a path, relative to the current directory as the launcher's skin
// paths are. Exit code 1 when the bitmap cannot be loaded.
#include <string>

#include "ui/win32/gdi.h"  // brings <windows.h> in the project's settings

namespace {

using ktr::ui::win32::GdiObject;
using ktr::ui::win32::MemoryDc;
using ktr::ui::win32::PaintScope;
using ktr::ui::win32::SelectScope;
using ktr::ui::win32::UniqueWindow;
using ktr::ui::win32::WindowClass;

constexpr int kWidth = 658;
constexpr int kHeight = 334;

GdiObject g_picture;
UniqueWindow g_window;

void Paint(HWND window) {
  PaintScope paint(window);
  MemoryDc source(CreateCompatibleDC(paint.dc()));
  if (!source) return;
  SelectScope select(source.get(), g_picture.get());
  BitBlt(paint.dc(), 0, 0, kWidth, kHeight, source.get(), 0, 0, SRCCOPY);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT:
      Paint(window);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the picture covers the whole window
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      g_window.release();  // the system has destroyed it
      break;
    default:
      break;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int show) {
  std::string path = command_line;
  if (path.size() >= 2 && path.front() == '"' && path.back() == '"') {
    path = path.substr(1, path.size() - 2);
  }
  g_picture.reset(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
  if (!g_picture) return 1;

  WNDCLASSA window_class{};
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
  window_class.lpszClassName = "KtrBareWindow";
  if (!RegisterClassA(&window_class)) return 1;
  const WindowClass registered(window_class.lpszClassName, instance);

  const int left = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
  g_window.reset(CreateWindowExA(0, registered.name().c_str(), "Bare window", WS_POPUP, left, top,
                                 kWidth, kHeight, nullptr, nullptr, instance, nullptr));
  if (!g_window) return 1;
  ShowWindow(g_window.get(), show);
  UpdateWindow(g_window.get());

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  g_picture.reset();
  return static_cast<int>(message.wParam);
}
