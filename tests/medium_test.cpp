#include "medium/medium.h"

#include <gtest/gtest.h>

#include "lang/multilang.h"
#include "platform/dbcs.h"
#include "testing/fake_host.h"
#include "tests/fakes/test_medium.h"

namespace ktr::medium {
namespace {

TEST(LaunchFolder, EndsInExactlyOneBackslash) {
  EXPECT_EQ(LaunchFolderFrom("D:\\", 1252), "D:\\");
  EXPECT_EQ(LaunchFolderFrom("D:\\Setup", 1252), "D:\\Setup\\");
  EXPECT_EQ(LaunchFolderFrom("\\\\server\\share\\KTR Setup", 949),
            "\\\\server\\share\\KTR Setup\\");
  // An empty current directory names the root of the current drive.
  EXPECT_EQ(LaunchFolderFrom("", 1252), "\\");
}

TEST(LaunchFolder, ATrailByteThatLooksLikeABackslashGetsOneAppended) {
  // U+8868 in Shift-JIS is 0x95 0x5C: its trail byte is no path separator.
  const std::string japanese = "D:\\\x95\x5C";
  EXPECT_TRUE(platform::IsTrailByte(japanese, 4, 932));
  EXPECT_EQ(LaunchFolderFrom(japanese, 932), japanese + "\\");
  // The same bytes in a single-byte code page do end in a backslash.
  EXPECT_EQ(LaunchFolderFrom(japanese, 1252), japanese);
  // A real backslash after a double-byte character is a backslash.
  EXPECT_EQ(LaunchFolderFrom("D:\\\x95\x5C\\", 932), "D:\\\x95\x5C\\");
  // Plain ASCII never has trail bytes.
  EXPECT_FALSE(platform::IsTrailByte("D:\\a\\", 4, 949));
}

TEST(LaunchFolder, LongCurrentDirectoriesAreTakenWhole) {
  fake::FakeHost fake;
  std::string deep = "C:";
  while (deep.size() < 400) deep += "\\folder";
  fake.files.put_current_directory(deep);
  EXPECT_EQ(LaunchFolder(fake.files, fake.locale), deep + "\\");
}

TEST(ProgramFolder, IsTheFolderOfTheProgramFile) {
  fake::FakeHost fake;
  fake.files.set_program_path("E:\\KTR\\KtrSetup.exe");
  EXPECT_EQ(ProgramFolder(fake.files, fake.locale), "E:\\KTR\\");
  fake.files.set_program_path("E:\\KtrSetup.exe");
  EXPECT_EQ(ProgramFolder(fake.files, fake.locale), "E:\\");
  fake.files.set_program_path("E:KtrSetup.exe");
  EXPECT_EQ(ProgramFolder(fake.files, fake.locale), "E:\\");
}

TEST(ProgramFolder, FollowsTheDoubleByteRuleOfTheLaunchFolder) {
  fake::FakeHost fake;
  fake.locale.code_page = 932;
  fake.files.set_program_path("E:\\KTR\\\x95\x5C.exe");
  EXPECT_EQ(ProgramFolder(fake.files, fake.locale), "E:\\KTR\\");
  fake.files.set_program_path("E:\\\x95\x5C\\KtrSetup.exe");
  EXPECT_EQ(ProgramFolder(fake.files, fake.locale), "E:\\\x95\x5C\\");
}

TEST(SkinFolder, FollowsRES_LANGReadAnewEachTime) {
  fake::FakeHost fake;
  lang::SetLanguageIndexForTesting(lang::kEnglish);
  EXPECT_EQ(SkinFile(fake.profile, "D:\\", "Button1.bmp"), "D:\\imgdata\\\\Button1.bmp");
  fake.files.add_file("D:\\ImgData\\ENGLISH\\MultiLang.ini",
                      fake::IniText("ENGLISH", {{"RES_LANG", "SkinEng"}}));
  EXPECT_EQ(SkinFile(fake.profile, "D:\\", "Button1.bmp"), "D:\\imgdata\\SkinEng\\Button1.bmp");
}

TEST(SkinBitmaps, TwentyTwoDistinctFilesInTheirLayoutSizes) {
  for (std::size_t i = 0; i < kSkinBitmaps.size(); ++i) {
    for (std::size_t j = i + 1; j < kSkinBitmaps.size(); ++j) {
      EXPECT_NE(kSkinBitmaps[i].file, kSkinBitmaps[j].file);
      EXPECT_NE(fake::ColourOf(kSkinBitmaps[i].file), fake::ColourOf(kSkinBitmaps[j].file));
    }
  }
}

}  // namespace
}  // namespace ktr::medium
