#pragma once
// The lines the launcher tells the debugger (platform::NoteForDebugger),
// recorded while one of these lives; the sink before it comes back after.
#include <string>
#include <vector>

#include "platform/debugger_note.h"

namespace ktr::fake {

class DebuggerNotes {
 public:
  DebuggerNotes();
  ~DebuggerNotes();
  DebuggerNotes(const DebuggerNotes&) = delete;
  DebuggerNotes& operator=(const DebuggerNotes&) = delete;

  const std::vector<std::string>& lines() const { return lines_; }

 private:
  std::vector<std::string> lines_;
  platform::DebuggerSink before_;
};

}  // namespace ktr::fake
