#pragma once
// Which languages read each MultiLang.ini key and see what it holds. Only
// the Korean main menu opens the client installation menu, the Ghost window
// and the notice dialog; only the other languages install the client from
// the main menu and offer the extra program after it. The hidden Ghost
// window made at start-up reads its captions in every language but never
// shows them. tools/make_medium.py reads this table to write each language
// only the keys it uses.
#include <array>
#include <string_view>

#include "lang/keys.h"

namespace ktr::tools {

enum class KeyUse {
  kEveryLanguage,
  kKoreanOnly,
  kOtherLanguages,
  // Read by every language's hidden Ghost window; shown in Korean only.
  kShownInKorean,
};

struct KeyRule {
  std::string_view key;
  KeyUse use;
  // May be missing or empty: a medium without the extra program leaves its
  // value empty, and then its box is never shown; the main menu's entries
  // are still there without their spoken names.
  bool optional;
};

inline constexpr std::array<KeyRule, 48> kKeyRules = {{
    {lang::RES_INSTALL_TITLE, KeyUse::kOtherLanguages, true},
    {lang::RES_CODE_X, KeyUse::kOtherLanguages, true},
    {lang::RES_ERROR, KeyUse::kEveryLanguage, false},
    {lang::RES_OK, KeyUse::kShownInKorean, false},
    {lang::RES_CANCEL, KeyUse::kShownInKorean, false},
    {lang::RES_HELP, KeyUse::kShownInKorean, false},
    {lang::RES_ALERT_MSG, KeyUse::kKoreanOnly, false},
    {lang::RES_LANG, KeyUse::kEveryLanguage, false},
    {lang::RES_MAINFORM, KeyUse::kEveryLanguage, false},
    {lang::RES_TITLE, KeyUse::kEveryLanguage, false},
    {lang::RES_MANUAL, KeyUse::kEveryLanguage, false},
    {lang::RES_CLIENT_INSTALL, KeyUse::kOtherLanguages, false},
    {lang::RES_SERVER_INSTALL, KeyUse::kEveryLanguage, false},
    {lang::RES_CODE_X_INSTALL, KeyUse::kOtherLanguages, true},
    {lang::RES_ERROR_EXPLOER, KeyUse::kEveryLanguage, false},
    {lang::RES_USER_CAPTION, KeyUse::kKoreanOnly, false},
    {lang::RES_USER_GBBASE, KeyUse::kKoreanOnly, false},
    {lang::RES_USER_GBNORMAL, KeyUse::kKoreanOnly, false},
    {lang::RES_USER_GBGHOST, KeyUse::kKoreanOnly, false},
    {lang::RES_USER_LBLBASE, KeyUse::kKoreanOnly, false},
    {lang::RES_USER_LBLNORMAL, KeyUse::kKoreanOnly, false},
    {lang::RES_USER_LBLGHOST, KeyUse::kKoreanOnly, false},
    {lang::RES_GHOST_CAPTION, KeyUse::kShownInKorean, false},
    {lang::RES_GHOST_INSTALL_CAPTION, KeyUse::kKoreanOnly, false},
    {lang::RES_GHOST_EDITNOTICE_CAPTION, KeyUse::kKoreanOnly, false},
    {lang::RES_GHOST_LBLINCOMPLETE, KeyUse::kKoreanOnly, false},
    {lang::RES_GHOST_LBLINSTALL, KeyUse::kKoreanOnly, false},
    {lang::RES_GHOST_LBLEDIT, KeyUse::kKoreanOnly, false},
    {lang::RES_GHOST_LBLINSTNOTE, KeyUse::kKoreanOnly, false},
    {lang::RES_GHOST_LBLEDITNOTE, KeyUse::kKoreanOnly, false},
    {lang::RES_GHOST_LBLINSTCOMP, KeyUse::kKoreanOnly, false},
    {lang::RES_GHOST_EDIT_COMP, KeyUse::kKoreanOnly, false},
    {lang::RES_BTNINSTALL, KeyUse::kShownInKorean, false},
    {lang::RES_BTNEDIT, KeyUse::kShownInKorean, false},
    {lang::RES_EDITNOTICE_CAPTION, KeyUse::kKoreanOnly, false},
    {lang::RES_EDITNOTICE_LBL, KeyUse::kKoreanOnly, false},
    {lang::RES_HELPCLI, KeyUse::kKoreanOnly, false},
    {lang::RES_GHOSTCLI, KeyUse::kKoreanOnly, false},
    {lang::RES_NAME_MANUAL, KeyUse::kEveryLanguage, true},
    {lang::RES_NAME_SCAN, KeyUse::kEveryLanguage, true},
    {lang::RES_NAME_CLIENT, KeyUse::kEveryLanguage, true},
    {lang::RES_NAME_SERVER, KeyUse::kEveryLanguage, true},
    {lang::RES_NAME_BROWSE, KeyUse::kEveryLanguage, true},
    {lang::RES_NAME_EXIT, KeyUse::kEveryLanguage, true},
    {lang::RES_DESC_MANUAL, KeyUse::kEveryLanguage, true},
    {lang::RES_DESC_SCAN, KeyUse::kEveryLanguage, true},
    {lang::RES_DESC_CLIENT, KeyUse::kEveryLanguage, true},
    {lang::RES_DESC_SERVER, KeyUse::kEveryLanguage, true},
}};

// The names a screen reader says for the main menu's entries, whose
// pictures are their only words; a medium without them is usable but mute.
inline constexpr std::array<std::string_view, 6> kSpokenNameKeys = {
    lang::RES_NAME_MANUAL, lang::RES_NAME_SCAN,   lang::RES_NAME_CLIENT,
    lang::RES_NAME_SERVER, lang::RES_NAME_BROWSE, lang::RES_NAME_EXIT,
};

}  // namespace ktr::tools
