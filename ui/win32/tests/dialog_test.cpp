// The native children of a dialog: the edit box and the push buttons, their
// keys (Enter, Escape, Tab, access keys) and their link to the model.
#include <memory>
#include <stdexcept>
#include <string>

#include "ui/win32/tests/check.h"
#include "ui/win32/tests/support.h"

namespace ktr::ui::win32::testing {
namespace {

struct Notice {
  std::unique_ptr<TestForm> form;
  Memo* memo = nullptr;
  Button* yes = nullptr;
  Button* cancel = nullptr;
  Button* help = nullptr;
  // Shared with the handler, which outlives moves of this record.
  std::shared_ptr<int> help_clicks = std::make_shared<int>(0);
  // The native windows, found where the layout puts them.
  HWND dialog = nullptr;
  HWND edit = nullptr;
  HWND yes_button = nullptr;
  HWND cancel_button = nullptr;
  HWND help_button = nullptr;
};

HWND ChildAt(HWND parent, int x, int y) {
  return ::ChildWindowFromPointEx(parent, POINT{x, y}, CWP_SKIPINVISIBLE);
}

// The notice dialog's layout, with the buttons made before the memo so that
// the tab order, not the order of creation, decides the focus.
Notice MakeNotice(Application& app, Form* owner) {
  Notice n;
  n.form = std::make_unique<TestForm>(app, owner, "TTestNotice", BorderStyle::kDialog);
  Form& f = *n.form;
  n.help = &f.add(std::make_unique<Button>(f, "btnHelp", 0, Rect{386, 270, 104, 29}, "Help(&H)"));
  n.help->tab_order = 3;
  n.help->on_click = [clicks = n.help_clicks](Control&) { ++*clicks; };
  n.cancel =
      &f.add(std::make_unique<Button>(f, "btnCancel", 0, Rect{277, 270, 104, 29}, "Cancel(&C)"));
  n.cancel->tab_order = 2;
  n.cancel->modal_result = kModalCancel;
  n.yes = &f.add(std::make_unique<Button>(f, "btnYes", 0, Rect{167, 270, 104, 29}, "Confirm(&O)"));
  n.yes->tab_order = 1;
  n.yes->modal_result = kModalOk;
  n.memo = &f.add(std::make_unique<Memo>(f, "memoAlert", 0, Rect{7, 72, 481, 191}));
  n.memo->tab_order = 0;
  f.create();
  n.dialog = WindowOf(f);
  n.edit = ChildAt(n.dialog, 20, 80);
  n.yes_button = ChildAt(n.dialog, 170, 280);
  n.cancel_button = ChildAt(n.dialog, 280, 280);
  n.help_button = ChildAt(n.dialog, 390, 280);
  return n;
}

std::string TextOf(HWND window) {
  char text[256] = {};
  ::GetWindowTextA(window, text, sizeof(text));
  return text;
}

LPARAM KeyData(UINT scan_code, bool alt = false) {
  return static_cast<LPARAM>(1 | scan_code << 16 | (alt ? 1u << 29 : 0u));
}

void PostKey(HWND window, UINT key, UINT scan_code) {
  ::PostMessageA(window, WM_KEYDOWN, key, KeyData(scan_code));
  ::PostMessageA(window, WM_KEYUP, key, KeyData(scan_code) | 0xC0000000);
}

}  // namespace

TEST_CASE(memo_and_buttons_are_native_children_in_step_with_the_model) {
  Desk desk;
  Notice n = MakeNotice(desk.app, &desk.main);
  n.form->set_font(desk.backend.icon_title_font());
  CHECK(n.edit != n.dialog && n.yes_button != n.dialog && n.help_button != n.dialog);
  char name[16] = {};
  ::GetClassNameA(n.edit, name, sizeof(name));
  CHECK(std::string(name) == "Edit");
  const LONG style = ::GetWindowLongA(n.edit, GWL_STYLE);
  CHECK((style & ES_MULTILINE) && (style & WS_VSCROLL) && (style & ES_WANTRETURN));
  CHECK((style & ES_AUTOHSCROLL) == 0);  // lines wrap at the box's width
  RECT r;
  ::GetWindowRect(n.edit, &r);
  CHECK_EQ(r.right - r.left, 481L);
  CHECK_EQ(r.bottom - r.top, 191L);

  n.memo->set_text("First line\r\n\r\nThird line");
  CHECK(TextOf(n.edit) == "First line\r\n\r\nThird line");
  CHECK(TextOf(n.yes_button) == "Confirm(&O)");
  n.yes->set_caption("OK(&O)");
  CHECK(TextOf(n.yes_button) == "OK(&O)");
  n.yes->set_enabled(false);
  CHECK(!::IsWindowEnabled(n.yes_button));
  n.help->set_visible(false);
  CHECK(!::IsWindowVisible(n.help_button));

  LOGFONTA used{};
  ::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(n.edit, WM_GETFONT, 0, 0)), sizeof(used),
               &used);
  CHECK(std::string(used.lfFaceName) == n.form->font().face);
}

TEST_CASE(typing_reaches_the_model_enter_starts_a_line_and_escape_presses_nothing) {
  Desk desk;
  Notice n = MakeNotice(desk.app, &desk.main);
  n.form->show();
  ::PostMessageA(n.edit, WM_CHAR, 'a', KeyData(0x1E));
  PostKey(n.edit, VK_RETURN, 0x1C);  // its WM_CHAR comes from the loop's translation
  Pump(desk.backend);
  ::PostMessageA(n.edit, WM_CHAR, 'b', KeyData(0x30));
  PostKey(n.edit, VK_ESCAPE, 0x01);
  Pump(desk.backend);
  ::SetFocus(n.yes_button);
  PostKey(n.yes_button, VK_ESCAPE, 0x01);  // no cancel button, whatever has the focus
  Pump(desk.backend);
  CHECK(n.memo->text() == "a\r\nb");
  CHECK(::IsWindowVisible(n.dialog));
  ::PostMessageA(n.yes_button, BM_CLICK, 0, 0);
  CHECK_EQ(n.form->show_modal(), kModalOk);  // not cancelled by the Escapes before
  CHECK(n.memo->text() == "a\r\nb");
}

TEST_CASE(focus_starts_at_the_lowest_tab_order_and_tab_walks_on) {
  Desk desk;
  Notice n = MakeNotice(desk.app, &desk.main);
  n.form->show();
  Pump(desk.backend);
  CHECK(::GetFocus() == n.edit);
  auto type_of = [](HWND button) { return ::GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK; };
  CHECK_EQ(type_of(n.yes_button), static_cast<LONG>(BS_PUSHBUTTON));
  PostKey(::GetFocus(), VK_TAB, 0x0F);
  Pump(desk.backend);
  CHECK(::GetFocus() == n.yes_button);
  CHECK_EQ(type_of(n.yes_button), static_cast<LONG>(BS_DEFPUSHBUTTON));  // drawn as Enter's
  PostKey(::GetFocus(), VK_TAB, 0x0F);
  Pump(desk.backend);
  CHECK(::GetFocus() == n.cancel_button);
  CHECK_EQ(type_of(n.yes_button), static_cast<LONG>(BS_PUSHBUTTON));
  CHECK_EQ(type_of(n.cancel_button), static_cast<LONG>(BS_DEFPUSHBUTTON));
  CHECK(n.memo->text().find('\t') == std::string::npos);
  n.form->hide();
}

TEST_CASE(access_keys_and_enter_press_buttons) {
  Desk desk;
  {
    Notice n = MakeNotice(desk.app, &desk.main);
    ::PostMessageA(n.edit, WM_SYSCHAR, 'c', KeyData(0x2E, true));  // Alt+C from the memo
    CHECK_EQ(n.form->show_modal(), kModalCancel);
  }
  {
    Notice n = MakeNotice(desk.app, &desk.main);
    n.form->show();
    ::SetFocus(n.help_button);
    PostKey(n.help_button, VK_RETURN, 0x1C);  // Enter presses the focused button only
    ::PostMessageA(n.help_button, WM_SYSCHAR, 'o', KeyData(0x18, true));
    CHECK_EQ(n.form->show_modal(), kModalOk);
    CHECK_EQ(*n.help_clicks, 1);
  }
}

TEST_CASE(errors_of_button_handlers_are_reported_and_the_dialog_stays) {
  Desk desk;
  desk.app.set_title("Title");
  Notice n = MakeNotice(desk.app, &desk.main);
  n.help->on_click = [](Control&) { throw std::runtime_error("Help is missing"); };
  ::PostMessageA(n.help_button, BM_CLICK, 0, 0);
  ::PostMessageA(n.dialog, WM_CLOSE, 0, 0);
  CHECK_EQ(n.form->show_modal(), kModalCancel);
  const auto& boxes = desk.backend.boxes;
  CHECK_EQ(boxes.size(), std::size_t{1});
  if (!boxes.empty()) {
    CHECK(boxes[0].text == "Help is missing.");
    CHECK(boxes[0].caption == "Title");
    CHECK_EQ(boxes[0].style, 0x10u);
  }
}

TEST_CASE(a_button_that_opens_a_modal_form_lets_go_of_the_pointer) {
  Desk desk;
  Notice n = MakeNotice(desk.app, &desk.main);
  HWND capture_in_inner = reinterpret_cast<HWND>(1);
  int inner_result = kModalNone;
  // A push button tells its parent of the click while it still holds the
  // capture; the form opened from there must get the pointer.
  n.help->on_click = [&](Control&) {
    auto inner = MakeForm<TestForm>(desk.app, n.form.get(), "TTestInner", BorderStyle::kNone);
    auto& ok = inner->add(std::make_unique<Image>(*inner, "Ok", 1, Rect{10, 10, 50, 20}));
    ok.auto_size = false;
    ok.on_mouse_move = [&](Control&) { capture_in_inner = ::GetCapture(); };
    ok.on_click = [&](Control&) { inner->set_modal_result(kModalOk); };
    PostClick(WindowOf(*inner), 20, 20);
    inner_result = inner->show_modal();
    n.form->set_modal_result(kModalCancel);
  };
  n.form->show();
  Pump(desk.backend);
  // A real press and release on Help, through the system's input queue.
  POINT at{390, 280};
  ::ClientToScreen(n.dialog, &at);
  ::SetCursorPos(at.x, at.y);
  INPUT clicks[2] = {};
  clicks[0].type = clicks[1].type = INPUT_MOUSE;
  clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  ::SendInput(2, clicks, sizeof(INPUT));
  n.form->hide();
  CHECK_EQ(n.form->show_modal(), kModalCancel);
  CHECK_EQ(inner_result, kModalOk);
  CHECK(capture_in_inner == nullptr);
}

}  // namespace ktr::ui::win32::testing
