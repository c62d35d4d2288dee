#include "testing/openssl_integrity.h"

#include <openssl/bio.h>
#include <openssl/cms.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <stdexcept>
#include <vector>

#include "medium/seal.h"
#include "testing/fake_host.h"

namespace ktr::fake {
namespace {

struct BioFree {
  void operator()(BIO* bio) const { BIO_free(bio); }
};
struct CmsFree {
  void operator()(CMS_ContentInfo* cms) const { CMS_ContentInfo_free(cms); }
};
struct MdFree {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using Bio = std::unique_ptr<BIO, BioFree>;
using Cms = std::unique_ptr<CMS_ContentInfo, CmsFree>;

Bio MemoryOf(const std::string& bytes) {
  return Bio(BIO_new_mem_buf(bytes.data(), static_cast<int>(bytes.size())));
}

class OpenSslSha256 : public Sha256 {
 public:
  OpenSslSha256() : context_(EVP_MD_CTX_new()) {
    if (!context_ || EVP_DigestInit_ex(context_.get(), EVP_sha256(), nullptr) != 1) {
      throw std::runtime_error("no SHA-256");
    }
  }
  bool add(const void* data, std::size_t count) override {
    return EVP_DigestUpdate(context_.get(), data, count) == 1;
  }
  std::optional<Sha256Digest> finish() override {
    Sha256Digest digest{};
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context_.get(), digest.data(), &length) != 1 || length != 32) {
      return std::nullopt;
    }
    return digest;
  }

 private:
  std::unique_ptr<EVP_MD_CTX, MdFree> context_;
};

std::optional<Sha256Digest> KeyDigestOf(X509* certificate) {
  unsigned char* der = nullptr;
  const int length = i2d_X509_PUBKEY(X509_get_X509_PUBKEY(certificate), &der);
  if (length <= 0) return std::nullopt;
  std::optional<Sha256Digest> digest =
      Sha256Of(std::string(reinterpret_cast<char*>(der), static_cast<std::size_t>(length)));
  OPENSSL_free(der);
  return digest;
}

}  // namespace

std::optional<Sha256Digest> Sha256Of(const std::string& bytes) {
  OpenSslSha256 hasher;
  if (!hasher.add(bytes.data(), bytes.size())) return std::nullopt;
  return hasher.finish();
}

std::unique_ptr<Sha256> OpenSslIntegrity::sha256() {
  if (refuse_hashing) return nullptr;
  return std::make_unique<OpenSslSha256>();
}

// The signer's certificate is taken from the message and its signature
// checked; whether anyone vouches for the certificate is the pin's business.
std::optional<Sha256Digest> OpenSslIntegrity::signer_of(const std::string& content,
                                                        const std::string& signature) {
  ++signatures_checked;
  Bio der = MemoryOf(signature);
  Cms cms(d2i_CMS_bio(der.get(), nullptr));
  if (!cms || OBJ_obj2nid(CMS_get0_type(cms.get())) != NID_pkcs7_signed) return std::nullopt;
  STACK_OF(CMS_SignerInfo)* signers = CMS_get0_SignerInfos(cms.get());
  if (!signers || sk_CMS_SignerInfo_num(signers) != 1) return std::nullopt;
  if (CMS_signed_get_attr_count(sk_CMS_SignerInfo_value(signers, 0)) >= 0) return std::nullopt;
  Bio data = MemoryOf(content);
  if (CMS_verify(cms.get(), nullptr, nullptr, data.get(), nullptr,
                 CMS_NO_SIGNER_CERT_VERIFY | CMS_BINARY) != 1) {
    return std::nullopt;
  }
  STACK_OF(X509)* certificates = CMS_get0_signers(cms.get());
  std::optional<Sha256Digest> key;
  if (certificates && sk_X509_num(certificates) == 1) {
    key = KeyDigestOf(sk_X509_value(certificates, 0));
  }
  sk_X509_free(certificates);
  return key;
}

struct TestSigner::Keys {
  EVP_PKEY* key = nullptr;
  X509* certificate = nullptr;
};

TestSigner::TestSigner() : keys_(std::make_unique<Keys>()) {
  keys_->key = EVP_RSA_gen(2048);
  keys_->certificate = X509_new();
  X509* certificate = keys_->certificate;
  if (!keys_->key || !certificate) throw std::runtime_error("no test key");
  ASN1_INTEGER_set(X509_get_serialNumber(certificate), 2);
  X509_gmtime_adj(X509_getm_notBefore(certificate), 0);
  X509_gmtime_adj(X509_getm_notAfter(certificate), 30L * 24 * 3600);
  X509_set_pubkey(certificate, keys_->key);
  X509_NAME* name = X509_get_subject_name(certificate);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>("KTR Test Signer"), -1, -1, 0);
  X509_set_issuer_name(certificate, name);
  if (X509_sign(certificate, keys_->key, EVP_sha256()) <= 0) throw std::runtime_error("no cert");
  key_ = *KeyDigestOf(certificate);
}

TestSigner::~TestSigner() {
  X509_free(keys_->certificate);
  EVP_PKEY_free(keys_->key);
}

std::string TestSigner::sign(const std::string& content, bool with_attributes) const {
  Bio data = MemoryOf(content);
  const unsigned flags =
      CMS_DETACHED | CMS_BINARY | CMS_PARTIAL | (with_attributes ? 0u : unsigned{CMS_NOATTR});
  Cms cms(CMS_sign(nullptr, nullptr, nullptr, nullptr, flags));
  if (!cms ||
      !CMS_add1_signer(cms.get(), keys_->certificate, keys_->key, EVP_sha256(), flags) ||
      CMS_final(cms.get(), data.get(), nullptr, flags) != 1) {
    throw std::runtime_error("cannot sign");
  }
  Bio out(BIO_new(BIO_s_mem()));
  if (i2d_CMS_bio(out.get(), cms.get()) != 1) throw std::runtime_error("cannot write");
  char* bytes = nullptr;
  const long length = BIO_get_mem_data(out.get(), &bytes);
  return std::string(bytes, static_cast<std::size_t>(length));
}

std::string TestSigner::certificate_der() const {
  unsigned char* der = nullptr;
  const int length = i2d_X509(keys_->certificate, &der);
  if (length <= 0) throw std::runtime_error("cannot write the certificate");
  std::string bytes(reinterpret_cast<char*>(der), static_cast<std::size_t>(length));
  OPENSSL_free(der);
  return bytes;
}

const TestSigner& TestSigner::First() {
  static const TestSigner signer;
  return signer;
}

const TestSigner& TestSigner::Second() {
  static const TestSigner signer;
  return signer;
}

namespace {

void Collect(FakeFiles& files, const std::string& folder, const std::string& relative,
             std::vector<medium::SumsList::Entry>& entries) {
  const std::vector<FolderEntry> names = files.list_folder(folder).value_or(std::vector<FolderEntry>{});
  for (const FolderEntry& entry : names) {
    const std::string path = folder + entry.name;
    if (entry.folder) {
      Collect(files, path + "\\", relative + entry.name + "\\", entries);
    } else if (relative + entry.name != "sha256sums" && relative + entry.name != "sha256sums.p7s") {
      entries.push_back({relative + entry.name, *Sha256Of(*files.contents(path))});
    }
  }
}

}  // namespace

void SealFakeMedium(FakeFiles& files, const std::string& root, const TestSigner& signer,
                    bool with_attributes) {
  std::vector<medium::SumsList::Entry> entries;
  Collect(files, root, "", entries);
  const std::string text = medium::SumsList::Text(entries);
  files.add_file(root + "SHA256SUMS", text);
  files.add_file(root + "SHA256SUMS.p7s", signer.sign(text, with_attributes));
}

}  // namespace ktr::fake
