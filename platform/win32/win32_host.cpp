#include "platform/win32/win32_host.h"

namespace ktr::win32 {

Host Win32Host::host() {
  return Host{locale_, version_, registry_, profile_, files_, processes_, shell_};
}

}  // namespace ktr::win32
