#include "lang/multilang.h"

#include <gtest/gtest.h>

#include "lang/keys.h"
#include "testing/fake_host.h"
#include "tests/fakes/test_medium.h"

namespace ktr::lang {
namespace {

TEST(LanguageIndex, PrimaryLanguageOfTheSystemLocaleDecides) {
  EXPECT_EQ(LangIndexOf(0x0412), kKorean);
  EXPECT_EQ(LangIndexOf(0x0804), kChinese);
  EXPECT_EQ(LangIndexOf(0x0404), kChinese);
  EXPECT_EQ(LangIndexOf(0x0C04), kChinese);
  EXPECT_EQ(LangIndexOf(0x0411), kJapanese);
  EXPECT_EQ(LangIndexOf(0x0809), kEnglish);
  EXPECT_EQ(LangIndexOf(0x0407), kEnglish);  // German falls back to English
  EXPECT_EQ(LangIndexOf(0x0000), kEnglish);
  // Sort bits above the language id play no part.
  EXPECT_EQ(LangIndexOf(0x10412), kKorean);
  EXPECT_EQ(LangIndexOf(0x20411), kJapanese);
  EXPECT_EQ(GetPrimaryLangId(0x0412), 0x12);
  EXPECT_EQ(GetPrimaryLangId(0xFC12), 0x12);
}

TEST(LanguageIndex, ReadFromTheSystemDefaultLocaleOnce) {
  fake::FakeLocale locale;
  locale.lcid = 0x0411;
  InitLanguageIndex(locale);
  EXPECT_EQ(LanguageIndex(), kJapanese);
  locale.lcid = 0x0412;
  EXPECT_EQ(LanguageIndex(), kJapanese);  // fixed at start-up
  EXPECT_EQ(GetLangIndex(locale), kKorean);
  SetLanguageIndexForTesting(kEnglish);
}

class ReadLangStringTest : public ::testing::Test {
 protected:
  void SetUp() override { SetLanguageIndexForTesting(kKorean); }
  void TearDown() override { SetLanguageIndexForTesting(kEnglish); }
  fake::FakeHost fake;
};

TEST_F(ReadLangStringTest, ReadsTheLanguagesOwnFileAndSection) {
  fake.files.add_file("D:\\ImgData\\KOREAN\\MultiLang.ini",
                      "[ENGLISH]\r\nRES_TITLE=English title\r\n"
                      "[KOREAN]\r\nRES_TITLE=\xC7\xD1\xB1\xDB\r\nres_lang=SkinKor\r\n");
  EXPECT_EQ(MultiLangPath("D:\\"), "D:\\ImgData\\KOREAN\\MultiLang.ini");
  EXPECT_EQ(ReadLangString(fake.profile, "D:\\", RES_TITLE), "\xC7\xD1\xB1\xDB");
  EXPECT_EQ(ReadLangString(fake.profile, "D:\\", RES_LANG), "SkinKor");  // key in any case
  ASSERT_FALSE(fake.profile.calls.empty());
  EXPECT_EQ(fake.profile.calls.back().section, "KOREAN");
  EXPECT_EQ(fake.profile.calls.back().buffer_size, 2048u);
}

TEST_F(ReadLangStringTest, EverythingMissingReadsAsTheEmptyText) {
  EXPECT_EQ(ReadLangString(fake.profile, "D:\\", RES_TITLE), "");  // no file
  fake.files.add_file("D:\\ImgData\\KOREAN\\MultiLang.ini",
                      "[ENGLISH]\r\nRES_MANUAL=m.pdf\r\n[KOREAN]\r\nRES_TITLE=\r\n");
  EXPECT_EQ(ReadLangString(fake.profile, "D:\\", RES_TITLE), "");   // empty value
  EXPECT_EQ(ReadLangString(fake.profile, "D:\\", RES_OK), "");      // absent key
  EXPECT_EQ(ReadLangString(fake.profile, "D:\\", RES_MANUAL), "");  // another language's section
}

TEST_F(ReadLangStringTest, LongValuesAreCutTo2047CharactersAndNothingIsCached) {
  const std::string long_value(3000, 'x');
  fake.files.add_file("D:\\ImgData\\KOREAN\\MultiLang.ini",
                      fake::IniText("KOREAN", {{"RES_CODE_X", long_value}}));
  EXPECT_EQ(ReadLangString(fake.profile, "D:\\", RES_CODE_X), long_value.substr(0, 2047));
  fake.files.add_file("D:\\ImgData\\KOREAN\\MultiLang.ini",
                      fake::IniText("KOREAN", {{"RES_CODE_X", "new"}}));
  EXPECT_EQ(ReadLangString(fake.profile, "D:\\", RES_CODE_X), "new");
}

TEST(KeyCatalogue, FortyEightDistinctKeysNamedAfterThemselves) {
  EXPECT_EQ(kAllKeys.size(), 48u);
  for (std::size_t i = 0; i < kAllKeys.size(); ++i) {
    EXPECT_EQ(kAllKeys[i].substr(0, 4), "RES_");
    for (std::size_t j = i + 1; j < kAllKeys.size(); ++j) EXPECT_NE(kAllKeys[i], kAllKeys[j]);
  }
  EXPECT_EQ(RES_ERROR_EXPLOER, "RES_ERROR_EXPLOER");
}

}  // namespace
}  // namespace ktr::lang
