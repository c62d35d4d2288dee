// The windows of a launcher that carries a key, on a sealed medium in the
// in-memory host: what the medium holds as signed runs as before, held while
// it runs; what was changed is refused with a box, and nothing of it runs.
#include <gtest/gtest.h>

#include "forms/frm_edit_notice.h"
#include "forms/frm_ghost_install.h"
#include "forms/frm_main.h"
#include "forms/frm_user_setup.h"
#include "forms/sealed_step.h"
#include "lang/multilang.h"
#include "medium/seal.h"
#include "testing/fake_host.h"
#include "testing/headless_backend.h"
#include "tests/fakes/test_medium.h"

namespace ktr::forms {
namespace {

using fake::TestSigner;
using testing::ClickOn;

constexpr const char* kRunOnce = "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const std::string kInstaller = "D:\\Install\\KTR-Client\\Install.exe";
const std::string kTool = "D:\\imgdata\\RadOzevO.exe";

class SealedWindowsTest : public ::testing::Test {
 protected:
  void Lay(int lcid, const char* language) {
    fake.locale.lcid = static_cast<std::uint32_t>(lcid);
    lang::InitLanguageIndex(fake.locale);
    fake.files.put_current_directory("D:\\");
    fake.files.set_program_path("D:\\KtrSetup.exe");
    fake.files.add_file("D:\\KtrSetup.exe", "MZ launcher");
    medium.strings = {{"RES_HELPCLI", "Help\\KtrHelp.exe client"},
                      {"RES_GHOSTCLI", "Help\\KtrHelp.exe ghost"},
                      {"RES_ERROR", "Error"},
                      {"RES_GHOST_LBLINCOMPLETE", "Incomplete"},
                      {"RES_ALERT_MSG", "Default notice"},
                      {"RES_MANUAL", "Manual\\Manual.pdf"},
                      {"RES_SERVER_INSTALL", "Install\\KTR-Server\\Setup.exe /s"},
                      {"RES_MEDIUM_CHANGED", "Changed medium."}};
    medium.install(fake.files, language);
    fake.files.add_file(kInstaller, "MZ installer");
    fake.files.add_file("D:\\Install\\KTR-Client\\setup.dll", "MZ library");
    fake.files.add_file("D:\\Install\\KTR-Server\\Setup.exe", "MZ server");
    fake.files.add_file("D:\\Install\\InstallBuild\\InstallBuild.exe", "MZ builder");
    fake.files.add_file("D:\\Help\\KtrHelp.exe", "MZ help");
    fake.files.add_file("D:\\Manual\\Manual.pdf", "%PDF");
    fake.files.add_file("D:\\imgdata\\Alert.alt", "Notice\r\n");
    fake.files.add_file(kTool, "MZ tool bytes");
    fake.registry.add_key(kRunOnce);
    fake::SealFakeMedium(fake.files, "D:\\", TestSigner::First());
  }
  void SetUp() override { Lay(0x0412, "KOREAN"); }
  void TearDown() override { lang::SetLanguageIndexForTesting(lang::kEnglish); }

  Host host() {
    Host sealed{fake.locale, fake.version, fake.registry, profile, fake.files, fake.processes,
                fake.shell};
    sealed.seal = &seal;
    return sealed;
  }
  void ExpectRefusal(const std::string& owner, const std::string& file, const char* text) {
    ASSERT_EQ(backend.message_boxes.size(), 1u);
    EXPECT_EQ(backend.message_boxes[0].owner_class, owner);
    EXPECT_EQ(backend.message_boxes[0].style, ui::kMbOk | ui::kMbIconStop);
    // The fake lists names folded; Windows gives them as spelt.
    EXPECT_EQ(fake::Folded(backend.message_boxes[0].text),
              fake::Folded(std::string(text) + "\r\n\r\n" + file));
  }

  fake::FakeHost fake;
  testing::TestMedium medium;
  medium::Seal seal{fake.files, &fake.integrity, TestSigner::First().key()};
  medium::SealedProfile profile{fake.profile, seal};
  testing::HeadlessBackend backend;
  ui::Application app{backend};
  ui::Form& owner = app.create_form<ui::Form>(nullptr);
};

TEST_F(SealedWindowsTest, WhatWasSignedRunsHeldAndIsFreeAgainAfterwards) {
  std::vector<int> held_during;
  fake.processes.during_wait = [&](const std::string&) {
    held_during.push_back(fake.files.held_count(kInstaller) +
                          fake.files.held_count("D:\\Install\\KTR-Client\\setup.dll"));
  };
  auto menu = ui::MakeForm<TUserSetup>(app, &owner, host());
  menu->show();
  ClickOn(*menu, "lblButton1");
  ClickOn(*menu, "ImgButton2");
  EXPECT_TRUE(backend.message_boxes.empty());
  ASSERT_EQ(fake.processes.waited().size(), 2u);
  EXPECT_EQ(held_during, (std::vector<int>{2, 0}));
  EXPECT_EQ(fake.files.held_count(kInstaller), 0);
  // Help is started without waiting: held until the launcher exits.
  ASSERT_EQ(fake.processes.started().size(), 1u);
  EXPECT_EQ(fake.files.held_count("D:\\Help\\KtrHelp.exe"), 1);

  auto ghost = ui::MakeForm<TGhostInstall>(app, &owner, host());
  backend.modal_scripts["TEditNotice"] = [](ui::Form& dialog) { ClickOn(dialog, "btnYes"); };
  ClickOn(*ghost, "lblButton2");
  EXPECT_TRUE(backend.message_boxes.empty());
  EXPECT_EQ(fake.files.contents("C:\\RadOzevO.exe"), "MZ tool bytes");
  EXPECT_EQ(fake.files.contents("C:\\Alert.alt"), "Notice\r\n");
  EXPECT_EQ(fake.integrity.signatures_checked, 1);
}

TEST_F(SealedWindowsTest, AChangedProgramIsRefusedFromItsWindowAndNothingRuns) {
  const struct Case {
    const char* what;
    std::string file;
    std::string bytes;
    const char* click;
  } cases[] = {
      {"installer", kInstaller, "MZ other", "lblButton1"},
      {"library planted beside it", "D:\\Install\\KTR-Client\\version.dll", "MZ", "lblButton1"},
      {"builder", "D:\\Install\\InstallBuild\\InstallBuild.exe", "MZ other", "ImgButton2"},
  };
  for (const Case& item : cases) {
    SCOPED_TRACE(item.what);
    const std::optional<std::string> before = fake.files.contents(item.file);
    fake.files.add_file(item.file, item.bytes);
    auto menu = ui::MakeForm<TUserSetup>(app, &owner, host());
    menu->show();
    backend.message_boxes.clear();
    ClickOn(*menu, item.click);
    ExpectRefusal("TUserSetup", item.file, "Changed medium.");
    EXPECT_TRUE(fake.processes.waited().empty());
    EXPECT_TRUE(menu->visible());
    EXPECT_EQ(fake.files.current_directory(), "D:\\");
    menu.reset();
    if (before) {
      fake.files.add_file(item.file, *before);
    } else {
      fake.files.remove(item.file);
    }
  }
}

TEST_F(SealedWindowsTest, AChangedToolIsNotPlacedAndItsValueGoes) {
  fake.files.add_file(kTool, "MZ tool bytes, patched");
  auto ghost = ui::MakeForm<TGhostInstall>(app, &owner, host());
  backend.modal_scripts["TEditNotice"] = [](ui::Form& dialog) { ClickOn(dialog, "btnYes"); };
  ClickOn(*ghost, "lblButton2");
  ExpectRefusal("TEditNotice", kTool, "Changed medium.");
  EXPECT_FALSE(fake.files.exists("C:\\RadOzevO.exe"));
  EXPECT_FALSE(fake.registry.has_value(kRunOnce, "RadOzevO"));
  EXPECT_TRUE(ghost->find("ImgButton2")->enabled());
}

TEST_F(SealedWindowsTest, AChangedTemplateIsNotShown) {
  fake.files.add_file("D:\\imgdata\\Alert.alt", "Other\r\n");
  auto ghost = ui::MakeForm<TGhostInstall>(app, &owner, host());
  auto dialog = ui::MakeForm<TEditNotice>(app, ghost.get(), host());
  ExpectRefusal("TEditNotice", "D:\\imgdata\\Alert.alt", "Changed medium.");
  EXPECT_EQ(dialog->memoAlert->text(), "");
}

// The language file names every command line: one that is not as signed is
// not read, and every step is refused in the built-in words.
TEST_F(SealedWindowsTest, AChangedLanguageFileRefusesEveryStep) {
  fake.files.add_file("D:\\ImgData\\KOREAN\\MultiLang.ini",
                      *fake.files.contents("D:\\ImgData\\KOREAN\\MultiLang.ini") + "\n");
  auto menu = ui::MakeForm<TUserSetup>(app, &owner, host());
  backend.message_boxes.clear();  // the missing skin folder's report
  menu->show();
  ClickOn(*menu, "lblButton1");
  ExpectRefusal("TUserSetup", "D:\\ImgData\\KOREAN\\MultiLang.ini",
                std::string(kMediumChanged).c_str());
  EXPECT_EQ(backend.message_boxes[0].caption, "KTR Installation");
  EXPECT_TRUE(fake.processes.runs.empty());
}

class SealedMainMenuTest : public SealedWindowsTest {
 protected:
  void SetUp() override { Lay(0x0409, "ENGLISH"); }
};

TEST_F(SealedMainMenuTest, ManualAndServerRunAsSignedAndAreRefusedWhenChanged) {
  auto& menu = app.create_form<TMainForm>(host());
  ClickOn(menu, "ImgManual");
  ClickOn(menu, "ImgInstallServer");
  ASSERT_EQ(fake.shell.calls.size(), 1u);
  EXPECT_EQ(fake.files.held_count("D:\\Manual\\Manual.pdf"), 1);
  ASSERT_EQ(fake.processes.waited().size(), 1u);
  EXPECT_TRUE(backend.message_boxes.empty());

  fake.files.add_file("D:\\Install\\KTR-Server\\evil.dll", "MZ");
  ClickOn(menu, "ImgInstallServer");
  ExpectRefusal("TMainForm", "D:\\Install\\KTR-Server\\evil.dll", "Changed medium.");
  EXPECT_EQ(fake.processes.waited().size(), 1u);
  EXPECT_TRUE(menu.visible());
}

}  // namespace
}  // namespace ktr::forms
