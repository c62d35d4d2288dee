#include "ui/win32/dpi.h"

namespace ktr::ui::win32 {
namespace {

template <class Fn>
Fn User32Function(const char* name) {
  HMODULE user32 = ::GetModuleHandleA("user32.dll");
  FARPROC found = user32 ? ::GetProcAddress(user32, name) : nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(found));
}

}  // namespace

// A program learns the system-wide scale at its start; it cannot change
// without a new sign-in.
Scale SystemScale() {
  static const Scale system = [] {
    WindowDc screen(nullptr);
    return Scale(screen.get() ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : kLayoutDpi);
  }();
  return system;
}

Scale WindowScale(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto get_dpi = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
  if (get_dpi && window) {
    if (UINT dpi = get_dpi(window)) return Scale(static_cast<int>(dpi));
  }
  return SystemScale();
}

void AdjustFrame(RECT& rect, DWORD style, DWORD ex_style, const Scale& scale) {
  using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  static const auto adjust = User32Function<AdjustForDpiFn>("AdjustWindowRectExForDpi");
  if (adjust && adjust(&rect, style, FALSE, ex_style, static_cast<UINT>(scale.dpi()))) return;
  ::AdjustWindowRectEx(&rect, style, FALSE, ex_style);
}

int LayoutFontHeight(int system_height) {
  return SystemScale().layout_font_height(system_height);
}

}  // namespace ktr::ui::win32
