#include "tools/ktrmedium/findings.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "lang/multilang.h"
#include "tools/ktrmedium/code_pages.h"

namespace ktr::tools {
namespace {

const char* NameOf(Severity severity) { return severity == Severity::kError ? "error" : "warning"; }

std::string Plural(std::size_t count, const char* word) {
  return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

// Texts out of a medium may hold any bytes; a report stays readable and its
// JSON stays valid UTF-8.
std::string Printable(const std::string& text) {
  if (IsUtf8BeyondAscii(text)) return text;
  std::string shown;
  for (unsigned char c : text) shown += (c < 0x20 || c >= 0x7F) ? '?' : static_cast<char>(c);
  return shown;
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (char c : Printable(text)) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string Where(const Finding& finding) {
  std::string where = finding.file;
  if (!finding.section.empty()) where += " [" + finding.section + "]";
  if (!finding.key.empty()) where += (where.empty() ? "" : " ") + finding.key;
  return Printable(where);
}

}  // namespace

std::size_t CheckResult::count(Severity severity) const {
  return static_cast<std::size_t>(std::count_if(
      findings.begin(), findings.end(), [&](const Finding& f) { return f.severity == severity; }));
}

std::string ReadableReport(const CheckResult& result, const std::string& folder) {
  std::string report = "Medium " + Printable(folder) + "\n";
  std::array<std::string, 5> groups;
  for (std::size_t g = 0; g < groups.size(); ++g) {
    groups[g] = g < lang::kLanguageNames.size() ? std::string(lang::kLanguageNames[g])
                                                : std::string("Whole medium");
  }
  for (const std::string& group : groups) {
    const std::string language = group == "Whole medium" ? "" : group;
    std::string lines;
    for (const Finding& f : result.findings) {
      if (f.language != language) continue;
      lines += std::string("  ") + NameOf(f.severity) +
               (f.severity == Severity::kError ? "    " : "  ") + Where(f) + ": " +
               Printable(f.message) + "\n";
    }
    report += "\n" + group + "\n" + (lines.empty() ? "  no findings\n" : lines);
  }
  const std::size_t errors = result.count(Severity::kError);
  const std::size_t warnings = result.count(Severity::kWarning);
  report += "\n" + Plural(errors, "error") + ", " + Plural(warnings, "warning") + " in " +
            Plural(result.files_read, "file") + " read: " +
            (errors > 0 ? "the launcher would fail on this medium" : "the medium is fit to ship") +
            "\n";
  return report;
}

std::string JsonReport(const CheckResult& result, const std::string& folder) {
  std::string json = "{\"medium\": " + JsonString(folder) +
                     ", \"errors\": " + std::to_string(result.count(Severity::kError)) +
                     ", \"warnings\": " + std::to_string(result.count(Severity::kWarning)) +
                     ", \"files_read\": " + std::to_string(result.files_read) + ", \"findings\": [";
  for (std::size_t i = 0; i < result.findings.size(); ++i) {
    const Finding& f = result.findings[i];
    json += std::string(i ? ",\n  " : "\n  ") + "{\"severity\": \"" + NameOf(f.severity) +
            "\", \"kind\": " + JsonString(f.kind) + ", \"language\": " + JsonString(f.language) +
            ", \"file\": " + JsonString(f.file) + ", \"section\": " + JsonString(f.section) +
            ", \"key\": " + JsonString(f.key) + ", \"message\": " + JsonString(f.message) + "}";
  }
  return json + (result.findings.empty() ? "]}\n" : "\n]}\n");
}

}  // namespace ktr::tools
