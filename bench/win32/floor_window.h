/* The window of the start-up floors (bare_window.c, required_floor.c): a
 * window class that paints one 658 x 334 picture over its whole client area
 * and ends the program when it goes, and the message loop. Included once per
 * program. */
#ifndef KTR_BENCH_FLOOR_WINDOW_H
#define KTR_BENCH_FLOOR_WINDOW_H

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string.h>

enum { kWidth = 658, kHeight = 334 };

static HBITMAP g_picture;

static void Paint(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  HDC source = CreateCompatibleDC(dc);
  if (source) {
    HGDIOBJ before = SelectObject(source, g_picture);
    BitBlt(dc, 0, 0, kWidth, kHeight, source, 0, 0, SRCCOPY);
    SelectObject(source, before);
    DeleteDC(source);
  }
  EndPaint(window, &paint);
}

static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT:
      Paint(window);
      return 0;
    case WM_ERASEBKGND:
      return 1; /* the picture covers the whole window */
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wparam, lparam);
  }
}

static BOOL RegisterFloorClass(HINSTANCE instance, const char* name) {
  WNDCLASSA window_class;
  memset(&window_class, 0, sizeof window_class);
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursor(NULL, IDC_ARROW);
  window_class.lpszClassName = name;
  return RegisterClassA(&window_class) != 0;
}

/* Until the window goes; the picture goes with it. */
static int RunFloor(void) {
  MSG message;
  message.wParam = 0;
  while (GetMessageA(&message, NULL, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  DeleteObject(g_picture);
  return (int)message.wParam;
}

#endif
