#pragma once
// The double-byte rule of the ANSI code pages: in 932, 936, 949 and 950 a
// byte after a lead byte belongs to its character, whatever its value.
#include <cstddef>
#include <string_view>

namespace ktr::platform {

// Whether byte `index` of `text` is the trail byte of a double-byte
// character in the given ANSI code page.
bool IsTrailByte(std::string_view text, std::size_t index, unsigned code_page);

}  // namespace ktr::platform
