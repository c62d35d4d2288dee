#include "ui/win32/form_window.h"

#include <algorithm>
#include <new>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "platform/errors.h"
#include "ui/win32/dpi.h"
#include "ui/win32/painter.h"
#include "ui/win32/win32_backend.h"

namespace ktr::ui::win32 {
namespace {

constexpr WORD kKoreanLanguage = 0x0412;

DWORD StyleOf(const Form& form) {
  if (form.border_style == BorderStyle::kDialog) {
    return WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  }
  return WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
}

DWORD ExStyleOf(const Form& form) {
  return form.border_style == BorderStyle::kDialog ? WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE : 0;
}

Key KeyOf(WPARAM virtual_key) {
  switch (virtual_key) {
    case VK_TAB:
      return Key::kTab;
    case VK_RETURN:
      return Key::kReturn;
    case VK_SPACE:
      return Key::kSpace;
    case VK_ESCAPE:
      return Key::kEscape;
    case VK_LEFT:
      return Key::kLeft;
    case VK_UP:
      return Key::kUp;
    case VK_RIGHT:
      return Key::kRight;
    case VK_DOWN:
      return Key::kDown;
    default:
      return Key::kOther;
  }
}

// The window size that gives the form its client size at a scale.
SIZE FrameSize(const Form& form, const Scale& scale) {
  RECT r{0, 0, scale.px(form.client_width), scale.px(form.client_height)};
  AdjustFrame(r, StyleOf(form), ExStyleOf(form), scale);
  return {r.right - r.left, r.bottom - r.top};
}

POINT CentreOnScreen(SIZE size) {
  return {(::GetSystemMetrics(SM_CXSCREEN) - size.cx) / 2,
          (::GetSystemMetrics(SM_CYSCREEN) - size.cy) / 2};
}

// A fixed-size dialog frame keeps only Move and Close in its system menu.
void TrimSystemMenu(HWND window) {
  HMENU menu = ::GetSystemMenu(window, FALSE);
  if (!menu) return;
  for (UINT item : {SC_RESTORE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE}) {
    ::DeleteMenu(menu, item, MF_BYCOMMAND);
  }
}

// Twice what the window shows at once at its scale (the background and
// what lies over it, and the pictures of another highlight): 6.7 MiB at
// 200 % and 41.9 MiB at 500 % for the 658 x 334 windows, nothing at 100 %.
std::size_t ScaledPicturesBudget(const Form& form, const Scale& scale) {
  if (scale.unit()) return 0;
  const std::size_t width = static_cast<std::size_t>(std::max(1, scale.px(form.client_width)));
  const std::size_t height = static_cast<std::size_t>(std::max(1, scale.px(form.client_height)));
  return 2 * width * height * sizeof(std::uint32_t);
}

int XOf(LPARAM l) { return static_cast<short>(LOWORD(l)); }
int YOf(LPARAM l) { return static_cast<short>(HIWORD(l)); }

}  // namespace

FormWindow::FormWindow(Win32Backend& backend, Form& form)
    : backend_(backend), form_(form), scale_(SystemScale()) {
  backend_.register_form_class(form.class_name());
  SIZE size = FrameSize(form, scale_);
  POINT at = CentreOnScreen(size);
  HWND made = ::CreateWindowExA(ExStyleOf(form), form.class_name(), form.caption().c_str(),
                                StyleOf(form), at.x, at.y, size.cx, size.cy,
                                backend_.application_window(), nullptr, backend_.instance(), this);
  if (!made || !window_) throw Error("Error creating window", ::GetLastError());
  if (form.border_style == BorderStyle::kDialog) TrimSystemMenu(hwnd());
  // Opened on a monitor of another scale than the system's: take its own.
  if (Scale monitor = WindowScale(hwnd()); monitor != scale_) {
    scale_ = monitor;
    SIZE scaled = FrameSize(form, scale_);
    ::SetWindowPos(hwnd(), nullptr, 0, 0, scaled.cx, scaled.cy,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  children_.set_scale(scale_);
  pictures_.set_budget(ScaledPicturesBudget(form_, scale_));
  backend_.attach(*this);
  sync_font();
  make_children();
}

FormWindow::~FormWindow() {
  accessible_.disconnect();
  backend_.detach(*this);
  if (window_) ::SetWindowLongPtrA(hwnd(), GWLP_USERDATA, 0);
  restore_input();
  children_.clear();
  window_.reset();
}

LRESULT CALLBACK FormWindow::Proc(HWND window, UINT message, WPARAM w, LPARAM l) {
  FormWindow* self = ObjectOfWindow<FormWindow, &FormWindow::window_>(window, message, l);
  if (!self) return ::DefWindowProcA(window, message, w, l);
  try {
    return self->handle(message, w, l);
  } catch (...) {
    self->backend_.report(std::current_exception());
    return 0;
  }
}

LRESULT FormWindow::handle(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // the paint covers every pixel
    case WM_PAINT: {
      PaintScope paint(hwnd());
      render(paint.dc(), paint.area(), std::exchange(just_shown_, false));
      return 0;
    }
    case WM_PRINTCLIENT: {
      RECT client;
      ::GetClientRect(hwnd(), &client);
      render(reinterpret_cast<HDC>(w), client, false);
      return 0;
    }
    case WM_MOUSEMOVE:
      form_.mouse_move(scale_.layout(XOf(l)), scale_.layout(YOf(l)));
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      button_down(scale_.layout(XOf(l)), scale_.layout(YOf(l)), message == WM_LBUTTONDBLCLK);
      return 0;
    case WM_LBUTTONUP:
      button_up(scale_.layout(XOf(l)), scale_.layout(YOf(l)));
      return 0;
    case kDpiChangedMessage:
      dpi_changed(HIWORD(w), reinterpret_cast<const RECT*>(l));
      return 0;
    case WM_CAPTURECHANGED:
      pressed_ = nullptr;
      return 0;
    case WM_SETCURSOR:
      if (set_cursor(reinterpret_cast<HWND>(w), static_cast<short>(LOWORD(l)))) return TRUE;
      break;
    case WM_COMMAND:
      command(w, l);
      return 0;
    case WM_ACTIVATE:
      activated(LOWORD(w) != WA_INACTIVE);
      if (LOWORD(w) != WA_INACTIVE && !children_.empty()) return 0;
      break;
    case WM_KEYDOWN:
      form_.key_down(KeyOf(w), ::GetKeyState(VK_SHIFT) < 0);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      form_.keyboard_focus_changed(message == WM_SETFOCUS);
      break;
    case WM_GETOBJECT:
      if (std::optional<LRESULT> answer = accessible_.get_object(hwnd(), w, l)) return *answer;
      break;
    case kAccessiblePressMessage:
      form_.accessible_press(static_cast<int>(w));
      return 0;
    case WM_DESTROY:
      accessible_.disconnect();
      break;
    case WM_CLOSE:
      form_.close_requested();
      return 0;
    case WM_WINDOWPOSCHANGED:
      // However it came to be shown (by the form, or again with the program
      // restored): changes made while hidden were not passed on (see
      // invalidate), and nothing of it is on the screen yet.
      if (reinterpret_cast<const WINDOWPOS*>(l)->flags & SWP_SHOWWINDOW) {
        just_shown_ = true;
        if (std::exchange(changed_while_hidden_, false)) ::InvalidateRect(hwnd(), nullptr, FALSE);
      }
      break;
    default:
      break;
  }
  return ::DefWindowProcA(hwnd(), message, w, l);
}

void FormWindow::render(HDC target, const RECT& area, bool just_shown) {
  sync_font();
  RECT client;
  ::GetClientRect(hwnd(), &client);
  // Nothing of a window just shown is on the screen yet, so drawing straight
  // to it shows no half-drawn frame; the buffer waits for the first change,
  // and a window that never changes never needs its memory.
  if (just_shown && area.left <= 0 && area.top <= 0 && area.right >= client.right &&
      area.bottom >= client.bottom && !NeedsBackBuffer(form_)) {
    PaintForm(form_, font_.get(), Canvas{target, client.right, client.bottom},
              {scale_, &pictures_});
    return;
  }
  if (!buffer_ || !buffer_->valid() || buffer_->width() != std::max<int>(client.right, 1) ||
      buffer_->height() != std::max<int>(client.bottom, 1)) {
    buffer_.reset();  // the old one goes before the new one is made
    buffer_ = std::make_unique<BackBuffer>(target, client.right, client.bottom);
  }
  if (!buffer_->valid()) {
    ::FillRect(target, &area, ::GetSysColorBrush(COLOR_BTNFACE));
    return;
  }
  PaintForm(form_, font_.get(), *buffer_, {scale_, &pictures_});
  ::BitBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top,
           buffer_->dc(), area.left, area.top, SRCCOPY);
}

// An edit box is named by its label, which is painted and no window the
// system could name it after.
void FormWindow::make_children() {
  children_.create_missing(hwnd(), form_, font_.get());
  for (const auto& control : form_.controls()) {
    if (control->kind() != ControlKind::kMemo) continue;
    if (NativeChildren::Child* child = children_.find(*control)) {
      accessible_.name_native_child(child->window.get(), *control);
    }
  }
}

void FormWindow::sync_font() {
  if (auto previous = font_.update(form_.font(), scale_)) children_.set_font(font_.get());
}

// Moved to a monitor of another scale (or the scale changed under it): the
// system suggests the new frame, and everything is drawn again at the scale.
void FormWindow::dpi_changed(int dpi, const RECT* suggested) {
  Scale scale(dpi);
  if (scale == scale_) return;
  scale_ = scale;
  pictures_.clear();
  pictures_.set_budget(ScaledPicturesBudget(form_, scale_));
  if (suggested) {
    ::SetWindowPos(hwnd(), nullptr, suggested->left, suggested->top,
                   suggested->right - suggested->left, suggested->bottom - suggested->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    SIZE size = FrameSize(form_, scale_);
    ::SetWindowPos(hwnd(), nullptr, 0, 0, size.cx, size.cy,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  sync_font();
  children_.set_scale(scale_);
  ::InvalidateRect(hwnd(), nullptr, FALSE);
}

// A window made centred is usually still there; moving it to where it is
// would cost a round of position messages at every first show.
void FormWindow::centre() {
  RECT frame;
  ::GetWindowRect(hwnd(), &frame);
  POINT at = CentreOnScreen({frame.right - frame.left, frame.bottom - frame.top});
  if (at.x == frame.left && at.y == frame.top) return;
  ::SetWindowPos(hwnd(), nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormWindow::show() {
  if (!window_) return;
  sync_font();
  make_children();
  if (!centred_) {
    centre();
    centred_ = true;
  }
  previously_active_ = ::GetActiveWindow();
  const bool first = !shown_before_;
  shown_before_ = true;
  const int command = first ? backend_.first_show_command(form_) : SW_SHOW;
  ::ShowWindow(hwnd(), command);
  backend_.visibility_changed();
  if (first) backend_.after_first_show(form_);
  // A window shown again after an installer ended is not the foreground
  // one by itself, and a screen reader follows only the foreground window.
  // The program's first window gets the foreground from the system that
  // started the program.
  const bool starting = first && form_.application().main_form() == &form_;
  if (!starting && command != SW_SHOWNOACTIVATE && ::GetForegroundWindow() != hwnd()) {
    ::SetForegroundWindow(hwnd());
  }
  // A form with an edit box or buttons opens with the focus on the lowest
  // tab order; one shown again gets back the child it had; a skinned one
  // takes the keyboard itself.
  if (HWND child = last_focus_ ? last_focus_ : children_.first_tab_stop()) {
    ::SetFocus(child);
  } else if (command != SW_SHOWNOACTIVATE && ::GetFocus() != hwnd()) {
    ::SetFocus(hwnd());
  }
  ::UpdateWindow(hwnd());
}

// A hidden window keeps no scaled copies: only the windows on the screen
// hold any (the client installation menu and the Ghost window over it at
// most), and a window shown again makes its copies at its first paint.
void FormWindow::hide() {
  if (!window_) return;
  pictures_.clear();
  ::ShowWindow(hwnd(), SW_HIDE);
  backend_.visibility_changed();
}

void FormWindow::invalidate(const Rect& area) {
  if (!window_) return;
  // A hidden window is drawn whole when it is shown; telling the system of
  // every change before that (a skin of a dozen pictures loaded at creation)
  // costs a round trip each under Wine and gains nothing.
  if (!::IsWindowVisible(hwnd())) {
    changed_while_hidden_ = true;
    return;
  }
  const Rect shown = scale_.px(area);
  RECT r{shown.left, shown.top, shown.left + shown.width, shown.top + shown.height};
  ::InvalidateRect(hwnd(), &r, FALSE);
}

void FormWindow::caption_changed() {
  if (window_) ::SetWindowTextA(hwnd(), form_.caption().c_str());
}

void FormWindow::control_changed(Control& control) {
  if (!window_) return;
  if (control.kind() == ControlKind::kMemo || control.kind() == ControlKind::kButton) {
    sync_font();
    make_children();
    children_.update(control, font_.get());
  } else {
    invalidate(control.bounds());
  }
}

// Made now, so that a copy that finds no memory is the window's broken
// picture (InvalidGraphic from set_picture) rather than an error box at
// every repaint. A hidden window makes its copies when it is painted.
void FormWindow::picture_set(const Image& image) {
  if (!window_ || scale_.unit() || !::IsWindowVisible(hwnd()) || !image.visible()) return;
  const Picture& picture = image.picture();
  if (!picture || picture->width <= 0 || picture->height <= 0) return;
  const auto [width, height] = ShownPart(image, *picture);
  if (width <= 0 || height <= 0) return;
  try {
    pictures_.get(picture, scale_, image.transparent, width, height);
  } catch (const std::bad_alloc&) {
    throw InvalidGraphic("Not enough memory to show the picture at the display's scale");
  }
}

void FormWindow::focus(Control& control) {
  if (NativeChildren::Child* child = children_.find(control)) ::SetFocus(child->window.get());
}

void FormWindow::accessible_event(AccessibleEvent event, int child) {
  accessible_.event(hwnd(), event, child);
}

std::uintptr_t FormWindow::native_handle() const {
  return reinterpret_cast<std::uintptr_t>(hwnd());
}

// As the dialog manager would, with the rules of our forms: no default and
// no cancel button, so Enter presses only a focused button (in the memo it
// starts a new line) and Escape presses nothing; Tab walks the tab order.
bool FormWindow::pretranslate(MSG& msg) {
  if (children_.empty() || !window_) return false;
  NativeChildren::Child* target = children_.find(msg.hwnd);
  const bool in_memo = target && target->control->kind() == ControlKind::kMemo;
  if (msg.message == WM_KEYDOWN) {
    switch (msg.wParam) {
      case VK_ESCAPE:
        return true;
      case VK_RETURN:
        if (target && !in_memo) {
          press(*target);
          return true;
        }
        if (in_memo && !static_cast<const Memo&>(*target->control).want_return) return true;
        return false;
      case VK_TAB:
        if (::GetKeyState(VK_CONTROL) < 0) break;
        if (HWND next = ::GetNextDlgTabItem(hwnd(), ::GetFocus(), ::GetKeyState(VK_SHIFT) < 0)) {
          ::SetFocus(next);
        }
        return true;
      default:
        break;
    }
  }
  // Typing in the memo, the input method's composition included, goes
  // straight to it; the dialog manager sees Alt+letter (access keys)
  // everywhere and the keys of the buttons.
  const bool system_key = msg.message == WM_SYSCHAR || msg.message == WM_SYSKEYDOWN;
  if (in_memo && !system_key) return false;
  return ::IsDialogMessageA(hwnd(), &msg) != FALSE;
}

void FormWindow::press(NativeChildren::Child& child) {
  try {
    child.control->click();
  } catch (...) {
    form_.application().handle_exception(std::current_exception());
  }
}

void FormWindow::command(WPARAM w, LPARAM l) {
  NativeChildren::Child* child = children_.find(reinterpret_cast<HWND>(l));
  if (!child) return;  // IDOK/IDCANCEL from the dialog manager: no such buttons
  switch (HIWORD(w)) {
    case BN_CLICKED:
      if (child->control->kind() == ControlKind::kButton) press(*child);
      break;
    case BN_SETFOCUS:
    case BN_KILLFOCUS:
      // The focused button is drawn as the one Enter presses; there is no
      // default button otherwise.
      if (child->control->kind() == ControlKind::kButton) {
        ::SendMessageA(child->window.get(), BM_SETSTYLE,
                       HIWORD(w) == BN_SETFOCUS ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
      }
      break;
    case EN_CHANGE:
      if (child->control->kind() == ControlKind::kMemo && !children_.pushing_text()) {
        static_cast<Memo&>(*child->control)
            .text_edited(NativeChildren::WindowText(child->window.get()));
      }
      break;
    case EN_SETFOCUS:
      if (child->control->kind() == ControlKind::kMemo &&
          !static_cast<const Memo&>(*child->control).ime_name.empty()) {
        prefer_korean_input();
      }
      break;
    case EN_KILLFOCUS:
      if (child->control->kind() == ControlKind::kMemo) restore_input();
      break;
    default:
      break;
  }
}

// The busy pointer set for the whole screen wins over every control's own.
bool FormWindow::set_cursor(HWND over, int hit) {
  if (hit != HTCLIENT) return false;
  Cursor screen = form_.application().screen_cursor();
  if (screen != Cursor::kDefault) {
    ::SetCursor(Win32Backend::CursorHandle(screen));
    return true;
  }
  if (over != hwnd()) return false;  // a child keeps its own (the edit's I-beam)
  POINT at;
  ::GetCursorPos(&at);
  ::ScreenToClient(hwnd(), &at);
  ::SetCursor(Win32Backend::CursorHandle(form_.cursor_at(scale_.layout(at.x), scale_.layout(at.y))));
  return true;
}

// A double click counts as one click: its second press starts none, so a
// quick double click on an entry does not start its program twice.
void FormWindow::button_down(int x, int y, bool double_click) {
  ::SetCapture(hwnd());
  pressed_ = double_click ? nullptr : form_.control_at(x, y);
}

void FormWindow::button_up(int x, int y) {
  Control* pressed = std::exchange(pressed_, nullptr);
  if (::GetCapture() == hwnd()) ::ReleaseCapture();
  if (pressed && form_.control_at(x, y) == pressed) form_.mouse_click(x, y);
}

void FormWindow::activated(bool active) {
  if (children_.empty()) return;
  if (!active) {
    HWND focus = ::GetFocus();
    if (children_.find(focus)) last_focus_ = focus;
    return;
  }
  HWND child = last_focus_ ? last_focus_ : children_.first_tab_stop();
  if (child && ::IsWindowEnabled(child) && ::IsWindowVisible(child)) {
    ::SetFocus(child);
  } else {
    ::SetFocus(hwnd());
  }
}

// Best effort: switches to a Korean layout the user already has installed,
// and back on leaving; a system without one keeps its layout.
void FormWindow::prefer_korean_input() {
  int count = ::GetKeyboardLayoutList(0, nullptr);
  if (count <= 0) return;
  std::vector<HKL> layouts(static_cast<std::size_t>(count));
  count = ::GetKeyboardLayoutList(count, layouts.data());
  HKL current = ::GetKeyboardLayout(0);
  for (int i = 0; i < count; ++i) {
    HKL layout = layouts[static_cast<std::size_t>(i)];
    if (LOWORD(reinterpret_cast<UINT_PTR>(layout)) != kKoreanLanguage) continue;
    if (layout != current && ::ActivateKeyboardLayout(layout, 0)) {
      if (!restore_layout_) restore_layout_ = current;
    }
    return;
  }
}

void FormWindow::restore_input() {
  if (!restore_layout_) return;
  ::ActivateKeyboardLayout(std::exchange(restore_layout_, nullptr), 0);
}

}  // namespace ktr::ui::win32
