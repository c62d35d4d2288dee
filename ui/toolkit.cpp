#include "ui/toolkit.h"

#include <algorithm>
#include <utility>

#include "platform/debugger_note.h"

namespace ktr::ui {

Control::Control(Form& form, ControlKind kind, std::string name, int tag, Rect bounds)
    : form_(form), kind_(kind), name_(std::move(name)), tag_(tag), bounds_(bounds) {}

void Control::set_bounds(Rect bounds) {
  if (bounds == bounds_) return;
  form_.invalidate(bounds_);
  bounds_ = bounds;
  changed();
}

void Control::set_visible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  changed();
}

void Control::set_enabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  changed();
  form_.accessible_changed(*this, AccessibleEvent::kStateChange);
}

void Control::click() {
  if (on_click) on_click(*this);
}

void Control::changed() { form_.control_changed(*this); }

Image::Image(Form& form, std::string name, int tag, Rect bounds)
    : Control(form, ControlKind::kImage, std::move(name), tag, bounds) {}

void Image::set_picture(Bitmap picture) {
  set_picture(std::make_shared<const Bitmap>(std::move(picture)));
}

const Picture& Image::picture() const {
  if (make_) {
    picture_ = make_();
    make_ = nullptr;
  }
  return picture_;
}

void Image::set_picture(Picture picture) {
  if (!picture) {
    clear();
    return;
  }
  const int width = picture->width;
  const int height = picture->height;
  picture_ = std::move(picture);
  make_ = nullptr;
  take_size(width, height);
  try {
    form().picture_set(*this);
  } catch (...) {
    clear();
    throw;
  }
}

void Image::set_picture(int width, int height, std::function<Picture()> make) {
  picture_.reset();
  make_ = std::move(make);
  take_size(width, height);
}

void Image::take_size(int width, int height) {
  Rect size = bounds();
  if (align_client) {
    size = {0, 0, form().client_width, form().client_height};
  } else if (auto_size) {
    size.width = width;
    size.height = height;
  }
  if (size == bounds()) {
    changed();
  } else {
    set_bounds(size);
  }
}

// A cleared picture keeps the control's place and size, so the pointer still
// finds the entry where its picture was.
void Image::clear() {
  if (!picture_ && !make_) return;
  picture_.reset();
  make_ = nullptr;
  changed();
}

Label::Label(Form& form, std::string name, int tag, Rect bounds, std::string caption)
    : Control(form, ControlKind::kLabel, std::move(name), tag, bounds),
      caption_(std::move(caption)) {}

void Label::set_caption(std::string caption) {
  if (caption == caption_) return;
  caption_ = std::move(caption);
  changed();
  form().accessible_changed(*this, AccessibleEvent::kNameChange);
}

Memo::Memo(Form& form, std::string name, int tag, Rect bounds)
    : Control(form, ControlKind::kMemo, std::move(name), tag, bounds) {}

void Memo::set_text(std::string text) {
  text_ = std::move(text);
  changed();
}

// Appended in place: copying the whole text for every line made loading a
// long text quadratic.
void Memo::append_line(const std::string& line) {
  text_ += line;
  text_ += "\r\n";
  changed();
}

Button::Button(Form& form, std::string name, int tag, Rect bounds, std::string caption)
    : Control(form, ControlKind::kButton, std::move(name), tag, bounds),
      caption_(std::move(caption)) {}

void Button::set_caption(std::string caption) {
  caption_ = std::move(caption);
  changed();
}

// The modal result is set before the handler runs, so a handler that finds
// it cannot finish its work can take the result back and keep the form open.
void Button::click() {
  if (modal_result != kModalNone) form().set_modal_result(modal_result);
  Control::click();
}

Bevel::Bevel(Form& form, std::string name, int tag, Rect bounds)
    : Control(form, ControlKind::kBevel, std::move(name), tag, bounds) {}

Form::Form(Application& app, Form* owner) : app_(app), owner_(owner) {}

Form::~Form() = default;

void Form::set_caption(std::string caption) {
  caption_ = std::move(caption);
  if (peer_) peer_->caption_changed();
}

void Form::set_font(Font font) {
  font_ = std::move(font);
  invalidate_all();
  if (peer_) {
    for (auto& control : controls_) peer_->control_changed(*control);
  }
}

void Form::show() {
  visible_ = true;
  if (peer_) peer_->show();
}

void Form::hide() {
  visible_ = false;
  if (peer_) peer_->hide();
}

int Form::show_modal() {
  modal_ = true;
  modal_result_ = kModalNone;
  show();
  try {
    app_.backend().run_modal_loop(*this);
  } catch (...) {
    modal_ = false;
    hide();
    throw;
  }
  modal_ = false;
  hide();
  return modal_result_;
}

void Form::close() {
  if (modal_) {
    modal_result_ = kModalCancel;
  } else if (app_.main_form() == this) {
    hide();
    app_.terminate();
  } else {
    hide();
  }
}

Control* Form::find(const std::string& name) const {
  for (auto& control : controls_) {
    if (control->name() == name) return control.get();
  }
  return nullptr;
}

// The topmost visible and enabled control under the pointer; a disabled
// control lets the pointer fall through to the one beneath it.
Control* Form::control_at(int x, int y) const {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    Control& control = **it;
    if (control.visible() && control.enabled() && control.bounds().contains(x, y)) {
      return &control;
    }
  }
  return nullptr;
}

Cursor Form::cursor_at(int x, int y) const {
  if (app_.screen_cursor() != Cursor::kDefault) return app_.screen_cursor();
  Control* control = control_at(x, y);
  return control ? control->cursor() : Cursor::kDefault;
}

void Form::mouse_move(int x, int y) {
  // The first report of a form comes when it is shown under a resting pointer.
  const bool moved = pointer_known_ && (x != pointer_x_ || y != pointer_y_);
  pointer_known_ = true;
  pointer_x_ = x;
  pointer_y_ = y;
  try {
    if (!PointerMoved(moved)) {
      report_highlights();
      return;
    }
  } catch (...) {
    app_.handle_exception(std::current_exception());
    report_highlights();
    return;
  }
  if (Control* control = control_at(x, y)) dispatch(control->on_mouse_move, *control);
  report_highlights();
}

void Form::key_down(Key key, bool shift) {
  try {
    KeyDown(key, shift);
  } catch (...) {
    app_.handle_exception(std::current_exception());
  }
  report_highlights();
}

void Form::mouse_click(int x, int y) {
  Control* control = control_at(x, y);
  if (!control) return;
  try {
    control->click();
  } catch (...) {
    app_.handle_exception(std::current_exception());
  }
}

void Form::close_requested() {
  try {
    close();
  } catch (...) {
    app_.handle_exception(std::current_exception());
  }
}

void Form::dispatch(const ControlHandler& handler, Control& sender) {
  if (!handler) return;
  try {
    handler(sender);
  } catch (...) {
    app_.handle_exception(std::current_exception());
  }
}

// Numbered once, at the first question: every control is made with its
// window, and a screen reader keeps the ids it was given for as long as the
// window lives.
const std::vector<Control*>& Form::accessible_order() const {
  if (accessible_order_.empty()) {
    for (const auto& control : controls_) {
      if (control->accessible_role != AccessibleRole::kNone) {
        accessible_order_.push_back(control.get());
      }
    }
    // A window has a dozen controls: an insertion sort keeps the stacking
    // order among equals and costs the program nothing to carry.
    auto before = [](const Control* a, const Control* b) {
      const Rect& x = a->bounds();
      const Rect& y = b->bounds();
      return x.top != y.top ? x.top < y.top : x.left < y.left;
    };
    auto& order = accessible_order_;
    for (std::size_t i = 1; i < order.size(); ++i) {
      for (std::size_t j = i; j > 0 && before(order[j], order[j - 1]); --j) {
        std::swap(order[j], order[j - 1]);
      }
    }
  }
  return accessible_order_;
}

int Form::accessible_child_count() const { return static_cast<int>(accessible_order().size()); }

Control* Form::accessible_child(int id) const {
  const auto& order = accessible_order();
  if (id < 1 || id > static_cast<int>(order.size())) return nullptr;
  return order[static_cast<std::size_t>(id - 1)];
}

int Form::accessible_id(const Control& control) const {
  const auto& order = accessible_order();
  auto it = std::find(order.begin(), order.end(), &control);
  return it == order.end() ? 0 : static_cast<int>(it - order.begin()) + 1;
}

std::string Form::accessible_name(int id) const {
  if (id == kAccessibleSelf) return caption_;
  const Control* control = accessible_child(id);
  if (!control) return {};
  if (!control->accessible_name_key.empty()) return AccessibleText(control->accessible_name_key);
  if (control->accessible_name_label) return control->accessible_name_label->caption();
  if (control->kind() == ControlKind::kLabel) return static_cast<const Label*>(control)->caption();
  if (control->kind() == ControlKind::kButton) {
    // The access key's mark is no part of what is said.
    std::string name = static_cast<const Button*>(control)->caption();
    name.erase(std::remove(name.begin(), name.end(), '&'), name.end());
    return name;
  }
  return {};
}

std::string Form::accessible_description(int id) const {
  const Control* control = accessible_child(id);
  std::string description;
  if (!control) return description;
  for (std::string_view key : control->accessible_description_keys) {
    if (key.empty()) continue;
    const std::string part = AccessibleText(key);
    if (part.empty()) continue;
    if (!description.empty()) description += ' ';
    description += part;
  }
  return description;
}

AccessibleRole Form::accessible_role(int id) const {
  const Control* control = accessible_child(id);
  return control ? control->accessible_role : AccessibleRole::kNone;
}

AccessibleState Form::accessible_state(int id) const {
  AccessibleState state;
  if (id == kAccessibleSelf) {
    state.invisible = !visible_;
    state.focusable = true;
    state.focused = keyboard_focus_ && accessible_focus() == 0;
    return state;
  }
  const Control* control = accessible_child(id);
  if (!control) return state;
  state.unavailable = !control->enabled();
  state.invisible = !control->visible();
  state.focusable = control->accessible_role == AccessibleRole::kPushButton ||
                    control->accessible_role == AccessibleRole::kEditableText;
  state.focused = accessible_focus() == id;
  state.hot_tracked = PointerHighlight() == control;
  state.read_only = control->accessible_role == AccessibleRole::kStaticText;
  return state;
}

std::optional<Rect> Form::accessible_location(int id) const {
  if (id == kAccessibleSelf) return Rect{0, 0, client_width, client_height};
  const Control* control = accessible_child(id);
  if (!control) return std::nullopt;
  return control->bounds();
}

// Hidden controls are not found, disabled ones are: a screen reader's user
// explores an entry that cannot be pressed yet as well. A caption written
// on a button is part of it: the button is found there.
std::optional<int> Form::accessible_child_at(int x, int y) const {
  if (!Rect{0, 0, client_width, client_height}.contains(x, y)) return std::nullopt;
  const Control* found = nullptr;
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    const Control& control = **it;
    if (control.accessible_role == AccessibleRole::kNone || !control.visible()) continue;
    if (!control.bounds().contains(x, y)) continue;
    if (!found) {
      found = &control;
      if (control.accessible_role != AccessibleRole::kStaticText) break;
      continue;
    }
    const Rect& caption = found->bounds();
    const Rect& under = control.bounds();
    if (control.accessible_role == AccessibleRole::kPushButton &&
        under.contains(caption.left, caption.top) &&
        under.contains(caption.left + caption.width - 1, caption.top + caption.height - 1)) {
      found = &control;
    }
    break;
  }
  return found ? accessible_id(*found) : kAccessibleSelf;
}

int Form::accessible_navigate(int from, AccessibleDirection direction) const {
  const int count = accessible_child_count();
  auto shown = [&](int id) { return accessible_child(id)->visible(); };
  switch (direction) {
    case AccessibleDirection::kFirstChild:
      if (from != kAccessibleSelf) return 0;
      for (int id = 1; id <= count; ++id) {
        if (shown(id)) return id;
      }
      return 0;
    case AccessibleDirection::kLastChild:
      if (from != kAccessibleSelf) return 0;
      for (int id = count; id >= 1; --id) {
        if (shown(id)) return id;
      }
      return 0;
    case AccessibleDirection::kNext:
      if (from < 1 || from > count) return 0;
      for (int id = from + 1; id <= count; ++id) {
        if (shown(id)) return id;
      }
      return 0;
    case AccessibleDirection::kPrevious:
      if (from < 1 || from > count) return 0;
      for (int id = from - 1; id >= 1; --id) {
        if (shown(id)) return id;
      }
      return 0;
  }
  return 0;
}

int Form::accessible_focus() const {
  if (!keyboard_focus_) return 0;
  const Control* highlight = KeyboardHighlight();
  return highlight ? accessible_id(*highlight) : 0;
}

std::string Form::accessible_default_action(int id) const {
  return accessible_role(id) == AccessibleRole::kPushButton ? "Press" : std::string();
}

bool Form::accessible_can_press(int id) const {
  const Control* control = accessible_child(id);
  return control && control->accessible_role == AccessibleRole::kPushButton && control->enabled() &&
         control->visible() && visible_;
}

// Asked again when the press comes: the entry may have been disabled, or
// the window hidden, since the screen reader asked.
void Form::accessible_press(int id) {
  if (!accessible_can_press(id)) return;
  try {
    accessible_child(id)->click();
  } catch (...) {
    app_.handle_exception(std::current_exception());
  }
}

// Getting the keyboard back (after an installer, or a modal window, ended)
// tells the screen reader again where the keyboard is.
void Form::keyboard_focus_changed(bool has_focus) {
  keyboard_focus_ = has_focus;
  if (has_focus) reported_focus_ = nullptr;
  report_highlights();
}

// Without a peer the form is still being built: its children are numbered
// only once all of them are there.
void Form::accessible_changed(const Control& control, AccessibleEvent event) {
  if (!peer_) return;
  if (const int id = accessible_id(control)) peer_->accessible_event(event, id);
}

// The keyboard's highlight is the focus; the pointer's is a state, not a
// move of the focus.
void Form::report_highlights() {
  if (!peer_) return;
  const Control* focus = keyboard_focus_ ? KeyboardHighlight() : nullptr;
  if (focus != reported_focus_) {
    reported_focus_ = focus;
    if (focus) {
      if (const int id = accessible_id(*focus))
        peer_->accessible_event(AccessibleEvent::kFocus, id);
    }
  }
  const Control* hot = PointerHighlight();
  if (hot != reported_hot_) {
    const Control* before = std::exchange(reported_hot_, hot);
    for (const Control* changed : {before, hot}) {
      if (!changed) continue;
      if (const int id = accessible_id(*changed)) {
        peer_->accessible_event(AccessibleEvent::kStateChange, id);
      }
    }
  }
}

void Form::invalidate(const Rect& area) {
  if (peer_) peer_->invalidate(area);
}

void Form::control_changed(Control& control) {
  if (peer_) peer_->control_changed(control);
}

void Form::picture_set(const Image& image) {
  if (peer_) peer_->picture_set(image);
}

void Form::create() {
  peer_ = app_.backend().create_peer(*this);
  try {
    FormCreate();
  } catch (...) {
    app_.handle_exception(std::current_exception());
  }
  if (visible_at_creation) show();
}

Application::Application(Backend& backend) : backend_(backend) {}

Application::~Application() {
  // Owned forms go in reverse order of creation, the main form last.
  while (!forms_.empty()) forms_.pop_back();
}

void Application::set_title(std::string title) {
  title_ = std::move(title);
  backend_.title_changed(*this);
}

void Application::adopt(std::unique_ptr<Form> form) {
  if (!main_form_) main_form_ = form.get();
  forms_.push_back(std::move(form));
}

void Application::run() {
  if (main_form_ && !main_form_->visible()) main_form_->show();
  backend_.run_message_loop(*this);
}

void Application::process_messages() { backend_.process_messages(); }

void Application::set_screen_cursor(Cursor cursor) {
  screen_cursor_ = cursor;
  backend_.set_screen_cursor(cursor);
}

int Application::message_box(Form* owner, const std::string& text, const std::string& caption,
                             unsigned style) {
  return backend_.message_box(owner, text, caption, style);
}

int Application::application_message_box(const std::string& text, const std::string& caption,
                                         unsigned style) {
  return backend_.application_message_box(text, caption, style);
}

// The message with a full stop added when its last character sorts after ".".
std::string Application::ReportText(const std::string& message) {
  std::string text = message;
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  return text;
}

// The box shows the message alone, as the windows' texts are fixed; the
// system's cause behind it goes to the debugger.
void Application::handle_exception(std::exception_ptr error) {
  platform::NoteForDebugger("error report", error);
  std::string message;
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    message = e.what();
  } catch (...) {
    message = "Unknown error";
  }
  backend_.message_box(nullptr, ReportText(message), title_, kMbOk | kMbIconStop);
}

}  // namespace ktr::ui
