#pragma once
// The Windows side of platform::NoteForDebugger.
#include <string>

namespace ktr::win32 {

// OutputDebugStringA: a debugger attached to the process (or a viewer of
// debug output) shows the line; without one the system drops it.
void DebuggerOutput(const std::string& line);

}  // namespace ktr::win32
