#pragma once
// The model's font description and GDI's LOGFONT, both ways.
#include <optional>

#include "ui/scale.h"
#include "ui/toolkit.h"
#include "ui/win32/gdi.h"

namespace ktr::ui::win32 {

LOGFONTA LogFontOf(const Font& font);
Font FontOf(const LOGFONTA& log_font);
bool SameFont(const Font& a, const Font& b);

// The character set to create the font with so that GDI reads the captions'
// bytes in the system's ANSI code page: the font's own when its code page is
// that one (or unknown), otherwise DEFAULT_CHARSET, which means the system's.
int CharsetForCaptions(int charset, unsigned charset_code_page, unsigned ansi_code_page);

// A GDI font that follows the form's font at the window's scale; remade
// only when either changes.
class FormFont {
 public:
  // Nothing when the font is unchanged; else the previous handle, to be let
  // go once the native children have been given the new one.
  std::optional<GdiObject> update(const Font& font, const Scale& scale = {});
  HFONT get() const { return static_cast<HFONT>(handle_.get()); }

 private:
  Font font_;
  Scale scale_;
  GdiObject handle_;
};

}  // namespace ktr::ui::win32
