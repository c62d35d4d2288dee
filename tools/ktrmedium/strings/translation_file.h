#pragma once
// One language's texts as a translator's file: PO (GNU gettext's
// libgettextpo) or XLIFF 1.2 (libxml2). The English file is the template.
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace ktr::tools::strings {

struct Entry {
  std::string key;
  std::string source;       // the English text, UTF-8
  std::string text;         // the language's text, UTF-8 (the English text in the template)
  std::string note;         // for the translator: the key's use, code page, byte limit
  bool own_source = false;  // English has no such text: the source is the language's own
  // Read back from a translator's file.
  bool untranslated = false;
  bool fuzzy = false;
  std::size_t line = 0;  // 0 when not known
};

struct TranslationFile {
  std::string language;  // "KOREAN"
  std::string tag;       // "ko"
  bool is_template = false;
  std::vector<Entry> entries;
};

// A fault of a translator's file that stops its import.
struct FileProblem {
  std::size_t line;
  std::string key;
  std::string message;
};

// Written under a temporary name beside `path` and moved into place;
// throws std::runtime_error when that fails.
void WritePo(const std::filesystem::path& path, const TranslationFile& file);
void WriteXliff(const std::filesystem::path& path, const TranslationFile& file);

// Fill `file.entries` from the file; faults go to `problems` (a file with
// any cannot be imported).
void ReadPo(const std::filesystem::path& path, TranslationFile& file,
            std::vector<FileProblem>& problems);
void ReadXliff(const std::filesystem::path& path, TranslationFile& file,
               std::vector<FileProblem>& problems);

}  // namespace ktr::tools::strings
