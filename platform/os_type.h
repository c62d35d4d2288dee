#pragma once
// The Windows edition as the OS type index: a position in the edition name
// table, or -1. Decided from the platform id and three product values.
#include <array>
#include <string_view>

#include "platform/host.h"

namespace ktr::platform {

inline constexpr std::array<std::string_view, 8> kEditionNames = {
    "Microsoft Windows 95",
    "Microsoft Windows 98",
    "Microsoft Windows ME",
    "Microsoft Windows NT Server",
    "Microsoft Windows NT WorkStation",
    "Microsoft Windows 2000 Professional",
    "Microsoft Windows 2000 Server",
    "Microsoft Windows XP",
};

// The OS type index where the code decides by it: the position in the table
// above, -1 for an edition not in it.
enum class Edition {
  kUnknown = -1,
  kWindows95,
  kWindows98,
  kWindowsMe,
  kNtServer,
  kNtWorkstation,
  k2000Professional,
  k2000Server,
  kWindowsXp,
};
constexpr Edition EditionOf(int os_type_index) {
  return os_type_index >= 0 && os_type_index < static_cast<int>(kEditionNames.size())
             ? static_cast<Edition>(os_type_index)
             : Edition::kUnknown;
}

inline constexpr std::uint32_t kPlatformWin32Nt = 2;

inline constexpr std::string_view kNtVersionKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
inline constexpr std::string_view kProductOptionsKey =
    "SYSTEM\\CurrentControlSet\\Control\\ProductOptions";
inline constexpr std::string_view kVersionKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
inline constexpr std::string_view kProductNameValue = "ProductName";
inline constexpr std::string_view kProductTypeValue = "ProductType";

// Position of the first table entry found inside `name`, or -1.
int EditionIndexIn(std::string_view name);
// Reads the registry anew on every call. A value of a type other than text
// raises RegistryError, as the registry port does.
int GetOSTypeIndex(Version& version, Registry& registry);
int GetOSTypeIndex(Host& host);

}  // namespace ktr::platform
