// The sealed medium on the build machine: the launcher's key (the pin) put
// into the program before it is signed, the signed list of every file, and
// its check. Runs on the build machine only (OpenSSL's libcrypto).
#pragma once

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "platform/host.h"
#include "tools/ktrmedium/findings.h"
#include "tools/ktrmedium/sign.h"

namespace ktr::tools {
class MediumTree;
}

namespace ktr::ktrmedium {

// What precedes the launcher's 32 bytes of key; the program holds it once.
inline constexpr std::string_view kPinMarker = "KTR-SEALED-PIN:1";

enum class PinRegion { kNone, kOne, kAmbiguous };
PinRegion FindPinRegion(const std::string& program, std::size_t& offset);
// The key a launcher carries; nullopt for a program without the region or
// with the region all zero (a launcher that was not signed for release).
std::optional<Sha256Digest> PinOf(const std::string& program);

// The certificate's public key as a launcher pins it, from the PKCS#12 file.
Outcome SignerKeyOf(const SigningKey& key, Sha256Digest& digest);

// Writes the key into a copy of PROGRAM at COPY when it carries the region;
// false with nothing written for a program that does not (then nothing is
// to be pinned and COPY is not made).
Outcome PinnedCopy(const std::filesystem::path& program, const std::filesystem::path& copy,
                   const Sha256Digest& digest, bool& pinned);

// The list of the given files (relative path with forward slashes, file on
// this machine) and its signature, as the medium carries them.
struct SealedList {
  std::string list;
  std::string signature;
};
Outcome MakeSealedList(const std::vector<std::pair<std::string, std::filesystem::path>>& files,
                       const SigningKey& key, SealedList& sealed);

// Every file below FOLDER but the list and its signature, sorted.
Outcome FilesToSeal(const std::filesystem::path& folder,
                    std::vector<std::pair<std::string, std::filesystem::path>>& files);

// Pins and signs the folder's KtrSetup.exe (an earlier signature replaced),
// then writes SHA256SUMS and SHA256SUMS.p7s at its root.
Outcome SealFolder(const std::filesystem::path& folder, const SigningKey& key);

// "ktrmedium seal FOLDER --pkcs12 CERT.p12 --password-file FILE
// [--timestamp URL]": 0 sealed, 1 failed, 2 usage.
int RunSealCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The findings of a sealed medium: missing, extra or changed files, a list
// that is no list, a bad signature, a signer other than the launcher's pin.
void CheckSeal(tools::MediumTree& tree, tools::CheckResult& result);

}  // namespace ktr::ktrmedium
