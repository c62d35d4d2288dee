#include "tools/ktrmedium/strings/code_page.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>

#include <array>
#include <cstdio>
#include <stdexcept>

namespace ktr::tools::strings {
namespace {

// ICU's own stop callbacks let default-ignorable characters (U+00AD,
// U+200B and the like) vanish without an error; ours leaves every error in
// place, so nothing is dropped.
void StopFromUnicode(const void*, UConverterFromUnicodeArgs*, const UChar*, int32_t, UChar32,
                     UConverterCallbackReason, UErrorCode*) {}
void StopToUnicode(const void*, UConverterToUnicodeArgs*, const char*, int32_t,
                   UConverterCallbackReason, UErrorCode*) {}

const char* ConverterName(unsigned code_page) {
  switch (code_page) {
    case 949:
      return "windows-949-2000";
    case 936:
      return "windows-936-2000";
    case 932:
      return "ibm-943_P15A-2003";
    case 1252:
      return "ibm-5348_P100-1997";
    default:
      throw std::runtime_error("no converter for code page " + std::to_string(code_page));
  }
}

// Where ICU's table for 932 (IBM's 943) and Windows part: three control
// bytes that IBM swaps, and five single bytes that Windows decodes to a
// control and to private-use characters. Windows' own mapping wins in both
// directions; a character that ICU alone puts on one of these bytes is
// refused.
struct SingleByte {
  unsigned char byte;
  char32_t character;
};
constexpr std::array<SingleByte, 8> kWindows932 = {{
    {0x1A, 0x001A},
    {0x1C, 0x001C},
    {0x7F, 0x007F},
    {0x80, 0x0080},
    {0xA0, 0xF8F0},
    {0xFD, 0xF8F1},
    {0xFE, 0xF8F2},
    {0xFF, 0xF8F3},
}};

bool InRange(unsigned char byte, unsigned char low, unsigned char high) {
  return byte >= low && byte <= high;
}

}  // namespace

CodePage::CodePage(unsigned code_page) : number_(code_page) {
  UErrorCode error = U_ZERO_ERROR;
  converter_ = ucnv_open(ConverterName(code_page), &error);
  if (U_FAILURE(error) || !converter_) {
    throw std::runtime_error(std::string("cannot open the converter for code page ") +
                             std::to_string(code_page) + ": " + u_errorName(error));
  }
  ucnv_setFallback(converter_, false);
  ucnv_setFromUCallBack(converter_, StopFromUnicode, nullptr, nullptr, nullptr, &error);
  ucnv_setToUCallBack(converter_, StopToUnicode, nullptr, nullptr, nullptr, &error);
  if (U_FAILURE(error)) {
    ucnv_close(converter_);
    throw std::runtime_error(std::string("cannot set up the converter: ") + u_errorName(error));
  }
}

CodePage::~CodePage() { ucnv_close(converter_); }

std::size_t CodePage::sequence_length(unsigned char lead) const {
  switch (number_) {
    case 932:
      return InRange(lead, 0x81, 0x9F) || InRange(lead, 0xE0, 0xFC) ? 2 : 1;
    case 936:
    case 949:
      return InRange(lead, 0x81, 0xFE) ? 2 : 1;
    default:
      return 1;
  }
}

std::optional<std::string> CodePage::encode(char32_t character) {
  if (character > 0x10FFFF || (character >= 0xD800 && character <= 0xDFFF)) return std::nullopt;
  if (number_ == 932) {
    for (const SingleByte& entry : kWindows932) {
      if (entry.character == character) return std::string(1, static_cast<char>(entry.byte));
    }
  }
  UChar units[2];
  int32_t count = 0;
  if (character >= 0x10000) {
    units[0] = static_cast<UChar>(0xD7C0 + (character >> 10));
    units[1] = static_cast<UChar>(0xDC00 | (character & 0x3FF));
    count = 2;
  } else {
    units[0] = static_cast<UChar>(character);
    count = 1;
  }
  char bytes[8];
  UErrorCode error = U_ZERO_ERROR;
  const int32_t length = ucnv_fromUChars(converter_, bytes, sizeof bytes, units, count, &error);
  if (U_FAILURE(error) || length <= 0) return std::nullopt;
  std::string sequence(bytes, static_cast<std::size_t>(length));
  if (number_ == 932 && sequence.size() == 1) {
    for (const SingleByte& entry : kWindows932) {
      if (static_cast<unsigned char>(sequence[0]) == entry.byte) return std::nullopt;
    }
  }
  // A best-fit or one-way mapping decodes to another character.
  if (decode(sequence) != character) return std::nullopt;
  return sequence;
}

std::optional<char32_t> CodePage::decode(std::string_view sequence) {
  if (sequence.empty() ||
      sequence.size() != sequence_length(static_cast<unsigned char>(sequence[0])))
    return std::nullopt;
  if (number_ == 932 && sequence.size() == 1) {
    for (const SingleByte& entry : kWindows932) {
      if (static_cast<unsigned char>(sequence[0]) == entry.byte) return entry.character;
    }
  }
  UChar units[4];
  UErrorCode error = U_ZERO_ERROR;
  const int32_t count = ucnv_toUChars(converter_, units, 4, sequence.data(),
                                      static_cast<int32_t>(sequence.size()), &error);
  if (U_FAILURE(error) || count <= 0 || count > 2) return std::nullopt;
  if (count == 1)
    return units[0] >= 0xD800 && units[0] <= 0xDFFF ? std::nullopt
                                                    : std::optional<char32_t>(units[0]);
  if (units[0] < 0xD800 || units[0] > 0xDBFF || units[1] < 0xDC00 || units[1] > 0xDFFF)
    return std::nullopt;
  return 0x10000 + ((static_cast<char32_t>(units[0]) - 0xD800) << 10) + (units[1] - 0xDC00);
}

std::optional<std::u32string> CodePage::decode_all(std::string_view bytes, Failure* failure) {
  std::u32string text;
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t length =
        std::min(sequence_length(static_cast<unsigned char>(bytes[i])), bytes.size() - i);
    const std::string_view sequence = bytes.substr(i, length);
    const std::optional<char32_t> character = decode(sequence);
    // Several byte sequences decode to one character: only one of them
    // comes back, even on Windows.
    if (!character || encode(*character) != sequence) {
      if (failure) *failure = {i, length, character.value_or(0)};
      return std::nullopt;
    }
    text += *character;
    i += length;
  }
  return text;
}

std::optional<std::string> CodePage::encode_all(std::u32string_view text, Failure* failure) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::optional<std::string> sequence = encode(text[i]);
    if (!sequence) {
      if (failure) *failure = {i, 1, text[i]};
      return std::nullopt;
    }
    bytes += *sequence;
  }
  return bytes;
}

std::optional<std::u32string> FromUtf8(std::string_view text) {
  std::u32string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    std::size_t length;
    char32_t value;
    if (byte < 0x80) {
      length = 1;
      value = byte;
    } else if (InRange(byte, 0xC2, 0xDF)) {
      length = 2;
      value = byte & 0x1F;
    } else if (InRange(byte, 0xE0, 0xEF)) {
      length = 3;
      value = byte & 0x0F;
    } else if (InRange(byte, 0xF0, 0xF4)) {
      length = 4;
      value = byte & 0x07;
    } else {
      return std::nullopt;
    }
    if (i + length > text.size()) return std::nullopt;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return std::nullopt;
      value = (value << 6) | (next & 0x3F);
    }
    const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < least[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
      return std::nullopt;
    out += value;
    i += length;
  }
  return out;
}

std::string ToUtf8(char32_t c) {
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

std::string ToUtf8(std::u32string_view text) {
  std::string out;
  for (char32_t c : text) out += ToUtf8(c);
  return out;
}

std::string CodePointName(char32_t character) {
  char name[16];
  std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(character));
  return name;
}

}  // namespace ktr::tools::strings
