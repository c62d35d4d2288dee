#pragma once
// The native window of one form: paints its graphic controls (straight to
// the window when just shown, through a back buffer after that), hosts the
// native children of its memos and buttons, and turns mouse, keyboard and
// close messages into the model's events.
#include <memory>

#include "ui/scale.h"
#include "ui/toolkit.h"
#include "ui/win32/accessible.h"
#include "ui/win32/fonts.h"
#include "ui/win32/gdi.h"
#include "ui/win32/native_children.h"
#include "ui/win32/painter.h"

namespace ktr::ui::win32 {

class Win32Backend;

class FormWindow : public FormPeer {
 public:
  FormWindow(Win32Backend& backend, Form& form);
  ~FormWindow() override;

  void show() override;
  void hide() override;
  void invalidate(const Rect& area) override;
  void caption_changed() override;
  void control_changed(Control& control) override;
  void picture_set(const Image& image) override;
  void focus(Control& control) override;
  std::uintptr_t native_handle() const override;
  void accessible_event(AccessibleEvent event, int child) override;

  HWND hwnd() const { return window_.get(); }
  Form& form() const { return form_; }
  // The window that was active before this one was shown, for a modal loop
  // to hand activation back to.
  HWND previously_active() const { return previously_active_; }
  // Keyboard messages for this form and its children, before translation;
  // true when the message has been dealt with.
  bool pretranslate(MSG& msg);

  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM w, LPARAM l);

 private:
  LRESULT handle(UINT message, WPARAM w, LPARAM l);
  void render(HDC target, const RECT& area, bool just_shown);
  void sync_font();
  void make_children();
  void centre();
  void press(NativeChildren::Child& child);
  void command(WPARAM w, LPARAM l);
  bool set_cursor(HWND over, int hit);
  void button_down(int x, int y, bool double_click);
  void button_up(int x, int y);
  void activated(bool active);
  void dpi_changed(int dpi, const RECT* suggested);
  void prefer_korean_input();
  void restore_input();

  Win32Backend& backend_;
  Form& form_;
  UniqueWindow window_;
  // The scale of the monitor the window is on, and its pictures at it.
  Scale scale_;
  ScaledPictures pictures_;
  // Made at the first change after a window is shown and kept from paint to
  // paint: a fresh buffer of the whole client area for every highlight change
  // cost more than drawing into it.
  std::unique_ptr<BackBuffer> buffer_;
  FormFont font_;
  NativeChildren children_;
  // The control a left press began on; a click needs the release on it too.
  Control* pressed_ = nullptr;
  bool centred_ = false;
  bool shown_before_ = false;
  // Shown since the last paint: the next paint may skip the back buffer.
  bool just_shown_ = false;
  bool changed_while_hidden_ = false;
  HWND previously_active_ = nullptr;
  HWND last_focus_ = nullptr;
  HKL restore_layout_ = nullptr;
  AccessibleWindow accessible_{form_, scale_};
};

}  // namespace ktr::ui::win32
