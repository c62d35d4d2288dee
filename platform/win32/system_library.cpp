#include "platform/win32/system_library.h"

#include <string>

namespace ktr::win32 {

// Where SetDefaultDllDirectories is missing (Windows XP, and Vista or 7
// without the 2011 loader update) a bare name is looked for in the program's
// own folder first, and a DLL planted beside a copied medium's KtrSetup.exe
// would load with administrator rights. A full path is the one search every
// system does the same way. LOAD_WITH_ALTERED_SEARCH_PATH looks for the
// library's own imports beside it, in the system folder, before the
// program's folder.
HMODULE LoadSystemLibrary(const char* name) {
  const UINT length = ::GetSystemDirectoryA(nullptr, 0);
  if (length == 0) return nullptr;
  std::string path(length, '\0');
  const UINT written = ::GetSystemDirectoryA(path.data(), length);
  if (written == 0 || written >= length) return nullptr;
  path.resize(written);
  if (path.back() != '\\') path += '\\';
  path += name;
  return ::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace ktr::win32
