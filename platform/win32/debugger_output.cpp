#include "platform/win32/debugger_output.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace ktr::win32 {

void DebuggerOutput(const std::string& line) { ::OutputDebugStringA((line + "\n").c_str()); }

}  // namespace ktr::win32
