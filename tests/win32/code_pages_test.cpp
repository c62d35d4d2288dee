// The system's own conversion against Microsoft's tables: what the exhaustive
// comparison of ktrmedium's converter takes for Windows is what
// MultiByteToWideChar and WideCharToMultiByte with WC_NO_BEST_FIT_CHARS do.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>

#include "tests/windows_code_page_table.h"

namespace {

std::optional<std::string> SystemEncode(unsigned page, char32_t c) {
  const wchar_t unit = static_cast<wchar_t>(c);
  char bytes[8];
  BOOL used_default = FALSE;
  const int length = WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, &unit, 1, bytes, sizeof bytes,
                                         nullptr, &used_default);
  if (length <= 0 || used_default) return std::nullopt;
  return std::string(bytes, static_cast<std::size_t>(length));
}

// Without MB_ERR_INVALID_CHARS, as the system shows a program's ANSI text:
// with it, Wine also refuses the single bytes that the tables give
// private-use characters (949 and 936 0xFF, 932 0xA0 and 0xFD to 0xFF).
std::optional<char32_t> SystemDecode(unsigned page, const std::string& bytes) {
  wchar_t units[4];
  const int count =
      MultiByteToWideChar(page, 0, bytes.data(), static_cast<int>(bytes.size()), units, 4);
  if (count != 1) return std::nullopt;
  return units[0];
}

TEST(SystemCodePages, ConvertAsTheTablesSay) {
  for (unsigned page : {949u, 932u, 936u, 1252u}) {
    SCOPED_TRACE(page);
    const auto table = testing_tables::ReadTable(testing_tables::TableOf(page));
    ASSERT_GT(table.decodes.size(), 200u);
    std::size_t characters = 0, exact = 0, encode_differs = 0, decode_differs = 0, sequences = 0;
    for (char32_t c = 0; c <= 0xFFFF; ++c) {
      if (c >= 0xD800 && c <= 0xDFFF) continue;
      ++characters;
      std::string bytes;
      const bool is_exact = testing_tables::Exact(table, c, &bytes);
      exact += is_exact;
      const std::optional<std::string> got = SystemEncode(page, c);
      const bool same = is_exact ? got == bytes
                                 // Refused exactly when the system's bytes do not decode back.
                                 : !got || SystemDecode(page, *got) != c;
      if (!same) {
        ++encode_differs;
        ADD_FAILURE() << "U+" << std::hex << static_cast<unsigned>(c);
      }
    }
    for (const auto& [bytes, character] : table.decodes) {
      // Lead bytes without characters list one trail byte that gives the
      // default character, as every undefined sequence does.
      if (character == table.default_character &&
          table.encodes.at(table.default_character) != bytes)
        continue;
      ++sequences;
      if (SystemDecode(page, bytes) != character) {
        ++decode_differs;
        ADD_FAILURE() << testing::PrintToString(bytes);
      }
    }
    std::printf(
        "code page %u: %zu characters compared (%zu exact), %zu byte sequences; the "
        "system differs on %zu characters and %zu sequences\n",
        page, characters, exact, sequences, encode_differs, decode_differs);
  }
}

}  // namespace
