// Mouse input: moves and clicks reach the model's controls, double clicks
// count once, pointer shapes, and errors of handlers reach the report. Keys
// of a skinned window reach the model as its own key names.
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "ui/win32/tests/check.h"
#include "ui/win32/tests/support.h"

namespace ktr::ui::win32::testing {
namespace {

struct Entries {
  Image* background;
  Image* entry;
  Image* disabled;  // lies over the entry's right half
  std::vector<std::string> moves;
  // Kept apart: taking and releasing the capture makes the system send a
  // mouse move of its own, at wherever the real pointer is.
  std::vector<std::string> clicks;
};

void Build(TestForm& form, Entries& e) {
  // The pointer waits in a corner, off the form, so that no real movement
  // mixes with the posted ones.
  ::SetCursorPos(0, 0);
  e.background = &form.add(std::make_unique<Image>(form, "Background", 0, Rect{0, 0, 658, 334}));
  e.entry = &form.add(std::make_unique<Image>(form, "Entry", 1, Rect{400, 100, 100, 24}));
  e.disabled = &form.add(std::make_unique<Image>(form, "Disabled", 2, Rect{450, 100, 50, 24}));
  e.background->set_cursor(Cursor::kArrow);
  e.entry->set_cursor(Cursor::kHandPoint);
  e.disabled->set_enabled(false);
  for (Image* image : {e.background, e.entry, e.disabled}) {
    image->auto_size = false;
    image->on_click = [&e](Control& c) { e.clicks.push_back(c.name()); };
    image->on_mouse_move = [&e](Control& c) { e.moves.push_back(c.name()); };
  }
}

// The events seen, in order, for a failure's message.
std::string Seen(const std::vector<std::string>& events) {
  std::string text;
  for (const std::string& event : events) text += "[" + event + "]";
  return text;
}

#define CHECK_EVENTS(actual, ...)                                                                  \
  Record((actual) == std::vector<std::string>(__VA_ARGS__), #actual " == " #__VA_ARGS__, __FILE__, \
         __LINE__, "saw " + Seen(actual))

HCURSOR SystemCursor(int id) { return ::LoadCursorA(nullptr, MAKEINTRESOURCEA(id)); }

// Puts the pointer over a client point and lets the window choose its shape.
HCURSOR CursorOver(HWND window, int x, int y) {
  POINT at{x, y};
  ::ClientToScreen(window, &at);
  ::SetCursorPos(at.x, at.y);
  ::SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  return ::GetCursor();
}

}  // namespace

TEST_CASE(mouse_moves_reach_the_control_under_the_pointer) {
  Desk desk;
  Entries e;
  Build(desk.main, e);
  HWND window = WindowOf(desk.main);
  ::PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  ::PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(410, 110));
  ::PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(460, 110));  // through the disabled one
  Pump(desk.backend);
  CHECK_EVENTS(e.moves, {"Background", "Entry", "Entry"});
}

TEST_CASE(a_click_needs_press_and_release_on_the_same_control) {
  Desk desk;
  Entries e;
  Build(desk.main, e);
  HWND window = WindowOf(desk.main);

  ::PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(410, 110));
  ::PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(410, 110));
  Pump(desk.backend);
  CHECK_EVENTS(e.clicks, {"Entry"});

  e.clicks.clear();
  ::PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(410, 110));
  ::PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));  // released on the background
  ::PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  ::PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(410, 110));
  Pump(desk.backend);
  CHECK_EVENTS(e.clicks, {});

  // A double click starts the entry's action once, not twice.
  e.clicks.clear();
  ::PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(410, 110));
  ::PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(410, 110));
  ::PostMessageA(window, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(410, 110));
  ::PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(410, 110));
  Pump(desk.backend);
  CHECK_EVENTS(e.clicks, {"Entry"});

  // The disabled control lets the click fall through to the entry beneath.
  e.clicks.clear();
  PostClick(window, 460, 110);
  Pump(desk.backend);
  CHECK_EVENTS(e.clicks, {"Entry"});
}

TEST_CASE(pointer_shape_follows_the_control_and_the_screen_cursor) {
  Desk desk;
  Entries e;
  Build(desk.main, e);
  HWND window = WindowOf(desk.main);
  Pump(desk.backend);
  const HCURSOR arrow = SystemCursor(32512);
  const HCURSOR hand = SystemCursor(32649);
  const HCURSOR wait = SystemCursor(32514);
  CHECK(CursorOver(window, 10, 10) == arrow);
  CHECK(CursorOver(window, 410, 110) == hand);
  CHECK(CursorOver(window, 460, 110) == hand);  // disabled: the entry beneath decides

  desk.app.set_screen_cursor(Cursor::kHourGlass);
  CHECK(::GetCursor() == wait);
  CHECK(CursorOver(window, 410, 110) == wait);  // the busy pointer wins everywhere
  desk.app.set_screen_cursor(Cursor::kDefault);
  CHECK(::GetCursor() == hand);  // the window under the pointer chose again
}

TEST_CASE(errors_of_handlers_go_to_the_default_report) {
  Desk desk;
  Entries e;
  Build(desk.main, e);
  HWND window = WindowOf(desk.main);
  desk.app.set_title("KTR Installation");
  e.entry->on_click = [](Control&) { throw std::runtime_error("Cannot open file D:\\a.bmp"); };
  e.background->on_mouse_move = [](Control&) { throw std::runtime_error("moved"); };
  PostClick(window, 410, 110);
  ::PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  Pump(desk.backend);
  CHECK_EQ(desk.backend.boxes.size(), std::size_t{2});
  if (desk.backend.boxes.size() == 2) {
    CHECK(desk.backend.boxes[0].text == "Cannot open file D:\\a.bmp.");
    CHECK(desk.backend.boxes[0].caption == "KTR Installation");
    CHECK_EQ(desk.backend.boxes[0].style, 0x10u);
    CHECK(desk.backend.boxes[1].text == "moved.");
  }
  CHECK(::IsWindowVisible(window));  // the loop and the window go on
}

TEST_CASE(keys_of_a_borderless_window_reach_the_model) {
  Desk desk;
  std::vector<std::string> keys;
  desk.main.on_key = [&keys](Key key, bool shift) {
    keys.push_back(std::to_string(static_cast<int>(key)) + (shift ? "+shift" : ""));
  };
  HWND window = WindowOf(desk.main);
  for (int key : {VK_TAB, VK_DOWN, VK_UP, VK_LEFT, VK_RIGHT, VK_RETURN, VK_SPACE, VK_ESCAPE,
                  static_cast<int>('A')}) {
    ::PostMessageA(window, WM_KEYDOWN, static_cast<WPARAM>(key), 1);
  }
  Pump(desk.backend);
  auto name = [](Key key) { return std::to_string(static_cast<int>(key)); };
  CHECK_EVENTS(keys, {name(Key::kTab), name(Key::kDown), name(Key::kUp), name(Key::kLeft),
                      name(Key::kRight), name(Key::kReturn), name(Key::kSpace),
                      name(Key::kEscape), name(Key::kOther)});
}

}  // namespace ktr::ui::win32::testing
