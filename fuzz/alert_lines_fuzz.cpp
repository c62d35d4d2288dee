// libFuzzer entry for the notice template's line rules. The first byte sets
// how the reader hands out the text (block sizes, and whether the end of the
// file is a read error); the lines must be the same whatever the blocks: the
// text up to the first Ctrl+Z, cut at CR LF and at a lone CR, a final line
// end closing the last line rather than opening an empty one.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "forms/alert_lines.h"
#include "platform/errors.h"
#include "platform/host.h"

namespace {

class ChunkedReader : public ktr::FileReader {
 public:
  ChunkedReader(std::string_view text, std::uint8_t shape) : text_(text), shape_(shape) {}

  std::optional<std::uint64_t> size() override { return text_.size(); }
  std::int64_t read(void* buffer, std::size_t count) override {
    if (pos_ == text_.size()) return fail_at_end() ? -1 : 0;
    // Block sizes 1 to 8 in turn, or whatever was asked for.
    const std::size_t block = (shape_ & 0x40) ? count : 1 + (reads_++ + shape_) % 8;
    const std::size_t n = std::min({count, block, text_.size() - pos_});
    std::memcpy(buffer, text_.data() + pos_, n);
    pos_ += n;
    return static_cast<std::int64_t>(n);
  }
  std::optional<ktr::DosDateTime> last_write_time() override { return std::nullopt; }

  bool fail_at_end() const { return (shape_ & 0x80) != 0; }

 private:
  std::string_view text_;
  std::uint8_t shape_;
  std::size_t pos_ = 0;
  std::size_t reads_ = 0;
};

std::vector<std::string> Expected(std::string_view text) {
  text = text.substr(0, text.find('\x1A'));
  std::vector<std::string> lines(1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      lines.back().push_back(text[i]);
      continue;
    }
    if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    if (i + 1 < text.size()) lines.emplace_back();
  }
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  ChunkedReader reader(text, data[0]);
  ktr::forms::AlertLines lines(reader);
  const std::vector<std::string> expected = Expected(text);
  // Without a Ctrl+Z the reader is asked past the end, where it may fail.
  const bool must_fail = reader.fail_at_end() && text.find('\x1A') == std::string_view::npos;

  std::vector<std::string> got;
  std::string line;
  try {
    while (lines.next(line)) {
      got.push_back(line);
      if (got.size() > expected.size()) std::abort();
    }
  } catch (const ktr::InOutError&) {
    if (!must_fail) std::abort();
    if (!std::equal(got.begin(), got.end(), expected.begin())) std::abort();
    return 0;
  }
  if (must_fail || got != expected) std::abort();
  return 0;
}
