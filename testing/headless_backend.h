#pragma once
// A toolkit backend without a screen: tests move the pointer, click, and
// answer message boxes and modal windows from a script.
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ui/toolkit.h"

namespace ktr::fake {

struct MessageBoxCall {
  std::string owner_class;  // empty when the box has no owner form
  std::string text;
  std::string caption;
  unsigned style = 0;
  bool application_window = false;  // owned by the application window
};

struct AccessibleEventCall {
  std::string form_class;
  ui::AccessibleEvent event = ui::AccessibleEvent::kFocus;
  int child = 0;
  friend bool operator==(const AccessibleEventCall&, const AccessibleEventCall&) = default;
};

class HeadlessBackend : public ui::Backend {
 public:
  std::unique_ptr<ui::FormPeer> create_peer(ui::Form& form) override;
  void title_changed(ui::Application& app) override;
  void run_message_loop(ui::Application& app) override;
  void run_modal_loop(ui::Form& form) override;
  void process_messages() override;
  void set_screen_cursor(ui::Cursor cursor) override;
  int message_box(ui::Form* owner, const std::string& text, const std::string& caption,
                  unsigned style) override;
  int application_message_box(const std::string& text, const std::string& caption,
                              unsigned style) override;
  ui::Font icon_title_font() override;
  std::uintptr_t application_handle() const override { return kApplicationHandle; }

  static constexpr std::uintptr_t kApplicationHandle = 0xA0;

  // Answers for the next message boxes, first in first out; kIdOk when empty.
  std::deque<int> message_box_answers;
  std::vector<MessageBoxCall> message_boxes;
  // What the user does inside a modal loop, by the form's class name. A
  // script that leaves the form open fails the test instead of hanging it.
  std::map<std::string, std::function<void(ui::Form&)>> modal_scripts;
  // What happens in the main message loop; by default the main form closes.
  std::function<void(ui::Application&)> main_loop_script;
  std::vector<ui::Cursor> cursor_history;
  std::vector<std::string> titles;
  int process_messages_calls = 0;
  // What reaches a window while it serves its messages once, as input typed
  // ahead does; runs at the next process_messages only.
  std::function<void()> during_process_messages;
  // Every form created, in order, with its class name (forms are not owned).
  std::vector<ui::Form*> forms;
  std::vector<std::string> created_classes;
  // Every picture set from now on finds no memory for a scaled copy, as on a
  // scaled display in a 32-bit process whose address space is used up.
  bool pictures_find_no_memory = false;
  // What the windows told screen readers, in order.
  std::vector<AccessibleEventCall> accessible_events;
};

// Pointer, clicks and keys as a user would give them.
void MoveOver(ui::Form& form, const std::string& control_name);
void ClickOn(ui::Form& form, const std::string& control_name);
// A key pressed while the form has the keyboard.
void Press(ui::Form& form, ui::Key key, bool shift = false);
ui::Image& ImageNamed(ui::Form& form, const std::string& name);
ui::Label& LabelNamed(ui::Form& form, const std::string& name);

}  // namespace ktr::fake
