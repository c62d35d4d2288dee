// Starting programs: CreateProcessA and a blocking wait, or WinExec.
#include <vector>

#include "platform/debugger_note.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_ports.h"

namespace ktr::win32 {
namespace {

// CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS: a console installer gets a
// window of its own instead of the launcher's (which has none).
constexpr DWORD kCreationFlags = CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS;
static_assert(kCreationFlags == 0x30);
#if !defined(_WIN64)
static_assert(sizeof(STARTUPINFOA) == 68);
#endif

// Waits for the process to end while serving the messages that other
// programs send to this thread's windows. An installer that broadcasts a
// setting change with SendMessage waits until every top-level window has
// answered, hidden ones included; a thread that only blocked would never
// answer, and the two would wait for each other forever. Only sent messages
// are delivered: PM_NOREMOVE with PM_QS_SENDMESSAGE leaves every posted
// message (input, paint, timers, the launcher's own) in the queue for the
// message loop after the wait, so no click handler runs again meanwhile.
void WaitServingSentMessages(HANDLE process) {
  for (;;) {
    const DWORD woke = ::MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_SENDMESSAGE);
    if (woke == WAIT_OBJECT_0) return;
    if (woke != WAIT_OBJECT_0 + 1) break;
    MSG message;
    ::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  // The wait itself failed: the end of the program still decides.
  ::WaitForSingleObject(process, INFINITE);
}

}  // namespace

// The command line goes whole into a writable buffer of its own size
// (CreateProcessA may write into it); the system alone decides what is too
// long. The caller's windows are hidden during the wait.
int Win32Processes::run_and_wait(const std::string& command_line, unsigned short show) {
  std::vector<char> buffer(command_line.begin(), command_line.end());
  buffer.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = show;
  PROCESS_INFORMATION info{};
  // The port answers -1 whatever the cause, and the windows say nothing:
  // the cause goes to the debugger.
  if (!::CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, kCreationFlags, nullptr,
                        nullptr, &startup, &info)) {
    platform::NoteForDebugger("CreateProcessA " + command_line, ::GetLastError());
    return -1;
  }
  UniqueHandle process(info.hProcess);
  UniqueHandle thread(info.hThread);
  WaitServingSentMessages(process.get());
  DWORD exit_code = 0;
  if (!::GetExitCodeProcess(process.get(), &exit_code)) {
    platform::NoteForDebugger("GetExitCodeProcess " + command_line, ::GetLastError());
    return -1;
  }
  return static_cast<int>(exit_code);
}

// WinExec's answer below 32 is itself the cause, and the port passes it on.
unsigned Win32Processes::start(const std::string& command_line, unsigned short show) {
  return ::WinExec(command_line.c_str(), show);
}

}  // namespace ktr::win32
