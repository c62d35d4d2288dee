#include "platform/debugger_note.h"

#include "platform/errors.h"

namespace ktr::platform {
namespace {

DebuggerSink g_sink = nullptr;

void Note(const std::string& where, const char* what, unsigned long system_error) noexcept {
  try {
    NoteForDebugger(where + ": " + what, system_error);
  } catch (...) {
  }
}

}  // namespace

DebuggerSink SetDebuggerSink(DebuggerSink sink) {
  DebuggerSink before = g_sink;
  g_sink = sink;
  return before;
}

void NoteForDebugger(const std::string& what, unsigned long system_error) noexcept {
  if (!g_sink) return;
  try {
    std::string line = "KtrSetup: " + what;
    if (system_error != 0) line += " (system error " + std::to_string(system_error) + ")";
    g_sink(line);
  } catch (...) {
  }
}

// Asked only when someone listens: rethrowing costs an unwinding.
void NoteForDebugger(const std::string& where, const std::exception_ptr& caught) noexcept {
  if (!g_sink || !caught) return;
  try {
    std::rethrow_exception(caught);
  } catch (const Error& e) {
    Note(where, e.what(), e.system_error());
  } catch (const std::exception& e) {
    Note(where, e.what(), 0);
  } catch (...) {
    Note(where, "unknown exception", 0);
  }
}

}  // namespace ktr::platform
