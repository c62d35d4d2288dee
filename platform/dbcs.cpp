#include "platform/dbcs.h"

namespace ktr::platform {
namespace {

bool IsLeadByte(unsigned char byte, unsigned code_page) {
  switch (code_page) {
    case 932:  // Shift-JIS
      return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    case 936:  // GBK
    case 949:  // Unified Hangul Code
    case 950:  // Big5
      return byte >= 0x81 && byte <= 0xFE;
    default:
      return false;
  }
}

}  // namespace

// Scans from the start, as the system does: a byte's role depends on every
// byte before it.
bool IsTrailByte(std::string_view text, std::size_t index, unsigned code_page) {
  std::size_t i = 0;
  while (i < index) {
    if (IsLeadByte(static_cast<unsigned char>(text[i]), code_page) && i + 1 < text.size()) {
      if (i + 1 == index) return true;
      i += 2;
    } else {
      i += 1;
    }
  }
  return false;
}

}  // namespace ktr::platform
