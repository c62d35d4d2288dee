#include "ui/toolkit.h"

#include <utility>

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
    if (!PointerMoved(moved)) return;
  } catch (...) {
    app_.handle_exception(std::current_exception());
    return;
  }
  if (Control* control = control_at(x, y)) dispatch(control->on_mouse_move, *control);
}

void Form::key_down(Key key, bool shift) {
  try {
    KeyDown(key, shift);
  } catch (...) {
    app_.handle_exception(std::current_exception());
  }
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

void Application::handle_exception(std::exception_ptr error) {
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
