#include "testing/debugger_notes.h"

namespace ktr::fake {
namespace {

// The sink is a plain function; the one recorder in place is found here.
std::vector<std::string>* g_recording = nullptr;

void Record(const std::string& line) {
  if (g_recording) g_recording->push_back(line);
}

}  // namespace

DebuggerNotes::DebuggerNotes() : before_(platform::SetDebuggerSink(Record)) {
  g_recording = &lines_;
}

DebuggerNotes::~DebuggerNotes() {
  platform::SetDebuggerSink(before_);
  g_recording = nullptr;
}

}  // namespace ktr::fake
