#include <gtest/gtest.h>

#include "platform/profile_text.h"
#include "tools/ktrmedium/code_pages.h"

namespace ktr::tools {
namespace {

TEST(CodePages, LeadAndTrailBytesOfEachCodePage) {
  struct Case {
    unsigned code_page;
    std::string text;
    std::optional<std::size_t> first_invalid;
  };
  const Case cases[] = {
      {949, "\xC7\xD1\xB1\xB9", std::nullopt},  // KS X 1001 syllables
      {949, "\x81\x41", std::nullopt},          // an extension row takes letters
      {949, "\xC7\x41", 0},                     // the standard rows do not
      {949, "\xED\x95\x9C\xEA\xB5\xAD", 0},     // UTF-8 Korean
      {949, "ok\xB0", 2},                       // a lead byte at the end
      {932, "\x93\xFA\xB1", std::nullopt},      // kanji and a half-width kana
      {932, "\xA0", 0},
      {936, "\xD6\xD0\x80", std::nullopt},  // a hanzi and the euro sign
      {936, "\xD6\x7F", 0},
      {1252, "caf\xE9 \x80", std::nullopt},
      {1252, "\x81", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FirstInvalidByte(c.text, c.code_page), c.first_invalid)
        << c.code_page << " " << testing::PrintToString(c.text);
  }
  EXPECT_TRUE(IsUtf8BeyondAscii("\xED\x95\x9C"));
  EXPECT_FALSE(IsUtf8BeyondAscii("plain"));
  EXPECT_FALSE(IsUtf8BeyondAscii("\xC7\xD1"));
  EXPECT_EQ(CodePageOf(0), 949u);
  EXPECT_EQ(CodePageOf(2), 932u);
  EXPECT_EQ(CodePageOf(3), 936u);
  EXPECT_EQ(CodePageOf(1), 1252u);
}

TEST(ProfileSection, ListsTheLinesProfileValueReads) {
  const std::string text =
      "[other]\nRES_LANG=X\n[korean]\n RES_LANG = KOREAN \nno equals\nRES_X=\"q\"\n"
      "[KOREAN]\nRES_LATE=1\n";
  const auto lines = platform::ProfileSection(text, "KOREAN");
  ASSERT_TRUE(lines);
  EXPECT_EQ(*lines, (platform::ProfileLines{{"RES_LANG", "KOREAN"}, {"RES_X", "\"q\""}}));
  EXPECT_EQ(platform::ProfileValue(text, "KOREAN", "res_x", 2048), "q");
  EXPECT_EQ(platform::ProfileValue(text, "KOREAN", "RES_LATE", 2048), "");
  EXPECT_FALSE(platform::ProfileSection(text, "ENGLISH"));
}

}  // namespace
}  // namespace ktr::tools
