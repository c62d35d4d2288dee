#pragma once
// Exact conversion between a MultiLang.ini value in its Windows code page
// and Unicode, as MultiByteToWideChar and WideCharToMultiByte with
// WC_NO_BEST_FIT_CHARS do it. Nothing is substituted, dropped or fitted: a
// character or a byte sequence that does not come back unchanged is refused
// and named.
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

struct UConverter;

namespace ktr::tools::strings {

class CodePage {
 public:
  // 949, 932, 936 or 1252; throws std::runtime_error when the converter
  // cannot be opened.
  explicit CodePage(unsigned code_page);
  ~CodePage();
  CodePage(const CodePage&) = delete;
  CodePage& operator=(const CodePage&) = delete;

  unsigned number() const { return number_; }

  // One character's bytes; nullopt when the code page has no character that
  // decodes back to it (best-fit entries included).
  std::optional<std::string> encode(char32_t character);
  // The character one byte or one lead/trail pair decodes to; nullopt for a
  // byte sequence the code page does not define.
  std::optional<char32_t> decode(std::string_view sequence);

  struct Failure {
    std::size_t offset;  // in the input: bytes for decode, characters for encode
    std::size_t length;  // bytes of the sequence, or 1
    char32_t character;  // the character concerned, when there is one
  };
  // Whole texts, checked both ways: the bytes must decode and encode back to
  // the same bytes, the characters encode and decode back to the same ones.
  std::optional<std::u32string> decode_all(std::string_view bytes, Failure* failure);
  std::optional<std::string> encode_all(std::u32string_view text, Failure* failure);

 private:
  // How many bytes the sequence starting with `lead` takes.
  std::size_t sequence_length(unsigned char lead) const;

  unsigned number_;
  UConverter* converter_ = nullptr;
};

// UTF-8 to code points and back; nullopt for text that is not UTF-8.
std::optional<std::u32string> FromUtf8(std::string_view text);
std::string ToUtf8(std::u32string_view text);
std::string ToUtf8(char32_t character);
// "U+301C".
std::string CodePointName(char32_t character);

}  // namespace ktr::tools::strings
