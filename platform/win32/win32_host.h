#pragma once
// The whole host on the Windows API, one adapter per port, for WinMain.
#include "platform/host.h"
#include "platform/win32/win32_ports.h"

namespace ktr::win32 {

class Win32Host {
 public:
  Win32Host() = default;
  Win32Host(const Win32Host&) = delete;
  Win32Host& operator=(const Win32Host&) = delete;

  Host host();
  Integrity& integrity() { return integrity_; }

 private:
  Win32Locale locale_;
  Win32Version version_;
  Win32Registry registry_;
  Win32Profile profile_;
  Win32Files files_;
  Win32Processes processes_;
  Win32Shell shell_;
  Win32Integrity integrity_;
};

}  // namespace ktr::win32
