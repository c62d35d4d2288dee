#pragma once
// SHA-256 (FIPS 180-4) of our own, for the sealed medium's files: the
// system's providers hash a few hundred megabytes a second at best (Wine's
// about 165), several times what reading an installer folder from the page
// cache costs, while the x86 SHA extensions, where the processor has them,
// hash faster than a disc, a stick or a network share delivers. Processors
// without them take the portable rounds.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/host.h"

namespace ktr::platform {

class Sha256Hash {
 public:
  using Digest = std::array<std::uint8_t, 32>;

  // `portable_only` leaves the processor's extensions aside (for tests).
  explicit Sha256Hash(bool portable_only = false);
  void add(const void* data, std::size_t count);
  // The digest of everything added; the object is spent afterwards.
  Digest finish();
  // Whether this processor's SHA extensions are used.
  static bool Accelerated();

 private:
  void Blocks(const std::uint8_t* data, std::size_t count);

  std::array<std::uint32_t, 8> state_;
  std::array<std::uint8_t, 64> pending_{};
  std::size_t pending_size_ = 0;
  std::uint64_t length_ = 0;
  bool accelerated_;
};

// The hashing port (Integrity::sha256) on Sha256Hash.
std::unique_ptr<Sha256> MakeSha256();

}  // namespace ktr::platform
