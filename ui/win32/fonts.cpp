#include "ui/win32/fonts.h"

#include <algorithm>
#include <cstring>

namespace ktr::ui::win32 {

LOGFONTA LogFontOf(const Font& font) {
  LOGFONTA log_font{};
  log_font.lfHeight = font.height;
  log_font.lfWeight = font.weight;
  log_font.lfItalic = font.italic ? TRUE : FALSE;
  log_font.lfCharSet = static_cast<BYTE>(font.charset);
  log_font.lfOutPrecision = OUT_DEFAULT_PRECIS;
  log_font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  log_font.lfQuality = DEFAULT_QUALITY;
  log_font.lfPitchAndFamily = DEFAULT_PITCH;
  std::size_t length = std::min(font.face.size(), std::size_t{LF_FACESIZE - 1});
  std::memcpy(log_font.lfFaceName, font.face.data(), length);
  return log_font;
}

Font FontOf(const LOGFONTA& log_font) {
  Font font;
  font.face.assign(log_font.lfFaceName, strnlen(log_font.lfFaceName, LF_FACESIZE));
  font.height = log_font.lfHeight;
  font.weight = log_font.lfWeight;
  font.charset = log_font.lfCharSet;
  font.italic = log_font.lfItalic != 0;
  return font;
}

int CharsetForCaptions(int charset, unsigned charset_code_page, unsigned ansi_code_page) {
  if (charset_code_page == 0 || charset_code_page == ansi_code_page) return charset;
  return DEFAULT_CHARSET;
}

namespace {

// The icon-title font may come with ANSI_CHARSET where the system code page
// is another (Wine reports it so in a Japanese locale), and GDI reads text in
// an ANSI_CHARSET font as code page 1252, which garbles every caption.
int CaptionCharset(int charset) {
  CHARSETINFO info{};
  unsigned code_page = 0;
  if (::TranslateCharsetInfo(reinterpret_cast<DWORD*>(static_cast<UINT_PTR>(charset)), &info,
                             TCI_SRCCHARSET)) {
    code_page = info.ciACP;
  }
  return CharsetForCaptions(charset, code_page, ::GetACP());
}

}  // namespace

bool SameFont(const Font& a, const Font& b) {
  return a.face == b.face && a.height == b.height && a.weight == b.weight &&
         a.charset == b.charset && a.italic == b.italic;
}

std::optional<GdiObject> FormFont::update(const Font& font, const Scale& scale) {
  if (handle_ && SameFont(font, font_) && scale == scale_) return std::nullopt;
  LOGFONTA log_font = LogFontOf(font);
  log_font.lfHeight = scale.font_height(font.height);
  log_font.lfCharSet = static_cast<BYTE>(CaptionCharset(font.charset));
  GdiObject made(::CreateFontIndirectA(&log_font));
  // Without a font of its own the form draws in the system's; never an error.
  if (!made) made.reset(::GetStockObject(DEFAULT_GUI_FONT));
  font_ = font;
  scale_ = scale;
  // Stock objects ignore DeleteObject, so the fallback needs no owner of its own.
  GdiObject previous = std::move(handle_);
  handle_ = std::move(made);
  return previous;
}

}  // namespace ktr::ui::win32
