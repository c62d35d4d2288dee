#include "platform/os_type.h"

#include <string>

namespace ktr::platform {
namespace {

// One probe, one read: a missing key, a refused key and a missing value all
// read as the empty text and go down the tree like any other text.
std::string Probe(Registry& registry, std::string_view key, std::string_view value) {
  return registry.read_string(std::string(key), std::string(value)).value_or(std::string());
}

// The NT branch always names a table entry; an unknown product type counts
// as a server, since only workstations store "WinNT".
std::string_view NtEditionName(Registry& registry) {
  if (Probe(registry, kNtVersionKey, kProductNameValue) == "Microsoft Windows XP") {
    return kEditionNames[7];
  }
  if (Probe(registry, kNtVersionKey, kProductNameValue) == "Microsoft Windows 2000") {
    return Probe(registry, kProductOptionsKey, kProductTypeValue) == "WinNT" ? kEditionNames[5]
                                                                             : kEditionNames[6];
  }
  return Probe(registry, kProductOptionsKey, kProductTypeValue) == "WinNT" ? kEditionNames[4]
                                                                           : kEditionNames[3];
}

}  // namespace

// The entry is looked for inside the name, so a Windows 9x product name with
// more text around the edition still finds it.
int EditionIndexIn(std::string_view name) {
  for (std::size_t i = 0; i < kEditionNames.size(); ++i) {
    if (name.find(kEditionNames[i]) != std::string_view::npos) return static_cast<int>(i);
  }
  return -1;
}

int GetOSTypeIndex(Version& version, Registry& registry) {
  if (version.platform_id() == kPlatformWin32Nt) return EditionIndexIn(NtEditionName(registry));
  return EditionIndexIn(Probe(registry, kVersionKey, kProductNameValue));
}

int GetOSTypeIndex(Host& host) { return GetOSTypeIndex(host.version, host.registry); }

}  // namespace ktr::platform
