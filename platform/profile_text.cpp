#include "platform/profile_text.h"

#include <string_view>

namespace ktr::platform {
namespace {

bool IsProfileBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == 0x1A;
}

std::string_view TrimmedView(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsProfileBlank(text[begin])) ++begin;
  while (end > begin && IsProfileBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

char FoldedChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Folded(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) c = FoldedChar(c);
  return folded;
}

// Whether `text` folds to `folded` (ASCII only), without a copy.
bool FoldsTo(std::string_view text, std::string_view folded) {
  if (text.size() != folded.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (FoldedChar(text[i]) != folded[i]) return false;
  }
  return true;
}

// Visits the key lines of the first section named `section` (names trimmed
// and compared without regard to case); lines end at every CR and every LF.
// `visit` gets the trimmed key and the trimmed value and returns false to
// stop. Gives false when there is no such section.
template <typename Visit>
bool ForEachLine(std::string_view all, const std::string& section, Visit visit) {
  const std::string wanted_section = Folded(TrimmedView(section));
  bool in_section = false;
  bool seen_section = false;
  for (std::size_t start = 0; start <= all.size();) {
    std::size_t stop = start;
    while (stop < all.size() && all[stop] != '\r' && all[stop] != '\n') ++stop;
    const std::string_view line = TrimmedView(all.substr(start, stop - start));
    start = stop + 1;
    if (line.empty()) continue;
    if (line[0] == '[') {
      auto close = line.find(']');
      if (close != std::string_view::npos) {
        if (in_section) return true;
        in_section = !seen_section && FoldsTo(line.substr(1, close - 1), wanted_section);
        seen_section = seen_section || in_section;
        continue;
      }
    }
    if (!in_section) continue;
    auto equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    if (!visit(TrimmedView(line.substr(0, equals)), TrimmedView(line.substr(equals + 1)))) break;
  }
  return seen_section;
}

}  // namespace

// GetPrivateProfileStringA: the first section and the first key of that
// name count; names are trimmed and compared without regard to case; a
// value in matching quotes loses them; the value is cut to the buffer.
std::string ProfileValue(const std::string& text, const std::string& section,
                         const std::string& key, std::size_t buffer_size) {
  if (buffer_size == 0) return {};
  const std::string wanted_key = Folded(TrimmedView(key));
  std::string value;
  ForEachLine(text, section, [&](std::string_view name, std::string_view found) {
    if (!FoldsTo(name, wanted_key)) return true;
    value = found;
    return false;
  });
  if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
    value = value.substr(1, value.size() - 2);
  }
  if (value.size() > buffer_size - 1) value.resize(buffer_size - 1);
  return value;
}

std::optional<ProfileLines> ProfileSection(const std::string& text, const std::string& section) {
  ProfileLines lines;
  const bool found = ForEachLine(text, section, [&](std::string_view key, std::string_view value) {
    lines.emplace_back(key, value);
    return true;
  });
  if (!found) return std::nullopt;
  return lines;
}

}  // namespace ktr::platform
