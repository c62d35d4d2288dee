#include "tools/ktrmedium/code_pages.h"

#include <cstdint>

#include "lang/multilang.h"

namespace ktr::tools {
namespace {

bool InRange(std::uint8_t byte, std::uint8_t low, std::uint8_t high) {
  return byte >= low && byte <= high;
}

// Unified Hangul Code: the extension rows 0x81-0xC6 take letters and high
// bytes as trail bytes (row 0xC6 only up to 0x52 before its KS X 1001 half);
// the rows from 0xC7 are KS X 1001 alone.
bool IsTrail949(std::uint8_t lead, std::uint8_t trail) {
  if (lead >= 0xC7 || (lead == 0xC6 && trail > 0x52)) return InRange(trail, 0xA1, 0xFE);
  return InRange(trail, 0x41, 0x5A) || InRange(trail, 0x61, 0x7A) || InRange(trail, 0x81, 0xFE);
}

struct Rules {
  bool (*is_single)(std::uint8_t);
  bool (*is_lead)(std::uint8_t);
  bool (*is_trail)(std::uint8_t lead, std::uint8_t trail);
};

Rules RulesOf(unsigned code_page) {
  switch (code_page) {
    case 932:
      return {[](std::uint8_t b) { return b < 0x80 || InRange(b, 0xA1, 0xDF); },
              [](std::uint8_t b) { return InRange(b, 0x81, 0x9F) || InRange(b, 0xE0, 0xFC); },
              [](std::uint8_t, std::uint8_t t) {
                return InRange(t, 0x40, 0x7E) || InRange(t, 0x80, 0xFC);
              }};
    case 936:
      return {[](std::uint8_t b) { return b <= 0x80; },
              [](std::uint8_t b) { return InRange(b, 0x81, 0xFE); },
              [](std::uint8_t, std::uint8_t t) {
                return InRange(t, 0x40, 0x7E) || InRange(t, 0x80, 0xFE);
              }};
    case 949:
      return {[](std::uint8_t b) { return b < 0x80; },
              [](std::uint8_t b) { return InRange(b, 0x81, 0xFE); }, IsTrail949};
    default:  // 1252: five bytes have no character.
      return {[](std::uint8_t b) {
                return b != 0x81 && b != 0x8D && b != 0x8F && b != 0x90 && b != 0x9D;
              },
              [](std::uint8_t) { return false; }, [](std::uint8_t, std::uint8_t) { return false; }};
  }
}

}  // namespace

unsigned CodePageOf(int language_index) {
  switch (language_index) {
    case lang::kKorean:
      return 949;
    case lang::kJapanese:
      return 932;
    case lang::kChinese:
      return 936;
    default:
      return 1252;
  }
}

std::optional<std::size_t> FirstInvalidByte(std::string_view text, unsigned code_page) {
  const Rules rules = RulesOf(code_page);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<std::uint8_t>(text[i]);
    if (rules.is_single(byte)) continue;
    if (!rules.is_lead(byte) || i + 1 == text.size() ||
        !rules.is_trail(byte, static_cast<std::uint8_t>(text[i + 1]))) {
      return i;
    }
    ++i;
  }
  return std::nullopt;
}

bool IsUtf8BeyondAscii(std::string_view text) {
  bool beyond = false;
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<std::uint8_t>(text[i]);
    std::size_t length = 1;
    if (byte >= 0x80) {
      if (InRange(byte, 0xC2, 0xDF))
        length = 2;
      else if (InRange(byte, 0xE0, 0xEF))
        length = 3;
      else if (InRange(byte, 0xF0, 0xF4))
        length = 4;
      else
        return false;
      if (i + length > text.size()) return false;
      for (std::size_t k = 1; k < length; ++k) {
        if ((static_cast<std::uint8_t>(text[i + k]) & 0xC0) != 0x80) return false;
      }
      beyond = true;
    }
    i += length;
  }
  return beyond;
}

}  // namespace ktr::tools
