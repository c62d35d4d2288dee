// The Korean installation windows: the client installation menu, the Ghost
// preparation and the notice dialog, on the headless backend.
#include <gtest/gtest.h>

#include <algorithm>

#include "forms/alert_lines.h"
#include "forms/frm_edit_notice.h"
#include "forms/frm_ghost_install.h"
#include "forms/frm_user_setup.h"
#include "lang/multilang.h"
#include "testing/debugger_notes.h"
#include "testing/fake_host.h"
#include "testing/headless_backend.h"
#include "tests/fakes/test_medium.h"

namespace ktr::forms {
namespace {

using fake::ClickOn;
using fake::FileShownBy;
using fake::ImageNamed;
using fake::LabelNamed;
using fake::MoveOver;
using fake::Press;

constexpr const char* kRunOnce = "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr const char* kClientKey = "\\Software\\KTR\\2.0\\RiduZadent\\General";

class InstallationWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake.locale.lcid = 0x0412;
    fake.locale.code_page = 949;
    lang::InitLanguageIndex(fake.locale);
    fake.files.put_current_directory("D:\\");
    fake.files.set_program_path("D:\\KtrSetup.exe");
    medium.strings = {{"RES_USER_CAPTION", "User setup"},
                      {"RES_USER_GBBASE", "Basic"},
                      {"RES_USER_LBLBASE", "Basic text"},
                      {"RES_USER_GBNORMAL", "Custom"},
                      {"RES_USER_LBLNORMAL", "Custom text"},
                      {"RES_USER_GBGHOST", "Ghost"},
                      {"RES_USER_LBLGHOST", "Ghost text"},
                      {"RES_CANCEL", "Cancel"},
                      {"RES_HELP", "Help"},
                      {"RES_OK", "OK"},
                      {"RES_HELPCLI", "Help\\KtrHelp.exe client"},
                      {"RES_GHOSTCLI", "Help\\KtrHelp client ghost"},
                      {"RES_GHOST_CAPTION", "Ghost setup"},
                      {"RES_BTNINSTALL", "Install"},
                      {"RES_BTNEDIT", "Edit"},
                      {"RES_ERROR", "Error"},
                      {"RES_GHOST_INSTALL_CAPTION", "Install title"},
                      {"RES_GHOST_LBLINSTALL", "Install text"},
                      {"RES_GHOST_LBLINSTNOTE", "Install note"},
                      {"RES_GHOST_EDITNOTICE_CAPTION", "Edit title"},
                      {"RES_GHOST_LBLEDIT", "Edit text"},
                      {"RES_GHOST_LBLEDITNOTE", "Edit note"},
                      {"RES_GHOST_LBLINSTCOMP", "Installed"},
                      {"RES_GHOST_EDIT_COMP", "Edited"},
                      {"RES_GHOST_LBLINCOMPLETE", "Incomplete"},
                      {"RES_EDITNOTICE_CAPTION", "Notice"},
                      {"RES_EDITNOTICE_LBL", "Enter"},
                      {"RES_ALERT_MSG", "Default notice"}};
    medium.install(fake.files, "KOREAN");
    fake.files.add_file("D:\\Install\\KTR-Client\\Install.exe");
    fake.files.add_file("D:\\Install\\InstallBuild\\InstallBuild.exe");
    fake.files.add_file("D:\\Help\\KtrHelp.exe");
    fake.files.add_file("D:\\imgdata\\RadOzevO.exe", "MZ tool bytes", 0x21, {0x5A21, 0x5001});
    fake.registry.add_key(kRunOnce);
  }
  void TearDown() override { lang::SetLanguageIndexForTesting(lang::kEnglish); }

  // The installer of the medium puts the agent in place, as a real one does.
  void InstallerPlacesAgent() {
    fake.processes.during_wait = [this](const std::string& command) {
      if (command.find("KTR-Client") == std::string::npos) return;
      fake.files.add_file("C:\\RiduZadent\\RiduZad.exe");
      fake.registry.set(kClientKey, "ClientID", "{1234}");
    };
  }
  // The state of the Ghost window's five buttons, image and caption label together.
  std::string States(ui::Form& ghost) {
    std::string states;
    for (auto [image, label] : {std::pair{"ImgButton1", "lblButton1"},
                                {"ImgButton2", "lblButton2"},
                                {"ImgConfirm", "lblConfirm"},
                                {"ImgCancel", "lblCancel"},
                                {"ImgHelp", "lblHelp"}}) {
      const bool enabled = ghost.find(image)->enabled();
      EXPECT_EQ(enabled, ghost.find(label)->enabled()) << image;
      states += enabled ? 'E' : '-';
    }
    return states;
  }
  // Edit confirmed while the tool cannot be placed: the warning over the
  // dialog, no run-once value left behind, the state as it was.
  void ExpectEditRefused(ui::Form& ghost) {
    ASSERT_EQ(backend.message_boxes.size(), 1u);
    EXPECT_EQ(backend.message_boxes[0].owner_class, "TEditNotice");
    EXPECT_EQ(backend.message_boxes[0].text, "Incomplete");
    EXPECT_FALSE(fake.registry.has_value(kRunOnce, "RadOzevO"));
    EXPECT_EQ(States(ghost), "EEEEE");
  }
  void ConfirmNoticeWith(std::string text) {
    backend.modal_scripts["TEditNotice"] = [text](ui::Form& dialog) {
      dynamic_cast<TEditNotice&>(dialog).memoAlert->set_text(text);
      ClickOn(dialog, "btnYes");
    };
  }

  fake::FakeHost fake;
  fake::TestMedium medium;
  fake::HeadlessBackend backend;
  ui::Application app{backend};
  ui::Form& owner = app.create_form<ui::Form>(nullptr);
};

TEST_F(InstallationWindowsTest, MenuCreationSetsCaptionsAndStartsItsHelpAtOnce) {
  auto menu = ui::MakeForm<TUserSetup>(app, &owner, fake.host());
  EXPECT_EQ(menu->caption(), "User setup");
  EXPECT_EQ(LabelNamed(*menu, "lblFormTitle").caption(), "User setup");
  EXPECT_EQ(LabelNamed(*menu, "lblButton2").caption(), "Custom");
  EXPECT_FALSE(LabelNamed(*menu, "lblTitle").visible());
  EXPECT_EQ(FileShownBy(ImageNamed(*menu, "ImgButton3").picture()), "ButtonLongEmpty.bmp");
  EXPECT_EQ(FileShownBy(ImageNamed(*menu, "ImgHelp").picture()), "ButtonEmpty.bmp");
  const auto started = fake.processes.started();
  ASSERT_EQ(started.size(), 1u);
  EXPECT_EQ(started[0].command_line, "\"D:\\Help\\KtrHelp.exe\" client");
  EXPECT_EQ(started[0].show, 5);
}

TEST_F(InstallationWindowsTest, MenuWithAMissingPictureKeepsDesignCaptionsAndStartsNoHelp) {
  fake.files.remove(medium.skin_path("ButtonEmpty.bmp"));
  auto menu = ui::MakeForm<TUserSetup>(app, &owner, fake.host());
  ASSERT_EQ(backend.message_boxes.size(), 1u);
  EXPECT_EQ(backend.message_boxes[0].text,
            "Cannot open file D:\\imgdata\\SkinKor\\ButtonEmpty.bmp.");
  EXPECT_EQ(LabelNamed(*menu, "lblButton1").caption(), "\xB1\xE2\xBA\xBB \xBC\xB3\xC4\xA1");
  EXPECT_TRUE(fake.processes.started().empty());
}

TEST_F(InstallationWindowsTest, MenuHoverShowsDescriptionsForTheInstallButtonsOnly) {
  auto menu = ui::MakeForm<TUserSetup>(app, &owner, fake.host());
  MoveOver(*menu, "ImgButton2");
  EXPECT_EQ(FileShownBy(ImageNamed(*menu, "ImgButton2").picture()), "ButtonLongEmptyAct.bmp");
  EXPECT_TRUE(LabelNamed(*menu, "lblTitle").visible());
  EXPECT_EQ(LabelNamed(*menu, "lblTitle").caption(), "Custom");
  EXPECT_EQ(LabelNamed(*menu, "lblContent").caption(), "Custom text");
  // A caption label neither highlights nor resets.
  MoveOver(*menu, "lblButton1");
  EXPECT_TRUE(menu->latch().AnyHighlighted());
  menu->mouse_move(5, 5);
  EXPECT_FALSE(LabelNamed(*menu, "lblTitle").visible());
  EXPECT_EQ(FileShownBy(ImageNamed(*menu, "ImgButton2").picture()), "ButtonLongEmpty.bmp");

  MoveOver(*menu, "ImgCancel");
  EXPECT_EQ(FileShownBy(ImageNamed(*menu, "ImgCancel").picture()), "ButtonEmptyAct.bmp");
  EXPECT_FALSE(LabelNamed(*menu, "lblTitle").visible());
  menu->mouse_move(5, 5);

  // A broken highlight picture clears the five buttons, not the background.
  fake.files.add_file(medium.skin_path("ButtonLongEmptyAct.bmp"), "BM broken");
  MoveOver(*menu, "ImgButton1");
  EXPECT_FALSE(ImageNamed(*menu, "ImgButton3").picture());
  EXPECT_TRUE(ImageNamed(*menu, "ImgBackground").picture());
  EXPECT_TRUE(LabelNamed(*menu, "lblTitle").visible());
  EXPECT_TRUE(menu->latch().AnyHighlighted());
}

TEST_F(InstallationWindowsTest, MenuRunsTheInstallersHiddenAndTheBuilderInItsOwnFolder) {
  auto menu = ui::MakeForm<TUserSetup>(app, &owner, fake.host());
  std::vector<bool> visible_during;
  fake.processes.during_wait = [&](const std::string&) {
    visible_during.push_back(menu->visible());
  };
  menu->show();
  ClickOn(*menu, "lblButton1");
  ClickOn(*menu, "ImgButton2");
  const auto waited = fake.processes.waited();
  ASSERT_EQ(waited.size(), 2u);
  EXPECT_EQ(waited[0].command_line, "\"D:\\Install\\KTR-Client\\Install.exe\"");
  EXPECT_EQ(waited[1].command_line, "\"D:\\Install\\InstallBuild\\InstallBuild.exe\"");
  EXPECT_EQ(waited[1].current_directory, "D:\\Install\\InstallBuild");
  EXPECT_EQ(fake.files.current_directory(), "D:\\");
  EXPECT_EQ(visible_during, (std::vector<bool>{false, false}));
  EXPECT_TRUE(menu->visible());
}

TEST_F(InstallationWindowsTest, MenuReportsABuilderFolderThatCannotBeEntered) {
  auto menu = ui::MakeForm<TUserSetup>(app, &owner, fake.host());
  menu->show();
  for (auto [code, text] : {std::pair{2ul, "File not found"},
                            {3ul, "Invalid filename"},
                            {5ul, "File access denied"},
                            {87ul, "I/O error 87"}}) {
    backend.message_boxes.clear();
    fake.files.refuse_set_current_directory("D:\\Install\\InstallBuild", code);
    ClickOn(*menu, "ImgButton2");
    ASSERT_EQ(backend.message_boxes.size(), 1u);
    EXPECT_EQ(backend.message_boxes[0].text, std::string(text) + ".");
    EXPECT_TRUE(menu->visible());
  }
  EXPECT_TRUE(fake.processes.waited().empty());
  EXPECT_EQ(fake.files.current_directory(), "D:\\");
}

TEST_F(InstallationWindowsTest, ConfirmedGhostPreparationClosesTheMenuAndCancelKeepsIt) {
  auto menu = ui::MakeForm<TUserSetup>(app, &owner, fake.host());
  std::vector<bool> menu_visible;
  int ghost_result = ui::kModalCancel;
  backend.modal_scripts["TGhostInstall"] = [&](ui::Form& ghost) {
    menu_visible.push_back(menu->visible());
    EXPECT_EQ(ghost.owner(), menu.get());
    ClickOn(ghost, ghost_result == ui::kModalOk ? "lblConfirm" : "ImgCancel");
  };
  backend.modal_scripts["TUserSetup"] = [&](ui::Form& m) {
    ClickOn(m, "ImgButton3");
    EXPECT_EQ(m.modal_result(), ui::kModalNone);  // cancelled: the menu stays
    EXPECT_TRUE(m.visible());
    ghost_result = ui::kModalOk;
    ClickOn(m, "lblButton3");
  };
  EXPECT_EQ(menu->show_modal(), ui::kModalCancel);
  EXPECT_EQ(menu_visible, (std::vector<bool>{false, false}));
}

TEST_F(InstallationWindowsTest, GhostInstallRemovesTheIdentityValueAndFollowsTheStateTable) {
  auto ghost = ui::MakeForm<TGhostInstall>(app, &owner, fake.host());
  EXPECT_EQ(ghost->caption(), "Ghost setup");
  EXPECT_EQ(LabelNamed(*ghost, "lblConfirm").caption(), "OK");
  EXPECT_TRUE(fake.processes.started().empty());  // no help at creation
  EXPECT_EQ(States(*ghost), "EEEEE");
  InstallerPlacesAgent();
  MoveOver(*ghost, "ImgButton1");
  EXPECT_EQ(LabelNamed(*ghost, "lblNotice").caption(), "Install note");
  ClickOn(*ghost, "ImgButton1");
  EXPECT_FALSE(fake.registry.has_value(kClientKey, "ClientID"));
  EXPECT_EQ(LabelNamed(*ghost, "lblNotice").caption(), "Installed");
  EXPECT_EQ(States(*ghost), "-EE-E");
  // The disabled Cancel takes no clicks and counts as background.
  ClickOn(*ghost, "ImgCancel");
  EXPECT_EQ(ghost->modal_result(), ui::kModalNone);
  MoveOver(*ghost, "ImgCancel");
  EXPECT_FALSE(LabelNamed(*ghost, "lblTitle").visible());
  EXPECT_FALSE(ghost->latch().AnyHighlighted());

  ConfirmNoticeWith("Hello\r\n");
  ClickOn(*ghost, "ImgButton2");
  EXPECT_EQ(States(*ghost), "--E-E");
  EXPECT_EQ(LabelNamed(*ghost, "lblContent").caption(), "Edited");
  ClickOn(*ghost, "lblConfirm");
  EXPECT_EQ(ghost->modal_result(), ui::kModalOk);
  EXPECT_TRUE(backend.message_boxes.empty());
}

TEST_F(InstallationWindowsTest, GhostEditFirstThenInstallEnablesEditAgain) {
  auto ghost = ui::MakeForm<TGhostInstall>(app, &owner, fake.host());
  ConfirmNoticeWith("x");
  ClickOn(*ghost, "ImgButton2");
  EXPECT_EQ(States(*ghost), "E-EEE");
  InstallerPlacesAgent();
  ClickOn(*ghost, "ImgButton1");
  EXPECT_EQ(States(*ghost), "-EE-E");
}

TEST_F(InstallationWindowsTest, GhostInstallFailuresWarnAndChangeNothing) {
  auto ghost = ui::MakeForm<TGhostInstall>(app, &owner, fake.host());
  ghost->show();
  std::vector<bool> visible_during;
  fake.processes.during_wait = [&](const std::string&) {
    visible_during.push_back(ghost->visible());
  };
  // The installer left no agent behind.
  ClickOn(*ghost, "ImgButton1");
  EXPECT_EQ(visible_during, std::vector<bool>{false});
  EXPECT_TRUE(ghost->visible());
  ASSERT_EQ(backend.message_boxes.size(), 1u);
  EXPECT_EQ(backend.message_boxes[0].text, "Incomplete");
  EXPECT_EQ(backend.message_boxes[0].caption, "Error");
  EXPECT_EQ(backend.message_boxes[0].style, 0x30u);
  EXPECT_EQ(backend.message_boxes[0].owner_class, "TGhostInstall");
  EXPECT_EQ(States(*ghost), "EEEEE");
  // The identity value exists but may not be removed: every clone would share it.
  InstallerPlacesAgent();
  fake.registry.refuse_delete(kClientKey);
  ClickOn(*ghost, "ImgButton1");
  EXPECT_EQ(backend.message_boxes.size(), 2u);
  EXPECT_TRUE(fake.registry.has_value(kClientKey, "ClientID"));
  EXPECT_EQ(States(*ghost), "EEEEE");
}

TEST_F(InstallationWindowsTest, GhostInstallCompletesWhenThereIsNothingToRemove) {
  auto ghost = ui::MakeForm<TGhostInstall>(app, &owner, fake.host());
  fake.files.add_file("C:\\RiduZadent\\RiduZad.exe");
  ClickOn(*ghost, "ImgButton1");  // no key at all
  EXPECT_EQ(States(*ghost), "-EE-E");
  EXPECT_TRUE(backend.message_boxes.empty());
}

TEST_F(InstallationWindowsTest, GhostEditCopiesTheMediumToolWithItsDateAndAttributes) {
  auto ghost = ui::MakeForm<TGhostInstall>(app, &owner, fake.host());
  ConfirmNoticeWith("Line 1\r\n\r\nLine 3\r\n");
  ClickOn(*ghost, "lblButton2");
  EXPECT_EQ(fake.files.contents("C:\\Alert.alt"), "Line 1\r\n\r\nLine 3\r\n");
  EXPECT_EQ(fake.registry.get(kRunOnce, "RadOzevO"), "C:\\RadOzevO.Exe");
  const auto* tool = fake.files.file("C:\\RadOzevO.exe");
  ASSERT_NE(tool, nullptr);
  EXPECT_EQ(tool->bytes, "MZ tool bytes");
  EXPECT_EQ(tool->attributes, 0x21u);
  EXPECT_EQ(tool->last_write, (DosDateTime{0x5A21, 0x5001}));
  EXPECT_EQ(tool->protection, FileProtection::kAdministrators);
  EXPECT_EQ(fake.files.file("C:\\Alert.alt")->protection, FileProtection::kAdministrators);
}

TEST_F(InstallationWindowsTest, GhostEditPlacesTheToolAnewOverAnIdenticalOrAForeignOne) {
  auto ghost = ui::MakeForm<TGhostInstall>(app, &owner, fake.host());
  ConfirmNoticeWith("x");
  // Identical to the medium's, and still mapped for writing by whoever made
  // it so: what the view writes later must not reach the file the run-once
  // value names.
  fake.files.add_file("C:\\RadOzevO.exe", "MZ tool bytes", 0x20, {0x4000, 0x0000});
  const std::uint64_t planted = fake.files.file("C:\\RadOzevO.exe")->identity;
  auto view = fake.files.map_for_writing("C:\\RadOzevO.exe");
  ClickOn(*ghost, "ImgButton2");
  EXPECT_EQ(States(*ghost), "E-EEE");
  const auto* tool = fake.files.file("C:\\RadOzevO.exe");
  EXPECT_NE(tool->identity, planted);
  EXPECT_EQ(tool->last_write, (DosDateTime{0x5A21, 0x5001}));
  EXPECT_EQ(tool->protection, FileProtection::kAdministrators);
  EXPECT_FALSE(view.write(" payload"));
  EXPECT_EQ(fake.files.contents("C:\\RadOzevO.exe"), "MZ tool bytes");

  auto again = ui::MakeForm<TGhostInstall>(app, &owner, fake.host());
  fake.files.add_file("C:\\RadOzevO.exe", "planted program", 0x20, {0x4000, 0x0000});
  ClickOn(*again, "ImgButton2");
  EXPECT_EQ(fake.files.contents("C:\\RadOzevO.exe"), "MZ tool bytes");
  EXPECT_EQ(States(*again), "E-EEE");
}

TEST_F(InstallationWindowsTest, GhostEditWarnsOverTheDialogWhenTheToolCannotBePlaced) {
  auto ghost = ui::MakeForm<TGhostInstall>(app, &owner, fake.host());
  ConfirmNoticeWith("x");
  fake.files.refuse_create("C:\\RadOzevO.exe");
  ClickOn(*ghost, "ImgButton2");
  ASSERT_EQ(backend.message_boxes.size(), 1u);
  EXPECT_EQ(backend.message_boxes[0].owner_class, "TEditNotice");
  EXPECT_EQ(backend.message_boxes[0].style, 0x30u);
  EXPECT_EQ(States(*ghost), "EEEEE");
  // What the dialog saved stays.
  EXPECT_TRUE(fake.files.exists("C:\\Alert.alt"));

  backend.modal_scripts["TEditNotice"] = [](ui::Form& dialog) { ClickOn(dialog, "btnCancel"); };
  ClickOn(*ghost, "ImgButton2");
  EXPECT_EQ(States(*ghost), "EEEEE");
  EXPECT_EQ(backend.message_boxes.size(), 1u);
}

TEST_F(InstallationWindowsTest, GhostEditReplacesAPlantedReadOnlyHiddenTool) {
  auto ghost = ui::MakeForm<TGhostInstall>(app, &owner, fake.host());
  ConfirmNoticeWith("x");
  fake.files.add_file("C:\\RadOzevO.Exe", "planted program",
                      kFileAttributeReadOnly | kFileAttributeHidden);
  ClickOn(*ghost, "ImgButton2");
  EXPECT_TRUE(backend.message_boxes.empty());
  EXPECT_EQ(fake.files.contents("C:\\RadOzevO.exe"), "MZ tool bytes");
  EXPECT_EQ(fake.files.file("C:\\RadOzevO.exe")->protection, FileProtection::kAdministrators);
  EXPECT_EQ(fake.registry.get(kRunOnce, "RadOzevO"), "C:\\RadOzevO.Exe");
  EXPECT_EQ(States(*ghost), "E-EEE");
}

TEST_F(InstallationWindowsTest, GhostEditWithAFolderInTheToolsPlaceLeavesNoRunOnceValue) {
  auto ghost = ui::MakeForm<TGhostInstall>(app, &owner, fake.host());
  ConfirmNoticeWith("x");
  fake.files.add_folder("C:\\RadOzevO.exe");
  ClickOn(*ghost, "ImgButton2");
  ExpectEditRefused(*ghost);
  EXPECT_TRUE(fake.files.has_folder("C:\\RadOzevO.exe"));
}

TEST_F(InstallationWindowsTest, GhostEditWithALinkInTheToolsPlaceLeavesNoRunOnceValue) {
  auto ghost = ui::MakeForm<TGhostInstall>(app, &owner, fake.host());
  ConfirmNoticeWith("x");
  // A link to the medium's own tool would pass the comparison if followed.
  fake.files.add_file("C:\\RadOzevO.exe", "MZ tool bytes", kFileAttributeReparsePoint);
  ClickOn(*ghost, "ImgButton2");
  ExpectEditRefused(*ghost);
  EXPECT_EQ(fake.files.file("C:\\RadOzevO.exe")->protection, std::nullopt);
}

TEST_F(InstallationWindowsTest, GhostEditRefusedByTheDiskLeavesNoRunOnceValue) {
  auto ghost = ui::MakeForm<TGhostInstall>(app, &owner, fake.host());
  ConfirmNoticeWith("x");
  fake.files.add_file("C:\\RadOzevO.exe", "planted program", kFileAttributeReadOnly);
  fake.files.refuse_replace("C:\\RadOzevO.exe");
  ClickOn(*ghost, "ImgButton2");
  ExpectEditRefused(*ghost);
  EXPECT_EQ(fake.files.contents("C:\\RadOzevO.exe"), "planted program");
  EXPECT_EQ(fake.files.file("C:\\RadOzevO.exe")->attributes, kFileAttributeReadOnly);
}

TEST_F(InstallationWindowsTest, GhostEditWithAnIdenticalToolHeldOpenWarns) {
  auto ghost = ui::MakeForm<TGhostInstall>(app, &owner, fake.host());
  ConfirmNoticeWith("x");
  fake.files.add_file("C:\\RadOzevO.exe", "MZ tool bytes");
  // A handle that does not let the file be replaced keeps the old file, and
  // an old file is not trusted.
  auto held = fake.files.open_read("C:\\RadOzevO.exe");
  ClickOn(*ghost, "ImgButton2");
  ExpectEditRefused(*ghost);
  EXPECT_EQ(fake.files.file("C:\\RadOzevO.exe")->protection, std::nullopt);
}

TEST_F(InstallationWindowsTest, GhostHoverSetsThreeLabelsAndABrokenPictureCostsTheBackground) {
  auto ghost = ui::MakeForm<TGhostInstall>(app, &owner, fake.host());
  MoveOver(*ghost, "ImgButton2");
  EXPECT_EQ(LabelNamed(*ghost, "lblTitle").caption(), "Edit title");
  EXPECT_EQ(LabelNamed(*ghost, "lblContent").caption(), "Edit text");
  EXPECT_EQ(LabelNamed(*ghost, "lblNotice").caption(), "Edit note");
  EXPECT_TRUE(LabelNamed(*ghost, "lblNotice").visible());
  ghost->mouse_move(5, 5);
  EXPECT_FALSE(LabelNamed(*ghost, "lblNotice").visible());
  fake.files.add_file(medium.skin_path("ButtonEmptyAct.bmp"), "BM broken");
  MoveOver(*ghost, "ImgHelp");
  EXPECT_FALSE(ImageNamed(*ghost, "ImgBackground").picture());
  EXPECT_TRUE(ImageNamed(*ghost, "ImgButton1").picture());
  EXPECT_TRUE(LabelNamed(*ghost, "lblNotice").visible());
}

TEST_F(InstallationWindowsTest, MenuKeysShowTheDescriptionsAndEnterRunsTheBuilder) {
  auto menu = ui::MakeForm<TUserSetup>(app, &owner, fake.host());
  menu->show();
  Press(*menu, ui::Key::kTab);
  EXPECT_EQ(FileShownBy(ImageNamed(*menu, "ImgButton1").picture()), "ButtonLongEmptyAct.bmp");
  EXPECT_EQ(LabelNamed(*menu, "lblTitle").caption(), "Basic");
  Press(*menu, ui::Key::kDown);
  EXPECT_EQ(FileShownBy(ImageNamed(*menu, "ImgButton1").picture()), "ButtonLongEmpty.bmp");
  EXPECT_EQ(LabelNamed(*menu, "lblContent").caption(), "Custom text");
  EXPECT_TRUE(LabelNamed(*menu, "lblTitle").visible());
  Press(*menu, ui::Key::kEscape);
  EXPECT_EQ(menu->modal_result(), ui::kModalNone);
  Press(*menu, ui::Key::kReturn);
  ASSERT_EQ(fake.processes.waited().size(), 1u);
  EXPECT_EQ(fake.processes.waited()[0].current_directory, "D:\\Install\\InstallBuild");
  // Cancel and Help sit side by side below, Cancel first.
  Press(*menu, ui::Key::kTab);
  Press(*menu, ui::Key::kTab);
  Press(*menu, ui::Key::kReturn);
  EXPECT_EQ(menu->modal_result(), ui::kModalCancel);
}

TEST_F(InstallationWindowsTest, KeysTypedWhileAHighlightIsDrawnFollowItInOrder) {
  auto menu = ui::MakeForm<TUserSetup>(app, &owner, fake.host());
  backend.during_process_messages = [&] {
    Press(*menu, ui::Key::kDown);
    Press(*menu, ui::Key::kDown);
  };
  Press(*menu, ui::Key::kDown);
  EXPECT_EQ(FileShownBy(ImageNamed(*menu, "ImgButton1").picture()), "ButtonLongEmpty.bmp");
  EXPECT_EQ(FileShownBy(ImageNamed(*menu, "ImgButton3").picture()), "ButtonLongEmptyAct.bmp");
  EXPECT_EQ(LabelNamed(*menu, "lblTitle").caption(), "Ghost");
}

TEST_F(InstallationWindowsTest, GhostKeysSkipDisabledButtonsAndEnterInstalls) {
  auto ghost = ui::MakeForm<TGhostInstall>(app, &owner, fake.host());
  InstallerPlacesAgent();
  Press(*ghost, ui::Key::kTab);
  EXPECT_EQ(LabelNamed(*ghost, "lblNotice").caption(), "Install note");
  EXPECT_TRUE(LabelNamed(*ghost, "lblNotice").visible());
  Press(*ghost, ui::Key::kSpace);
  EXPECT_EQ(States(*ghost), "-EE-E");
  // From the disabled Install: Edit, Confirm, then Help past the disabled Cancel.
  for (auto [name, active] : {std::pair{"ImgButton2", "ButtonLongEmptyAct.bmp"},
                              {"ImgConfirm", "ButtonEmptyAct.bmp"},
                              {"ImgHelp", "ButtonEmptyAct.bmp"},
                              {"ImgButton2", "ButtonLongEmptyAct.bmp"}}) {
    Press(*ghost, ui::Key::kTab);
    EXPECT_EQ(FileShownBy(ImageNamed(*ghost, name).picture()), active) << name;
  }
}

class NoticeDialogTest : public InstallationWindowsTest {
 protected:
  std::unique_ptr<TEditNotice> Open() {
    return ui::MakeForm<TEditNotice>(app, &owner, fake.host());
  }
};

TEST_F(NoticeDialogTest, TemplateComesFromTheProgramFolderLineByLine) {
  fake.files.put_current_directory("D:\\Work");
  fake::TestMedium work = medium;
  work.root = "D:\\Work\\";
  work.strings["RES_EDITNOTICE_CAPTION"] = "Notice from work";
  work.install(fake.files, "KOREAN");
  fake.files.add_file("D:\\imgdata\\Alert.alt", "A\r\n\r\nB\rC\r\n\x1AHidden\r\n");
  auto dialog = Open();
  EXPECT_EQ(dialog->FProgramFolder, "D:\\");
  EXPECT_EQ(dialog->caption(), "Notice from work");
  EXPECT_EQ(dialog->memoAlert->text(), "A\r\nB\r\nC\r\n");
  EXPECT_EQ(dialog->border_style, ui::BorderStyle::kDialog);
  EXPECT_EQ(dialog->client_width, 496);
}

TEST_F(NoticeDialogTest, EachLanguageHasItsTemplateAndAMissingOneGivesTheDefaultLine) {
  auto korean = Open();
  EXPECT_EQ(korean->memoAlert->text(), "Default notice\r\n");
  fake.files.add_file("D:\\imgdata\\Alert.alt", "");
  EXPECT_EQ(Open()->memoAlert->text(), "");  // an empty file is no missing file
  fake.locale.lcid = 0x0411;
  fake.files.add_file("D:\\imgdata\\Jap_Alert.alt", "JP\r\n");
  EXPECT_EQ(Open()->memoAlert->text(), "JP\r\n");
  // A Shift-JIS program name whose character ends in 0x5C keeps its folder.
  fake.locale.code_page = 932;
  fake.files.set_program_path("D:\\\x95\x5C.exe");
  EXPECT_EQ(Open()->memoAlert->text(), "JP\r\n");
}

TEST_F(NoticeDialogTest, ATemplateFarLargerThanTheBoxIsReadOnlyAsFarAsTheNoticeGoes) {
  std::string lines;
  while (lines.size() < 5'000'000) lines += "line " + std::to_string(lines.size()) + "\r\n";
  fake.files.add_file("D:\\imgdata\\Alert.alt", lines);
  // Another reader that shares (a second launcher on this medium) is no error.
  auto other = fake.files.open_read_shared("D:\\imgdata\\Alert.alt");
  const std::string text = Open()->memoAlert->text();
  EXPECT_TRUE(backend.message_boxes.empty());
  EXPECT_GT(text.size(), forms::kNoticeLimit - 40);
  EXPECT_LE(text.size(), forms::kNoticeLimit);
  EXPECT_EQ(lines.compare(0, text.size(), text), 0);  // whole lines, in order
  std::int64_t read = 0;
  for (const auto& call : fake.files.read_calls) read += call.got;
  EXPECT_LE(read, static_cast<std::int64_t>(forms::kNoticeLimit));

  // One line longer than the box is cut between two Korean characters.
  fake.locale.code_page = 949;
  std::string korean = "AB";
  for (int i = 0; i < 40'000; ++i) korean += "\xB0\xA1";
  fake.files.add_file("D:\\imgdata\\Alert.alt", korean);
  other.reset();
  EXPECT_EQ(Open()->memoAlert->text(), korean.substr(0, forms::kNoticeLimit - 3) + "\r\n");
}

TEST_F(NoticeDialogTest, AnUnreadableTemplateIsReportedAndTheDialogStillOpens) {
  fake.files.add_file("D:\\imgdata\\Alert.alt", "first\r\nsecond\r\n");
  fake.files.refuse_open("D:\\imgdata\\Alert.alt");
  auto dialog = Open();
  ASSERT_EQ(backend.message_boxes.size(), 1u);
  EXPECT_EQ(dialog->memoAlert->text(), "");
}

TEST_F(NoticeDialogTest, ConfirmWritesTheNoticeByteForByteAndTheRunOnceValue) {
  fake.files.add_file("C:\\Alert.alt", "an older and much longer notice");
  fake.registry.set(kRunOnce, "RadOzevO", "C:\\other.exe");
  auto dialog = Open();
  backend.modal_scripts["TEditNotice"] = [](ui::Form& d) {
    dynamic_cast<TEditNotice&>(d).memoAlert->set_text("\xC7\xD1\xB1\xDB\r\n\r\nend");
    ClickOn(d, "btnYes");
  };
  EXPECT_EQ(dialog->show_modal(), ui::kModalOk);
  EXPECT_EQ(fake.files.contents("C:\\Alert.alt"), "\xC7\xD1\xB1\xDB\r\n\r\nend");
  EXPECT_EQ(fake.registry.get(kRunOnce, "RadOzevO"), "C:\\RadOzevO.Exe");

  auto empty = Open();
  backend.modal_scripts["TEditNotice"] = [](ui::Form& d) {
    dynamic_cast<TEditNotice&>(d).memoAlert->clear();
    ClickOn(d, "btnYes");
  };
  EXPECT_EQ(empty->show_modal(), ui::kModalOk);
  EXPECT_EQ(fake.files.contents("C:\\Alert.alt"), "");
}

TEST_F(NoticeDialogTest, AFailedSaveIsReportedAndTheDialogStaysOpen) {
  auto dialog = Open();
  fake.files.refuse_create("C:\\Alert.alt");
  fake.registry.refuse_write(kRunOnce);
  backend.modal_scripts["TEditNotice"] = [&](ui::Form& d) {
    ClickOn(d, "btnYes");
    EXPECT_EQ(d.modal_result(), ui::kModalNone);
    EXPECT_FALSE(fake.registry.has_value(kRunOnce, "RadOzevO"));
    ClickOn(d, "btnCancel");
  };
  fake::DebuggerNotes notes;
  EXPECT_EQ(dialog->show_modal(), ui::kModalCancel);
  ASSERT_EQ(backend.message_boxes.size(), 1u);
  EXPECT_EQ(backend.message_boxes[0].text, "Cannot create file C:\\Alert.alt.");
  EXPECT_EQ(backend.message_boxes[0].style, 0x10u);
  // The refusal's cause, ERROR_ACCESS_DENIED, beside the fixed text.
  EXPECT_EQ(notes.lines(), std::vector<std::string>{"KtrSetup: error report: Cannot create file "
                                                    "C:\\Alert.alt (system error 5)"});
}

TEST_F(NoticeDialogTest, ANoticeCutShortByTheDiskIsRemovedNotLeftHalfWritten) {
  auto dialog = Open();
  fake.files.short_write("C:\\Alert.alt", 3);
  backend.modal_scripts["TEditNotice"] = [&](ui::Form& d) {
    dynamic_cast<TEditNotice&>(d).memoAlert->set_text("a notice longer than three bytes");
    ClickOn(d, "btnYes");
    EXPECT_EQ(d.modal_result(), ui::kModalNone);
    ClickOn(d, "btnCancel");
  };
  EXPECT_EQ(dialog->show_modal(), ui::kModalCancel);
  EXPECT_FALSE(fake.files.exists("C:\\Alert.alt"));
  EXPECT_FALSE(fake.registry.has_value(kRunOnce, "RadOzevO"));
  ASSERT_EQ(backend.message_boxes.size(), 1u);
  EXPECT_EQ(backend.message_boxes[0].text, "Cannot create file C:\\Alert.alt.");
}

TEST_F(NoticeDialogTest, TheNoticeReplacesAHiddenReadOnlyOneButNoLinkOrFolder) {
  fake.files.add_file("C:\\Alert.alt", "old", kFileAttributeReadOnly | kFileAttributeHidden);
  backend.modal_scripts["TEditNotice"] = [](ui::Form& d) {
    dynamic_cast<TEditNotice&>(d).memoAlert->set_text("new");
    ClickOn(d, "btnYes");
  };
  EXPECT_EQ(Open()->show_modal(), ui::kModalOk);
  EXPECT_EQ(fake.files.contents("C:\\Alert.alt"), "new");
  EXPECT_EQ(fake.files.file("C:\\Alert.alt")->protection, FileProtection::kAdministrators);

  fake.files.add_file("C:\\Alert.alt", "old", kFileAttributeReparsePoint);
  auto dialog = Open();
  backend.modal_scripts["TEditNotice"] = [](ui::Form& d) {
    ClickOn(d, "btnYes");
    EXPECT_EQ(d.modal_result(), ui::kModalNone);
    ClickOn(d, "btnCancel");
  };
  EXPECT_EQ(dialog->show_modal(), ui::kModalCancel);
  ASSERT_EQ(backend.message_boxes.size(), 1u);
  EXPECT_EQ(backend.message_boxes[0].text, "Cannot create file C:\\Alert.alt.");
  EXPECT_EQ(fake.files.file("C:\\Alert.alt")->attributes, kFileAttributeReparsePoint);
}

TEST_F(NoticeDialogTest, ARefusedRunOnceKeyIsReportedAndTheDialogStaysOpen) {
  auto dialog = Open();
  fake.registry.refuse_write(kRunOnce);
  backend.modal_scripts["TEditNotice"] = [&](ui::Form& d) {
    ClickOn(d, "btnYes");
    EXPECT_EQ(d.modal_result(), ui::kModalNone);
    d.close_requested();
  };
  EXPECT_EQ(dialog->show_modal(), ui::kModalCancel);
  ASSERT_EQ(backend.message_boxes.size(), 1u);
  // "'" sorts before ".": no full stop is added.
  EXPECT_EQ(backend.message_boxes[0].text, "Failed to set data for 'RadOzevO'");
  EXPECT_TRUE(fake.files.exists("C:\\Alert.alt"));
}

TEST_F(NoticeDialogTest, CancelAndHelpWriteNothing) {
  auto dialog = Open();
  backend.modal_scripts["TEditNotice"] = [](ui::Form& d) {
    ClickOn(d, "btnHelp");
    EXPECT_EQ(d.modal_result(), ui::kModalNone);
    ClickOn(d, "btnCancel");
  };
  EXPECT_EQ(dialog->show_modal(), ui::kModalCancel);
  EXPECT_FALSE(fake.files.exists("C:\\Alert.alt"));
  EXPECT_FALSE(fake.registry.has_value(kRunOnce, "RadOzevO"));
  const auto started = fake.processes.started();
  ASSERT_EQ(started.size(), 1u);
  EXPECT_EQ(started[0].command_line, "\"D:\\Help\\KtrHelp.exe\" client ghost");
}

// The system would look for a bare or absolute name in its own folders, the
// current directory and along the search path: with no such program on the
// medium, no help command reaches it, from any of the three windows.
TEST_F(NoticeDialogTest, HelpProgramsComeFromTheMediumOnly) {
  auto every_help = [&] {
    auto menu = ui::MakeForm<TUserSetup>(app, &owner, fake.host());
    ClickOn(*menu, "ImgHelp");
    auto ghost = ui::MakeForm<TGhostInstall>(app, &owner, fake.host());
    ClickOn(*ghost, "lblHelp");
    ClickOn(*Open(), "btnHelp");
  };
  fake.files.remove("D:\\Help\\KtrHelp.exe");
  fake.files.add_file("C:\\Windows\\Help\\KtrHelp.exe");
  fake.files.add_file("C:\\Windows\\hh.exe");
  for (const char* value : {"Help\\KtrHelp.exe client", "\"Help\\KtrHelp.exe\" client",
                            "hh.exe D:\\Help\\user.chm", "C:\\Windows\\hh.exe x", ""}) {
    medium.strings["RES_HELPCLI"] = medium.strings["RES_GHOSTCLI"] = value;
    medium.install(fake.files, "KOREAN");
    every_help();
    EXPECT_TRUE(fake.processes.started().empty()) << value;
  }
  EXPECT_TRUE(backend.message_boxes.empty());

  fake.files.add_file("D:\\Help\\KtrHelp.exe");
  medium.strings["RES_HELPCLI"] = medium.strings["RES_GHOSTCLI"] = "Help\\KtrHelp.exe client";
  medium.install(fake.files, "KOREAN");
  every_help();
  const auto started = fake.processes.started();
  ASSERT_EQ(started.size(), 4u);  // the menu's at its creation, then each Help
  for (const auto& run : started) {
    EXPECT_EQ(run.command_line, "\"D:\\Help\\KtrHelp.exe\" client");
  }
}

// The Ghost window's entries are named by their caption labels and
// described by what their highlight shows; what the Install step changes
// (the entries it disables, the completion text) is told as it happens.
TEST_F(InstallationWindowsTest, GhostWindowSpeaksItsCaptionsAndTellsWhatInstallChanged) {
  auto ghost = ui::MakeForm<TGhostInstall>(app, &owner, fake.host());
  ghost->show();
  EXPECT_EQ(ghost->accessible_name(ui::kAccessibleSelf), "Ghost setup");
  auto id = [&](const char* name) { return ghost->accessible_id(*ghost->find(name)); };
  const int install = id("ImgButton1");
  ASSERT_GT(install, 0);
  EXPECT_EQ(ghost->accessible_role(install), ui::AccessibleRole::kPushButton);
  EXPECT_EQ(ghost->accessible_name(install), "Install");
  EXPECT_EQ(ghost->accessible_description(install), "Install title Install text Install note");
  EXPECT_EQ(ghost->accessible_name(id("ImgButton2")), "Edit");
  EXPECT_EQ(ghost->accessible_name(id("ImgConfirm")), "OK");
  EXPECT_EQ(ghost->accessible_description(id("ImgConfirm")), "");
  EXPECT_EQ(ghost->accessible_role(id("lblNotice")), ui::AccessibleRole::kStaticText);
  EXPECT_EQ(ghost->accessible_name(id("lblButton1")), "Install");
  // The caption written on the button is found as the button; a text
  // label beside nothing is found as itself.
  const ui::Rect caption = ghost->find("lblButton1")->bounds();
  EXPECT_EQ(ghost->accessible_child_at(caption.left + 5, caption.top + 5), install);
  const ui::Rect title = ghost->find("lblFormTitle")->bounds();
  EXPECT_EQ(ghost->accessible_child_at(title.left + 5, title.top + 5), id("lblFormTitle"));
  EXPECT_TRUE(ghost->accessible_state(id("lblNotice")).invisible);
  EXPECT_EQ(id("ImgBackground"), 0);
  // Buttons, caption labels and description labels; no background.
  EXPECT_EQ(ghost->accessible_child_count(), 14);
  InstallerPlacesAgent();
  backend.accessible_events.clear();
  ghost->accessible_press(install);
  EXPECT_TRUE(ghost->accessible_state(install).unavailable);
  EXPECT_FALSE(ghost->accessible_can_press(install));
  EXPECT_EQ(ghost->accessible_name(id("lblNotice")), "Installed");
  using E = ui::AccessibleEvent;
  using Heard = fake::AccessibleEventCall;
  const std::vector<Heard> heard = backend.accessible_events;
  auto told = [&](E event, const char* name) {
    return std::count(heard.begin(), heard.end(), Heard{"TGhostInstall", event, id(name)});
  };
  EXPECT_EQ(told(E::kNameChange, "lblNotice"), 1);
  EXPECT_EQ(told(E::kStateChange, "ImgButton1"), 1);
  EXPECT_EQ(told(E::kStateChange, "ImgCancel"), 1);
  EXPECT_EQ(told(E::kStateChange, "ImgButton2"), 0);  // enabled already
}

// The notice dialog's edit box is named by the label above it; its buttons
// say their captions without the access key's mark.
TEST_F(InstallationWindowsTest, NoticeDialogNamesItsEditBoxByItsLabel) {
  auto dialog = ui::MakeForm<TEditNotice>(app, &owner, fake.host());
  auto id = [&](const char* name) { return dialog->accessible_id(*dialog->find(name)); };
  EXPECT_EQ(dialog->accessible_name(ui::kAccessibleSelf), "Notice");
  EXPECT_EQ(dialog->accessible_role(id("memoAlert")), ui::AccessibleRole::kEditableText);
  EXPECT_EQ(dialog->accessible_name(id("memoAlert")), "Enter");
  EXPECT_EQ(dialog->accessible_role(id("btnHelp")), ui::AccessibleRole::kPushButton);
  EXPECT_EQ(dialog->accessible_name(id("btnHelp")), "Help");
  EXPECT_EQ(id("Image1"), 0);
  EXPECT_EQ(id("Bevel1"), 0);
}

}  // namespace
}  // namespace ktr::forms
