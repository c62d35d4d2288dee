#include "ui/toolkit.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/errors.h"
#include "testing/debugger_notes.h"
#include "testing/headless_backend.h"

namespace ktr::ui {
namespace {

using fake::HeadlessBackend;

class TestForm : public Form {
 public:
  TestForm(Application& app, Form* owner) : Form(app, owner) {
    add(std::make_unique<Image>(*this, "Back", 0, Rect{0, 0, 658, 334}));
    add(std::make_unique<Image>(*this, "Entry", 1, Rect{10, 10, 100, 20}));
    add(std::make_unique<Label>(*this, "Caption", 0, Rect{20, 12, 50, 10}, "x"));
    auto& ok = add(std::make_unique<Button>(*this, "Ok", 0, Rect{200, 200, 80, 25}, "OK"));
    ok.modal_result = kModalOk;
  }
  const char* class_name() const override { return "TTestForm"; }
  std::function<void()> on_create;

 protected:
  void FormCreate() override {
    if (on_create) on_create();
  }
};

Bitmap Picture(int w, int h) { return Bitmap{w, h, std::vector<std::uint32_t>(w * h, 0xFF102030)}; }

TEST(HitTest, TopmostVisibleEnabledControlGetsThePointer) {
  HeadlessBackend backend;
  Application app(backend);
  auto& form = app.create_form<TestForm>(nullptr);
  EXPECT_EQ(form.control_at(25, 15)->name(), "Caption");
  EXPECT_EQ(form.control_at(12, 12)->name(), "Entry");
  EXPECT_EQ(form.control_at(300, 300)->name(), "Back");

  // A disabled control lets the pointer fall through to the one beneath it;
  // so does an invisible one.
  form.find("Caption")->set_enabled(false);
  EXPECT_EQ(form.control_at(25, 15)->name(), "Entry");
  form.find("Entry")->set_visible(false);
  EXPECT_EQ(form.control_at(25, 15)->name(), "Back");
  EXPECT_EQ(form.control_at(700, 10), nullptr);
}

TEST(HitTest, EventsReachTheControlUnderThePointerOnly) {
  HeadlessBackend backend;
  Application app(backend);
  auto& form = app.create_form<TestForm>(nullptr);
  std::vector<std::string> seen;
  for (auto& c : form.controls()) {
    c->on_mouse_move = [&seen](Control& sender) { seen.push_back("move " + sender.name()); };
  }
  form.find("Entry")->on_click = [&seen](Control& sender) {
    seen.push_back("click " + sender.name());
  };
  form.find("Caption")->on_mouse_move = nullptr;
  form.mouse_move(25, 15);  // over the caption, which has no handler
  form.mouse_move(12, 12);
  form.mouse_click(12, 12);
  form.mouse_click(300, 300);  // the background has no click handler
  EXPECT_EQ(seen, (std::vector<std::string>{"move Entry", "click Entry"}));
}

TEST(Cursor, BusyScreenCursorOverridesControlCursors) {
  HeadlessBackend backend;
  Application app(backend);
  auto& form = app.create_form<TestForm>(nullptr);
  form.find("Entry")->set_cursor(Cursor::kHandPoint);
  EXPECT_EQ(form.cursor_at(12, 12), Cursor::kHandPoint);
  {
    BusyCursor busy(app);
    EXPECT_EQ(form.cursor_at(12, 12), Cursor::kHourGlass);
  }
  EXPECT_EQ(form.cursor_at(12, 12), Cursor::kHandPoint);
  EXPECT_EQ(backend.cursor_history, (std::vector<Cursor>{Cursor::kHourGlass, Cursor::kDefault}));
}

TEST(ImageControl, AutoSizeFollowsThePictureAndClearKeepsThePlace) {
  HeadlessBackend backend;
  Application app(backend);
  auto& form = app.create_form<TestForm>(nullptr);
  auto& entry = dynamic_cast<Image&>(*form.find("Entry"));
  entry.set_picture(Picture(172, 24));
  EXPECT_EQ(entry.bounds(), (Rect{10, 10, 172, 24}));
  entry.clear();
  EXPECT_FALSE(entry.picture());
  EXPECT_EQ(entry.bounds(), (Rect{10, 10, 172, 24}));
  EXPECT_EQ(form.control_at(150, 20), &entry);

  // A client-aligned picture larger than the window is cut, not grown into.
  auto& back = dynamic_cast<Image&>(*form.find("Back"));
  back.align_client = true;
  back.set_picture(Picture(660, 337));
  EXPECT_EQ(back.bounds(), (Rect{0, 0, 658, 334}));

  // A picture made on demand takes its size at once and is made once, when
  // first looked at; one cleared or replaced before that is never made.
  int made = 0;
  auto make = [&made] {
    ++made;
    return std::make_shared<const Bitmap>(Picture(67, 28));
  };
  entry.set_picture(67, 28, make);
  EXPECT_EQ(entry.bounds(), (Rect{10, 10, 67, 28}));
  EXPECT_EQ(made, 0);
  EXPECT_EQ(entry.picture()->width, 67);
  EXPECT_EQ(entry.picture()->width, 67);
  EXPECT_EQ(made, 1);
  entry.set_picture(67, 28, make);
  entry.clear();
  EXPECT_FALSE(entry.picture());
  entry.set_picture(67, 28, make);
  entry.set_picture(Picture(172, 24));
  EXPECT_EQ(entry.picture()->width, 172);
  EXPECT_EQ(made, 1);
}

TEST(DefaultErrorReport, MessageGetsAFullStopByTheLastCharacter) {
  EXPECT_EQ(Application::ReportText("Cannot open file D:\\a.bmp"), "Cannot open file D:\\a.bmp.");
  EXPECT_EQ(Application::ReportText("Done."), "Done.");
  EXPECT_EQ(Application::ReportText("Really?"), "Really?.");
  EXPECT_EQ(Application::ReportText("Stop!"), "Stop!");  // "!" sorts before "."
  EXPECT_EQ(Application::ReportText("(x)"), "(x)");
  EXPECT_EQ(Application::ReportText(""), "");
  EXPECT_EQ(Application::ReportText("\xC7\xD1\xB1\xDB"), "\xC7\xD1\xB1\xDB.");
}

TEST(DefaultErrorReport, HandlerErrorsAreReportedWithTheTitleAndTheStopIcon) {
  HeadlessBackend backend;
  Application app(backend);
  app.set_title("KTR Installation");
  auto& form = app.create_form<TestForm>(nullptr);
  bool after = false;
  form.find("Entry")->on_click = [&after](Control&) {
    throw FileOpenError("D:\\imgdata\\x.bmp", 3);
    after = true;
  };
  fake::DebuggerNotes notes;
  form.mouse_click(12, 12);
  EXPECT_FALSE(after);
  ASSERT_EQ(backend.message_boxes.size(), 1u);
  EXPECT_EQ(backend.message_boxes[0].text, "Cannot open file D:\\imgdata\\x.bmp.");
  // The system's cause is the debugger's, not the box's.
  EXPECT_EQ(notes.lines(),
            std::vector<std::string>{"KtrSetup: error report: Cannot open file D:\\imgdata\\x.bmp "
                                     "(system error 3)"});
  EXPECT_EQ(backend.message_boxes[0].caption, "KTR Installation");
  EXPECT_EQ(backend.message_boxes[0].style, 0x10u);
}

TEST(FormCreation, AFailedCreationStepIsReportedAndTheFormStillShows) {
  HeadlessBackend backend;
  Application app(backend);
  app.set_title("T");
  auto form = std::make_unique<TestForm>(app, nullptr);
  form->visible_at_creation = true;
  form->on_create = [] { throw std::runtime_error("broken"); };
  form->create();
  EXPECT_TRUE(form->visible());
  ASSERT_EQ(backend.message_boxes.size(), 1u);
  EXPECT_EQ(backend.message_boxes[0].text, "broken.");
}

TEST(Modal, ButtonSetsTheResultBeforeItsHandlerAndTheHandlerMayTakeItBack) {
  HeadlessBackend backend;
  Application app(backend);
  auto& main = app.create_form<TestForm>(nullptr);
  auto dialog = MakeForm<TestForm>(app, &main);
  int seen_in_handler = -1;
  bool refuse = true;
  dialog->find("Ok")->on_click = [&](Control& c) {
    seen_in_handler = c.form().modal_result();
    if (refuse) c.form().set_modal_result(kModalNone);
  };
  backend.modal_scripts["TTestForm"] = [&](Form& f) {
    fake::ClickOn(f, "Ok");
    EXPECT_EQ(f.modal_result(), kModalNone);  // refused: still open
    refuse = false;
    fake::ClickOn(f, "Ok");
  };
  EXPECT_EQ(dialog->show_modal(), kModalOk);
  EXPECT_EQ(seen_in_handler, kModalOk);
  EXPECT_FALSE(dialog->visible());
}

TEST(Modal, ClosingAModalFormCancelsItAndClosingTheMainFormEndsTheProgram) {
  HeadlessBackend backend;
  Application app(backend);
  auto& main = app.create_form<TestForm>(nullptr);
  auto dialog = MakeForm<TestForm>(app, &main);
  backend.modal_scripts["TTestForm"] = [](Form& f) { f.close_requested(); };
  EXPECT_EQ(dialog->show_modal(), kModalCancel);
  EXPECT_FALSE(app.terminated());
  main.close_requested();
  EXPECT_TRUE(app.terminated());
}

}  // namespace
}  // namespace ktr::ui
