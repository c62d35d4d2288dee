#pragma once
// What a check of a medium found, and the two ways of telling it: a report
// grouped by language for people, JSON for machines.
#include <string>
#include <vector>

namespace ktr::tools {

enum class Severity { kError, kWarning };

struct Finding {
  Severity severity;
  // A short fixed name of the kind of fault ("key-missing", "picture-size").
  std::string kind;
  // The language name, or empty for the medium as a whole.
  std::string language;
  std::string file;  // relative to the medium's root
  std::string section;
  std::string key;
  std::string message;
};

struct CheckResult {
  std::vector<Finding> findings;
  std::size_t files_read = 0;

  std::size_t count(Severity severity) const;
  int exit_code() const { return count(Severity::kError) > 0 ? 1 : 0; }
};

std::string ReadableReport(const CheckResult& result, const std::string& folder);
std::string JsonReport(const CheckResult& result, const std::string& folder);

}  // namespace ktr::tools
