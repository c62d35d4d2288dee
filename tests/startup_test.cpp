#include <gtest/gtest.h>

#include "app/launcher.h"
#include "lang/multilang.h"
#include "testing/fake_host.h"
#include "testing/headless_backend.h"
#include "tests/fakes/test_medium.h"

namespace ktr::app {
namespace {

using fake::HeadlessBackend;

class StartUpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake.locale.lcid = 0x0412;
    fake.locale.code_page = 949;
    fake.files.put_current_directory("D:\\");
    fake.files.set_program_path("D:\\KtrSetup.exe");
    medium.strings = {{"RES_TITLE", "Title KO"}, {"RES_MAINFORM", "Main KO"}};
  }
  void TearDown() override { lang::SetLanguageIndexForTesting(lang::kEnglish); }

  fake::FakeHost fake;
  fake::TestMedium medium;
  HeadlessBackend backend;
};

TEST_F(StartUpTest, LanguageFirstThenTitleMainFormAndHiddenGhostWindow) {
  medium.install(fake.files, "KOREAN");
  std::vector<bool> main_visible_in_loop;
  backend.main_loop_script = [&](ui::Application& app) {
    main_visible_in_loop.push_back(app.main_form()->visible());
    EXPECT_EQ(app.main_form()->caption(), "Main KO");
    EXPECT_EQ(app.main_form()->class_name(), std::string("TMainForm"));
    // The hidden Ghost window is never shown.
    for (ui::Form* form : backend.forms) {
      if (std::string(form->class_name()) == "TGhostInstall") {
        EXPECT_FALSE(form->visible());
      }
    }
    app.main_form()->close_requested();
  };
  Host host = fake.host();
  EXPECT_EQ(RunLauncher(host, backend), 0);
  EXPECT_EQ(lang::LanguageIndex(), lang::kKorean);
  EXPECT_EQ(backend.titles, (std::vector<std::string>{"KTR Installation", "Title KO"}));
  EXPECT_EQ(backend.created_classes, (std::vector<std::string>{"TMainForm", "TGhostInstall"}));
  EXPECT_EQ(main_visible_in_loop, std::vector<bool>{true});
  EXPECT_TRUE(backend.message_boxes.empty());
  // Every MultiLang.ini lookup went to the Korean file under the launch folder.
  for (const auto& call : fake.profile.calls) {
    EXPECT_EQ(call.file, "D:\\ImgData\\KOREAN\\MultiLang.ini");
    EXPECT_EQ(call.section, "KOREAN");
  }
}

TEST_F(StartUpTest, WithoutMultiLangTheTitleBecomesEmpty) {
  Host host = fake.host();
  EXPECT_EQ(RunLauncher(host, backend), 0);
  ASSERT_EQ(backend.titles.size(), 2u);
  EXPECT_EQ(backend.titles[0], "KTR Installation");
  EXPECT_EQ(backend.titles[1], "");
  // With no skin folder name the first picture is missing: reported once for
  // each window, with the title of the moment as caption.
  ASSERT_EQ(backend.message_boxes.size(), 2u);
  EXPECT_EQ(backend.message_boxes[0].text, "Cannot open file D:\\imgdata\\\\BackgroundEmpty.bmp.");
  EXPECT_EQ(backend.message_boxes[0].caption, "");
  EXPECT_EQ(backend.message_boxes[0].style, 0x10u);
}

TEST_F(StartUpTest, AMissingGhostSkinPictureIsReportedAtStartUp) {
  medium.install(fake.files, "KOREAN");
  fake.files.remove(medium.skin_path("ButtonEmpty.bmp"));
  Host host = fake.host();
  EXPECT_EQ(RunLauncher(host, backend), 0);
  ASSERT_EQ(backend.message_boxes.size(), 1u);
  EXPECT_EQ(backend.message_boxes[0].text,
            "Cannot open file D:\\imgdata\\SkinKor\\ButtonEmpty.bmp.");
  EXPECT_EQ(backend.message_boxes[0].caption, "Title KO");
}

}  // namespace
}  // namespace ktr::app
