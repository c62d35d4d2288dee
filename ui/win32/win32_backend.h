#pragma once
// The window toolkit on the Windows API. One native top-level window per
// form, all owned by an application window that stands for the program on
// the task bar; GDI painting through a back buffer; the message loop, nested
// modal loops, message boxes and the pointer shapes. It draws and forwards
// events only: hit-testing, modal results and the error report are the
// model's (ui/toolkit.h).
#include <exception>
#include <string>
#include <vector>

#include "ui/toolkit.h"
#include "ui/win32/gdi.h"

namespace ktr::ui::win32 {

class FormWindow;

class Win32Backend : public Backend {
 public:
  Win32Backend();
  ~Win32Backend() override;
  Win32Backend(const Win32Backend&) = delete;
  Win32Backend& operator=(const Win32Backend&) = delete;

  std::unique_ptr<FormPeer> create_peer(Form& form) override;
  void title_changed(Application& app) override;
  void run_message_loop(Application& app) override;
  void run_modal_loop(Form& form) override;
  void process_messages() override;
  void set_screen_cursor(Cursor cursor) override;
  int message_box(Form* owner, const std::string& text, const std::string& caption,
                  unsigned style) override;
  int application_message_box(const std::string& text, const std::string& caption,
                              unsigned style) override;
  Font icon_title_font() override;
  std::uintptr_t application_handle() const override;

  // What the form windows share.
  HINSTANCE instance() const { return instance_; }
  HWND application_window() const { return app_window_.get(); }
  // Registers the window class of a form's class name once.
  void register_form_class(const std::string& name);
  void attach(FormWindow& window);
  void detach(FormWindow& window);
  // The task-bar window is visible exactly while some form is.
  void visibility_changed();
  // How the main form is shown the first time: the start-up request of the
  // process (maximized or minimized) applies to it alone.
  int first_show_command(const Form& form);
  void after_first_show(const Form& form);
  // The default error report for whatever reaches a window procedure.
  void report(std::exception_ptr error) noexcept;

  static HCURSOR CursorHandle(Cursor cursor);

 private:
  int ShowMessageBox(HWND owner_window, HWND active, const std::string& text,
                     const std::string& caption, unsigned style);
  void dispatch(MSG& msg);
  FormWindow* form_window_of(HWND window) const;
  static LRESULT CALLBACK ApplicationProc(HWND window, UINT message, WPARAM w, LPARAM l);

  HINSTANCE instance_;
  // The program's icon in the two sizes every window class gets, loaded
  // once: each load finds the resource and makes an icon again.
  HICON large_icon_;
  HICON small_icon_;
  Application* app_ = nullptr;
  std::vector<WindowClass> classes_;
  std::vector<FormWindow*> windows_;
  WindowClass app_class_;
  UniqueWindow app_window_;
  int startup_show_ = SW_SHOWNORMAL;
  bool startup_show_taken_ = false;
  bool minimize_after_show_ = false;
};

}  // namespace ktr::ui::win32
