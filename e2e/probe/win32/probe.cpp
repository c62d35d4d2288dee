// The end-to-end tests' eyes inside Wine: it reports what the window system
// knows about the windows on the desktop, and it can ask a window to close.
// It answers into a file, never on standard output, because Wine's helper
// processes keep inherited pipes open.
//
//   probe.exe windows OUT   every top-level window and its descendants
//   probe.exe close OUT HWND   post WM_CLOSE to the window (hex handle)
//   probe.exe info OUT      the process's view of the system: current
//                           directory, code pages, locale, version
//   probe.exe security OUT PATH   the owner and DACL of a file, as SDDL
//   probe.exe winexec OUT LINE   start LINE with WinExec, as the launcher
//                           once started its help commands (WinExec's result)
//   probe.exe read OUT HOLD PATH...   another program reading the files:
//                           opens each for reading, shared with readers as
//                           picture loaders open, answers how many it opened
//                           and keeps them open while the file HOLD exists
//   probe.exe accessible OUT HWND   what a screen reader reads of the
//                           window's client area: the object itself and
//                           each child, through Active Accessibility from
//                           this other process
//   probe.exe events OUT HOLD PID   the focus, state and name changes of
//                           PID's windows, as a screen reader hears them, one
//                           line each as they come (the first line says the
//                           hooks are set), until the file HOLD goes
//   probe.exe press OUT HWND CHILD   the default action of a child
//   probe.exe modules OUT PID   the file names of the modules loaded in PID
//
// One line per window, tab-separated name=value fields. Texts are the ANSI
// bytes that GetWindowTextA gives, with every byte outside printable ASCII
// and the backslash written as \xNN, so that the line stays one line and the
// bytes can be compared exactly.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <aclapi.h>
#include <oleacc.h>
#include <sddl.h>
#include <tlhelp32.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32/unique_handle.h"

namespace {

using ktr::win32::FileHandle;
using ktr::win32::UniqueHandle;

std::string Escaped(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7f && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    }
  }
  return out;
}

std::string Hex(const void* handle) {
  char text[32];
  std::snprintf(text, sizeof text, "%llx",
                static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(handle)));
  return text;
}

std::string Bits(DWORD value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08lx", static_cast<unsigned long>(value));
  return text;
}

std::string Number(long long value) { return std::to_string(value); }

std::string WindowText(HWND window) {
  int length = ::GetWindowTextLengthA(window);
  std::string text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, '\0');
  int got = ::GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
  text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return text;
}

std::string ClassOf(HWND window) {
  char name[256] = {};
  int got = ::GetClassNameA(window, name, sizeof name);
  return std::string(name, got > 0 ? static_cast<std::size_t>(got) : 0);
}

std::string ImageOf(DWORD process_id) {
  using QueryFn = BOOL(WINAPI*)(HANDLE, DWORD, LPSTR, PDWORD);
  FARPROC address =
      ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "QueryFullProcessImageNameA");
  auto query = reinterpret_cast<QueryFn>(reinterpret_cast<void (*)()>(address));
  if (!query) return {};
  UniqueHandle process(::OpenProcess(0x1000 /* PROCESS_QUERY_LIMITED_INFORMATION */, FALSE,
                                     process_id));
  if (!process) return {};
  char path[MAX_PATH * 4] = {};
  DWORD size = sizeof path;
  if (!query(process.get(), 0, path, &size)) return {};
  return std::string(path, size);
}

std::string Rect(const RECT& r) {
  return Number(r.left) + "," + Number(r.top) + "," + Number(r.right - r.left) + "," +
         Number(r.bottom - r.top);
}

std::string Describe(HWND window, HWND parent) {
  DWORD process_id = 0;
  ::GetWindowThreadProcessId(window, &process_id);
  RECT rect{};
  ::GetWindowRect(window, &rect);
  RECT client{};
  ::GetClientRect(window, &client);
  POINT origin{0, 0};
  ::ClientToScreen(window, &origin);
  RECT client_on_screen{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
  HWND owner = ::GetWindow(window, GW_OWNER);
  std::string line;
  line += "hwnd=" + Hex(window);
  line += "\tparent=" + Hex(parent);
  line += "\tpid=" + Number(process_id);
  line += "\timage=" + Escaped(ImageOf(process_id));
  line += "\tclass=" + Escaped(ClassOf(window));
  line += "\ttext=" + Escaped(WindowText(window));
  line += "\trect=" + Rect(rect);
  line += "\tclient=" + Rect(client_on_screen);
  line += "\tstyle=" + Bits(static_cast<DWORD>(::GetWindowLongA(window, GWL_STYLE)));
  line += "\texstyle=" + Bits(static_cast<DWORD>(::GetWindowLongA(window, GWL_EXSTYLE)));
  line += "\tvisible=" + Number(::IsWindowVisible(window) ? 1 : 0);
  line += "\tenabled=" + Number(::IsWindowEnabled(window) ? 1 : 0);
  line += "\towner=" + Hex(owner);
  line += "\towner_class=" + Escaped(owner ? ClassOf(owner) : std::string());
  line += "\n";
  return line;
}

struct Listing {
  std::vector<HWND> windows;
};

BOOL CALLBACK Collect(HWND window, LPARAM param) {
  try {
    reinterpret_cast<Listing*>(param)->windows.push_back(window);
  } catch (...) {
    return FALSE;
  }
  return TRUE;
}

std::string ListWindows() {
  Listing top;
  ::EnumWindows(Collect, reinterpret_cast<LPARAM>(&top));
  std::string out;
  for (HWND window : top.windows) {
    out += Describe(window, nullptr);
    Listing children;
    ::EnumChildWindows(window, Collect, reinterpret_cast<LPARAM>(&children));
    for (HWND child : children.windows) out += Describe(child, ::GetParent(child));
  }
  return out;
}

std::string Info() {
  char directory[MAX_PATH * 4] = {};
  DWORD length = ::GetCurrentDirectoryA(sizeof directory, directory);
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  ::GetVersionExA(&version);
  std::string out;
  out += "cwd=" + Escaped(std::string(directory, length < sizeof directory ? length : 0));
  out += "\tacp=" + Number(::GetACP());
  out += "\tlcid=" + Bits(::GetSystemDefaultLCID());
  out += "\tplatform=" + Number(version.dwPlatformId);
  out += "\tversion=" + Number(version.dwMajorVersion) + "." + Number(version.dwMinorVersion);
  out += "\tscreen=" + Number(::GetSystemMetrics(SM_CXSCREEN)) + "," +
         Number(::GetSystemMetrics(SM_CYSCREEN));
  out += "\n";
  return out;
}

// The file itself, not what a link there points to: the launcher never
// follows one either.
std::string Security(const char* path) {
  const SECURITY_INFORMATION wanted = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  FileHandle file(::CreateFileA(path, READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file) return "error=" + Number(::GetLastError()) + "\n";
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  DWORD status = ::GetSecurityInfo(file.get(), SE_FILE_OBJECT, wanted, nullptr, nullptr, nullptr,
                                   nullptr, &descriptor);
  if (status != ERROR_SUCCESS) return "error=" + Number(status) + "\n";
  char* text = nullptr;
  std::string out;
  if (::ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1, wanted,
                                                             &text, nullptr)) {
    out = std::string("sddl=") + text + "\n";
    ::LocalFree(text);
  } else {
    out = "error=" + Number(::GetLastError()) + "\n";
  }
  ::LocalFree(descriptor);
  return out;
}

bool WriteWhole(const char* path, const std::string& text) {
  // Written to a side file and renamed, so that a reader never sees half.
  std::string partial = std::string(path) + ".part";
  {
    FileHandle file(::CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    if (!::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written,
                     nullptr) ||
        written != text.size()) {
      return false;
    }
  }
  return ::MoveFileExA(partial.c_str(), path, MOVEFILE_REPLACE_EXISTING) != FALSE;
}

// A screen reader's text as UTF-8, escaped like every text here.
std::string Utf8(BSTR text) {
  if (!text) return {};
  const int length = static_cast<int>(::SysStringLen(text));
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  if (size > 0) ::WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
  ::SysFreeString(text);
  return Escaped(out);
}

VARIANT Child(long id) {
  VARIANT v;
  ::VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = id;
  return v;
}

std::string LongOf(const VARIANT& v) {
  if (v.vt == VT_I4) return Number(v.lVal);
  if (v.vt == VT_EMPTY) return "none";
  return "vt" + Number(v.vt);
}

// One line of the object or of one of its children.
std::string DescribeAccessible(IAccessible* object, long id) {
  VARIANT child = Child(id);
  std::string line = "id=" + Number(id);
  VARIANT role;
  ::VariantInit(&role);
  object->get_accRole(child, &role);
  line += "\trole=" + LongOf(role);
  ::VariantClear(&role);
  BSTR text = nullptr;
  object->get_accName(child, &text);
  line += "\tname=" + Utf8(text);
  text = nullptr;
  object->get_accDescription(child, &text);
  line += "\tdescription=" + Utf8(text);
  VARIANT state;
  ::VariantInit(&state);
  object->get_accState(child, &state);
  line += "\tstate=" + (state.vt == VT_I4 ? Bits(static_cast<DWORD>(state.lVal)) : LongOf(state));
  ::VariantClear(&state);
  long x = 0, y = 0, w = 0, h = 0;
  const HRESULT placed = object->accLocation(&x, &y, &w, &h, child);
  line += "\tlocation=" + (SUCCEEDED(placed)
                               ? Number(x) + "," + Number(y) + "," + Number(w) + "," + Number(h)
                               : std::string("none"));
  text = nullptr;
  object->get_accDefaultAction(child, &text);
  line += "\taction=" + Utf8(text);
  if (id != CHILDID_SELF) {
    VARIANT next;
    ::VariantInit(&next);
    object->accNavigate(NAVDIR_NEXT, child, &next);
    line += "\tnext=" + LongOf(next);
    ::VariantClear(&next);
    VARIANT hit;
    ::VariantInit(&hit);
    if (SUCCEEDED(placed) && w > 0 && h > 0) object->accHitTest(x + w / 2, y + h / 2, &hit);
    line += "\thit=" + LongOf(hit);
    ::VariantClear(&hit);
  } else {
    VARIANT focus;
    ::VariantInit(&focus);
    object->get_accFocus(&focus);
    line += "\tfocus=" + LongOf(focus);
    ::VariantClear(&focus);
  }
  return line + "\n";
}

std::string ReadAccessible(HWND window) {
  IAccessible* object = nullptr;
  HRESULT hr = ::AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT),
                                            IID_IAccessible, reinterpret_cast<void**>(&object));
  if (FAILED(hr) || !object) return "error=" + Bits(static_cast<DWORD>(hr)) + "\n";
  std::string out = DescribeAccessible(object, CHILDID_SELF);
  long count = 0;
  object->get_accChildCount(&count);
  std::vector<VARIANT> children(static_cast<std::size_t>(count > 0 ? count : 0));
  long got = 0;
  if (count > 0 && SUCCEEDED(::AccessibleChildren(object, 0, count, children.data(), &got))) {
    for (long i = 0; i < got; ++i) {
      VARIANT& child = children[static_cast<std::size_t>(i)];
      if (child.vt == VT_I4) out += DescribeAccessible(object, child.lVal);
      ::VariantClear(&child);
    }
  } else {
    out += "children=by-id\n";
    for (long id = 1; id <= count; ++id) out += DescribeAccessible(object, id);
  }
  object->Release();
  return out;
}

struct Heard {
  const char* out = nullptr;
  // One line per event in the order they came, pending until answered.
  std::vector<std::string> lines;
};
Heard* g_heard = nullptr;

const char* EventName(DWORD event) {
  switch (event) {
    case EVENT_OBJECT_FOCUS:
      return "focus";
    case EVENT_OBJECT_STATECHANGE:
      return "state";
    case EVENT_OBJECT_NAMECHANGE:
      return "name";
    default:
      return nullptr;
  }
}

void CALLBACK Hear(HWINEVENTHOOK, DWORD event, HWND window, LONG object_id, LONG child_id, DWORD,
                   DWORD) {
  const char* name = EventName(event);
  if (!name || !g_heard || object_id != OBJID_CLIENT) return;
  // The questions below wait for the launcher's answers, and the events
  // that come meanwhile are heard inside them: each event takes its place
  // in the order they came before anything is asked.
  std::string line = std::string("event=") + name + "\thwnd=" + Hex(window) +
                     "\tclass=" + Escaped(ClassOf(window)) + "\tchild=" + Number(child_id);
  const std::size_t place = g_heard->lines.size();
  g_heard->lines.push_back(line + "\tpending=1\n");
  IAccessible* object = nullptr;
  VARIANT child;
  ::VariantInit(&child);
  if (SUCCEEDED(::AccessibleObjectFromEvent(window, static_cast<DWORD>(object_id),
                                            static_cast<DWORD>(child_id), &object, &child)) &&
      object) {
    BSTR text = nullptr;
    object->get_accName(child, &text);
    line += "\tname=" + Utf8(text);
    VARIANT state;
    ::VariantInit(&state);
    object->get_accState(child, &state);
    line += "\tstate=" + (state.vt == VT_I4 ? Bits(static_cast<DWORD>(state.lVal)) : LongOf(state));
    object->Release();
  } else {
    line += "\tname=\tstate=none";
  }
  g_heard->lines[place] = line + "\n";
  std::string text = "ready\n";
  for (const std::string& heard : g_heard->lines) text += heard;
  WriteWhole(g_heard->out, text);
}

// Out of context and filtered by process, but without
// WINEVENT_SKIPOWNPROCESS: with both flags Wine 8 delivers nothing.
int ListenEvents(const char* out, const char* hold, DWORD process_id) {
  Heard heard{out, {}};
  g_heard = &heard;
  HWINEVENTHOOK hook = ::SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_NAMECHANGE, nullptr, Hear,
                                         process_id, 0, WINEVENT_OUTOFCONTEXT);
  if (!hook) return 1;
  if (!WriteWhole(out, "ready\n")) return 1;
  while (::GetFileAttributesA(hold) != INVALID_FILE_ATTRIBUTES) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
  }
  ::UnhookWinEvent(hook);
  g_heard = nullptr;
  return 0;
}

std::string Press(HWND window, long id) {
  IAccessible* object = nullptr;
  HRESULT hr = ::AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT),
                                            IID_IAccessible, reinterpret_cast<void**>(&object));
  if (FAILED(hr) || !object) return "error=" + Bits(static_cast<DWORD>(hr)) + "\n";
  hr = object->accDoDefaultAction(Child(id));
  object->Release();
  return "result=" + Bits(static_cast<DWORD>(hr)) + "\n";
}

std::string Modules(DWORD process_id) {
  UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, process_id));
  if (!snapshot) return "error=" + Number(::GetLastError()) + "\n";
  MODULEENTRY32 module{};
  module.dwSize = sizeof module;
  std::string out;
  for (BOOL more = ::Module32First(snapshot.get(), &module); more;
       more = ::Module32Next(snapshot.get(), &module)) {
    out += "module=" + Escaped(module.szModule) + "\n";
  }
  return out;
}

HWND WindowOf(const char* hex) {
  return reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(hex, nullptr, 16)));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  std::string command = argv[1];
  const char* out = argv[2];
  std::string text;
  if (command == "windows") {
    text = ListWindows();
  } else if (command == "info") {
    text = Info();
  } else if (command == "security" && argc >= 4) {
    text = Security(argv[3]);
  } else if (command == "close" && argc >= 4) {
    auto window = reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(argv[3], nullptr, 16)));
    if (!::IsWindow(window)) return 3;
    text = ::PostMessageA(window, WM_CLOSE, 0, 0) ? "posted\n" : "failed\n";
  } else if (command == "accessible" && argc >= 4) {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    text = ReadAccessible(WindowOf(argv[3]));
  } else if (command == "events" && argc >= 5) {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    return ListenEvents(out, argv[3], static_cast<DWORD>(std::strtoul(argv[4], nullptr, 10)));
  } else if (command == "press" && argc >= 5) {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    text = Press(WindowOf(argv[3]), std::strtol(argv[4], nullptr, 10));
  } else if (command == "modules" && argc >= 4) {
    text = Modules(static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)));
  } else if (command == "winexec" && argc >= 4) {
    text = Number(::WinExec(argv[3], SW_SHOW)) + "\n";
  } else if (command == "change" && argc >= 4) {
    // What another program gets when it tries to change the file: opening
    // it for writing, moving a file over it, moving it away, deleting it.
    const std::string path = argv[3];
    FileHandle writer(::CreateFileA(path.c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    text += "write=" + Number(writer ? 0 : ::GetLastError());
    writer.reset();
    const std::string other = path + ".other";
    if (WriteWhole(other.c_str(), "MZ other")) {
      const BOOL moved = ::MoveFileExA(other.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
      text += "\treplace=" + Number(moved ? 0 : ::GetLastError());
      ::DeleteFileA(other.c_str());
    }
    const std::string away = path + ".away";
    const BOOL renamed = ::MoveFileExA(path.c_str(), away.c_str(), 0);
    text += "\trename=" + Number(renamed ? 0 : ::GetLastError());
    if (renamed) ::MoveFileExA(away.c_str(), path.c_str(), 0);
    text += "\tdelete=" + Number(::DeleteFileA(path.c_str()) ? 0 : ::GetLastError()) + "\n";
  } else if (command == "read" && argc >= 5) {
    std::vector<FileHandle> held;
    for (int i = 4; i < argc; ++i) {
      FileHandle file(::CreateFileA(argv[i], GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
      if (file) held.push_back(std::move(file));
    }
    if (!WriteWhole(out, "opened=" + Number(static_cast<long long>(held.size())) + "\n")) return 1;
    while (::GetFileAttributesA(argv[3]) != INVALID_FILE_ATTRIBUTES) ::Sleep(100);
    return 0;
  } else {
    return 2;
  }
  return WriteWhole(out, text) ? 0 : 1;
}
