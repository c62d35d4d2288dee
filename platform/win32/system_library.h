#pragma once
// Libraries that the launcher loads itself, by their full path in the
// system folder.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace ktr::win32 {

// `name` (a file name such as "shell32.dll") from the system folder and
// nowhere else; nullptr, with the system's error, when it is not there.
HMODULE LoadSystemLibrary(const char* name);

}  // namespace ktr::win32
