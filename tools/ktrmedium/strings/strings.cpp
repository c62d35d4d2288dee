#include "tools/ktrmedium/strings/strings.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string_view>
#include <system_error>

#include "lang/keys.h"
#include "lang/multilang.h"
#include "platform/profile_text.h"
#include "tools/ktrmedium/code_pages.h"
#include "tools/ktrmedium/key_use.h"
#include "tools/ktrmedium/medium_tree.h"
#include "tools/ktrmedium/strings/code_page.h"
#include "tools/ktrmedium/strings/ini_edit.h"
#include "tools/ktrmedium/strings/translation_file.h"

namespace ktr::tools {
namespace {

namespace fs = std::filesystem;
using strings::CodePage;
using strings::Entry;
using strings::TranslationFile;

constexpr std::size_t kLongestValue = lang::kProfileBufferSize - 1;
constexpr std::string_view kTags[] = {"ko", "en", "ja", "zh-CN"};
constexpr std::string_view kUsage =
    "usage: ktrmedium strings export FOLDER OUT-FOLDER [--format po|xliff]\n"
    "       ktrmedium strings import [--allow-untranslated] FOLDER IN-FOLDER\n";

std::string IniOf(int language) {
  return "ImgData\\" + std::string(lang::kLanguageNames[language]) + "\\MultiLang.ini";
}

std::string FileNameOf(int language, bool xliff) {
  const std::string name(lang::kLanguageNames[language]);
  if (xliff) return name + ".xlf";
  return name + (language == lang::kEnglish ? ".pot" : ".po");
}

std::string Hex(std::string_view bytes) {
  std::string out;
  for (unsigned char byte : bytes) {
    char text[8];
    std::snprintf(text, sizeof text, "%s0x%02X", out.empty() ? "" : " ", byte);
    out += text;
  }
  return out;
}

bool IsControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

std::string Named(char32_t c) {
  if (c == U'\n' || c == U'\r') return "a line break (" + strings::CodePointName(c) + ")";
  if (IsControl(c)) return "the control character " + strings::CodePointName(c);
  return "the character \"" + strings::ToUtf8(c) + "\" (" + strings::CodePointName(c) + ")";
}

class Messages {
 public:
  void error(const std::string& text) {
    std::fprintf(stderr, "error: %s\n", text.c_str());
    ++errors_;
  }
  void warning(const std::string& text) { std::fprintf(stderr, "warning: %s\n", text.c_str()); }
  int errors() const { return errors_; }

 private:
  int errors_ = 0;
};

std::string Where(const std::string& file, std::size_t line, const std::string& key) {
  std::string where = file;
  if (line) where += ":" + std::to_string(line);
  if (!key.empty()) where += ": " + key;
  return where;
}

// The medium's MultiLang.ini texts, as the launcher would read them.
struct Medium {
  explicit Medium(const fs::path& root) : tree(root) {
    for (int language = 0; language < 4; ++language) {
      if (const MediumEntry* entry = tree.file(IniOf(language))) {
        disk[language] = entry->disk;
        if (const std::string* bytes = tree.contents(*entry)) {
          texts[language] = *bytes;
        } else {
          throw std::runtime_error("cannot read " + entry->disk.string());
        }
      }
    }
  }

  std::string value(int language, std::string_view key) const {
    const std::string& text = texts[language];
    return platform::ProfileValue(text, std::string(lang::kLanguageNames[language]),
                                  std::string(key), text.size() + 2);
  }

  MediumTree tree;
  std::string texts[4];
  std::optional<fs::path> disk[4];
};

// ---- export

int Export(const fs::path& folder, const fs::path& out, bool xliff) {
  Medium medium(folder);
  Messages messages;
  std::vector<TranslationFile> files;
  std::map<std::string_view, std::string> english;
  for (int language : {lang::kEnglish, lang::kKorean, lang::kJapanese, lang::kChinese}) {
    const std::string name(lang::kLanguageNames[language]);
    CodePage page(CodePageOf(language));
    TranslationFile file{name, std::string(kTags[language]), language == lang::kEnglish, {}};
    for (const KeyRule& rule : kKeyRules) {
      if (!UsedBy(rule.use, language)) continue;
      const std::string bytes = medium.value(language, rule.key);
      CodePage::Failure failure{};
      const std::optional<std::u32string> text = page.decode_all(bytes, &failure);
      const std::string where = Where(IniOf(language), 0, std::string(rule.key));
      if (!text) {
        messages.error(
            where + ": the bytes " + Hex(bytes.substr(failure.offset, failure.length)) +
            " at byte " + std::to_string(failure.offset) +
            (failure.character
                 ? " decode to " + Named(failure.character) + ", which code page " +
                       std::to_string(page.number()) + " writes as other bytes"
                 : " are not a character of code page " + std::to_string(page.number())));
        continue;
      }
      if (const auto control = std::find_if(text->begin(), text->end(), IsControl);
          control != text->end()) {
        messages.error(where + ": " + Named(*control) + " cannot stand in a translator's file");
        continue;
      }
      Entry entry;
      entry.key = std::string(rule.key);
      entry.text = strings::ToUtf8(*text);
      if (language == lang::kEnglish) {
        english[rule.key] = entry.text;
        entry.source = entry.text;
      } else if (auto it = english.find(rule.key); it != english.end() && !it->second.empty()) {
        entry.source = it->second;
      } else {
        entry.source = entry.text;
        entry.own_source = true;
      }
      entry.note = std::string(rule.used_as) + ". Code page " + std::to_string(page.number()) +
                   ", at most " + std::to_string(kLongestValue) + " bytes.";
      if (entry.own_source) {
        entry.note += " No English text: the source is the " + name + " text.";
      }
      file.entries.push_back(std::move(entry));
    }
    files.push_back(std::move(file));
  }
  if (messages.errors()) {
    std::fprintf(stderr, "%d error%s: nothing written\n", messages.errors(),
                 messages.errors() == 1 ? "" : "s");
    return 1;
  }
  fs::create_directories(out);
  for (const TranslationFile& file : files) {
    int language = 0;
    while (lang::kLanguageNames[language] != file.language) ++language;
    const fs::path path = out / FileNameOf(language, xliff);
    if (xliff) {
      strings::WriteXliff(path, file);
    } else {
      strings::WritePo(path, file);
    }
    std::printf("%s: %zu texts\n", path.filename().c_str(), file.entries.size());
  }
  return 0;
}

// ---- import

struct Change {
  int language;
  std::map<std::string, std::string> values;
};

std::optional<int> Import(const fs::path& in, bool allow_untranslated, Messages& messages,
                          std::vector<Change>& changes, Medium& medium) {
  bool any = false;
  for (int language = 0; language < 4; ++language) {
    const fs::path po = in / FileNameOf(language, false);
    const fs::path xlf = in / FileNameOf(language, true);
    const bool has_po = fs::exists(po), has_xlf = fs::exists(xlf);
    if (has_po && has_xlf) {
      std::fprintf(stderr, "ktrmedium strings import: both %s and %s: which one?\n",
                   po.filename().c_str(), xlf.filename().c_str());
      return 2;
    }
    if (!has_po && !has_xlf) continue;
    any = true;
    const fs::path path = has_po ? po : xlf;
    const std::string shown = path.filename().string();
    const std::string name(lang::kLanguageNames[language]);
    TranslationFile file{name, std::string(kTags[language]), language == lang::kEnglish, {}};
    std::vector<strings::FileProblem> problems;
    if (has_po) {
      strings::ReadPo(path, file, problems);
    } else {
      strings::ReadXliff(path, file, problems);
    }
    for (const auto& problem : problems) {
      messages.error(Where(shown, problem.line, problem.key) + ": " + problem.message);
    }
    if (!problems.empty()) continue;
    CodePage page(CodePageOf(language));
    Change change{language, {}};
    std::set<std::string> seen;
    for (const Entry& entry : file.entries) {
      const std::string where = Where(shown, entry.line, entry.key);
      const KeyRule* rule = nullptr;
      for (const KeyRule& known : kKeyRules) {
        if (known.key == entry.key) rule = &known;
      }
      if (!rule) {
        messages.error(where + ": not a key of MultiLang.ini");
        continue;
      }
      if (!UsedBy(rule->use, language)) {
        messages.error(where + ": " + name + " never reads this key");
        continue;
      }
      if (!seen.insert(entry.key).second) {
        messages.error(where + ": the key appears twice");
        continue;
      }
      const std::string current = medium.value(language, rule->key);
      if (entry.fuzzy || (entry.untranslated && !current.empty())) {
        const std::string what = entry.fuzzy ? "marked fuzzy (for review)" : "untranslated";
        if (allow_untranslated) {
          messages.warning(where + ": " + what + ": the value is kept as it was");
        } else {
          messages.error(where + ": " + what + "; --allow-untranslated keeps the value as it was");
        }
        continue;
      }
      if (entry.untranslated) continue;
      const std::optional<std::u32string> text = strings::FromUtf8(entry.text);
      if (!text) {
        messages.error(where + ": the text is not UTF-8");
        continue;
      }
      if (const auto control = std::find_if(text->begin(), text->end(), IsControl);
          control != text->end()) {
        messages.error(where + ": " + Named(*control) + " cannot stand in a MultiLang.ini value");
        continue;
      }
      CodePage::Failure failure{};
      const std::optional<std::string> bytes = page.encode_all(*text, &failure);
      if (!bytes) {
        messages.error(where + ": " + Named(failure.character) +
                       " has no exact equivalent in code page " + std::to_string(page.number()));
        continue;
      }
      if (bytes->size() > kLongestValue) {
        // The character that covers the first byte past what the launcher reads.
        std::size_t at = 0;
        char32_t cut = 0;
        bool halved = false;
        for (char32_t c : *text) {
          const std::size_t size = page.encode(c)->size();
          if (at + size > kLongestValue) {
            cut = c;
            halved = at < kLongestValue;
            break;
          }
          at += size;
        }
        messages.error(where + ": the value takes " + std::to_string(bytes->size()) +
                       " bytes in code page " + std::to_string(page.number()) + ", more than the " +
                       std::to_string(kLongestValue) + " the launcher reads: it would be cut " +
                       (halved ? "in the middle of " : "before ") + Named(cut));
        continue;
      }
      if (*bytes != current) change.values[std::string(rule->key)] = *bytes;
    }
    changes.push_back(std::move(change));
  }
  if (!any) {
    std::fprintf(stderr,
                 "ktrmedium strings import: no translation files in %s (KOREAN.po, "
                 "ENGLISH.pot, JAPANESE.po, CHINESE.po, or the same names in .xlf)\n",
                 in.c_str());
    return 2;
  }
  return std::nullopt;
}

// Every file written beside itself first; only when all are written are
// they moved into place.
int WriteChanges(const fs::path& folder, Medium& medium, const std::vector<Change>& changes) {
  struct Pending {
    fs::path target;
    fs::path temporary;
    std::string shown;
    std::size_t count;
  };
  std::vector<Pending> pending;
  auto discard = [&] {
    for (const Pending& p : pending) {
      std::error_code ignored;
      fs::remove(p.temporary, ignored);
    }
  };
  for (const Change& change : changes) {
    const std::string shown = IniOf(change.language);
    if (change.values.empty()) {
      std::printf("%s: unchanged\n", shown.c_str());
      continue;
    }
    const std::string name(lang::kLanguageNames[change.language]);
    const std::string text =
        strings::WithValues(medium.texts[change.language], name, change.values);
    // A language without its file gets one, in its folder under ImgData
    // (either spelt as the medium already has it).
    fs::path target;
    if (medium.disk[change.language]) {
      target = *medium.disk[change.language];
    } else if (const MediumEntry* own = medium.tree.find("ImgData\\" + name)) {
      target = own->disk / "MultiLang.ini";
    } else if (const MediumEntry* data = medium.tree.find("ImgData")) {
      target = data->disk / name / "MultiLang.ini";
    } else {
      target = folder / "ImgData" / name / "MultiLang.ini";
    }
    fs::create_directories(target.parent_path());
    fs::path temporary = target;
    temporary += ".ktrmedium-part";
    std::ofstream stream(temporary, std::ios::binary | std::ios::trunc);
    // What is in the way under that name is not ours to remove.
    if (stream.is_open()) pending.push_back({target, temporary, shown, change.values.size()});
    stream.write(text.data(), static_cast<std::streamsize>(text.size()));
    stream.close();
    if (!stream) {
      discard();
      std::fprintf(stderr, "ktrmedium strings import: cannot write %s: nothing changed\n",
                   temporary.c_str());
      return 2;
    }
    std::error_code error;
    if (fs::exists(target)) {
      fs::permissions(temporary, fs::status(target).permissions(), error);
    }
  }
  // Each file replaced is kept under a second name until all are in place,
  // so that a failure half-way puts the first ones back.
  std::vector<std::pair<fs::path, fs::path>> kept;  // target, its old bytes
  std::vector<fs::path> created;
  auto roll_back = [&] {
    for (const auto& [target, old] : kept) {
      std::error_code ignored;
      fs::rename(old, target, ignored);
    }
    for (const fs::path& target : created) {
      std::error_code ignored;
      fs::remove(target, ignored);
    }
    discard();
  };
  for (const Pending& p : pending) {
    std::error_code error;
    fs::path old = p.target;
    old += ".ktrmedium-old";
    const bool existed = fs::exists(p.target);
    if (existed) fs::copy_file(p.target, old, fs::copy_options::overwrite_existing, error);
    if (!error) fs::rename(p.temporary, p.target, error);
    if (error) {
      std::fprintf(stderr, "ktrmedium strings import: cannot replace %s: %s; nothing changed\n",
                   p.target.c_str(), error.message().c_str());
      if (existed) {
        std::error_code ignored;
        if (fs::exists(p.target)) fs::remove(old, ignored);
      }
      roll_back();
      return 2;
    }
    if (existed) {
      kept.emplace_back(p.target, old);
    } else {
      created.push_back(p.target);
    }
  }
  for (const auto& [target, old] : kept) {
    std::error_code ignored;
    fs::remove(old, ignored);
  }
  for (const Pending& p : pending) {
    std::printf("%s: %zu value%s changed\n", p.shown.c_str(), p.count, p.count == 1 ? "" : "s");
  }
  return 0;
}

}  // namespace

int RunStrings(const std::vector<std::string>& args) {
  if (args.empty() || (args[0] != "export" && args[0] != "import")) {
    std::fputs(kUsage.data(), stderr);
    return 2;
  }
  const bool exporting = args[0] == "export";
  std::vector<std::string> paths;
  bool xliff = false;
  bool allow_untranslated = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (exporting && args[i] == "--format" && i + 1 < args.size()) {
      const std::string& format = args[++i];
      if (format != "po" && format != "xliff") {
        std::fputs(kUsage.data(), stderr);
        return 2;
      }
      xliff = format == "xliff";
    } else if (!exporting && args[i] == "--allow-untranslated") {
      allow_untranslated = true;
    } else if (args[i].starts_with("-")) {
      std::fprintf(stderr, "ktrmedium strings: unknown option %s\n", args[i].c_str());
      return 2;
    } else {
      paths.push_back(args[i]);
    }
  }
  if (paths.size() != 2) {
    std::fputs(kUsage.data(), stderr);
    return 2;
  }
  try {
    if (exporting) return Export(paths[0], paths[1], xliff);
    Medium medium{fs::path(paths[0])};
    Messages messages;
    std::vector<Change> changes;
    if (const std::optional<int> code =
            Import(paths[1], allow_untranslated, messages, changes, medium)) {
      return *code;
    }
    if (messages.errors()) {
      std::fprintf(stderr, "%d error%s: no MultiLang.ini changed\n", messages.errors(),
                   messages.errors() == 1 ? "" : "s");
      return 1;
    }
    return WriteChanges(paths[0], medium, changes);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "ktrmedium strings %s: %s\n", args[0].c_str(), error.what());
    return 2;
  }
}

}  // namespace ktr::tools
