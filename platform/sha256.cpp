#include "platform/sha256.h"

#include <algorithm>
#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <immintrin.h>
#define KTR_SHA_EXTENSIONS 1
#endif

namespace ktr::platform {
namespace {

constexpr std::array<std::uint32_t, 8> kInitial = {0x6a09e667, 0xbb67ae85, 0x3c6ef372,
                                                   0xa54ff53a, 0x510e527f, 0x9b05688c,
                                                   0x1f83d9ab, 0x5be0cd19};

alignas(16) constexpr std::uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4,
    0xab1c5ed5, 0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe,
    0x9bdc06a7, 0xc19bf174, 0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f,
    0x4a7484aa, 0x5cb0a9dc, 0x76f988da, 0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7,
    0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967, 0x27b70a85, 0x2e1b2138, 0x4d2c6dfc,
    0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85, 0xa2bfe8a1, 0xa81a664b,
    0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070, 0x19a4c116,
    0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7,
    0xc67178f2};

constexpr std::uint32_t Rotate(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

void PortableBlocks(std::uint32_t* state, const std::uint8_t* data, std::size_t blocks) {
  for (; blocks > 0; --blocks, data += 64) {
    std::uint32_t w[64];
    for (int i = 0; i < 16; ++i) {
      w[i] = std::uint32_t{data[4 * i]} << 24 | std::uint32_t{data[4 * i + 1]} << 16 |
             std::uint32_t{data[4 * i + 2]} << 8 | std::uint32_t{data[4 * i + 3]};
    }
    for (int i = 16; i < 64; ++i) {
      const std::uint32_t s0 = Rotate(w[i - 15], 7) ^ Rotate(w[i - 15], 18) ^ (w[i - 15] >> 3);
      const std::uint32_t s1 = Rotate(w[i - 2], 17) ^ Rotate(w[i - 2], 19) ^ (w[i - 2] >> 10);
      w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    std::uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
    for (int i = 0; i < 64; ++i) {
      const std::uint32_t t1 = h + (Rotate(e, 6) ^ Rotate(e, 11) ^ Rotate(e, 25)) +
                               ((e & f) ^ (~e & g)) + kRound[i] + w[i];
      const std::uint32_t t2 =
          (Rotate(a, 2) ^ Rotate(a, 13) ^ Rotate(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
      h = g;
      g = f;
      f = e;
      e = d + t1;
      d = c;
      c = b;
      b = a;
      a = t1 + t2;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
    state[5] += f;
    state[6] += g;
    state[7] += h;
  }
}

#ifdef KTR_SHA_EXTENSIONS
// The rounds on the SHA extensions, four at a time: the state as the two
// halves the instructions take (ABEF and CDGH), the message schedule kept in
// four registers.
__attribute__((target("sha,sse4.1"))) void ExtensionBlocks(std::uint32_t* state,
                                                           const std::uint8_t* data,
                                                           std::size_t blocks) {
  const __m128i byte_swap = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
  __m128i tmp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state));
  __m128i state1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4));
  tmp = _mm_shuffle_epi32(tmp, 0xB1);
  state1 = _mm_shuffle_epi32(state1, 0x1B);
  __m128i state0 = _mm_alignr_epi8(tmp, state1, 8);
  state1 = _mm_blend_epi16(state1, tmp, 0xF0);

  for (; blocks > 0; --blocks, data += 64) {
    const __m128i abef = state0;
    const __m128i cdgh = state1;
    __m128i msg[4];
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i) {
      msg[i] = _mm_shuffle_epi8(
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * i)), byte_swap);
    }
    // Unrolled, so that the four schedule registers stay registers.
#pragma GCC unroll 16
    for (int round = 0; round < 16; ++round) {
      __m128i& current = msg[round % 4];
      __m128i words = _mm_add_epi32(
          current, _mm_load_si128(reinterpret_cast<const __m128i*>(kRound + 4 * round)));
      state1 = _mm_sha256rnds2_epu32(state1, state0, words);
      if (round >= 3 && round < 15) {
        // The schedule four words ahead: finish the next group from the
        // current one and the one after.
        __m128i& next = msg[(round + 1) % 4];
        next = _mm_add_epi32(next, _mm_alignr_epi8(current, msg[(round + 3) % 4], 4));
        next = _mm_sha256msg2_epu32(next, current);
      }
      words = _mm_shuffle_epi32(words, 0x0E);
      state0 = _mm_sha256rnds2_epu32(state0, state1, words);
      if (round >= 1 && round < 13) {
        msg[(round + 3) % 4] = _mm_sha256msg1_epu32(msg[(round + 3) % 4], current);
      }
    }
    state0 = _mm_add_epi32(state0, abef);
    state1 = _mm_add_epi32(state1, cdgh);
  }

  tmp = _mm_shuffle_epi32(state0, 0x1B);
  state1 = _mm_shuffle_epi32(state1, 0xB1);
  state0 = _mm_blend_epi16(tmp, state1, 0xF0);
  state1 = _mm_alignr_epi8(state1, tmp, 8);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state), state0);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), state1);
}

bool ProcessorHasShaExtensions() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
  const bool ssse3 = (c & (1u << 9)) != 0;
  const bool sse41 = (c & (1u << 19)) != 0;
  if (!ssse3 || !sse41 || __get_cpuid_max(0, nullptr) < 7) return false;
  __cpuid_count(7, 0, a, b, c, d);
  return (b & (1u << 29)) != 0;
}
#endif

}  // namespace

bool Sha256Hash::Accelerated() {
#ifdef KTR_SHA_EXTENSIONS
  static const bool has = ProcessorHasShaExtensions();
  return has;
#else
  return false;
#endif
}

Sha256Hash::Sha256Hash(bool portable_only)
    : state_(kInitial), accelerated_(!portable_only && Accelerated()) {}

void Sha256Hash::Blocks(const std::uint8_t* data, std::size_t count) {
#ifdef KTR_SHA_EXTENSIONS
  if (accelerated_) {
    ExtensionBlocks(state_.data(), data, count);
    return;
  }
#endif
  PortableBlocks(state_.data(), data, count);
}

void Sha256Hash::add(const void* data, std::size_t count) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  length_ += count;
  if (pending_size_ > 0) {
    const std::size_t taken = std::min(count, pending_.size() - pending_size_);
    std::memcpy(pending_.data() + pending_size_, bytes, taken);
    pending_size_ += taken;
    bytes += taken;
    count -= taken;
    if (pending_size_ < pending_.size()) return;
    Blocks(pending_.data(), 1);
    pending_size_ = 0;
  }
  if (count >= 64) {
    Blocks(bytes, count / 64);
    bytes += count / 64 * 64;
    count %= 64;
  }
  if (count > 0) {
    std::memcpy(pending_.data(), bytes, count);
    pending_size_ = count;
  }
}

Sha256Hash::Digest Sha256Hash::finish() {
  const std::uint64_t bits = length_ * 8;
  std::uint8_t tail[72] = {0x80};
  const std::size_t pad = (pending_size_ < 56 ? 56 : 120) - pending_size_;
  for (int i = 0; i < 8; ++i) tail[pad + i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
  add(tail, pad + 8);
  Digest digest{};
  for (int i = 0; i < 8; ++i) {
    for (int j = 0; j < 4; ++j) {
      digest[4 * i + j] = static_cast<std::uint8_t>(state_[i] >> (24 - 8 * j));
    }
  }
  return digest;
}

namespace {

class OwnSha256 : public Sha256 {
 public:
  bool add(const void* data, std::size_t count) override {
    hash_.add(data, count);
    return true;
  }
  std::optional<Sha256Digest> finish() override { return hash_.finish(); }

 private:
  Sha256Hash hash_;
};

}  // namespace

std::unique_ptr<Sha256> MakeSha256() { return std::make_unique<OwnSha256>(); }

}  // namespace ktr::platform
