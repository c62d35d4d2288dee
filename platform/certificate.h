#pragma once
// The one piece of a DER X.509 certificate that the launcher reads itself:
// plain byte rules, so that the host adapter and the seal read it alike.
#include <optional>
#include <string_view>

namespace ktr::platform {

// The DER of the SubjectPublicKeyInfo inside a DER X.509 certificate, as it
// stands there: what a launcher's pin is the SHA-256 of. nullopt for bytes
// that are no certificate.
std::optional<std::string_view> SubjectPublicKeyInfoOf(std::string_view certificate);

}  // namespace ktr::platform
