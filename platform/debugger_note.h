#pragma once
// What the launcher swallows or reports without its cause, told to whoever
// watches the process with a debugger (OutputDebugStringA on Windows). Not a
// log: without a sink nothing is written anywhere, and a note never changes
// what the user sees.
#include <exception>
#include <string>

namespace ktr::platform {

// Takes one finished line. The Windows entry point installs the system's;
// tests install a recording one.
using DebuggerSink = void (*)(const std::string& line);

// The sink in place before, so that a scope can put it back.
DebuggerSink SetDebuggerSink(DebuggerSink sink);

// "KtrSetup: <what>" and, when the system gave one, " (system error N)".
void NoteForDebugger(const std::string& what, unsigned long system_error = 0) noexcept;

// What a catch (...) holds: the message and cause of an exception of ours or
// of the standard library, "unknown exception" for anything else. Neither
// throws: a note that finds no memory is left out.
void NoteForDebugger(const std::string& where, const std::exception_ptr& caught) noexcept;

}  // namespace ktr::platform
