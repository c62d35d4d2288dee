#include "forms/alert_lines.h"

#include <cstdint>

#include "platform/errors.h"

namespace ktr::forms {
namespace {

// Windows' own code for a read that failed (ERROR_READ_FAULT).
constexpr unsigned long kReadFault = 30;

}  // namespace

bool AlertLines::next(std::string& line) {
  line.clear();
  if (at_end_) return false;
  for (;;) {
    int c = get();
    if (c < 0 || c == 0x1A) {
      at_end_ = true;
      return true;
    }
    if (c == '\r') {
      if (peek() == '\n') get();
      if (peek() < 0 || peek() == 0x1A) at_end_ = true;
      return true;
    }
    line.push_back(static_cast<char>(c));
  }
}

int AlertLines::peek() {
  if (pos_ == size_ && !fill()) return -1;
  return static_cast<unsigned char>(buffer_[pos_]);
}

int AlertLines::get() {
  int c = peek();
  if (c >= 0) ++pos_;
  return c;
}

bool AlertLines::fill() {
  const std::int64_t got = reader_.read(buffer_.data(), buffer_.size());
  if (got < 0) throw InOutError(kReadFault);
  pos_ = 0;
  size_ = static_cast<std::size_t>(got);
  return size_ > 0;
}

}  // namespace ktr::forms
