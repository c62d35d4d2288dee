#pragma once
// The window toolkit's retained model: an application, forms and the
// controls on them (image, label, memo, button, bevel). The model owns the
// behaviour that must be identical on every backend: hit-testing, the order
// of creation steps, modal results, the default error report. A Backend
// draws and runs the loops; it holds no decisions of its own.
#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/bitmap.h"

namespace ktr::ui {

class Application;
class Form;
class Control;
class Label;

enum class Cursor { kDefault, kArrow, kHandPoint, kHourGlass };
enum class ControlKind { kImage, kLabel, kMemo, kButton, kBevel };
enum class TextAlign { kLeft, kCenter };
enum class BorderStyle { kNone, kDialog };
// The keys the windows answer; the rest arrive as kOther.
enum class Key { kOther, kTab, kReturn, kSpace, kEscape, kLeft, kUp, kRight, kDown };
// What a screen reader is told a control is; kNone keeps it out of the
// window's accessible children (backgrounds, panels, pictures that only
// illustrate).
enum class AccessibleRole { kNone, kPushButton, kStaticText, kEditableText };
// The changes a backend passes on to screen readers.
enum class AccessibleEvent { kFocus, kStateChange, kNameChange };
enum class AccessibleDirection { kNext, kPrevious, kFirstChild, kLastChild };

struct AccessibleState {
  bool unavailable = false;
  bool invisible = false;
  bool focusable = false;
  bool focused = false;
  bool hot_tracked = false;
  bool read_only = false;
  friend bool operator==(const AccessibleState&, const AccessibleState&) = default;
};

// The accessible child id of the window itself.
inline constexpr int kAccessibleSelf = 0;

inline constexpr int kModalNone = 0;
inline constexpr int kModalOk = 1;
inline constexpr int kModalCancel = 2;

// MessageBoxA styles and answers the windows use.
inline constexpr unsigned kMbOk = 0x0;
inline constexpr unsigned kMbOkCancel = 0x1;
inline constexpr unsigned kMbIconWarning = 0x30;
inline constexpr unsigned kMbIconStop = 0x10;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool contains(int x, int y) const {
    return x >= left && y >= top && x < left + width && y < top + height;
  }
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct Font {
  std::string face = "MS Sans Serif";
  int height = -11;  // negative: character height in pixels, as LOGFONT
  int weight = 400;
  int charset = 0;
  bool italic = false;
};

using ControlHandler = std::function<void(Control& sender)>;

class Control {
 public:
  Control(Form& form, ControlKind kind, std::string name, int tag, Rect bounds);
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  Form& form() const { return form_; }
  ControlKind kind() const { return kind_; }
  const std::string& name() const { return name_; }
  int tag() const { return tag_; }
  const Rect& bounds() const { return bounds_; }
  void set_bounds(Rect bounds);
  bool visible() const { return visible_; }
  void set_visible(bool visible);
  bool enabled() const { return enabled_; }
  void set_enabled(bool enabled);
  Cursor cursor() const { return cursor_; }
  void set_cursor(Cursor cursor) { cursor_ = cursor; }

  ControlHandler on_click;
  ControlHandler on_mouse_move;

  // What the control is to a screen reader, and where its name and
  // description come from: the texts of keys, which the form looks up when
  // asked (Form::AccessibleText), like every text of the medium, or the
  // caption of a label. The description joins the texts of its keys. A
  // label without a name of its own is named by its caption.
  AccessibleRole accessible_role = AccessibleRole::kNone;
  std::string_view accessible_name_key;
  const Label* accessible_name_label = nullptr;
  std::array<std::string_view, 3> accessible_description_keys = {};

  // Runs the click behaviour (handlers; a button also sets the modal result).
  virtual void click();

 protected:
  void changed();

 private:
  Form& form_;
  ControlKind kind_;
  std::string name_;
  int tag_;
  Rect bounds_;
  bool visible_ = true;
  bool enabled_ = true;
  Cursor cursor_ = Cursor::kDefault;
};

class Image : public Control {
 public:
  Image(Form& form, std::string name, int tag, Rect bounds);
  const Picture& picture() const;
  // With AutoSize the control takes the picture's size (a client-aligned
  // image keeps filling the client area). A null picture is a cleared one.
  // When the backend cannot show the picture (no memory for its scaled
  // copy) the image is cleared and InvalidGraphic raised, as for a file that
  // is no valid picture.
  void set_picture(Picture picture);
  void set_picture(Bitmap picture);
  // A picture of a known size, made only when something first looks at it:
  // a window's built-in pictures, which its skin replaces before the window
  // is painted.
  void set_picture(int width, int height, std::function<Picture()> make);
  void clear();
  bool auto_size = true;
  bool align_client = false;
  // Drawn with the colour of its bottom-left pixel left out.
  bool transparent = false;

 private:
  void take_size(int width, int height);

  mutable Picture picture_;
  mutable std::function<Picture()> make_;
};

class Label : public Control {
 public:
  Label(Form& form, std::string name, int tag, Rect bounds, std::string caption);
  const std::string& caption() const { return caption_; }
  void set_caption(std::string caption);
  TextAlign align = TextAlign::kLeft;
  bool word_wrap = false;
  bool transparent = true;

 private:
  std::string caption_;
};

class Memo : public Control {
 public:
  Memo(Form& form, std::string name, int tag, Rect bounds);
  // The whole text, lines separated by CR LF, as the edit box holds it.
  const std::string& text() const { return text_; }
  void set_text(std::string text);
  void clear() { set_text({}); }
  // Adds a line and its CR LF at the end of the text.
  void append_line(const std::string& line);
  // Backends report the user's edits here, without a repaint request.
  void text_edited(std::string text) { text_ = std::move(text); }
  bool vertical_scroll_bar = true;
  bool word_wrap = true;
  bool want_return = true;
  // Keyboard layout name to prefer while the box has the focus.
  std::string ime_name;
  int tab_order = 0;

 private:
  std::string text_;
};

class Button : public Control {
 public:
  Button(Form& form, std::string name, int tag, Rect bounds, std::string caption);
  const std::string& caption() const { return caption_; }
  void set_caption(std::string caption);
  // Pressing sets the form's modal result first, then runs on_click.
  int modal_result = kModalNone;
  int tab_order = 0;
  void click() override;

 private:
  std::string caption_;
};

class Bevel : public Control {
 public:
  Bevel(Form& form, std::string name, int tag, Rect bounds);
};

// What a backend keeps for one form: the native window and its painting.
class FormPeer {
 public:
  virtual ~FormPeer() = default;
  virtual void show() = 0;
  virtual void hide() = 0;
  virtual void invalidate(const Rect& area) = 0;
  virtual void caption_changed() = 0;
  virtual void control_changed(Control& control) = 0;
  // A picture was just set on the image: a backend that shows it converted
  // (scaled) makes the copy now, while the window that set it can still
  // treat a copy that finds no memory as an invalid picture (InvalidGraphic).
  virtual void picture_set(const Image&) {}
  virtual void focus(Control& control) = 0;
  virtual std::uintptr_t native_handle() const = 0;
  // A change a screen reader follows, for a child id of the form (or
  // kAccessibleSelf).
  virtual void accessible_event(AccessibleEvent, int /*child*/) {}
};

class Backend {
 public:
  virtual ~Backend() = default;
  virtual std::unique_ptr<FormPeer> create_peer(Form& form) = 0;
  virtual void title_changed(Application& app) = 0;
  // Dispatches messages until app.terminated().
  virtual void run_message_loop(Application& app) = 0;
  // Dispatches messages until form.modal_result() is set or the application ends.
  virtual void run_modal_loop(Form& form) = 0;
  virtual void process_messages() = 0;
  virtual void set_screen_cursor(Cursor cursor) = 0;
  virtual int message_box(Form* owner, const std::string& text, const std::string& caption,
                          unsigned style) = 0;
  // A box owned by the application window, whichever window is active.
  virtual int application_message_box(const std::string& text, const std::string& caption,
                                      unsigned style) = 0;
  virtual Font icon_title_font() = 0;
  virtual std::uintptr_t application_handle() const = 0;
};

class Form {
 public:
  Form(Application& app, Form* owner);
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  Application& application() const { return app_; }
  Form* owner() const { return owner_; }
  // The window class name the backend registers ("TMainForm", ...).
  virtual const char* class_name() const { return "TForm"; }

  const std::string& caption() const { return caption_; }
  void set_caption(std::string caption);
  const Font& font() const { return font_; }
  void set_font(Font font);
  BorderStyle border_style = BorderStyle::kNone;
  int client_width = 658;
  int client_height = 334;
  // Shown at the end of creation when set (the form resource's Visible).
  bool visible_at_creation = false;

  bool visible() const { return visible_; }
  void show();
  void hide();
  // Modal windows end with 1 (confirmed) or 2 (cancelled or closed).
  int show_modal();
  bool modal() const { return modal_; }
  int modal_result() const { return modal_result_; }
  void set_modal_result(int result) { modal_result_ = result; }
  // A modal form ends with 2; the main form ends the program; others hide.
  void close();

  // Controls from bottom to top of the stacking order.
  const std::vector<std::unique_ptr<Control>>& controls() const { return controls_; }
  // By name, for whoever looks at a built window from outside (tests, the
  // toolkit's demo); the windows' own code reaches its controls through
  // their members.
  Control* find(const std::string& name) const;
  template <class T>
  T& add(std::unique_ptr<T> control) {
    T& ref = *control;
    controls_.push_back(std::move(control));
    return ref;
  }

  // Event entry points for backends; errors go to the default error report.
  void mouse_move(int x, int y);
  void mouse_click(int x, int y);
  void key_down(Key key, bool shift);
  void close_requested();
  Control* control_at(int x, int y) const;
  Cursor cursor_at(int x, int y) const;

  // The accessible questions, answered the same on every backend. The
  // children are the controls with a role, numbered from 1 in the
  // keyboard's order (top to bottom, then left to right) once and for the
  // form's life; kAccessibleSelf is the form. Places are in layout pixels.
  int accessible_child_count() const;
  Control* accessible_child(int id) const;
  int accessible_id(const Control& control) const;
  std::string accessible_name(int id) const;
  std::string accessible_description(int id) const;
  AccessibleRole accessible_role(int id) const;
  AccessibleState accessible_state(int id) const;
  std::optional<Rect> accessible_location(int id) const;
  // The topmost visible child at a point of the client area, or
  // kAccessibleSelf; nothing outside it.
  std::optional<int> accessible_child_at(int x, int y) const;
  // The neighbour of a child among the visible ones, or of the form its
  // first or last; 0 when there is none.
  int accessible_navigate(int from, AccessibleDirection direction) const;
  // The child that has the keyboard, 0 when none has.
  int accessible_focus() const;
  // "Press" for what can be pressed, empty otherwise.
  std::string accessible_default_action(int id) const;
  // Whether the default action may run now; backends then run it with
  // accessible_press once the screen reader's call has returned, since a
  // press may wait for a whole installation.
  bool accessible_can_press(int id) const;
  void accessible_press(int id);
  // The backend tells the form when its window gets and loses the keyboard.
  void keyboard_focus_changed(bool has_focus);
  bool has_keyboard_focus() const { return keyboard_focus_; }
  // A control's state or text changed in a way a screen reader follows.
  void accessible_changed(const Control& control, AccessibleEvent event);

  void invalidate(const Rect& area);
  void invalidate_all() { invalidate({0, 0, client_width, client_height}); }
  void control_changed(Control& control);
  void picture_set(const Image& image);
  FormPeer* peer() const { return peer_.get(); }
  std::uintptr_t native_handle() const { return peer_ ? peer_->native_handle() : 0; }

  // Makes the native window and runs the creation step; the step's errors are
  // reported and creation goes on, as the windows rely on.
  void create();

 protected:
  virtual void FormCreate() {}
  virtual void KeyDown(Key, bool /*shift*/) {}
  // Before the pointer's movement reaches a control. `moved` is false for a
  // form's first report and for one at the place of the previous one (the
  // system reports a resting pointer when a window is shown); false keeps it
  // from the controls.
  virtual bool PointerMoved(bool /*moved*/) { return true; }
  // The text of a key of the form's accessible names and descriptions.
  virtual std::string AccessibleText(std::string_view /*key*/) const { return {}; }
  // The entry the keyboard highlights, and the one the pointer does.
  virtual const Control* KeyboardHighlight() const { return nullptr; }
  virtual const Control* PointerHighlight() const { return nullptr; }

 private:
  void dispatch(const ControlHandler& handler, Control& sender);
  const std::vector<Control*>& accessible_order() const;
  // Tells the backend of a highlight that moved since it was last told.
  void report_highlights();

  Application& app_;
  Form* owner_;
  std::string caption_;
  Font font_;
  bool visible_ = false;
  bool modal_ = false;
  int modal_result_ = kModalNone;
  std::vector<std::unique_ptr<Control>> controls_;
  std::unique_ptr<FormPeer> peer_;
  bool pointer_known_ = false;
  int pointer_x_ = 0;
  int pointer_y_ = 0;
  mutable std::vector<Control*> accessible_order_;
  bool keyboard_focus_ = false;
  const Control* reported_focus_ = nullptr;
  const Control* reported_hot_ = nullptr;
};

class Application {
 public:
  explicit Application(Backend& backend);
  ~Application();
  Backend& backend() const { return backend_; }

  const std::string& title() const { return title_; }
  void set_title(std::string title);

  // Creates and owns a form; the first one becomes the main form.
  template <class T, class... Args>
  T& create_form(Args&&... args) {
    auto form = std::make_unique<T>(*this, std::forward<Args>(args)...);
    T& ref = *form;
    adopt(std::move(form));
    ref.create();
    return ref;
  }
  Form* main_form() const { return main_form_; }

  // Shows the main form and dispatches messages until termination.
  void run();
  void terminate() { terminated_ = true; }
  bool terminated() const { return terminated_; }
  void process_messages();
  void set_screen_cursor(Cursor cursor);
  Cursor screen_cursor() const { return screen_cursor_; }
  // The pictures that its windows load from files, decoded once per content.
  PictureFiles& picture_files() { return picture_files_; }
  int message_box(Form* owner, const std::string& text, const std::string& caption, unsigned style);
  int application_message_box(const std::string& text, const std::string& caption,
                              unsigned style);

  // The default error report for an error that no handler caught.
  void handle_exception(std::exception_ptr error);
  static std::string ReportText(const std::string& message);

 private:
  void adopt(std::unique_ptr<Form> form);

  Backend& backend_;
  std::string title_;
  std::vector<std::unique_ptr<Form>> forms_;
  Form* main_form_ = nullptr;
  bool terminated_ = false;
  Cursor screen_cursor_ = Cursor::kDefault;
  PictureFiles picture_files_;
};

// Constructs a form and runs its creation: what the application does for the
// forms it owns, and what a window does for a form it makes for one use.
template <class T, class... Args>
std::unique_ptr<T> MakeForm(Application& app, Args&&... args) {
  auto form = std::make_unique<T>(app, std::forward<Args>(args)...);
  form->create();
  return form;
}

// Sets the busy pointer and puts the default one back on every path.
class BusyCursor {
 public:
  explicit BusyCursor(Application& app) : app_(app) { app_.set_screen_cursor(Cursor::kHourGlass); }
  ~BusyCursor() { app_.set_screen_cursor(Cursor::kDefault); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

 private:
  Application& app_;
};

// Hides a form while something else runs and shows it again on every path;
// a form made for that run goes first, as the window it owns.
class HiddenWhile {
 public:
  explicit HiddenWhile(Form& form, std::unique_ptr<Form> run = nullptr)
      : form_(form), run_(std::move(run)) {
    form_.hide();
  }
  ~HiddenWhile() {
    run_.reset();
    form_.show();
  }
  HiddenWhile(const HiddenWhile&) = delete;
  HiddenWhile& operator=(const HiddenWhile&) = delete;
  Form& run() const { return *run_; }

 private:
  Form& form_;
  std::unique_ptr<Form> run_;
};

}  // namespace ktr::ui
