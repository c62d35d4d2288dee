#pragma once
// The text keys of MultiLang.ini. Each key's text is its own name, which a
// lookup uses as the INI key.
#include <array>
#include <string_view>

namespace ktr::lang {

#define KTR_LANG_KEYS(X)                                                                         \
  X(RES_INSTALL_TITLE)                                                                           \
  X(RES_CODE_X) X(RES_ERROR) X(RES_OK) X(RES_CANCEL) X(RES_HELP) X(RES_ALERT_MSG) X(RES_LANG)    \
      X(RES_MAINFORM) X(RES_TITLE) X(RES_MANUAL) X(RES_CLIENT_INSTALL) X(RES_SERVER_INSTALL)     \
          X(RES_CODE_X_INSTALL) X(RES_ERROR_EXPLOER) X(RES_USER_CAPTION) X(RES_USER_GBBASE)      \
              X(RES_USER_GBNORMAL) X(RES_USER_GBGHOST) X(RES_USER_LBLBASE) X(RES_USER_LBLNORMAL) \
                  X(RES_USER_LBLGHOST) X(RES_GHOST_CAPTION) X(RES_GHOST_INSTALL_CAPTION)         \
                      X(RES_GHOST_EDITNOTICE_CAPTION) X(RES_GHOST_LBLINCOMPLETE)                 \
                          X(RES_GHOST_LBLINSTALL) X(RES_GHOST_LBLEDIT) X(RES_GHOST_LBLINSTNOTE)  \
                              X(RES_GHOST_LBLEDITNOTE) X(RES_GHOST_LBLINSTCOMP)                  \
                                  X(RES_GHOST_EDIT_COMP) X(RES_BTNINSTALL) X(RES_BTNEDIT)        \
                                      X(RES_EDITNOTICE_CAPTION) X(RES_EDITNOTICE_LBL)            \
                                          X(RES_HELPCLI) X(RES_GHOSTCLI)                 \
  X(RES_NAME_MANUAL) X(RES_NAME_SCAN) X(RES_NAME_CLIENT) X(RES_NAME_SERVER) X(RES_NAME_BROWSE)   \
  X(RES_NAME_EXIT) X(RES_DESC_MANUAL) X(RES_DESC_SCAN) X(RES_DESC_CLIENT) X(RES_DESC_SERVER)

#define KTR_DECLARE_KEY(name) inline constexpr std::string_view name = #name;
KTR_LANG_KEYS(KTR_DECLARE_KEY)
#undef KTR_DECLARE_KEY

#define KTR_LIST_KEY(name) name,
inline constexpr std::array kAllKeys = {KTR_LANG_KEYS(KTR_LIST_KEY)};
#undef KTR_LIST_KEY

// Optional, and read only by a launcher that carries a key: the text of the
// box that refuses a file not as it was signed (the file's path follows).
inline constexpr std::string_view RES_MEDIUM_CHANGED = "RES_MEDIUM_CHANGED";

}  // namespace ktr::lang
