#include "ui/win32/win32_backend.h"

#include <algorithm>
#include <stdexcept>

#include "platform/errors.h"
#include "ui/win32/dpi.h"
#include "ui/win32/fonts.h"
#include "ui/win32/form_window.h"
#include "ui/win32/task_windows.h"

namespace ktr::ui::win32 {
namespace {

constexpr const char* kApplicationClass = "TApplication";
constexpr const char* kIconName = "MAINICON";
// Posted to the application window: activation that reached it (a click on
// the task-bar button) goes on to the form the user last worked in.
constexpr UINT kForwardActivation = WM_APP + 1;

HICON ProgramIcon(HINSTANCE instance, int size) {
  auto icon = static_cast<HICON>(
      ::LoadImageA(instance, kIconName, IMAGE_ICON, size, size, LR_DEFAULTCOLOR | LR_SHARED));
  return icon ? icon : ::LoadIconA(nullptr, MAKEINTRESOURCEA(32512));  // IDI_APPLICATION
}

// A class already registered (a second backend in one process) is used as
// it is and left registered.
WindowClass Register(const std::string& name, WNDPROC procedure, HINSTANCE instance, UINT style,
                     HICON large_icon, HICON small_icon) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  wc.style = style;
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  wc.hIcon = large_icon;
  wc.hIconSm = small_icon;
  wc.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  wc.lpszClassName = name.c_str();
  if (::RegisterClassExA(&wc)) return WindowClass(name, instance);
  const DWORD error = ::GetLastError();
  if (error == ERROR_CLASS_ALREADY_EXISTS) return WindowClass(name, nullptr);
  throw Error("Error creating window class " + name, error);
}

int StartupShowCommand() {
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  ::GetStartupInfoA(&startup);
  return (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWNORMAL;
}

// Off the virtual screen and without size: it stands for the program on the
// task bar and in Alt+Tab, but is never seen (Wine does not even map it).
POINT ApplicationWindowPlace() {
  return {::GetSystemMetrics(SM_XVIRTUALSCREEN) + ::GetSystemMetrics(SM_CXVIRTUALSCREEN) + 100,
          ::GetSystemMetrics(SM_YVIRTUALSCREEN) + ::GetSystemMetrics(SM_CYVIRTUALSCREEN) + 100};
}

}  // namespace

Win32Backend::Win32Backend()
    : instance_(::GetModuleHandleA(nullptr)),
      large_icon_(ProgramIcon(instance_, ::GetSystemMetrics(SM_CXICON))),
      small_icon_(ProgramIcon(instance_, ::GetSystemMetrics(SM_CXSMICON))),
      app_class_(Register(kApplicationClass, ApplicationProc, instance_, 0, large_icon_,
                          small_icon_)),
      startup_show_(StartupShowCommand()) {
  POINT at = ApplicationWindowPlace();
  HWND made =
      ::CreateWindowExA(0, kApplicationClass, "",
                        WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, at.x,
                        at.y, 0, 0, nullptr, nullptr, instance_, this);
  if (!made || !app_window_) throw Error("Error creating window", ::GetLastError());
}

Win32Backend::~Win32Backend() {
  if (app_window_) ::SetWindowLongPtrA(app_window_.get(), GWLP_USERDATA, 0);
}

LRESULT CALLBACK Win32Backend::ApplicationProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  Win32Backend* self = ObjectOfWindow<Win32Backend, &Win32Backend::app_window_>(window, message, l);
  if (!self) return ::DefWindowProcA(window, message, w, l);
  try {
    switch (message) {
      case WM_CLOSE:
        // Closing the program from its task-bar button closes the main form.
        if (self->app_ && self->app_->main_form()) self->app_->main_form()->close_requested();
        return 0;
      case WM_ACTIVATE:
        if (LOWORD(w) != WA_INACTIVE) ::PostMessageA(window, kForwardActivation, 0, 0);
        break;
      case WM_SIZE:
        // The forms go and come with the minimized program, as on Windows;
        // Wine does not hide owned windows with their owner by itself.
        if (w == SIZE_MINIMIZED) ::ShowOwnedPopups(window, FALSE);
        if (w == SIZE_RESTORED) ::ShowOwnedPopups(window, TRUE);
        break;
      case kForwardActivation: {
        HWND popup = ::GetLastActivePopup(window);
        if (popup == window || !ActivateFirstOf({popup})) {
          for (FormWindow* form : self->windows_) {
            if (ActivateFirstOf({form->hwnd()})) break;
          }
        }
        return 0;
      }
      default:
        break;
    }
  } catch (...) {
    self->report(std::current_exception());
    return 0;
  }
  return ::DefWindowProcA(window, message, w, l);
}

std::unique_ptr<FormPeer> Win32Backend::create_peer(Form& form) {
  app_ = &form.application();
  return std::make_unique<FormWindow>(*this, form);
}

void Win32Backend::title_changed(Application& app) {
  app_ = &app;
  ::SetWindowTextA(app_window_.get(), app.title().c_str());
}

std::uintptr_t Win32Backend::application_handle() const {
  return reinterpret_cast<std::uintptr_t>(app_window_.get());
}

void Win32Backend::register_form_class(const std::string& name) {
  for (const WindowClass& known : classes_) {
    if (known.name() == name) return;
  }
  // Double clicks arrive as such, so that their second press is no click.
  classes_.push_back(
      Register(name, FormWindow::Proc, instance_, CS_DBLCLKS, large_icon_, small_icon_));
}

void Win32Backend::attach(FormWindow& window) { windows_.push_back(&window); }

void Win32Backend::detach(FormWindow& window) {
  windows_.erase(std::remove(windows_.begin(), windows_.end(), &window), windows_.end());
  visibility_changed();
}

void Win32Backend::visibility_changed() {
  if (!app_window_) return;
  const bool any = std::any_of(windows_.begin(), windows_.end(),
                               [](const FormWindow* w) { return w->form().visible(); });
  if (any == (::IsWindowVisible(app_window_.get()) != FALSE)) return;
  ::SetWindowPos(app_window_.get(), nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE |
                     (any ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

int Win32Backend::first_show_command(const Form& form) {
  if (startup_show_taken_ || form.application().main_form() != &form) return SW_SHOW;
  startup_show_taken_ = true;
  switch (startup_show_) {
    case SW_SHOWMAXIMIZED:
      return SW_SHOWMAXIMIZED;
    case SW_SHOWMINNOACTIVE:
      minimize_after_show_ = true;
      return SW_SHOWNOACTIVATE;
    default:
      return SW_SHOW;
  }
}

// Started minimized, the program shows as a task-bar button only; the
// system hides the forms with their minimized owner and brings them back.
void Win32Backend::after_first_show(const Form&) {
  if (!minimize_after_show_) return;
  minimize_after_show_ = false;
  ::ShowWindow(app_window_.get(), SW_SHOWMINNOACTIVE);
}

void Win32Backend::report(std::exception_ptr error) noexcept {
  try {
    if (app_) app_->handle_exception(error);
  } catch (...) {
    // The report itself failed (no memory for a message box): nothing to add.
  }
}

FormWindow* Win32Backend::form_window_of(HWND window) const {
  HWND root = ::GetAncestor(window, GA_ROOT);
  for (FormWindow* form : windows_) {
    if (form->hwnd() == root) return form;
  }
  return nullptr;
}

void Win32Backend::dispatch(MSG& msg) {
  if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) {
    if (FormWindow* form = form_window_of(msg.hwnd); form && form->pretranslate(msg)) return;
  }
  ::TranslateMessage(&msg);
  ::DispatchMessageA(&msg);
}

void Win32Backend::run_message_loop(Application& app) {
  app_ = &app;
  MSG msg;
  while (!app.terminated()) {
    BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      app.terminate();
      break;
    }
    dispatch(msg);
  }
}

void Win32Backend::run_modal_loop(Form& form) {
  Application& app = form.application();
  app_ = &app;
  auto* window = dynamic_cast<FormWindow*>(form.peer());
  HWND self = window ? window->hwnd() : nullptr;
  HWND before = window ? window->previously_active() : nullptr;
  CancelMouseCapture();
  {
    DisabledTaskWindows others(self);
    MSG msg;
    while (form.modal_result() == kModalNone && !app.terminated()) {
      BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
      if (got == 0 || got == -1) {
        app.terminate();
        break;
      }
      dispatch(msg);
    }
  }
  // A modal form ends with 1 or 2; the end of the program counts as closing it.
  if (form.modal_result() == kModalNone) form.set_modal_result(kModalCancel);
  HWND owner = form.owner() ? reinterpret_cast<HWND>(form.owner()->native_handle()) : nullptr;
  ActivateFirstOf({owner, before});
}

void Win32Backend::process_messages() {
  MSG msg;
  while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      if (app_) app_->terminate();
      break;
    }
    dispatch(msg);
  }
}

HCURSOR Win32Backend::CursorHandle(Cursor cursor) {
  const char* id = MAKEINTRESOURCEA(32512);                        // IDC_ARROW
  if (cursor == Cursor::kHandPoint) id = MAKEINTRESOURCEA(32649);  // IDC_HAND
  if (cursor == Cursor::kHourGlass) id = MAKEINTRESOURCEA(32514);  // IDC_WAIT
  HCURSOR handle = ::LoadCursorA(nullptr, id);
  return handle ? handle : ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
}

// Back to the default shape: the window under the pointer chooses again, as
// on a mouse move; any other shape is set at once.
void Win32Backend::set_screen_cursor(Cursor cursor) {
  if (cursor == Cursor::kDefault) {
    POINT at;
    ::GetCursorPos(&at);
    HWND under = ::WindowFromPoint(at);
    if (under && ::GetWindowThreadProcessId(under, nullptr) == ::GetCurrentThreadId()) {
      LRESULT hit = ::SendMessageA(under, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y));
      ::SendMessageA(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under),
                     MAKELPARAM(hit, WM_MOUSEMOVE));
      return;
    }
  }
  ::SetCursor(CursorHandle(cursor));
}

int Win32Backend::message_box(Form* owner, const std::string& text, const std::string& caption,
                              unsigned style) {
  HWND active = ::GetActiveWindow();
  HWND owner_window = owner ? reinterpret_cast<HWND>(owner->native_handle()) : active;
  if (!owner_window) owner_window = app_window_.get();
  return ShowMessageBox(owner_window, active, text, caption, style);
}

int Win32Backend::application_message_box(const std::string& text, const std::string& caption,
                                          unsigned style) {
  return ShowMessageBox(app_window_.get(), ::GetActiveWindow(), text, caption, style);
}

int Win32Backend::ShowMessageBox(HWND owner_window, HWND active, const std::string& text,
                                 const std::string& caption, unsigned style) {
  int answer;
  {
    // The other windows stay out of reach while the box waits for an answer.
    CancelMouseCapture();
    DisabledTaskWindows others(nullptr);
    answer = ::MessageBoxA(owner_window, text.c_str(), caption.c_str(), style);
  }
  ActivateFirstOf({active});
  return answer;
}

Font Win32Backend::icon_title_font() {
  LOGFONTA log_font{};
  if (!::SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof(log_font), &log_font, 0)) {
    return Font{};
  }
  // Forms are laid out at 96 DPI; each window scales its font again.
  log_font.lfHeight = LayoutFontHeight(log_font.lfHeight);
  return FontOf(log_font);
}

}  // namespace ktr::ui::win32
