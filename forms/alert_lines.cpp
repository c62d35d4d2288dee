#include "forms/alert_lines.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "platform/dbcs.h"
#include "platform/errors.h"

namespace ktr::forms {
namespace {

// Windows' own code for a read that failed (ERROR_READ_FAULT).
constexpr unsigned long kReadFault = 30;

// The longest start of `line` within `room` bytes that ends between two
// characters: a double-byte character is kept whole or left out.
std::size_t WholeCharacters(const std::string& line, std::size_t room, unsigned code_page) {
  if (room >= line.size()) {
    // Read up to the limit, the line may end in a lead byte whose trail byte
    // was never read.
    const std::string probe = line + ' ';
    return platform::IsTrailByte(probe, line.size(), code_page) ? line.size() - 1 : line.size();
  }
  return platform::IsTrailByte(line, room, code_page) ? room - 1 : room;
}

constexpr std::string_view kLineEnd = "\r\n";

}  // namespace

void NoticeFromTemplate(FileReader& reader, unsigned code_page, std::string& text) {
  text.clear();
  AlertLines lines(reader, kNoticeLimit);
  std::string line;
  while (lines.next(line)) {
    if (lines.limit_reached()) line.resize(WholeCharacters(line, line.size(), code_page));
    if (line.empty()) continue;
    if (text.size() + line.size() + kLineEnd.size() > kNoticeLimit) {
      if (text.empty()) {
        text.append(line, 0, WholeCharacters(line, kNoticeLimit - kLineEnd.size(), code_page));
        text += kLineEnd;
      }
      return;
    }
    text += line;
    text += kLineEnd;
  }
}

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
  pos_ = 0;
  size_ = 0;
  if (unread_ == 0) return false;
  const std::size_t asked =
      static_cast<std::size_t>(std::min<std::uint64_t>(buffer_.size(), unread_));
  const std::int64_t got = reader_.read(buffer_.data(), asked);
  if (got < 0) throw InOutError(kReadFault);
  size_ = static_cast<std::size_t>(got);
  unread_ -= size_;
  return size_ > 0;
}

}  // namespace ktr::forms
