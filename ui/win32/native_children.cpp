#include "ui/win32/native_children.h"

#include <commctrl.h>

#include <algorithm>

namespace ktr::ui::win32 {
namespace {

// Clear of IDOK and IDCANCEL, which the dialog manager sends on its own.
constexpr int kFirstChildId = 100;

// Themed (common controls 6) buttons and edit boxes, as the manifest asks.
// The library is loaded when the first native child is made, not at start:
// only the notice dialog has any, and the main menu should come up fast.
// Loaded through the process's activation context, the name gives version 6.
// It is the one library loaded by its bare name: the name is resolved in the
// side-by-side assembly that the manifest names before any folder is
// searched (and a program with a manifest gets no .local redirection),
// while a full path would pass the assembly by and give the system folder's
// version 5.
void EnsureCommonControls() {
  static const HMODULE library = [] {
    HMODULE module = ::LoadLibraryA("comctl32.dll");
    using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    using InitOldFn = void(WINAPI*)();
    FARPROC init = module ? ::GetProcAddress(module, "InitCommonControlsEx") : nullptr;
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    if (!init || !reinterpret_cast<InitFn>(reinterpret_cast<void (*)()>(init))(&controls)) {
      FARPROC old = module ? ::GetProcAddress(module, "InitCommonControls") : nullptr;
      if (old) reinterpret_cast<InitOldFn>(reinterpret_cast<void (*)()>(old))();
    }
    return module;
  }();
  (void)library;
}

HWND CreateMemo(HWND parent, const Memo& memo, const Rect& b, int id) {
  DWORD style = WS_CHILD | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_NOHIDESEL;
  if (memo.vertical_scroll_bar) style |= WS_VSCROLL;
  if (memo.want_return) style |= ES_WANTRETURN;
  if (!memo.word_wrap) style |= ES_AUTOHSCROLL | WS_HSCROLL;
  HWND window = ::CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", style, b.left, b.top, b.width,
                                  b.height, parent, reinterpret_cast<HMENU>(INT_PTR{id}),
                                  ::GetModuleHandleA(nullptr), nullptr);
  // The default limit of 30,000 characters would cut a long notice short.
  if (window) ::SendMessageA(window, EM_LIMITTEXT, 0, 0);
  return window;
}

HWND CreateButton(HWND parent, const Rect& b, int id) {
  return ::CreateWindowExA(
      0, "BUTTON", "", WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON | BS_NOTIFY, b.left, b.top, b.width,
      b.height, parent, reinterpret_cast<HMENU>(INT_PTR{id}), ::GetModuleHandleA(nullptr), nullptr);
}

}  // namespace

std::string NativeChildren::WindowText(HWND window) {
  int length = ::GetWindowTextLengthA(window);
  if (length <= 0) return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  int copied = ::GetWindowTextA(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(copied, 0)));
  return text;
}

void NativeChildren::create_missing(HWND parent, const Form& form, HFONT font) {
  const bool has_native = std::any_of(form.controls().begin(), form.controls().end(), [](auto& c) {
    return c->kind() == ControlKind::kMemo || c->kind() == ControlKind::kButton;
  });
  if (has_native) EnsureCommonControls();
  bool made = false;
  int id = kFirstChildId + static_cast<int>(children_.size());
  for (const auto& control : form.controls()) {
    if (find(*control)) continue;
    HWND window = nullptr;
    int tab_order = 0;
    if (control->kind() == ControlKind::kMemo) {
      const auto& memo = static_cast<const Memo&>(*control);
      window = CreateMemo(parent, memo, scale_.px(memo.bounds()), id);
      tab_order = memo.tab_order;
    } else if (control->kind() == ControlKind::kButton) {
      const auto& button = static_cast<const Button&>(*control);
      window = CreateButton(parent, scale_.px(button.bounds()), id);
      tab_order = button.tab_order;
    } else {
      continue;
    }
    if (!window) continue;
    ++id;
    children_.push_back({control.get(), UniqueWindow(window), Rect{}, tab_order});
    made = true;
  }
  if (!made) return;
  // The dialog manager walks the children in Z order, so Z order is tab order.
  std::stable_sort(children_.begin(), children_.end(),
                   [](const Child& a, const Child& b) { return a.tab_order < b.tab_order; });
  HWND previous = HWND_TOP;
  for (Child& child : children_) {
    ::SetWindowPos(child.window.get(), previous, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    previous = child.window.get();
    update(child, font);
  }
}

NativeChildren::Child* NativeChildren::find(HWND window) {
  for (Child& child : children_) {
    if (child.window.get() == window) return &child;
  }
  return nullptr;
}

NativeChildren::Child* NativeChildren::find(const Control& control) {
  for (Child& child : children_) {
    if (child.control == &control) return &child;
  }
  return nullptr;
}

HWND NativeChildren::first_tab_stop() const {
  for (const Child& child : children_) {
    if (child.control->visible() && child.control->enabled()) return child.window.get();
  }
  return nullptr;
}

void NativeChildren::update(const Control& control, HFONT font) {
  if (Child* child = find(control)) update(*child, font);
}

void NativeChildren::set_font(HFONT font) {
  for (Child& child : children_) {
    ::SendMessageA(child.window.get(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
}

void NativeChildren::set_scale(const Scale& scale) {
  if (scale == scale_) return;
  scale_ = scale;
  for (Child& child : children_) {
    const Rect b = scale_.px(child.control->bounds());
    ::SetWindowPos(child.window.get(), nullptr, b.left, b.top, b.width, b.height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    child.bounds = b;
  }
}

void NativeChildren::update(Child& child, HFONT font) {
  HWND window = child.window.get();
  const Control& control = *child.control;
  if (const Rect b = scale_.px(control.bounds()); child.bounds != b) {
    ::SetWindowPos(window, nullptr, b.left, b.top, b.width, b.height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    child.bounds = b;
  }
  if (reinterpret_cast<HFONT>(::SendMessageA(window, WM_GETFONT, 0, 0)) != font) {
    ::SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
  const std::string& text = control.kind() == ControlKind::kMemo
                                ? static_cast<const Memo&>(control).text()
                                : static_cast<const Button&>(control).caption();
  if (WindowText(window) != text) {
    pushing_text_ = true;
    ::SetWindowTextA(window, text.c_str());
    pushing_text_ = false;
  }
  if ((::IsWindowEnabled(window) != FALSE) != control.enabled()) {
    ::EnableWindow(window, control.enabled() ? TRUE : FALSE);
  }
  bool shown = (::GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE) != 0;
  if (shown != control.visible()) ::ShowWindow(window, control.visible() ? SW_SHOWNA : SW_HIDE);
}

}  // namespace ktr::ui::win32
