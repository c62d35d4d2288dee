#pragma once
// The user-interface language, fixed once from the system's default locale,
// and the lookup of a text key in that language's MultiLang.ini.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace ktr {
class Locale;
class Profile;
}  // namespace ktr

namespace ktr::lang {

inline constexpr int kKorean = 0;
inline constexpr int kEnglish = 1;
inline constexpr int kJapanese = 2;
inline constexpr int kChinese = 3;
// The same languages where the code decides by them; the index stays the
// number that names a MultiLang.ini section and a notice template.
enum class Language {
  kKorean = kKorean,
  kEnglish = kEnglish,
  kJapanese = kJapanese,
  kChinese = kChinese
};
constexpr Language LanguageOf(int index) { return static_cast<Language>(index); }

inline constexpr std::array<std::string_view, 4> kLanguageNames = {"KOREAN", "ENGLISH", "JAPANESE",
                                                                   "CHINESE"};
// GetPrivateProfileStringA gets a 2048-character buffer: values come back cut
// to 2047 characters.
inline constexpr std::size_t kProfileBufferSize = 2048;

std::uint16_t GetPrimaryLangId(std::uint16_t language_id);
int LangIndexOf(std::uint32_t lcid);
int GetLangIndex(Locale& locale);

// The process-wide language index, set once at start-up.
void InitLanguageIndex(Locale& locale);
int LanguageIndex();
void SetLanguageIndexForTesting(int index);

std::string MultiLangPath(const std::string& base_folder);
std::string ReadLangString(Profile& profile, const std::string& base_folder, std::string_view key);

}  // namespace ktr::lang
