// The native windows: frames, sizes, placement, owner and the task-bar window.
#include <string>

#include "ui/win32/fonts.h"
#include "ui/win32/tests/check.h"
#include "ui/win32/tests/support.h"

namespace ktr::ui::win32::testing {
namespace {

std::string ClassOf(HWND window) {
  char name[64] = {};
  ::GetClassNameA(window, name, sizeof(name));
  return name;
}

std::string TextOf(HWND window) {
  char text[256] = {};
  ::GetWindowTextA(window, text, sizeof(text));
  return text;
}

RECT ClientOf(HWND window) {
  RECT r;
  ::GetClientRect(window, &r);
  return r;
}

RECT FrameOf(HWND window) {
  RECT r;
  ::GetWindowRect(window, &r);
  return r;
}

}  // namespace

TEST_CASE(borderless_form_is_a_popup_of_its_client_size_centred_when_shown) {
  RecordingBackend backend;
  Application app(backend);
  auto& form = app.create_form<TestForm>(nullptr, "TTestMain", BorderStyle::kNone);
  form.set_caption("Main menu");
  HWND window = WindowOf(form);
  CHECK(ClassOf(window) == "TTestMain");
  CHECK(TextOf(window) == "Main menu");
  CHECK_EQ(ClientOf(window).right, 658L);
  CHECK_EQ(ClientOf(window).bottom, 334L);
  const LONG style = ::GetWindowLongA(window, GWL_STYLE);
  CHECK((style & WS_POPUP) != 0);
  CHECK((style & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU)) == 0);
  CHECK(::GetWindow(window, GW_OWNER) == reinterpret_cast<HWND>(backend.application_handle()));
  CHECK(!::IsWindowVisible(window));

  form.show();
  CHECK(::IsWindowVisible(window));
  RECT frame = FrameOf(window);
  CHECK_EQ(frame.left, static_cast<LONG>((::GetSystemMetrics(SM_CXSCREEN) - 658) / 2));
  CHECK_EQ(frame.top, static_cast<LONG>((::GetSystemMetrics(SM_CYSCREEN) - 334) / 2));
  CHECK_EQ(frame.right - frame.left, 658L);
}

TEST_CASE(dialog_form_has_a_fixed_frame_with_close_box_only) {
  RecordingBackend backend;
  Application app(backend);
  auto& dialog = app.create_form<TestForm>(nullptr, "TTestDialog", BorderStyle::kDialog);
  HWND window = WindowOf(dialog);
  const LONG style = ::GetWindowLongA(window, GWL_STYLE);
  CHECK((style & WS_CAPTION) == WS_CAPTION);
  CHECK((style & WS_SYSMENU) != 0);
  CHECK((style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME)) == 0);
  CHECK_EQ(ClientOf(window).right, 496L);
  CHECK_EQ(ClientOf(window).bottom, 304L);
  HMENU menu = ::GetSystemMenu(window, FALSE);
  CHECK(::GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND) != static_cast<UINT>(-1));
  CHECK(::GetMenuState(menu, SC_SIZE, MF_BYCOMMAND) == static_cast<UINT>(-1));
  CHECK(::GetMenuState(menu, SC_MAXIMIZE, MF_BYCOMMAND) == static_cast<UINT>(-1));

  dialog.show();
  RECT frame = FrameOf(window);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  CHECK(width > 496 && height > 304);  // a frame and a title bar around the client area
  CHECK_EQ(frame.left, static_cast<LONG>((::GetSystemMetrics(SM_CXSCREEN) - width) / 2));
  CHECK_EQ(frame.top, static_cast<LONG>((::GetSystemMetrics(SM_CYSCREEN) - height) / 2));
}

TEST_CASE(application_window_carries_the_title_and_shows_only_with_a_form) {
  RecordingBackend backend;
  Application app(backend);
  HWND task = reinterpret_cast<HWND>(backend.application_handle());
  app.set_title("KTR Installation");
  CHECK(TextOf(task) == "KTR Installation");
  app.set_title("");
  CHECK(TextOf(task).empty());
  CHECK((::GetWindowLongA(task, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) == 0);

  auto& form = app.create_form<TestForm>(nullptr, "TTestMain", BorderStyle::kNone);
  CHECK(!::IsWindowVisible(task));
  form.show();
  CHECK(::IsWindowVisible(task));
  // Never seen: no size, or wholly off the screens.
  RECT frame = FrameOf(task);
  RECT screens{::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_YVIRTUALSCREEN),
               ::GetSystemMetrics(SM_XVIRTUALSCREEN) + ::GetSystemMetrics(SM_CXVIRTUALSCREEN),
               ::GetSystemMetrics(SM_YVIRTUALSCREEN) + ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
  RECT overlap;
  CHECK(::IsRectEmpty(&frame) || !::IntersectRect(&overlap, &frame, &screens));
  form.hide();
  CHECK(!::IsWindowVisible(task));
}

TEST_CASE(icon_title_font_is_the_systems) {
  RecordingBackend backend;
  LOGFONTA expected{};
  ::SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof(expected), &expected, 0);
  Font font = backend.icon_title_font();
  CHECK(font.face == expected.lfFaceName);
  CHECK(!font.face.empty());
  CHECK_EQ(font.height, static_cast<int>(expected.lfHeight));
  CHECK_EQ(font.charset, static_cast<int>(expected.lfCharSet));
}

TEST_CASE(forms_go_and_come_with_the_minimized_program) {
  RecordingBackend backend;
  Application app(backend);
  auto& form = app.create_form<TestForm>(nullptr, "TTestMain", BorderStyle::kNone);
  form.show();
  HWND task = reinterpret_cast<HWND>(backend.application_handle());
  ::ShowWindow(task, SW_MINIMIZE);
  Pump(backend);
  CHECK(::IsIconic(task));
  CHECK(!::IsWindowVisible(WindowOf(form)));
  CHECK(form.visible());  // still shown as far as the windows know
  ::ShowWindow(task, SW_RESTORE);
  Pump(backend);
  CHECK(::IsWindowVisible(WindowOf(form)));
}

namespace {

constexpr int kChildAnswered = 0x10;
constexpr int kChildMainVisible = 0x1;
constexpr int kChildProgramMinimized = 0x2;
constexpr int kChildMainMaximized = 0x4;

// Starts this program again with a start-up show request and gives what its
// main form did with it, as the child's flags.
int StartedWith(WORD show) {
  char path[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string command = std::string("\"") + path + "\" --child startup";
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = show;
  PROCESS_INFORMATION started{};
  if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
    return -1;
  }
  ktr::win32::UniqueHandle process(started.hProcess);
  ktr::win32::UniqueHandle thread(started.hThread);
  if (::WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0) return -2;
  DWORD code = 0;
  ::GetExitCodeProcess(process.get(), &code);
  return static_cast<int>(code);
}

}  // namespace

int RunChild(const std::string& name) {
  if (name != "startup") return 1;
  RecordingBackend backend;
  Application app(backend);
  auto& main = app.create_form<TestForm>(nullptr, "TTestMain", BorderStyle::kNone);
  auto& other = app.create_form<TestForm>(nullptr, "TTestOther", BorderStyle::kNone);
  other.show();  // not the main form: the request is not its
  const bool other_plain = !::IsZoomed(WindowOf(other));
  main.show();
  Pump(backend);
  int flags = kChildAnswered;
  if (::IsWindowVisible(WindowOf(main))) flags |= kChildMainVisible;
  if (::IsIconic(reinterpret_cast<HWND>(backend.application_handle()))) {
    flags |= kChildProgramMinimized;
  }
  if (::IsZoomed(WindowOf(main))) flags |= kChildMainMaximized;
  return other_plain ? flags : 0;
}

TEST_CASE(the_start_up_show_request_applies_to_the_main_form) {
  CHECK_EQ(StartedWith(SW_SHOWNORMAL), kChildAnswered | kChildMainVisible);
  CHECK_EQ(StartedWith(SW_SHOWMAXIMIZED), kChildAnswered | kChildMainVisible | kChildMainMaximized);
  // Minimized: only the program's task-bar button, the forms hidden with it.
  CHECK_EQ(StartedWith(SW_SHOWMINNOACTIVE), kChildAnswered | kChildProgramMinimized);
}

TEST_CASE(captions_are_read_in_the_system_code_page) {
  // An ANSI_CHARSET font on a Japanese system would read Shift-JIS as 1252.
  CHECK_EQ(CharsetForCaptions(ANSI_CHARSET, 1252, 932), DEFAULT_CHARSET);
  CHECK_EQ(CharsetForCaptions(ANSI_CHARSET, 1252, 1252), ANSI_CHARSET);
  CHECK_EQ(CharsetForCaptions(HANGEUL_CHARSET, 949, 949), HANGEUL_CHARSET);
  CHECK_EQ(CharsetForCaptions(SHIFTJIS_CHARSET, 932, 949), DEFAULT_CHARSET);
  CHECK_EQ(CharsetForCaptions(DEFAULT_CHARSET, 0, 936), DEFAULT_CHARSET);

  FormFont font;
  Font ansi = Font{};
  ansi.charset = ANSI_CHARSET;
  font.update(ansi);
  LOGFONTA made{};
  ::GetObjectA(font.get(), sizeof(made), &made);
  CHECK_EQ(static_cast<int>(made.lfCharSet), ::GetACP() == 1252 ? ANSI_CHARSET : DEFAULT_CHARSET);
  CHECK(!font.update(ansi).has_value());  // unchanged: the same handle stays
  ansi.height = -13;
  CHECK(font.update(ansi).has_value());
}

}  // namespace ktr::ui::win32::testing
