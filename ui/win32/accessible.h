#pragma once
// A form window's face to screen readers: the IAccessible that answers
// WM_GETOBJECT for its client area with the model's accessible answers, and
// the model's changes passed on as WinEvents. Active Accessibility is loaded
// at the first request, never at start-up, and a system without it simply
// gets no answer.
#include <memory>
#include <optional>
#include <vector>

#include "ui/scale.h"
#include "ui/toolkit.h"
#include "ui/win32/gdi.h"

namespace ktr::ui::win32 {

class FormAccessible;
class ChildAccessible;

// Posted to a form window: a screen reader pressed the child (wParam).
inline constexpr UINT kAccessiblePressMessage = WM_APP + 2;

class AccessibleWindow {
 public:
  // The scale is the window's, read at every question (it changes with the
  // monitor the window is on).
  AccessibleWindow(Form& form, const Scale& scale);
  ~AccessibleWindow();
  AccessibleWindow(const AccessibleWindow&) = delete;
  AccessibleWindow& operator=(const AccessibleWindow&) = delete;

  // The answer to WM_GETOBJECT; nothing for what the default procedure
  // answers (the window's frame, its caret, a system without oleacc).
  std::optional<LRESULT> get_object(HWND window, WPARAM w, LPARAM l);
  void event(HWND window, AccessibleEvent event, int child) const;
  // A native child (the notice dialog's edit box) that the system would
  // name after a label window it does not have: it answers for itself with
  // the system's object for it, named as the model names its control.
  void name_native_child(HWND child, const Control& control);
  // The window goes: screen readers holding the object get an error from
  // now on instead of a call into a form that is no more.
  void disconnect();

 private:
  struct NamedChild {
    AccessibleWindow* owner;
    const Control* control;
    WNDPROC original;
    ChildAccessible* object;
  };
  static LRESULT CALLBACK NamedChildProc(HWND window, UINT message, WPARAM w, LPARAM l);
  std::optional<LRESULT> child_object(NamedChild& named, HWND window, WPARAM w);

  Form& form_;
  const Scale& scale_;
  FormAccessible* object_ = nullptr;
  std::vector<std::unique_ptr<NamedChild>> named_;
};

}  // namespace ktr::ui::win32
