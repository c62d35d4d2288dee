#include "tools/ktrmedium/strings/ini_edit.h"

#include <algorithm>
#include <optional>
#include <set>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "platform/profile_text.h"

namespace ktr::tools::strings {
namespace {

// The blanks the profile reader trims (platform/profile_text.cpp).
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == 0x1A;
}

std::string Folded(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

struct Span {
  std::size_t begin = 0;
  std::size_t end = 0;
};

Span Trimmed(std::string_view all, Span span) {
  while (span.begin < span.end && IsBlank(all[span.begin])) ++span.begin;
  while (span.end > span.begin && IsBlank(all[span.end - 1])) --span.end;
  return span;
}

struct Layout {
  bool found = false;
  std::size_t section_end = 0;         // just after the last non-blank line of the section
  std::map<std::string, Span> values;  // folded key -> the value's bytes (first line only)
};

Layout Find(std::string_view all, const std::string& section) {
  const Span trimmed = Trimmed(section, {0, section.size()});
  const std::string wanted =
      Folded(std::string_view(section).substr(trimmed.begin, trimmed.end - trimmed.begin));
  Layout layout;
  bool in_section = false;
  for (std::size_t start = 0; start <= all.size();) {
    std::size_t stop = start;
    while (stop < all.size() && all[stop] != '\r' && all[stop] != '\n') ++stop;
    const Span line = Trimmed(all, {start, stop});
    start = stop + 1;
    if (line.begin == line.end) continue;
    const std::string_view text = all.substr(line.begin, line.end - line.begin);
    if (text[0] == '[') {
      const std::size_t close = text.find(']');
      if (close != std::string_view::npos) {
        if (in_section) break;
        const Span name = Trimmed(all, {line.begin + 1, line.begin + close});
        in_section =
            !layout.found && Folded(all.substr(name.begin, name.end - name.begin)) == wanted;
        if (in_section) {
          layout.found = true;
          layout.section_end = stop;
        }
        continue;
      }
    }
    if (!in_section) continue;
    layout.section_end = stop;
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) continue;
    const Span key = Trimmed(all, {line.begin, line.begin + equals});
    const std::string folded = Folded(all.substr(key.begin, key.end - key.begin));
    if (!layout.values.contains(folded)) {
      layout.values[folded] = Trimmed(all, {line.begin + equals + 1, line.end});
    }
  }
  return layout;
}

bool ReadsChanged(const std::string& value) {
  if (value.empty()) return false;
  if (IsBlank(value.front()) || IsBlank(value.back())) return true;
  return value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
         value.back() == value.front();
}

bool Quoted(std::string_view raw) {
  return raw.size() >= 2 && (raw.front() == '"' || raw.front() == '\'') &&
         raw.back() == raw.front();
}

// The line end the file already uses, so that an added line matches.
std::string LineEndOf(std::string_view all, std::size_t from) {
  for (std::size_t i = from; i < all.size(); ++i) {
    if (all[i] == '\r') return i + 1 < all.size() && all[i + 1] == '\n' ? "\r\n" : "\r";
    if (all[i] == '\n') return "\n";
  }
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (all[i] == '\r') return i + 1 < all.size() && all[i + 1] == '\n' ? "\r\n" : "\r";
    if (all[i] == '\n') return "\n";
  }
  return "\r\n";
}

}  // namespace

std::string WithValues(const std::string& text, const std::string& section,
                       const std::map<std::string, std::string>& values) {
  const Layout layout = Find(text, section);
  struct Edit {
    Span span;
    std::string bytes;
  };
  std::vector<Edit> edits;
  std::string added;
  const std::size_t insert_at = layout.found ? layout.section_end : text.size();
  const std::string line_end = LineEndOf(text, insert_at);
  for (const auto& [key, value] : values) {
    if (value.find_first_of("\r\n") != std::string::npos) {
      throw std::invalid_argument("a value cannot hold a line end");
    }
    auto found = layout.values.find(Folded(key));
    if (found == layout.values.end()) {
      added += line_end + key + "=" + (ReadsChanged(value) ? "\"" + value + "\"" : value);
      continue;
    }
    const Span span = found->second;
    const std::string_view raw = std::string_view(text).substr(span.begin, span.end - span.begin);
    if (platform::ProfileValue(text, section, key, text.size() + 2) == value) continue;
    const bool quote = ReadsChanged(value) || Quoted(raw);
    edits.push_back({span, quote ? "\"" + value + "\"" : value});
  }
  // Every line of the section ends at or before the place of added keys.
  std::sort(edits.begin(), edits.end(),
            [](const Edit& a, const Edit& b) { return a.span.begin < b.span.begin; });
  std::string out;
  std::size_t at = 0;
  for (const Edit& edit : edits) {
    out.append(text, at, edit.span.begin - at);
    out += edit.bytes;
    at = edit.span.end;
  }
  out.append(text, at, insert_at - at);
  if (!added.empty() && !layout.found) {
    // A new section, on lines of its own after the last line.
    const bool ends_in_line_end = !text.empty() && (text.back() == '\n' || text.back() == '\r');
    if (text.empty() || ends_in_line_end) {
      out += "[" + section + "]" + added + line_end;
    } else {
      out += line_end + "[" + section + "]" + added;
    }
  } else {
    out += added;
  }
  out.append(text, insert_at, std::string::npos);
  // What the launcher will read is what was asked for, and nothing else moved.
  for (const auto& [key, value] : values) {
    if (platform::ProfileValue(out, section, key, out.size() + 2) != value) {
      throw std::logic_error("the value of " + key + " would not read back as written");
    }
  }
  return out;
}

}  // namespace ktr::tools::strings
