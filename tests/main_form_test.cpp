#include <gtest/gtest.h>

#include <map>

#include "forms/frm_main.h"
#include "lang/multilang.h"
#include "testing/debugger_notes.h"
#include "testing/fake_host.h"
#include "testing/headless_backend.h"
#include "tests/fakes/test_medium.h"

namespace ktr::app {
namespace {

using forms::TMainForm;

using fake::ClickOn;
using fake::FileShownBy;
using fake::ImageNamed;
using fake::MoveOver;
using fake::Press;

class MainFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake.files.put_current_directory("D:\\KTR Setup");
    fake.files.set_program_path("E:\\Media\\KtrSetup.exe");
    medium.root = "D:\\KTR Setup\\";
    medium.strings = {{"RES_MANUAL", "Manual\\Manual.pdf"},
                      {"RES_ERROR", "Error"},
                      {"RES_ERROR_EXPLOER", "The manual cannot be opened"},
                      {"RES_CLIENT_INSTALL", "Install\\Client\\Setup.exe /quiet"},
                      {"RES_SERVER_INSTALL", "Install\\Server\\Setup.exe"},
                      {"RES_CODE_X_INSTALL", "Install\\CodeX\\CodeX.exe"},
                      {"RES_CODE_X", "Install the extra program?"},
                      {"RES_INSTALL_TITLE", "Extra"}};
  }
  void TearDown() override { lang::SetLanguageIndexForTesting(lang::kEnglish); }

  void Speak(std::uint32_t lcid, std::string_view language) {
    fake.locale.lcid = lcid;
    lang::InitLanguageIndex(fake.locale);
    medium.install(fake.files, language);
  }
  TMainForm& Open() {
    form = &app.create_form<TMainForm>(fake.host());
    return *form;
  }
  std::string Shown(const char* image) { return FileShownBy(ImageNamed(*form, image).picture()); }
  // Every picture of the window, bottom to top.
  std::string Pictures() {
    std::string all;
    for (const auto& control : form->controls()) {
      if (auto* image = dynamic_cast<ui::Image*>(control.get())) {
        all += FileShownBy(image->picture()) + ' ';
      }
    }
    return all;
  }
  void SetWindows2000Professional() {
    fake.version.platform = 2;
    fake.registry.set("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "ProductName",
                      "Microsoft Windows 2000");
    fake.registry.set("SYSTEM\\CurrentControlSet\\Control\\ProductOptions", "ProductType", "WinNT");
  }

  fake::FakeHost fake;
  fake::TestMedium medium;
  fake::HeadlessBackend backend;
  ui::Application app{backend};
  TMainForm* form = nullptr;
};

TEST_F(MainFormTest, CreationTakesTheSkinOfTheLanguage) {
  Speak(0x0409, "ENGLISH");
  Open();
  EXPECT_EQ(form->launch_folder(), "D:\\KTR Setup\\");
  EXPECT_EQ(form->FLanguageIndex, lang::kEnglish);
  EXPECT_EQ(Shown("ImgBackground"), "BackgroundEmpty.bmp");
  EXPECT_EQ(Shown("ImgContent"), "ContentEmpty.bmp");
  EXPECT_EQ(Shown("ImgManual"), "Button1.bmp");
  EXPECT_EQ(Shown("ImgExit"), "ButtonExit.bmp");
  EXPECT_EQ(form->font().face, "Tahoma");
  EXPECT_TRUE(form->visible());
  EXPECT_EQ(backend.cursor_history,
            (std::vector<ui::Cursor>{ui::Cursor::kHourGlass, ui::Cursor::kDefault}));
}

TEST_F(MainFormTest, HoverLatchHighlightsOneEntryPerCrossingOfTheBackground) {
  Speak(0x0409, "ENGLISH");
  Open();
  MoveOver(*form, "ImgManual");
  EXPECT_EQ(Shown("ImgManual"), "ButtonAct1.bmp");
  EXPECT_EQ(Shown("ImgContent"), "ContentManual.bmp");
  EXPECT_TRUE(form->latch().AnyHighlighted());

  // Moving within the entry loads nothing more.
  const std::size_t opens = fake.files.opens.size();
  MoveOver(*form, "ImgManual");
  EXPECT_EQ(fake.files.opens.size(), opens);

  // Straight onto the next entry: the first stays highlighted.
  MoveOver(*form, "ImgSnScan");
  EXPECT_EQ(Shown("ImgManual"), "ButtonAct1.bmp");
  EXPECT_EQ(Shown("ImgSnScan"), "Button2.bmp");

  // The content panel has no handler of its own.
  MoveOver(*form, "ImgContent");
  EXPECT_TRUE(form->latch().AnyHighlighted());

  form->mouse_move(5, 5);
  EXPECT_EQ(Shown("ImgManual"), "Button1.bmp");
  EXPECT_EQ(Shown("ImgContent"), "ContentEmpty.bmp");
  EXPECT_FALSE(form->latch().AnyHighlighted());
  EXPECT_FALSE(form->latch().EntryHighlighted(1));

  // A second background movement loads nothing.
  const std::size_t after = fake.files.opens.size();
  form->mouse_move(6, 6);
  EXPECT_EQ(fake.files.opens.size(), after);
}

TEST_F(MainFormTest, EveryEntryShowsItsOwnContentPicture) {
  Speak(0x0409, "ENGLISH");
  Open();
  const std::vector<std::tuple<const char*, const char*, const char*>> rows = {
      {"ImgManual", "ButtonAct1.bmp", "ContentManual.bmp"},
      {"ImgSnScan", "ButtonAct2.bmp", "ContentSnScan.bmp"},
      {"ImgInstallClient", "ButtonAct3.bmp", "ContentInstallClient.bmp"},
      {"ImgInstallServer", "ButtonAct4.bmp", "ContentInstallServer.bmp"},
      {"ImgCDView", "ButtonAct5.bmp", "ContentEmpty.bmp"},
      {"ImgExit", "ButtonExitAct.bmp", "ContentEmpty.bmp"},
  };
  for (const auto& [image, active, content] : rows) {
    MoveOver(*form, image);
    EXPECT_EQ(Shown(image), active) << image;
    EXPECT_EQ(Shown("ImgContent"), content) << image;
    form->mouse_move(5, 5);
  }
}

TEST_F(MainFormTest, AnInvalidPictureAtCreationClearsAllEightAndTheEntriesStillWork) {
  Speak(0x0409, "ENGLISH");
  fake.files.add_file(medium.skin_path("Button3.bmp"), "not a bitmap at all");
  Open();
  for (const char* image : {"ImgBackground", "ImgContent", "ImgManual", "ImgSnScan",
                            "ImgInstallClient", "ImgInstallServer", "ImgCDView", "ImgExit"}) {
    EXPECT_FALSE(ImageNamed(*form, image).picture()) << image;
  }
  EXPECT_TRUE(backend.message_boxes.empty());
  EXPECT_EQ(backend.cursor_history.back(), ui::Cursor::kDefault);
  // A cleared entry keeps its place; a later valid load shows its picture.
  MoveOver(*form, "ImgManual");
  EXPECT_EQ(Shown("ImgManual"), "ButtonAct1.bmp");
  EXPECT_EQ(Shown("ImgContent"), "ContentManual.bmp");
}

TEST_F(MainFormTest, InvalidPicturesWhileHoveringClearEntriesButKeepTheBackground) {
  Speak(0x0409, "ENGLISH");
  Open();
  fake.files.add_file(medium.skin_path("ContentSnScan.bmp"), "BMgarbage");
  MoveOver(*form, "ImgSnScan");
  EXPECT_EQ(Shown("ImgBackground"), "BackgroundEmpty.bmp");
  EXPECT_FALSE(ImageNamed(*form, "ImgSnScan").picture());
  EXPECT_FALSE(ImageNamed(*form, "ImgContent").picture());
  EXPECT_TRUE(form->latch().AnyHighlighted());
  EXPECT_FALSE(form->latch().EntryHighlighted(2));

  // And while restoring: the restore stops, the rest stays flagged.
  form->mouse_move(5, 5);
  MoveOver(*form, "ImgManual");
  fake.files.add_file(medium.skin_path("Button1.bmp"), "BMgarbage");
  form->mouse_move(5, 5);
  EXPECT_FALSE(form->latch().AnyHighlighted());
  EXPECT_TRUE(form->latch().EntryHighlighted(1));
  EXPECT_FALSE(ImageNamed(*form, "ImgManual").picture());
  EXPECT_TRUE(backend.message_boxes.empty());
}

TEST_F(MainFormTest, APictureWithoutMemoryForItsScaledCopyIsAnInvalidOne) {
  Speak(0x0409, "ENGLISH");
  Open();
  backend.pictures_find_no_memory = true;
  MoveOver(*form, "ImgSnScan");
  EXPECT_EQ(Shown("ImgBackground"), "BackgroundEmpty.bmp");
  EXPECT_FALSE(ImageNamed(*form, "ImgSnScan").picture());
  EXPECT_FALSE(ImageNamed(*form, "ImgContent").picture());
  EXPECT_TRUE(backend.message_boxes.empty());
}

TEST_F(MainFormTest, MissingPicturesAreReportedAndRetriedOnTheNextMovement) {
  Speak(0x0409, "ENGLISH");
  Open();
  fake.files.remove(medium.skin_path("ButtonAct4.bmp"));
  MoveOver(*form, "ImgInstallServer");
  MoveOver(*form, "ImgInstallServer");
  ASSERT_EQ(backend.message_boxes.size(), 2u);
  EXPECT_EQ(backend.message_boxes[0].text,
            "Cannot open file D:\\KTR Setup\\imgdata\\SkinKor\\ButtonAct4.bmp.");
  EXPECT_FALSE(form->latch().AnyHighlighted());

  // A missing normal picture leaves the latch set, so the background retries.
  medium.install(fake.files, "ENGLISH");
  MoveOver(*form, "ImgInstallServer");
  fake.files.remove(medium.skin_path("Button4.bmp"));
  form->mouse_move(5, 5);
  EXPECT_EQ(backend.message_boxes.size(), 3u);
  EXPECT_TRUE(form->latch().AnyHighlighted());
  medium.install(fake.files, "ENGLISH");
  form->mouse_move(5, 5);
  EXPECT_FALSE(form->latch().AnyHighlighted());
  EXPECT_EQ(Shown("ImgInstallServer"), "Button4.bmp");
}

TEST_F(MainFormTest, MissingPictureAtCreationKeepsTheEarlierSkinAndTheBuiltInRest) {
  Speak(0x0409, "ENGLISH");
  fake.files.remove(medium.skin_path("Button2.bmp"));
  Open();
  ASSERT_EQ(backend.message_boxes.size(), 1u);
  EXPECT_EQ(backend.message_boxes[0].style, 0x10u);
  EXPECT_EQ(Shown("ImgManual"), "Button1.bmp");
  EXPECT_TRUE(ImageNamed(*form, "ImgSnScan").picture());  // built-in
  EXPECT_EQ(Shown("ImgSnScan"), "");
  EXPECT_TRUE(form->visible());
}

TEST_F(MainFormTest, ScannerGetsThePackageOfTheLanguageAndTheWindowStays) {
  for (auto [lcid, language, package] : {std::tuple{0x0412u, "KOREAN", "/LITE/snlitekor.zip"},
                                         std::tuple{0x0411u, "JAPANESE", "/LITE/snliteeng.zip"},
                                         std::tuple{0x0409u, "ENGLISH", "/LITE/snliteeng.zip"}}) {
    fake.processes.runs.clear();
    Speak(lcid, language);
    Open();
    ClickOn(*form, "ImgSnScan");
    const auto started = fake.processes.started();
    ASSERT_EQ(started.size(), 1u);
    const auto& run = started[0];
    EXPECT_EQ(run.command_line.rfind("\"D:\\KTR Setup\\Run Sentova\\revuvez.exe\" http://", 0), 0u)
        << run.command_line;
    EXPECT_EQ(run.command_line.substr(run.command_line.size() - 19), package);
    EXPECT_EQ(run.show, 5);
    EXPECT_TRUE(form->visible());
  }
}

TEST_F(MainFormTest, ServerInstallerRunsWithTheWindowHidden) {
  Speak(0x0409, "ENGLISH");
  Open();
  fake.files.add_file("D:\\KTR Setup\\Install\\Server\\Setup.exe");
  std::vector<bool> visible_during;
  fake.processes.during_wait = [&](const std::string&) {
    visible_during.push_back(form->visible());
  };
  MoveOver(*form, "ImgInstallServer");
  ClickOn(*form, "ImgInstallServer");
  ASSERT_EQ(fake.processes.waited().size(), 1u);
  EXPECT_EQ(fake.processes.waited()[0].command_line,
            "\"D:\\KTR Setup\\Install\\Server\\Setup.exe\"");
  EXPECT_EQ(visible_during, std::vector<bool>{false});
  EXPECT_TRUE(form->visible());
  // The clicked entry stays highlighted until the pointer crosses the background.
  EXPECT_EQ(Shown("ImgInstallServer"), "ButtonAct4.bmp");

  // An installer that does not start brings the window back without a word.
  fake.processes.set_missing("D:\\KTR Setup\\Install\\Server\\Setup.exe");
  ClickOn(*form, "ImgInstallServer");
  EXPECT_TRUE(form->visible());
  EXPECT_TRUE(backend.message_boxes.empty());
}

TEST_F(MainFormTest, ClientInstallerOutsideKoreanOffersTheExtraProgramOnlyWhereItIsWanted) {
  Speak(0x0409, "ENGLISH");
  fake.files.add_file("D:\\KTR Setup\\Install\\Client\\Setup.exe");
  fake.files.add_file("D:\\KTR Setup\\Install\\CodeX\\CodeX.exe");
  struct Case {
    std::string product;
    std::string type;
    std::size_t questions;
  };
  for (const Case& c : {Case{"Microsoft Windows 2000", "WinNT", 1},     // 5
                        Case{"Microsoft Windows 2000", "ServerNT", 1},  // 6
                        Case{"Microsoft Windows NT", "ServerNT", 1},    // 3
                        Case{"Microsoft Windows NT", "WinNT", 0},       // 4
                        Case{"Microsoft Windows XP", "WinNT", 0}}) {    // 7
    fake.registry.set("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "ProductName", c.product);
    fake.registry.set("SYSTEM\\CurrentControlSet\\Control\\ProductOptions", "ProductType", c.type);
    backend.message_boxes.clear();
    fake.processes.runs.clear();
    if (!form) Open();
    backend.message_box_answers = {ui::kIdCancel};
    ClickOn(*form, "ImgInstallClient");
    EXPECT_EQ(backend.message_boxes.size(), c.questions) << c.product << " " << c.type;
    ASSERT_EQ(fake.processes.waited().size(), 1u);
    EXPECT_EQ(fake.processes.waited()[0].command_line,
              "\"D:\\KTR Setup\\Install\\Client\\Setup.exe\" /quiet");
  }
}

TEST_F(MainFormTest, OkRunsTheExtraProgramAfterTheClientInstallerWithTheWindowHidden) {
  Speak(0x0409, "ENGLISH");
  SetWindows2000Professional();
  fake.files.add_file("D:\\KTR Setup\\Install\\Client\\Setup.exe");
  fake.files.add_file("D:\\KTR Setup\\Install\\CodeX\\CodeX.exe");
  Open();
  std::vector<bool> visible_during;
  fake.processes.during_wait = [&](const std::string&) {
    visible_during.push_back(form->visible());
  };
  backend.message_box_answers = {ui::kIdOk};
  ClickOn(*form, "ImgInstallClient");
  ASSERT_EQ(backend.message_boxes.size(), 1u);
  EXPECT_EQ(backend.message_boxes[0].text, "Install the extra program?");
  EXPECT_EQ(backend.message_boxes[0].caption, "Extra");
  EXPECT_EQ(backend.message_boxes[0].style, 1u);
  EXPECT_EQ(backend.message_boxes[0].owner_class, "TMainForm");
  ASSERT_EQ(fake.processes.waited().size(), 2u);
  EXPECT_EQ(fake.processes.waited()[1].command_line,
            "\"D:\\KTR Setup\\Install\\CodeX\\CodeX.exe\"");
  EXPECT_EQ(visible_during, (std::vector<bool>{false, false}));
  EXPECT_TRUE(form->visible());

  // Without the extra program's file nothing is asked.
  fake.files.remove("D:\\KTR Setup\\Install\\CodeX\\CodeX.exe");
  ClickOn(*form, "ImgInstallClient");
  EXPECT_EQ(backend.message_boxes.size(), 1u);
}

TEST_F(MainFormTest, KoreanClientInstallationOpensTheMenuWithTheMainWindowHidden) {
  Speak(0x0412, "KOREAN");
  SetWindows2000Professional();
  Open();
  std::vector<bool> main_visible;
  backend.modal_scripts["TUserSetup"] = [&](ui::Form& setup) {
    main_visible.push_back(form->visible());
    EXPECT_EQ(setup.owner(), form);
    setup.set_modal_result(ui::kModalCancel);
  };
  ClickOn(*form, "ImgInstallClient");
  EXPECT_EQ(main_visible, std::vector<bool>{false});
  EXPECT_TRUE(form->visible());
  EXPECT_TRUE(fake.processes.waited().empty());  // no installer, no question
  EXPECT_TRUE(backend.message_boxes.empty());
}

TEST_F(MainFormTest, ManualOpensThroughTheShellAndReportsOnlyRaisedErrors) {
  Speak(0x0409, "ENGLISH");
  Open();
  ClickOn(*form, "ImgManual");
  ASSERT_EQ(fake.shell.calls.size(), 1u);
  EXPECT_EQ(fake.shell.calls[0].verb, "open");
  EXPECT_EQ(fake.shell.calls[0].file, "D:\\KTR Setup\\Manual\\Manual.pdf");
  EXPECT_EQ(fake.shell.calls[0].show, 1);
  EXPECT_EQ(fake.shell.calls[0].owner, fake::HeadlessBackend::kApplicationHandle);
  fake.shell.result = 2;  // the shell's own "file not found" says nothing
  ClickOn(*form, "ImgManual");
  EXPECT_TRUE(backend.message_boxes.empty());

  fake.shell.throw_message = "broken shell";
  ClickOn(*form, "ImgManual");
  ASSERT_EQ(backend.message_boxes.size(), 1u);
  EXPECT_EQ(backend.message_boxes[0].text, "The manual cannot be opened");
  EXPECT_TRUE(backend.message_boxes[0].application_window);
  EXPECT_EQ(backend.message_boxes[0].caption, "Error");
  EXPECT_EQ(backend.message_boxes[0].style, 0u);
  EXPECT_EQ(backend.cursor_history.back(), ui::Cursor::kDefault);
}

TEST_F(MainFormTest, BrowseOpensTheProgramFolderAndExitEndsTheProgram) {
  Speak(0x0409, "ENGLISH");
  Open();
  ClickOn(*form, "ImgCDView");
  ASSERT_EQ(fake.shell.calls.size(), 1u);
  EXPECT_EQ(fake.shell.calls[0].verb, "explore");
  EXPECT_EQ(fake.shell.calls[0].file, "E:\\Media\\");
  EXPECT_EQ(fake.shell.calls[0].owner, 0u);
  fake.shell.throw_message = "no explorer";
  fake::DebuggerNotes notes;
  ClickOn(*form, "ImgCDView");
  EXPECT_TRUE(backend.message_boxes.empty());
  EXPECT_EQ(notes.lines(), std::vector<std::string>{"KtrSetup: medium view: no explorer"});

  ClickOn(*form, "ImgExit");
  EXPECT_TRUE(app.terminated());
}

TEST_F(MainFormTest, KeysWalkTheEntriesInScreenOrderShowingWhatThePointerShows) {
  Speak(0x0409, "ENGLISH");
  Open();
  std::map<std::string, std::string> under_pointer;
  for (const char* entry :
       {"ImgManual", "ImgSnScan", "ImgInstallClient", "ImgInstallServer", "ImgCDView", "ImgExit"}) {
    form->mouse_move(5, 5);
    MoveOver(*form, entry);
    under_pointer[entry] = Pictures();
  }
  form->mouse_move(5, 5);
  const std::string at_rest = Pictures();
  Press(*form, ui::Key::kEscape);
  EXPECT_EQ(Pictures(), at_rest);
  const struct {
    ui::Key key;
    bool shift;
    const char* entry;
  } steps[] = {
      {ui::Key::kTab, false, "ImgManual"},         {ui::Key::kTab, false, "ImgSnScan"},
      {ui::Key::kDown, false, "ImgInstallClient"}, {ui::Key::kRight, false, "ImgInstallServer"},
      {ui::Key::kTab, false, "ImgCDView"},         {ui::Key::kTab, false, "ImgExit"},
      {ui::Key::kTab, false, "ImgManual"},         {ui::Key::kTab, true, "ImgExit"},
      {ui::Key::kUp, false, "ImgCDView"},          {ui::Key::kLeft, false, "ImgInstallServer"},
  };
  for (const auto& step : steps) {
    Press(*form, step.key, step.shift);
    EXPECT_EQ(Pictures(), under_pointer[step.entry]) << step.entry;
  }
}

TEST_F(MainFormTest, EnterAndSpacePressTheKeyboardsEntryAndThePointerTakesOverAtOnce) {
  Speak(0x0409, "ENGLISH");
  Open();
  // Under the pointer alone, Enter presses nothing.
  MoveOver(*form, "ImgExit");
  Press(*form, ui::Key::kReturn);
  EXPECT_FALSE(app.terminated());
  form->mouse_move(5, 5);
  for (int i = 0; i < 5; ++i) Press(*form, ui::Key::kTab);
  Press(*form, ui::Key::kReturn);
  ASSERT_EQ(fake.shell.calls.size(), 1u);
  EXPECT_EQ(fake.shell.calls[0].verb, "explore");

  // The pointer leads as soon as it moves, even from entry to entry.
  MoveOver(*form, "ImgManual");
  EXPECT_EQ(Shown("ImgCDView"), "Button5.bmp");
  EXPECT_EQ(Shown("ImgManual"), "ButtonAct1.bmp");
  // The keyboard goes on from there; a report at the pointer's place is no movement.
  Press(*form, ui::Key::kTab);
  MoveOver(*form, "ImgManual");
  EXPECT_EQ(Shown("ImgManual"), "Button1.bmp");
  EXPECT_EQ(Shown("ImgSnScan"), "ButtonAct2.bmp");
  Press(*form, ui::Key::kSpace);
  ASSERT_EQ(fake.processes.started().size(), 1u);
  EXPECT_NE(fake.processes.started()[0].command_line.find("revuvez.exe"), std::string::npos);
}

struct TwoEntries : ui::Form {
  using ui::Form::Form;
  ui::Image* A = nullptr;
  ui::Image* B = nullptr;
  ui::Label* L = nullptr;
};

TEST(SkinTable, ARowWithoutItsMemberOrATagTakenTwiceIsAProgrammingError) {
  struct : forms::LatchPolicy {
    void ShowPicture(ui::Image&, std::string_view) override {}
    void HighlightBroken(const forms::LatchEntry&) override {}
    void RestoreBroken() override {}
  } policy;
  fake::HeadlessBackend backend;
  ui::Application app{backend};
  auto& form = app.create_form<TwoEntries>(nullptr);
  for (int second_tag : {1, forms::HoverLatch::kMaxEntries + 1}) {
    const forms::ControlRow<TwoEntries> rows[] = {
        forms::SkinEntry(&TwoEntries::A, "A", 1, {0, 0, 9, 9}, nullptr, nullptr, "a.bmp", "A.bmp"),
        forms::SkinEntry(&TwoEntries::B, "B", second_tag, {0, 9, 9, 9}, nullptr, nullptr,
                         "b.bmp", "B.bmp")};
    forms::BuildLayout<TwoEntries>(form, rows);
    EXPECT_EQ(form.B->tag(), second_tag);
    forms::HoverLatch latch(policy);
    EXPECT_THROW(latch.add_entries<TwoEntries>(form, rows), std::logic_error) << second_tag;
  }
  const forms::ControlRow<TwoEntries> unbound[] = {{.name = "C", .bounds = {0, 0, 9, 9}}};
  EXPECT_THROW(forms::BuildLayout<TwoEntries>(form, unbound), std::logic_error);
  const forms::ControlRow<TwoEntries> twice[] = {
      {.image = &TwoEntries::A, .label = &TwoEntries::L, .name = "AL"}};
  EXPECT_THROW(forms::BuildLayout<TwoEntries>(form, twice), std::logic_error);
}

// What a screen reader reads of the main menu: six push buttons in the
// keyboard's order, named and described by the medium's keys (looked up
// when asked), and nothing of the pictures that only illustrate.
TEST_F(MainFormTest, ScreenReadersReadTheEntriesNamedByTheMedium) {
  medium.strings.insert({{"RES_MAINFORM", "KTR Setup"},
                         {"RES_NAME_MANUAL", "Manual"},
                         {"RES_NAME_SCAN", "Virus scan"},
                         {"RES_NAME_CLIENT", "Install client"},
                         {"RES_NAME_SERVER", "Install server"},
                         {"RES_NAME_BROWSE", "Browse"},
                         {"RES_NAME_EXIT", "Exit"},
                         {"RES_DESC_MANUAL", "Opens the manual."},
                         {"RES_DESC_SERVER", "Installs the server."}});
  Speak(0x0409, "ENGLISH");
  Open();
  EXPECT_EQ(form->accessible_name(ui::kAccessibleSelf), "KTR Setup");
  ASSERT_EQ(form->accessible_child_count(), 6);
  const char* order[] = {"ImgManual",        "ImgSnScan", "ImgInstallClient",
                         "ImgInstallServer", "ImgCDView", "ImgExit"};
  const char* names[] = {"Manual",         "Virus scan", "Install client",
                         "Install server", "Browse",     "Exit"};
  for (int id = 1; id <= 6; ++id) {
    SCOPED_TRACE(id);
    ui::Control& entry = *form->find(order[id - 1]);
    EXPECT_EQ(form->accessible_child(id), &entry);
    EXPECT_EQ(form->accessible_id(entry), id);
    EXPECT_EQ(form->accessible_role(id), ui::AccessibleRole::kPushButton);
    EXPECT_EQ(form->accessible_name(id), names[id - 1]);
    EXPECT_EQ(form->accessible_location(id), entry.bounds());
    EXPECT_EQ(form->accessible_default_action(id), "Press");
    EXPECT_TRUE(form->accessible_state(id).focusable);
    const ui::Rect& r = entry.bounds();
    EXPECT_EQ(form->accessible_child_at(r.left + r.width / 2, r.top + r.height / 2), id);
    EXPECT_EQ(form->accessible_navigate(id, ui::AccessibleDirection::kNext), id < 6 ? id + 1 : 0);
    EXPECT_EQ(form->accessible_navigate(id, ui::AccessibleDirection::kPrevious), id - 1);
  }
  EXPECT_EQ(form->accessible_description(1), "Opens the manual.");
  EXPECT_EQ(form->accessible_description(2), "");
  EXPECT_EQ(form->accessible_description(4), "Installs the server.");
  EXPECT_EQ(form->accessible_navigate(ui::kAccessibleSelf, ui::AccessibleDirection::kFirstChild),
            1);
  EXPECT_EQ(form->accessible_navigate(ui::kAccessibleSelf, ui::AccessibleDirection::kLastChild), 6);
  // The content picture is no child: the window itself is found over it.
  EXPECT_EQ(form->accessible_child_at(50, 150), ui::kAccessibleSelf);
  EXPECT_EQ(form->accessible_child_at(658, 10), std::nullopt);
  EXPECT_EQ(form->accessible_child(7), nullptr);
  EXPECT_EQ(form->accessible_name(7), "");
  // Read anew at every question, like every text of the medium.
  medium.strings["RES_NAME_EXIT"] = "Quit";
  medium.install(fake.files, "ENGLISH");
  EXPECT_EQ(form->accessible_name(6), "Quit");
  // A medium without the keys leaves the entries nameless, not missing.
  medium.strings.erase("RES_NAME_EXIT");
  medium.install(fake.files, "ENGLISH");
  EXPECT_EQ(form->accessible_name(6), "");
  EXPECT_EQ(form->accessible_child_count(), 6);
}

// The keyboard's highlight is the focus while the window has the keyboard,
// and every move is told; the pointer's highlight is a state, told as one.
TEST_F(MainFormTest, TheKeyboardMovesTheFocusAndThePointerTheHotTrackedState) {
  Speak(0x0409, "ENGLISH");
  Open();
  using E = ui::AccessibleEvent;
  using Heard = fake::AccessibleEventCall;
  form->keyboard_focus_changed(true);
  EXPECT_EQ(form->accessible_focus(), 0);
  backend.accessible_events.clear();
  Press(*form, ui::Key::kTab);
  Press(*form, ui::Key::kTab);
  Press(*form, ui::Key::kTab, true);
  EXPECT_EQ(backend.accessible_events, (std::vector<Heard>{{"TMainForm", E::kFocus, 1},
                                                           {"TMainForm", E::kFocus, 2},
                                                           {"TMainForm", E::kFocus, 1}}));
  EXPECT_EQ(form->accessible_focus(), 1);
  EXPECT_TRUE(form->accessible_state(1).focused);
  EXPECT_FALSE(form->accessible_state(2).focused);
  // Without the keyboard nothing is focused; getting it back tells again.
  form->keyboard_focus_changed(false);
  EXPECT_FALSE(form->accessible_state(1).focused);
  backend.accessible_events.clear();
  form->keyboard_focus_changed(true);
  EXPECT_EQ(backend.accessible_events, (std::vector<Heard>{{"TMainForm", E::kFocus, 1}}));
  // The pointer takes over: no focus move, the entries' states change.
  backend.accessible_events.clear();
  form->mouse_move(5, 5);
  MoveOver(*form, "ImgInstallServer");
  EXPECT_TRUE(form->accessible_state(4).hot_tracked);
  EXPECT_FALSE(form->accessible_state(1).focused);
  EXPECT_EQ(backend.accessible_events, (std::vector<Heard>{{"TMainForm", E::kStateChange, 4}}));
  backend.accessible_events.clear();
  MoveOver(*form, "ImgBackground");
  EXPECT_FALSE(form->accessible_state(4).hot_tracked);
  EXPECT_EQ(backend.accessible_events, (std::vector<Heard>{{"TMainForm", E::kStateChange, 4}}));
}

// The default action presses as a click does, and only what can be pressed.
TEST_F(MainFormTest, TheDefaultActionPressesTheEntry) {
  Speak(0x0409, "ENGLISH");
  Open();
  form->show();
  fake.files.add_file("D:\\KTR Setup\\Install\\Server\\Setup.exe");
  EXPECT_TRUE(form->accessible_can_press(4));
  form->accessible_press(4);
  ASSERT_EQ(fake.processes.waited().size(), 1u);
  EXPECT_EQ(fake.processes.waited()[0].command_line,
            "\"D:\\KTR Setup\\Install\\Server\\Setup.exe\"");
  EXPECT_TRUE(form->visible());
  form->ImgExit->set_enabled(false);
  EXPECT_TRUE(form->accessible_state(6).unavailable);
  EXPECT_FALSE(form->accessible_can_press(6));
  form->accessible_press(6);
  EXPECT_FALSE(app.terminated());
  form->ImgExit->set_enabled(true);
  form->accessible_press(6);
  EXPECT_TRUE(app.terminated());
  EXPECT_FALSE(form->accessible_can_press(ui::kAccessibleSelf));
}

}  // namespace
}  // namespace ktr::app
