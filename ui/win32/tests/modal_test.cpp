// Loops: the main loop ends with the main form, modal forms disable the
// others and nest, closing a modal form cancels it, and message boxes.
#include <memory>
#include <string>

#include "ui/win32/tests/check.h"
#include "ui/win32/tests/support.h"

namespace ktr::ui::win32::testing {
namespace {

Image& AddButtonImage(Form& form, const char* name) {
  auto& image = form.add(std::make_unique<Image>(form, name, 1, Rect{10, 10, 50, 20}));
  image.auto_size = false;
  return image;
}

HWND Task(const Backend& backend) { return reinterpret_cast<HWND>(backend.application_handle()); }

// What a timer saw of a message box while it was up.
struct BoxSeen {
  bool found = false;
  HWND owner = nullptr;
  bool main_enabled = true;
  std::string text;
};
BoxSeen box_seen;
HWND box_main = nullptr;

BOOL CALLBACK FindBox(HWND window, LPARAM found) {
  char name[16] = {};
  ::GetClassNameA(window, name, sizeof(name));
  if (std::string(name) == "#32770" && ::IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK AnswerBox(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND box = nullptr;
  ::EnumThreadWindows(::GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
  if (!box) return;
  ::KillTimer(nullptr, timer);
  box_seen.found = true;
  box_seen.owner = ::GetWindow(box, GW_OWNER);
  box_seen.main_enabled = ::IsWindowEnabled(box_main) != FALSE;
  char text[128] = {};
  ::GetWindowTextA(box, text, sizeof(text));
  box_seen.text = text;
  ::PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
}

}  // namespace

TEST_CASE(closing_the_main_form_ends_the_message_loop) {
  RecordingBackend backend;
  Application app(backend);
  auto& form = app.create_form<TestForm>(nullptr, "TTestMain", BorderStyle::kNone);
  form.show();
  ::PostMessageA(WindowOf(form), WM_CLOSE, 0, 0);
  app.run();
  CHECK(app.terminated());
  CHECK(!::IsWindowVisible(WindowOf(form)));
}

TEST_CASE(a_modal_form_disables_the_others_and_gives_activation_back) {
  Desk desk;
  auto modal = MakeForm<TestForm>(desk.app, &desk.main, "TTestModal", BorderStyle::kNone);
  bool main_enabled_inside = true;
  bool task_enabled_inside = true;
  AddButtonImage(*modal, "Confirm").on_click = [&](Control&) {
    main_enabled_inside = ::IsWindowEnabled(WindowOf(desk.main)) != FALSE;
    task_enabled_inside = ::IsWindowEnabled(Task(desk.backend)) != FALSE;
    modal->set_modal_result(kModalOk);
  };
  PostClick(WindowOf(*modal), 20, 20);
  CHECK_EQ(modal->show_modal(), kModalOk);
  CHECK(!main_enabled_inside);
  CHECK(!task_enabled_inside);
  CHECK(::IsWindowEnabled(WindowOf(desk.main)));
  CHECK(::IsWindowEnabled(Task(desk.backend)));
  CHECK(!::IsWindowVisible(WindowOf(*modal)));
  CHECK(::GetActiveWindow() == WindowOf(desk.main));
}

TEST_CASE(modal_forms_nest) {
  Desk desk;
  auto outer = MakeForm<TestForm>(desk.app, &desk.main, "TTestOuter", BorderStyle::kNone);
  bool main_enabled_in_inner = true;
  bool outer_enabled_in_inner = true;
  bool outer_enabled_after_inner = false;
  bool main_enabled_after_inner = true;
  int inner_result = kModalNone;
  AddButtonImage(*outer, "Open").on_click = [&](Control&) {
    auto inner = MakeForm<TestForm>(desk.app, outer.get(), "TTestInner", BorderStyle::kDialog);
    AddButtonImage(*inner, "Yes").on_click = [&](Control&) {
      main_enabled_in_inner = ::IsWindowEnabled(WindowOf(desk.main)) != FALSE;
      outer_enabled_in_inner = ::IsWindowEnabled(WindowOf(*outer)) != FALSE;
      inner->set_modal_result(kModalOk);
    };
    PostClick(WindowOf(*inner), 20, 20);
    inner_result = inner->show_modal();
    outer_enabled_after_inner = ::IsWindowEnabled(WindowOf(*outer)) != FALSE;
    main_enabled_after_inner = ::IsWindowEnabled(WindowOf(desk.main)) != FALSE;
    outer->set_modal_result(kModalCancel);
  };
  PostClick(WindowOf(*outer), 20, 20);
  CHECK_EQ(outer->show_modal(), kModalCancel);
  CHECK_EQ(inner_result, kModalOk);
  CHECK(!main_enabled_in_inner);
  CHECK(!outer_enabled_in_inner);
  CHECK(outer_enabled_after_inner);
  CHECK(!main_enabled_after_inner);  // the outer modal form still holds it
  CHECK(::IsWindowEnabled(WindowOf(desk.main)));
}

TEST_CASE(closing_a_modal_form_cancels_it) {
  Desk desk;
  auto modal = MakeForm<TestForm>(desk.app, &desk.main, "TTestModal", BorderStyle::kDialog);
  ::PostMessageA(WindowOf(*modal), WM_CLOSE, 0, 0);
  CHECK_EQ(modal->show_modal(), kModalCancel);
  CHECK(!desk.app.terminated());
  CHECK(::IsWindowVisible(WindowOf(desk.main)));
}

TEST_CASE(message_box_is_owned_and_keeps_the_other_windows_out_of_reach) {
  Win32Backend backend;
  Application app(backend);
  auto& main = app.create_form<TestForm>(nullptr, "TTestMain", BorderStyle::kNone);
  main.show();
  Pump(backend);
  box_seen = {};
  box_main = WindowOf(main);
  ::SetTimer(nullptr, 0, 50, AnswerBox);
  int answer = backend.message_box(nullptr, "Install the extra program?", "KTR", 0x1);
  CHECK(box_seen.found);
  CHECK_EQ(answer, IDCANCEL);
  CHECK(box_seen.owner == WindowOf(main));  // no owner given: the active window
  CHECK(!box_seen.main_enabled);
  CHECK(box_seen.text == "KTR");
  CHECK(::IsWindowEnabled(WindowOf(main)));
  CHECK(::GetActiveWindow() == WindowOf(main));
}

}  // namespace ktr::ui::win32::testing
