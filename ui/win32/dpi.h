#pragma once
// The display scale of a window, asked the newest way the system offers: the
// monitor's own scale from Windows 10 (1607) on, the system-wide setting
// before that (Vista to 8.1 for a program that declares itself aware, and
// Windows XP, which scales nothing for anybody). The newer functions are
// looked up at run time, so the launcher still starts on Windows XP.
#include "ui/scale.h"
#include "ui/win32/gdi.h"

namespace ktr::ui::win32 {

// Older SDK headers (and ours, written for Windows XP) lack the message.
inline constexpr UINT kDpiChangedMessage = 0x02E0;

Scale SystemScale();
Scale WindowScale(HWND window);
// AdjustWindowRectEx at a given scale where the system can, else at the
// system's own.
void AdjustFrame(RECT& rect, DWORD style, DWORD ex_style, const Scale& scale);
// A layout font height of the system's (its metrics come at the system's
// scale to a program that declares itself aware) back at 96 DPI.
int LayoutFontHeight(int system_height);

}  // namespace ktr::ui::win32
