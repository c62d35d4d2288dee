#pragma once
// The lines of a notice template, read through a file port in blocks.
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

#include "platform/host.h"

namespace ktr::forms {

// A line ends at CR (an LF right after it belongs to the line end); Ctrl+Z
// ends the text, and so does the end of the first `limit` bytes of the
// file, which are all that is ever read. A failed read throws InOutError.
class AlertLines {
 public:
  explicit AlertLines(FileReader& reader,
                      std::uint64_t limit = std::numeric_limits<std::uint64_t>::max())
      : reader_(reader), unread_(limit) {}

  // The next line, or false at the end of the text.
  bool next(std::string& line);
  // Whether the limit has been read: the last line may be cut short.
  bool limit_reached() const { return unread_ == 0; }

 private:
  int peek();
  int get();
  bool fill();

  FileReader& reader_;
  std::array<char, 4096> buffer_{};
  std::size_t pos_ = 0;
  std::size_t size_ = 0;
  std::uint64_t unread_;
  bool at_end_ = false;
};

// The most of a template the notice takes: 65,535 bytes of the box's text.
// That is what a multi-line edit box holds in the smallest of the Windows
// families it exists in, more than a thousand lines of notice; the box here
// takes more once its limit is lifted, but a longer template is no notice
// and every byte of it costs the dialog's opening (one read, one copy, the
// box's layout of the whole text).
inline constexpr std::size_t kNoticeLimit = 65535;

// The box's text from a template: its non-empty lines in order, each ended
// by CR LF, as many whole lines as fit in kNoticeLimit bytes (a first line
// longer than that is cut at the last whole character of the code page that
// fits). At most kNoticeLimit bytes of the file are read. When a read fails,
// `text` holds what was gathered before it.
void NoticeFromTemplate(FileReader& reader, unsigned code_page, std::string& text);

}  // namespace ktr::forms
