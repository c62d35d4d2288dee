#pragma once
// Owners for the window and GDI handles of the toolkit backend, and scope
// guards for the calls that must be undone on every path (BeginPaint,
// SelectObject, SaveDC). Windows may destroy a window behind our back (its
// owner goes first), so a window owner can be released on WM_NCDESTROY.
#include <string>
#include <utility>

#include "platform/win32/unique_handle.h"

namespace ktr::ui::win32 {

using ktr::win32::UniqueResource;

struct WindowTraits {
  using pointer = HWND;
  static pointer Invalid() noexcept { return nullptr; }
  static bool IsValid(pointer h) noexcept { return h != nullptr; }
  static void Close(pointer h) noexcept { ::DestroyWindow(h); }
};

struct GdiObjectTraits {
  using pointer = HGDIOBJ;
  static pointer Invalid() noexcept { return nullptr; }
  static bool IsValid(pointer h) noexcept { return h != nullptr; }
  static void Close(pointer h) noexcept { ::DeleteObject(h); }
};

struct MemoryDcTraits {
  using pointer = HDC;
  static pointer Invalid() noexcept { return nullptr; }
  static bool IsValid(pointer h) noexcept { return h != nullptr; }
  static void Close(pointer h) noexcept { ::DeleteDC(h); }
};

using UniqueWindow = UniqueResource<WindowTraits>;
using GdiObject = UniqueResource<GdiObjectTraits>;
using MemoryDc = UniqueResource<MemoryDcTraits>;

// The object behind a window procedure. The handle is taken on WM_NCCREATE,
// so that the messages of creation already reach the object, and let go on
// WM_NCDESTROY, after which (and for a detached window) this gives null and
// the procedure leaves the message to DefWindowProc.
template <class T, UniqueWindow T::*Handle>
T* ObjectOfWindow(HWND window, UINT message, LPARAM l) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<T*>(reinterpret_cast<CREATESTRUCTA*>(l)->lpCreateParams);
    (self->*Handle).reset(window);
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<T*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self && message == WM_NCDESTROY) {
    ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    (self->*Handle).release();
    return nullptr;
  }
  return self;
}

// A registered window class, unregistered when the owner goes.
class WindowClass {
 public:
  WindowClass(std::string name, HINSTANCE instance) : name_(std::move(name)), instance_(instance) {}
  ~WindowClass() {
    if (instance_) ::UnregisterClassA(name_.c_str(), instance_);
  }
  WindowClass(WindowClass&& other) noexcept
      : name_(std::move(other.name_)), instance_(std::exchange(other.instance_, nullptr)) {}
  WindowClass& operator=(WindowClass&&) = delete;
  const std::string& name() const { return name_; }
  WindowClass(const WindowClass&) = delete;
  WindowClass& operator=(const WindowClass&) = delete;

 private:
  std::string name_;
  HINSTANCE instance_ = nullptr;
};

// The screen or a window's DC from GetDC, released with its window.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(::GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ::ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

class PaintScope {
 public:
  explicit PaintScope(HWND window) : window_(window) { dc_ = ::BeginPaint(window, &paint_); }
  ~PaintScope() { ::EndPaint(window_, &paint_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC dc() const { return dc_; }
  const RECT& area() const { return paint_.rcPaint; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

class SelectScope {
 public:
  SelectScope(HDC dc, HGDIOBJ object) : dc_(dc), old_(::SelectObject(dc, object)) {}
  ~SelectScope() {
    if (old_ && old_ != HGDI_ERROR) ::SelectObject(dc_, old_);
  }
  SelectScope(const SelectScope&) = delete;
  SelectScope& operator=(const SelectScope&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// Keeps clipping and other DC state local to one drawing step.
class SavedDc {
 public:
  explicit SavedDc(HDC dc) : dc_(dc), saved_(::SaveDC(dc)) {}
  ~SavedDc() {
    if (saved_) ::RestoreDC(dc_, saved_);
  }
  SavedDc(const SavedDc&) = delete;
  SavedDc& operator=(const SavedDc&) = delete;

 private:
  HDC dc_;
  int saved_;
};

}  // namespace ktr::ui::win32
