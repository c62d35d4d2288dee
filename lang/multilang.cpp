#include "lang/multilang.h"

#include "platform/host.h"

namespace ktr::lang {
namespace {

int g_language_index = kEnglish;

}  // namespace

std::uint16_t GetPrimaryLangId(std::uint16_t language_id) {
  return static_cast<std::uint16_t>(language_id & 0x3FF);
}

// Only the primary language counts: every Chinese variant is Chinese, and
// sort bits above the language id play no part.
int LangIndexOf(std::uint32_t lcid) {
  switch (GetPrimaryLangId(static_cast<std::uint16_t>(lcid & 0xFFFF))) {
    case 0x04:
      return kChinese;
    case 0x09:
      return kEnglish;
    case 0x11:
      return kJapanese;
    case 0x12:
      return kKorean;
    default:
      return kEnglish;
  }
}

int GetLangIndex(Locale& locale) { return LangIndexOf(locale.system_default_lcid()); }

void InitLanguageIndex(Locale& locale) { g_language_index = GetLangIndex(locale); }

int LanguageIndex() { return g_language_index; }

void SetLanguageIndexForTesting(int index) { g_language_index = index; }

// Plain concatenation: the base folder already ends in a backslash, and
// nothing is tested or repaired.
std::string MultiLangPath(const std::string& base_folder) {
  std::string path = base_folder;
  path += "ImgData\\";
  path += kLanguageNames[g_language_index];
  path += "\\MultiLang.ini";
  return path;
}

// Every lookup reads the file anew: the medium is the only store of texts.
std::string ReadLangString(Profile& profile, const std::string& base_folder, std::string_view key) {
  return profile.read_string(MultiLangPath(base_folder),
                             std::string(kLanguageNames[g_language_index]), std::string(key),
                             kProfileBufferSize);
}

}  // namespace ktr::lang
