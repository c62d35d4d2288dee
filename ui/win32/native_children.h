#pragma once
// The form's native child windows: a multi-line EDIT per memo and a push
// BUTTON per button, in tab order, kept in step with their model controls.
#include <string>
#include <vector>

#include "ui/scale.h"
#include "ui/toolkit.h"
#include "ui/win32/gdi.h"

namespace ktr::ui::win32 {

class NativeChildren {
 public:
  struct Child {
    Control* control;
    UniqueWindow window;
    Rect bounds;  // on the display, at the scale it was placed with
    int tab_order;
  };

  // Makes the windows of the memos and buttons that have none yet.
  void create_missing(HWND parent, const Form& form, HFONT font);
  // Pushes the model's state (place, text, enabled, visible) to the window.
  void update(const Control& control, HFONT font);
  void set_font(HFONT font);
  // Places every child again at the window's new scale.
  void set_scale(const Scale& scale);
  void clear() { children_.clear(); }

  bool empty() const { return children_.empty(); }
  Child* find(HWND window);
  Child* find(const Control& control);
  // The enabled, visible child with the lowest tab order.
  HWND first_tab_stop() const;
  // True while the model's text is being put into an edit box, whose own
  // change notice must then not be taken for the user's edit.
  bool pushing_text() const { return pushing_text_; }

  static std::string WindowText(HWND window);

 private:
  void update(Child& child, HFONT font);

  std::vector<Child> children_;
  Scale scale_;
  bool pushing_text_ = false;
};

}  // namespace ktr::ui::win32
