#include "testing/headless_backend.h"

#include <stdexcept>
#include <utility>

#include "platform/errors.h"

namespace ktr::fake {
namespace {

class HeadlessPeer : public ui::FormPeer {
 public:
  HeadlessPeer(HeadlessBackend& backend, ui::Form& form, std::uintptr_t handle)
      : backend_(backend), form_(form), handle_(handle) {}
  void show() override {}
  void hide() override {}
  void invalidate(const ui::Rect&) override {}
  void caption_changed() override {}
  void control_changed(ui::Control&) override {}
  void picture_set(const ui::Image&) override {
    if (backend_.pictures_find_no_memory) throw InvalidGraphic("no memory for the scaled copy");
  }
  void focus(ui::Control&) override {}
  std::uintptr_t native_handle() const override { return handle_; }
  void accessible_event(ui::AccessibleEvent event, int child) override {
    backend_.accessible_events.push_back({form_.class_name(), event, child});
  }

 private:
  HeadlessBackend& backend_;
  ui::Form& form_;
  std::uintptr_t handle_;
};

ui::Control& Named(ui::Form& form, const std::string& name) {
  ui::Control* control = form.find(name);
  if (!control) throw std::logic_error("no control named " + name);
  return *control;
}

}  // namespace

std::unique_ptr<ui::FormPeer> HeadlessBackend::create_peer(ui::Form& form) {
  forms.push_back(&form);
  created_classes.emplace_back(form.class_name());
  return std::make_unique<HeadlessPeer>(*this, form, 0x100 + forms.size());
}

void HeadlessBackend::title_changed(ui::Application& app) { titles.push_back(app.title()); }

void HeadlessBackend::run_message_loop(ui::Application& app) {
  if (main_loop_script) {
    main_loop_script(app);
  } else if (app.main_form()) {
    app.main_form()->close_requested();
  }
  if (!app.terminated()) throw std::logic_error("main loop script left the program running");
}

void HeadlessBackend::run_modal_loop(ui::Form& form) {
  auto script = modal_scripts.find(form.class_name());
  if (script != modal_scripts.end()) script->second(form);
  if (form.modal_result() == ui::kModalNone) {
    throw std::logic_error(std::string("modal ") + form.class_name() + " left open");
  }
}

void HeadlessBackend::process_messages() {
  ++process_messages_calls;
  if (auto arriving = std::exchange(during_process_messages, nullptr)) arriving();
}

void HeadlessBackend::set_screen_cursor(ui::Cursor cursor) { cursor_history.push_back(cursor); }

int HeadlessBackend::message_box(ui::Form* owner, const std::string& text,
                                 const std::string& caption, unsigned style) {
  message_boxes.push_back({owner ? owner->class_name() : "", text, caption, style});
  if (message_box_answers.empty()) return ui::kIdOk;
  int answer = message_box_answers.front();
  message_box_answers.pop_front();
  return answer;
}

int HeadlessBackend::application_message_box(const std::string& text, const std::string& caption,
                                             unsigned style) {
  const int answer = message_box(nullptr, text, caption, style);
  message_boxes.back().application_window = true;
  return answer;
}

ui::Font HeadlessBackend::icon_title_font() { return {"Tahoma", -11, 400, 1, false}; }

// Near the top-left corner: the caption labels lie inside their buttons'
// images, away from the edges, and would take the pointer in the middle.
void MoveOver(ui::Form& form, const std::string& control_name) {
  const ui::Rect& r = Named(form, control_name).bounds();
  form.mouse_move(r.left + 2, r.top + 2);
}

void ClickOn(ui::Form& form, const std::string& control_name) {
  const ui::Rect& r = Named(form, control_name).bounds();
  form.mouse_click(r.left + 2, r.top + 2);
}

void Press(ui::Form& form, ui::Key key, bool shift) { form.key_down(key, shift); }

ui::Image& ImageNamed(ui::Form& form, const std::string& name) {
  return dynamic_cast<ui::Image&>(Named(form, name));
}

ui::Label& LabelNamed(ui::Form& form, const std::string& name) {
  return dynamic_cast<ui::Label&>(Named(form, name));
}

}  // namespace ktr::fake
