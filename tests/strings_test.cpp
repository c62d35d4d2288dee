// The converter against Microsoft's own tables of the four code pages, for
// every character and byte sequence they list, the values of a translation
// checked both ways, and the INI edit that moves only a changed value.
#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/windows_code_page_table.h"
#include "tools/ktrmedium/strings/code_page.h"
#include "tools/ktrmedium/strings/ini_edit.h"

namespace ktr::tools::strings {
namespace {

// ICU's table alone, without the converter's corrections.
std::optional<std::string> PlainIcu(UConverter* converter, char32_t c) {
  if (c > 0xFFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
  const UChar unit = static_cast<UChar>(c);
  char bytes[8];
  UErrorCode error = U_ZERO_ERROR;
  ucnv_setFromUCallBack(converter, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &error);
  const int32_t length = ucnv_fromUChars(converter, bytes, sizeof bytes, &unit, 1, &error);
  if (U_FAILURE(error) || length <= 0) return std::nullopt;
  return std::string(bytes, static_cast<std::size_t>(length));
}

std::optional<char32_t> PlainIcuDecode(UConverter* converter, const std::string& bytes) {
  UChar units[4];
  UErrorCode error = U_ZERO_ERROR;
  ucnv_setToUCallBack(converter, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &error);
  const int32_t count =
      ucnv_toUChars(converter, units, 4, bytes.data(), static_cast<int32_t>(bytes.size()), &error);
  if (U_FAILURE(error) || count != 1) return std::nullopt;
  return units[0];
}

TEST(StringsCodePage, AgreesWithWindowsOnEveryCharacterAndSequence) {
  const char* icu_names[] = {"windows-949-2000", "ibm-943_P15A-2003", "windows-936-2000",
                             "ibm-5348_P100-1997"};
  const unsigned pages[] = {949, 932, 936, 1252};
  for (int n = 0; n < 4; ++n) {
    const unsigned page = pages[n];
    SCOPED_TRACE(page);
    ASSERT_TRUE(std::filesystem::exists(testing_tables::TableOf(page)))
        << testing_tables::TableOf(page);
    const testing_tables::WindowsTable table =
        testing_tables::ReadTable(testing_tables::TableOf(page));
    ASSERT_GT(table.decodes.size(), 200u);
    CodePage converter(page);
    UErrorCode error = U_ZERO_ERROR;
    UConverter* icu = ucnv_open(icu_names[n], &error);
    ASSERT_TRUE(icu);
    ucnv_setFallback(icu, false);

    // Every code point of the BMP: exact where both tables agree, refused
    // everywhere else (best fit, default character).
    std::size_t characters = 0, exact = 0, best_fit = 0, plain_icu_differs = 0;
    std::string differences;
    for (char32_t c = 0; c <= 0xFFFF; ++c) {
      if (c >= 0xD800 && c <= 0xDFFF) continue;
      ++characters;
      std::optional<std::string> expected;
      if (auto it = table.encodes.find(c); it != table.encodes.end()) {
        auto back = table.decodes.find(it->second);
        if (back != table.decodes.end() && back->second == c) {
          expected = it->second;
          ++exact;
        } else {
          ++best_fit;
        }
      }
      const std::optional<std::string> got = converter.encode(c);
      EXPECT_EQ(got, expected) << CodePointName(c);
      if (PlainIcu(icu, c) != expected) {
        ++plain_icu_differs;
        differences += " " + CodePointName(c);
      }
    }
    // Every single byte and every pair behind a lead byte.
    std::size_t sequences = 0, one_way = 0, undefined = 0;
    for (unsigned first = 0; first <= 0xFF; ++first) {
      for (int second = -1; second <= 0xFF; ++second) {
        const std::string bytes =
            second < 0 ? testing_tables::Bytes(first, false)
                       : testing_tables::Bytes(first << 8 | static_cast<unsigned>(second), true);
        const auto it = table.decodes.find(bytes);
        std::optional<char32_t> expected =
            it == table.decodes.end() ? std::nullopt : std::optional<char32_t>(it->second);
        // Lead bytes without characters list one trail byte that gives the
        // default character, as every undefined sequence does.
        if (expected == table.default_character &&
            table.encodes.at(table.default_character) != bytes) {
          expected.reset();
          ++undefined;
        }
        if (expected) ++sequences;
        if (second >= 0 && !expected && table.decodes.contains(testing_tables::Bytes(first, false)))
          continue;
        const std::optional<char32_t> got = converter.decode(bytes);
        if (expected || got) {
          EXPECT_EQ(got, expected) << testing::PrintToString(bytes);
        }
        if (expected && PlainIcuDecode(icu, bytes) != expected) {
          ++plain_icu_differs;
          char name[8];
          std::snprintf(name, sizeof name, bytes.size() == 1 ? " 0x%02X" : " 0x%04X",
                        bytes.size() == 1 ? first : first << 8 | static_cast<unsigned>(second));
          differences += name;
        }
        if (!expected) continue;
        CodePage::Failure failure{};
        const bool round_trip =
            table.encodes.contains(*expected) && table.encodes.at(*expected) == bytes;
        one_way += !round_trip;
        EXPECT_EQ(converter.decode_all(bytes, &failure).has_value(), round_trip)
            << testing::PrintToString(bytes);
      }
    }
    ucnv_close(icu);
    std::printf(
        "code page %u: %zu characters compared, %zu exact both ways, %zu best fit refused, "
        "%zu byte sequences decoded, %zu of them one way only, %zu listed as the "
        "default character refused; ICU's table alone differs on %zu characters or "
        "sequences:%s\n",
        page, characters, exact, best_fit, sequences, one_way, undefined, plain_icu_differs,
        differences.c_str());
    // Only 932 has byte sequences that several characters share.
    EXPECT_EQ(one_way, page == 932 ? 398u : 0u);
  }
}

TEST(StringsCodePage, WholeValuesAreCheckedBothWays) {
  CodePage japanese(932);
  CodePage::Failure failure{};
  // The wave dash best-fits to the full-width tilde's bytes on Windows.
  EXPECT_FALSE(japanese.encode_all(U"a\u301Cb", &failure));
  EXPECT_EQ(failure.offset, 1u);
  EXPECT_EQ(failure.character, U'\u301C');
  // ICU's stop callback would drop a soft hyphen or a zero-width space.
  CodePage korean(949);
  EXPECT_FALSE(korean.encode_all(U"\uAC00\u200B", &failure));
  EXPECT_EQ(failure.character, U'\u200B');
  EXPECT_EQ(korean.encode_all(U"\uD55C\uAD6D", &failure), "\xC7\xD1\xB1\xB9");
  // NEC's and IBM's kanji rows share characters: only one form comes back.
  EXPECT_FALSE(japanese.decode_all("\xED\x40", &failure));
  EXPECT_EQ(failure.length, 2u);
  EXPECT_FALSE(korean.decode_all("ok\xB0", &failure));
  EXPECT_EQ(failure.offset, 2u);
  EXPECT_EQ(FromUtf8("\xED\x95\x9C"), std::u32string(U"\uD55C"));
  EXPECT_FALSE(FromUtf8("\xC0\xAF"));
}

TEST(StringsIniEdit, OnlyTheChangedBytesMove) {
  struct Case {
    const char* what;
    std::string text;
    std::map<std::string, std::string> values;
    std::string expected;
  };
  const Case cases[] = {
      {"CR line ends, blanks kept",
       "[K]\rA = 1 \rB=2\r",
       {{"A", "x"}, {"B", "2"}},
       "[K]\rA = x \rB=2\r"},
      {"the first section and the first line count",
       "[k]\nA=1\nA=2\n[K]\nA=3",
       {{"A", "x"}},
       "[k]\nA=x\nA=2\n[K]\nA=3"},
      {"a new key after the last line, no final line end added",
       "[K]\r\nA=1\r\n\r\n[L]",
       {{"B", "2"}},
       "[K]\r\nA=1\r\nB=2\r\n\r\n[L]"},
      {"a new key after an empty value", "[K]\nA=", {{"A", "1"}, {"B", "2"}}, "[K]\nA=1\nB=2"},
      {"blanks at the ends and quotes are quoted",
       "[K]\nA=1\nB=2\n",
       {{"A", " x "}, {"B", "\"q\""}},
       "[K]\nA=\" x \"\nB=\"\"q\"\"\n"},
      {"a quoted value stays quoted", "[K]\nA='old'\n", {{"A", "new"}}, "[K]\nA=\"new\"\n"},
      {"a missing section at the end",
       "[L]\r\nA=1\r\n",
       {{"A", "2"}},
       "[L]\r\nA=1\r\n[K]\r\nA=2\r\n"},
      {"an empty file", "", {{"A", "2"}}, "[K]\r\nA=2\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WithValues(c.text, "K", c.values), c.expected) << c.what;
  }
  EXPECT_THROW(WithValues("[K]\nA=1", "K", {{"A", "a\nb"}}), std::invalid_argument);
}

}  // namespace
}  // namespace ktr::tools::strings
