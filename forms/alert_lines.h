#pragma once
// The lines of a notice template, read through a file port in blocks.
#include <array>
#include <cstddef>
#include <string>

#include "platform/host.h"

namespace ktr::forms {

// A line ends at CR (an LF right after it belongs to the line end); Ctrl+Z
// ends the text. A failed read throws InOutError.
class AlertLines {
 public:
  explicit AlertLines(FileReader& reader) : reader_(reader) {}

  // The next line, or false at the end of the text.
  bool next(std::string& line);

 private:
  int peek();
  int get();
  bool fill();

  FileReader& reader_;
  std::array<char, 4096> buffer_{};
  std::size_t pos_ = 0;
  std::size_t size_ = 0;
  bool at_end_ = false;
};

}  // namespace ktr::forms
