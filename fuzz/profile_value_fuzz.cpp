// libFuzzer entry for the INI reading of the in-memory host, the model every
// MultiLang.ini test reads through. Input: section, key and a buffer size
// byte, each on a line of its own, then the INI text. The value must fit the
// buffer with its terminator, be a piece of one line of the text, not depend
// on the letter case of the names asked for, and a smaller buffer must give
// a prefix of what a larger one gives.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "testing/fake_host.h"

namespace {

std::string_view NextLine(std::string_view& input) {
  const std::size_t end = input.find('\n');
  const std::string_view line = input.substr(0, end);
  input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
  return line;
}

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string section(NextLine(input));
  const std::string key(NextLine(input));
  const std::string_view size_line = NextLine(input);
  const std::size_t buffer_size = size_line.empty() ? 0 : static_cast<unsigned char>(size_line[0]);
  const std::string text(input);

  const std::string value = ktr::fake::ProfileValue(text, section, key, buffer_size);
  if (buffer_size == 0 ? !value.empty() : value.size() >= buffer_size) std::abort();
  if (value.find_first_of("\r\n") != std::string::npos) std::abort();
  if (!value.empty() && text.find(value) == std::string::npos) std::abort();
  if (ktr::fake::ProfileValue(text, Upper(section), Upper(key), buffer_size) != value) {
    std::abort();
  }
  const std::string whole = ktr::fake::ProfileValue(text, section, key, 4096);
  if (whole.compare(0, value.size(), value) != 0) std::abort();
  return 0;
}
