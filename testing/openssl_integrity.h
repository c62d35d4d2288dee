#pragma once
// The Integrity port on OpenSSL's libcrypto, for the in-memory host (a test
// dependency only), and a signer that makes the lists a sealed medium
// carries, so that tests can sign and re-sign at will.
#include <memory>
#include <string>

#include "platform/host.h"

namespace ktr::fake {

class OpenSslIntegrity : public Integrity {
 public:
  // The system cannot hash (a provider that is missing).
  bool refuse_hashing = false;
  int signatures_checked = 0;

  std::unique_ptr<Sha256> sha256() override;
  std::optional<Sha256Digest> signer_of(const std::string& content,
                                        const std::string& signature) override;
};

std::optional<Sha256Digest> Sha256Of(const std::string& bytes);

// A key and a self-signed certificate made in memory.
class TestSigner {
 public:
  TestSigner();
  ~TestSigner();
  TestSigner(const TestSigner&) = delete;
  TestSigner& operator=(const TestSigner&) = delete;

  // The pin a launcher sealed with this key carries.
  Sha256Digest key() const { return key_; }
  // DER, detached, SHA-256, as the release tool signs: without signed
  // attributes, unless asked for them (OpenSSL's default).
  std::string sign(const std::string& content, bool with_attributes = false) const;
  std::string certificate_der() const;

  // Two signers made once per test program: RSA keys take a while.
  static const TestSigner& First();
  static const TestSigner& Second();

 private:
  struct Keys;
  std::unique_ptr<Keys> keys_;
  Sha256Digest key_{};
};

class FakeFiles;

// Seals the medium at `root` ("D:\\") in the fake files: SHA256SUMS over
// every file below it (but the list and its signature), signed by `signer`.
void SealFakeMedium(FakeFiles& files, const std::string& root, const TestSigner& signer,
                    bool with_attributes = false);

}  // namespace ktr::fake
