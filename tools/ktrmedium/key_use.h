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
#include "lang/multilang.h"

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
  // What the launcher uses the value as, for translators.
  std::string_view used_as;
};

inline bool UsedBy(KeyUse use, int language) {
  switch (use) {
    case KeyUse::kEveryLanguage:
    case KeyUse::kShownInKorean:
      return true;
    case KeyUse::kKoreanOnly:
      return language == lang::kKorean;
    case KeyUse::kOtherLanguages:
      return language != lang::kKorean;
  }
  return false;
}

inline constexpr std::array<KeyRule, 48> kKeyRules = {{
    {lang::RES_INSTALL_TITLE, KeyUse::kOtherLanguages, true,
     "title of the box that offers the extra program after the client installation"},
    {lang::RES_CODE_X, KeyUse::kOtherLanguages, true,
     "text of the box that offers the extra program"},
    {lang::RES_ERROR, KeyUse::kEveryLanguage, false,
     "title of the error box (manual not opened) and of the Ghost window's warning"},
    {lang::RES_OK, KeyUse::kShownInKorean, false,
     "OK label of the Ghost window and the notice dialog"},
    {lang::RES_CANCEL, KeyUse::kShownInKorean, false,
     "Cancel label of the installation windows and the notice dialog"},
    {lang::RES_HELP, KeyUse::kShownInKorean, false,
     "Help label of the installation windows and the notice dialog"},
    {lang::RES_ALERT_MSG, KeyUse::kKoreanOnly, false,
     "the notice dialog's text when there is no notice template"},
    {lang::RES_LANG, KeyUse::kEveryLanguage, false,
     "skin folder name under imgdata (one folder name, no backslash)"},
    {lang::RES_MAINFORM, KeyUse::kEveryLanguage, false, "caption of the main menu window"},
    {lang::RES_TITLE, KeyUse::kEveryLanguage, false, "application title, the task bar text"},
    {lang::RES_MANUAL, KeyUse::kEveryLanguage, false,
     "path of the manual, relative to the medium's root"},
    {lang::RES_CLIENT_INSTALL, KeyUse::kOtherLanguages, false,
     "command line of the client installation, relative to the medium's root"},
    {lang::RES_SERVER_INSTALL, KeyUse::kEveryLanguage, false,
     "command line of the server installation, relative to the medium's root"},
    {lang::RES_CODE_X_INSTALL, KeyUse::kOtherLanguages, true,
     "path of the extra program, relative to the medium's root, no arguments"},
    {lang::RES_ERROR_EXPLOER, KeyUse::kEveryLanguage, false,
     "text of the error box when the manual cannot be opened"},
    {lang::RES_USER_CAPTION, KeyUse::kKoreanOnly, false,
     "caption of the client installation window and its title"},
    {lang::RES_USER_GBBASE, KeyUse::kKoreanOnly, false,
     "client installation window: button 1 (basic installation) and its title"},
    {lang::RES_USER_GBNORMAL, KeyUse::kKoreanOnly, false,
     "client installation window: button 2 (customised installer) and its title"},
    {lang::RES_USER_GBGHOST, KeyUse::kKoreanOnly, false,
     "client installation window: button 3 (Ghost-cloned machines) and its title"},
    {lang::RES_USER_LBLBASE, KeyUse::kKoreanOnly, false,
     "client installation window: description over button 1"},
    {lang::RES_USER_LBLNORMAL, KeyUse::kKoreanOnly, false,
     "client installation window: description over button 2"},
    {lang::RES_USER_LBLGHOST, KeyUse::kKoreanOnly, false,
     "client installation window: description over button 3"},
    {lang::RES_GHOST_CAPTION, KeyUse::kShownInKorean, false,
     "caption of the Ghost installation window and its title"},
    {lang::RES_GHOST_INSTALL_CAPTION, KeyUse::kKoreanOnly, false,
     "Ghost window: title over button 1 (installation)"},
    {lang::RES_GHOST_EDITNOTICE_CAPTION, KeyUse::kKoreanOnly, false,
     "Ghost window: title over button 2 (notice)"},
    {lang::RES_GHOST_LBLINCOMPLETE, KeyUse::kKoreanOnly, false,
     "Ghost window: warning when the client or the notice tool is missing"},
    {lang::RES_GHOST_LBLINSTALL, KeyUse::kKoreanOnly, false,
     "Ghost window: description over button 1"},
    {lang::RES_GHOST_LBLEDIT, KeyUse::kKoreanOnly, false,
     "Ghost window: description over button 2"},
    {lang::RES_GHOST_LBLINSTNOTE, KeyUse::kKoreanOnly, false, "Ghost window: note over button 1"},
    {lang::RES_GHOST_LBLEDITNOTE, KeyUse::kKoreanOnly, false, "Ghost window: note over button 2"},
    {lang::RES_GHOST_LBLINSTCOMP, KeyUse::kKoreanOnly, false,
     "Ghost window: note once the installation has completed"},
    {lang::RES_GHOST_EDIT_COMP, KeyUse::kKoreanOnly, false,
     "Ghost window: description once the notice is saved"},
    {lang::RES_BTNINSTALL, KeyUse::kShownInKorean, false, "Ghost window: label of button 1"},
    {lang::RES_BTNEDIT, KeyUse::kShownInKorean, false, "Ghost window: label of button 2"},
    {lang::RES_EDITNOTICE_CAPTION, KeyUse::kKoreanOnly, false, "caption of the notice dialog"},
    {lang::RES_EDITNOTICE_LBL, KeyUse::kKoreanOnly, false,
     "notice dialog: the instruction above the text"},
    {lang::RES_HELPCLI, KeyUse::kKoreanOnly, false,
     "command line of the client installation window's help, started unchanged"},
    {lang::RES_GHOSTCLI, KeyUse::kKoreanOnly, false,
     "command line of the Ghost window's help, started unchanged"},    {lang::RES_NAME_MANUAL, KeyUse::kEveryLanguage, true,
     "main menu: what a screen reader says for the manual entry"},
    {lang::RES_NAME_SCAN, KeyUse::kEveryLanguage, true,
     "main menu: what a screen reader says for the virus scan entry"},
    {lang::RES_NAME_CLIENT, KeyUse::kEveryLanguage, true,
     "main menu: what a screen reader says for the client installation entry"},
    {lang::RES_NAME_SERVER, KeyUse::kEveryLanguage, true,
     "main menu: what a screen reader says for the server installation entry"},
    {lang::RES_NAME_BROWSE, KeyUse::kEveryLanguage, true,
     "main menu: what a screen reader says for the entry that browses the medium"},
    {lang::RES_NAME_EXIT, KeyUse::kEveryLanguage, true,
     "main menu: what a screen reader says for the exit entry"},
    {lang::RES_DESC_MANUAL, KeyUse::kEveryLanguage, true,
     "main menu: what a screen reader adds about the manual entry"},
    {lang::RES_DESC_SCAN, KeyUse::kEveryLanguage, true,
     "main menu: what a screen reader adds about the virus scan entry"},
    {lang::RES_DESC_CLIENT, KeyUse::kEveryLanguage, true,
     "main menu: what a screen reader adds about the client installation entry"},
    {lang::RES_DESC_SERVER, KeyUse::kEveryLanguage, true,
     "main menu: what a screen reader adds about the server installation entry"},
}};

// The names a screen reader says for the main menu's entries, whose
// pictures are their only words; a medium without them is usable but mute.
inline constexpr std::array<std::string_view, 6> kSpokenNameKeys = {
    lang::RES_NAME_MANUAL, lang::RES_NAME_SCAN,   lang::RES_NAME_CLIENT,
    lang::RES_NAME_SERVER, lang::RES_NAME_BROWSE, lang::RES_NAME_EXIT,
};

}  // namespace ktr::tools
