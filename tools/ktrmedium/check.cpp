#include "tools/ktrmedium/check.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <map>
#include <optional>
#include <set>

#include "lang/keys.h"
#include "lang/multilang.h"
#include "medium/medium.h"
#include "medium/command_line.h"
#include "platform/errors.h"
#include "platform/profile_text.h"
#include "tools/ktrmedium/code_pages.h"
#include "tools/ktrmedium/key_use.h"
#include "tools/ktrmedium/medium_tree.h"
#include "ui/bitmap.h"
#ifndef _WIN32
#include "tools/ktrmedium/seal.h"
#endif

namespace ktr::tools {
namespace {

// What a disc image holds: Joliet names of at most 64 characters, paths of
// at most 240, none of the characters Joliet or Windows refuse.
constexpr std::size_t kJolietNameLength = 64;
constexpr std::size_t kJolietPathLength = 240;
// A picture whose file is this many times the 24-bit picture of its layout
// size carries far more than the window shows.
constexpr std::uint64_t kLargePictureFactor = 4;
constexpr std::string_view kLauncher = "KtrSetup.exe";

std::size_t CharactersOf(std::string_view utf8) {
  std::size_t count = 0;
  for (char c : utf8) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return count;
}

bool Needed(const KeyRule& rule, int language) {
  if (rule.optional) return false;
  return rule.use != KeyUse::kShownInKorean || language == lang::kKorean;
}

std::uint64_t PlainPictureBytes(const medium::SkinBitmap& bitmap) {
  const std::uint64_t stride = (static_cast<std::uint64_t>(bitmap.width) * 3 + 3) & ~3ULL;
  return 54 + stride * static_cast<std::uint64_t>(bitmap.height);
}

class Checker {
 public:
  explicit Checker(MediumTree& tree) : tree_(tree) {}

  CheckResult run() {
    check_names();
    for (int language = 0; language < static_cast<int>(lang::kLanguageNames.size()); ++language) {
      check_language(language);
    }
    check_fixed_files();
#ifndef _WIN32
    tools::CheckSeal(tree_, result_);
#endif
    result_.files_read = files_read_.size();
    return result_;
  }

 private:
  void add(Severity severity, std::string kind, int language, std::string file, std::string section,
           std::string_view key, std::string message) {
    result_.findings.push_back(
        {severity, std::move(kind),
         language < 0 ? std::string() : std::string(lang::kLanguageNames[language]),
         std::move(file), std::move(section), std::string(key), std::move(message)});
  }

  const std::string* read(const MediumEntry& entry) {
    files_read_.insert(entry.path);
    return tree_.contents(entry);
  }

  // Names that differ only in letter case are one name to Windows and to a
  // disc; names and paths a Joliet tree cannot hold would be cut or renamed.
  void check_names() {
    std::map<std::string, std::vector<const MediumEntry*>> spellings;
    std::set<std::string> too_long_below;
    for (const MediumEntry& entry : tree_.entries()) {
      spellings[FoldedName(entry.path)].push_back(&entry);
      const std::size_t slash = entry.path.find_last_of('\\');
      const std::string name = entry.path.substr(slash == std::string::npos ? 0 : slash + 1);
      const std::string parent = slash == std::string::npos ? "" : entry.path.substr(0, slash);
      std::string why;
      const bool beyond_ascii = std::any_of(
          name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
      if (beyond_ascii && !IsUtf8BeyondAscii(name)) {
        why = "the name is not Unicode text";
      } else if (CharactersOf(name) > kJolietNameLength) {
        why = "the name has more than 64 characters";
      } else if (name.find_first_of("*/:;?\\<>\"|") != std::string::npos ||
                 std::any_of(name.begin(), name.end(),
                             [](char c) { return static_cast<unsigned char>(c) < 0x20; })) {
        why = "the name holds a character a disc or Windows refuses";
      } else if (name.back() == '.' || name.back() == ' ') {
        why = "the name ends in a dot or a blank, which Windows drops";
      } else if (CharactersOf(entry.path) + 1 > kJolietPathLength &&
                 !too_long_below.contains(parent)) {
        why = "the path has more than 240 characters";
      }
      if (!why.empty()) {
        add(Severity::kError, "name-disc", -1, entry.path, "", "", why);
      }
      if (CharactersOf(entry.path) + 1 > kJolietPathLength) too_long_below.insert(entry.path);
    }
    // Within twin folders every entry has a twin too: the folders say it all.
    std::set<std::string> twins;
    for (const auto& [folded, entries] : spellings) {
      if (entries.size() < 2) continue;
      twins.insert(folded);
      const std::size_t slash = folded.find_last_of('\\');
      if (slash != std::string::npos && twins.contains(folded.substr(0, slash))) continue;
      std::string names;
      for (const MediumEntry* entry : entries) names += (names.empty() ? "" : ", ") + entry->path;
      add(Severity::kError, "name-case", -1, entries.front()->path, "", "",
          "names that differ only in letter case name one file on Windows and on a disc: " + names);
    }
  }

  void check_language(int language) {
    const std::string name(lang::kLanguageNames[language]);
    const std::string ini = "ImgData\\" + name + "\\MultiLang.ini";
    const MediumEntry* entry = tree_.file(ini);
    if (!entry) {
      add(Severity::kError, "multilang-missing", language, ini, "", "",
          "no MultiLang.ini: every text of this language is empty");
      check_alert(language);
      return;
    }
    ini_file_ = entry->path;
    const std::string* text = read(*entry);
    if (!text) {
      add(Severity::kError, "multilang-missing", language, entry->path, "", "",
          "MultiLang.ini cannot be read");
      return;
    }
    const std::optional<platform::ProfileLines> section = platform::ProfileSection(*text, name);
    if (!section) {
      const bool bom = text->starts_with("\xEF\xBB\xBF");
      add(Severity::kError, "section-missing", language, entry->path, name, "",
          bom ? "no section [" + name +
                    "]: the file starts with a UTF-8 byte-order mark, "
                    "which hides its first section"
              : "no section [" + name + "]: every text of this language is empty");
      check_alert(language);
      return;
    }
    check_keys(language, *text, *section);
    check_alert(language);
  }

  void check_keys(int language, const std::string& text, const platform::ProfileLines& section) {
    const std::string name(lang::kLanguageNames[language]);
    auto present = [&](std::string_view key) {
      for (const auto& [found, value] : section) {
        if (FoldedName(found) == FoldedName(key)) return true;
      }
      return false;
    };
    std::map<std::string_view, std::string> values;
    for (const KeyRule& rule : kKeyRules) {
      const std::string key(rule.key);
      if (!UsedBy(rule.use, language)) {
        if (present(key)) {
          add(Severity::kWarning, "key-unused", language, ini_file_, name, key,
              "present, but this language never reads it");
        }
        continue;
      }
      const std::string whole = platform::ProfileValue(text, name, key, text.size() + 2);
      values[rule.key] = platform::ProfileValue(text, name, key, lang::kProfileBufferSize);
      if (whole.empty()) {
        if (Needed(rule, language)) {
          add(Severity::kError, present(key) ? "key-empty" : "key-missing", language, ini_file_,
              name, key, present(key) ? "the value is empty" : "the key is missing");
        } else if (std::find(kSpokenNameKeys.begin(), kSpokenNameKeys.end(), rule.key) !=
                   kSpokenNameKeys.end()) {
          add(Severity::kWarning, present(key) ? "name-empty" : "name-missing", language, ini_file_,
              name, key,
              std::string(present(key) ? "the value is empty" : "the key is missing") +
                  ": a screen reader announces nothing for this entry");
        }
        continue;
      }
      if (whole.size() >= lang::kProfileBufferSize) {
        add(Severity::kError, "text-too-long", language, ini_file_, name, key,
            "the value has " + std::to_string(whole.size()) +
                " characters; the launcher reads only the first 2047");
      }
      check_text(language, ini_file_, name, key, whole);
    }
    for (const auto& [found, value] : section) {
      bool known = false;
      for (std::string_view key : lang::kAllKeys)
        known = known || FoldedName(found) == FoldedName(key);
      known = known || FoldedName(found) == FoldedName(lang::RES_MEDIUM_CHANGED);
      if (!known) {
        add(Severity::kWarning, "key-unused", language, ini_file_, name, found,
            "not a key the launcher reads");
      }
    }
    check_values(language, values);
  }

  void check_text(int language, const std::string& file, const std::string& section,
                  std::string_view key, std::string_view text) {
    const unsigned code_page = CodePageOf(language);
    if (std::optional<std::size_t> bad = FirstInvalidByte(text, code_page)) {
      add(Severity::kError, "code-page", language, file, section, key,
          "not valid in code page " + std::to_string(code_page) + " at byte " +
              std::to_string(*bad) + (IsUtf8BeyondAscii(text) ? " (the text is UTF-8)" : ""));
    } else if (code_page == 1252 && IsUtf8BeyondAscii(text)) {
      add(Severity::kError, "code-page", language, file, section, key,
          "the text is UTF-8, which code page 1252 shows as other characters");
    }
  }

  void check_values(int language, const std::map<std::string_view, std::string>& values) {
    const std::string name(lang::kLanguageNames[language]);
    auto value = [&](std::string_view key) {
      auto it = values.find(key);
      return it == values.end() ? std::string() : it->second;
    };
    if (const std::string skin = value(lang::RES_LANG); !skin.empty()) check_skin(language, skin);
    if (const std::string manual = value(lang::RES_MANUAL);
        !manual.empty() && !tree_.file(manual)) {
      add(Severity::kError, "manual-missing", language, ini_file_, name, lang::RES_MANUAL,
          "the manual " + manual + " is not on the medium");
    }
    for (std::string_view key : {lang::RES_CLIENT_INSTALL, lang::RES_SERVER_INSTALL,
                                 lang::RES_HELPCLI, lang::RES_GHOSTCLI}) {
      const std::string line = value(key);
      if (line.empty()) continue;
      if (!medium::FoundMediumCommandLine(tree_, std::string(kMediumRoot), line)) {
        add(Severity::kError, "program-missing", language, ini_file_, name, key,
            "no program of \"" + line + "\" is on the medium");
      }
    }
    if (const std::string extra = value(lang::RES_CODE_X_INSTALL); !extra.empty()) {
      if (!tree_.file(extra)) {
        add(Severity::kError, "program-missing", language, ini_file_, name,
            lang::RES_CODE_X_INSTALL, "the program " + extra + " is not on the medium");
      }
      for (std::string_view key : {lang::RES_INSTALL_TITLE, lang::RES_CODE_X}) {
        if (value(key).empty()) {
          add(Severity::kError, "key-empty", language, ini_file_, name, key,
              "empty, but the box that offers the extra program shows it");
        }
      }
    }
  }

  void check_skin(int language, const std::string& skin) {
    const std::string name(lang::kLanguageNames[language]);
    const std::string folder = "imgdata\\" + skin;
    if (skin.front() == '\\' || skin.back() == '\\' || skin.find('\\') != std::string::npos ||
        !tree_.folder(folder)) {
      add(Severity::kError, "skin-folder", language, ini_file_, name, lang::RES_LANG,
          "the skin folder " + folder + " is not on the medium (one folder name under imgdata)");
      return;
    }
    for (const medium::SkinBitmap& bitmap : medium::kSkinBitmaps) {
      const std::string relative = folder + "\\" + std::string(bitmap.file);
      const MediumEntry* entry = tree_.file(relative);
      if (!entry) {
        add(Severity::kError, "picture-missing", language, relative, "", "",
            "missing: the window shows \"Cannot open file\"");
        continue;
      }
      files_read_.insert(entry->path);
      ui::Bitmap picture;
      try {
        picture = ui::LoadBitmapFile(tree_, std::string(kMediumRoot) + relative);
      } catch (const std::exception&) {
        add(Severity::kError, "picture-invalid", language, relative, "", "",
            "not a picture the launcher decodes: the window clears its pictures");
        continue;
      }
      const bool background = bitmap.file == medium::kBackgroundEmpty;
      const bool fits = background
                            ? picture.width >= bitmap.width && picture.height >= bitmap.height
                            : picture.width == bitmap.width && picture.height == bitmap.height;
      if (!fits) {
        add(Severity::kError, "picture-size", language, relative, "", "",
            std::to_string(picture.width) + " x " + std::to_string(picture.height) +
                " pixels, the layout needs " + (background ? "at least " : "") +
                std::to_string(bitmap.width) + " x " + std::to_string(bitmap.height));
      } else if (entry->size > kLargePictureFactor * PlainPictureBytes(bitmap)) {
        add(Severity::kWarning, "picture-large", language, relative, "", "",
            std::to_string(entry->size) + " bytes, far more than its " +
                std::to_string(bitmap.width) + " x " + std::to_string(bitmap.height) +
                " pixels need, read on every highlight change");
      }
    }
  }

  // Only the Korean Ghost window opens the notice dialog, so only the Korean
  // template is looked for; any other present is still read as text.
  void check_alert(int language) {
    const std::string alert(medium::kAlertFiles[language]);
    const MediumEntry* entry = tree_.file(alert);
    if (!entry) {
      if (language == lang::kKorean) {
        add(Severity::kWarning, "alert-missing", language, alert, "", "",
            "no notice template: the notice dialog starts with RES_ALERT_MSG alone");
      }
      return;
    }
    if (const std::string* text = read(*entry)) check_text(language, entry->path, "", "", *text);
  }

  void check_fixed_files() {
    struct Fixed {
      std::string_view path;
      int language;
      const char* kind;
      const char* what;
    };
    const Fixed fixed[] = {
        {kLauncher, -1, "launcher-missing", "the launcher, which the disc's autorun starts"},
        {medium::kScanner, -1, "program-missing", "the virus scanner of the main menu"},
        {medium::kClientInstaller, lang::kKorean, "program-missing", "the client installer"},
        {medium::kInstallBuild, lang::kKorean, "program-missing", "the installer builder"},
        {medium::kMediumTool, lang::kKorean, "tool-missing",
         "the user-information change tool that the Ghost window copies to drive C:"},
    };
    for (const Fixed& item : fixed) {
      if (!tree_.file(item.path)) {
        add(Severity::kError, item.kind, item.language, std::string(item.path), "", "",
            std::string("missing: ") + item.what);
      }
    }
  }

  MediumTree& tree_;
  CheckResult result_;
  std::set<std::string> files_read_;
  std::string ini_file_;
};

}  // namespace

CheckResult CheckMedium(MediumTree& tree) { return Checker(tree).run(); }

int RunCheck(const std::vector<std::string>& args) {
  bool json = false;
  std::vector<std::string> folders;
  for (const std::string& arg : args) {
    if (arg == "--json") {
      json = true;
    } else if (arg.starts_with("-")) {
      std::fprintf(stderr, "ktrmedium check: unknown option %s\n", arg.c_str());
      return 2;
    } else {
      folders.push_back(arg);
    }
  }
  if (folders.size() != 1) {
    std::fprintf(stderr, "usage: ktrmedium check [--json] FOLDER\n");
    return 2;
  }
  try {
    MediumTree tree{std::filesystem::path(folders[0])};
    const CheckResult result = CheckMedium(tree);
    const std::string report =
        json ? JsonReport(result, folders[0]) : ReadableReport(result, folders[0]);
    std::fwrite(report.data(), 1, report.size(), stdout);
    return result.exit_code();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "ktrmedium check: cannot read %s: %s\n", folders[0].c_str(), error.what());
    return 2;
  }
}

}  // namespace ktr::tools
