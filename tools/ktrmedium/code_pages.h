#pragma once
// Whether a text is well formed in a Windows ANSI code page: every byte a
// defined single-byte character or part of a lead/trail pair. A double-byte
// file saved as UTF-8 breaks these rules within a few characters.
#include <cstddef>
#include <optional>
#include <string_view>

namespace ktr::tools {

// The code page each language's texts are written in, by language index.
unsigned CodePageOf(int language_index);

// The offset of the first byte that breaks the code page's rules; nullopt
// when the whole text is well formed.
std::optional<std::size_t> FirstInvalidByte(std::string_view text, unsigned code_page);

// Valid UTF-8 with at least one character beyond ASCII.
bool IsUtf8BeyondAscii(std::string_view text);

}  // namespace ktr::tools
