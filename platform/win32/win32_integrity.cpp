// The detached signature of a sealed medium on CryptoAPI, with what Windows
// XP SP3 has: the AES provider for SHA-256, opened without naming it (its
// name differs on XP), and the low-level message functions. Files are
// hashed by our own rounds (platform/sha256.h).
// CryptVerifyDetachedMessageSignature is not used (Wine refuses it a
// provider), nor CertCompareCertificate (issuer and serial only).
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/certificate.h"
#include "platform/debugger_note.h"
#include "platform/sha256.h"
#include "platform/win32/system_library.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_ports.h"

#include <wincrypt.h>

namespace ktr::win32 {
namespace {

constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

// Functions looked up at run time; casting through void(*)() is the
// sanctioned way to convert GetProcAddress's answer.
template <class Function>
Function Lookup(HMODULE module, const char* name) {
  FARPROC address = module ? ::GetProcAddress(module, name) : nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

// The port answers "no" whatever the cause; the system's goes to the
// debugger.
std::nullopt_t Refused(const char* call) {
  platform::NoteForDebugger(std::string("sealed medium: ") + call, ::GetLastError());
  return std::nullopt;
}

}  // namespace

// crypt32 is no known DLL: loaded only when a sealed medium is checked, and
// from the system folder by its full path, never from beside the program.
struct Win32Integrity::Messages {
  HMODULE module = nullptr;
  decltype(&::CryptMsgOpenToDecode) open = nullptr;
  decltype(&::CryptMsgUpdate) update = nullptr;
  decltype(&::CryptMsgGetParam) get_param = nullptr;
  decltype(&::CryptMsgControl) control = nullptr;
  decltype(&::CryptMsgClose) close = nullptr;
  decltype(&::CertOpenStore) open_store = nullptr;
  decltype(&::CertCloseStore) close_store = nullptr;
  decltype(&::CertGetSubjectCertificateFromStore) subject_certificate = nullptr;
  decltype(&::CertFreeCertificateContext) free_certificate = nullptr;

  Messages() {
    module = LoadSystemLibrary("crypt32.dll");
    open = Lookup<decltype(open)>(module, "CryptMsgOpenToDecode");
    update = Lookup<decltype(update)>(module, "CryptMsgUpdate");
    get_param = Lookup<decltype(get_param)>(module, "CryptMsgGetParam");
    control = Lookup<decltype(control)>(module, "CryptMsgControl");
    close = Lookup<decltype(close)>(module, "CryptMsgClose");
    open_store = Lookup<decltype(open_store)>(module, "CertOpenStore");
    close_store = Lookup<decltype(close_store)>(module, "CertCloseStore");
    subject_certificate = Lookup<decltype(subject_certificate)>(
        module, "CertGetSubjectCertificateFromStore");
    free_certificate = Lookup<decltype(free_certificate)>(module, "CertFreeCertificateContext");
  }
  ~Messages() {
    if (module) ::FreeLibrary(module);
  }
  bool complete() const {
    return open && update && get_param && control && close && open_store && close_store &&
           subject_certificate && free_certificate;
  }
};

Win32Integrity::Win32Integrity() = default;

Win32Integrity::~Win32Integrity() {
  messages_.reset();
  if (provider_) ::CryptReleaseContext(provider_, 0);
}

bool Win32Integrity::acquire() {
  if (!provider_tried_) {
    provider_tried_ = true;
    HCRYPTPROV provider = 0;
    if (::CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) {
      provider_ = provider;
    } else {
      Refused("CryptAcquireContextA");
    }
  }
  return provider_ != 0;
}

// Our own rounds rather than the provider's: CryptoAPI hashes a few hundred
// megabytes a second (Wine's about 165), several times the cost of reading
// an installer folder that is in the cache, while the processor's SHA
// extensions keep the hashing below a plain read from the medium.
std::unique_ptr<Sha256> Win32Integrity::sha256() { return platform::MakeSha256(); }

// The signer certificate comes from the message itself and its key is what
// the caller compares with its pin: chains cannot be judged the same way on
// every system (Wine passes partial ones), a pin can.
std::optional<Sha256Digest> Win32Integrity::signer_of(const std::string& content,
                                                      const std::string& signature) {
  if (!acquire()) return std::nullopt;
  if (!messages_) messages_ = std::make_unique<Messages>();
  const Messages& api = *messages_;
  if (!api.complete()) return Refused("crypt32.dll");
  if (signature.size() > 0x7FFFFFFF || content.size() > 0x7FFFFFFF) return std::nullopt;

  struct MessageCloser {
    const Messages& api;
    HCRYPTMSG message;
    ~MessageCloser() {
      if (message) api.close(message);
    }
  } message{api, api.open(kEncoding, CMSG_DETACHED_FLAG, 0, provider_, nullptr, nullptr)};
  if (!message.message) return Refused("CryptMsgOpenToDecode");
  if (!api.update(message.message, reinterpret_cast<const BYTE*>(signature.data()),
                  static_cast<DWORD>(signature.size()), TRUE) ||
      !api.update(message.message, reinterpret_cast<const BYTE*>(content.data()),
                  static_cast<DWORD>(content.size()), TRUE)) {
    return Refused("CryptMsgUpdate");
  }

  DWORD type = 0;
  DWORD size = sizeof type;
  if (!api.get_param(message.message, CMSG_TYPE_PARAM, 0, &type, &size) || type != CMSG_SIGNED) {
    return std::nullopt;
  }
  DWORD signers = 0;
  size = sizeof signers;
  if (!api.get_param(message.message, CMSG_SIGNER_COUNT_PARAM, 0, &signers, &size) ||
      signers != 1) {
    return std::nullopt;
  }

  // Wine checks a signature over signed attributes without comparing their
  // message digest with the content: only a signer without them is taken.
  size = 0;
  if (!api.get_param(message.message, CMSG_SIGNER_INFO_PARAM, 0, nullptr, &size)) {
    return std::nullopt;
  }
  std::vector<BYTE> signer_info(size);
  if (!api.get_param(message.message, CMSG_SIGNER_INFO_PARAM, 0, signer_info.data(), &size)) {
    return std::nullopt;
  }
  const auto* signer = reinterpret_cast<const CMSG_SIGNER_INFO*>(signer_info.data());
  if (signer->AuthAttrs.cAttr != 0) return std::nullopt;

  size = 0;
  if (!api.get_param(message.message, CMSG_SIGNER_CERT_INFO_PARAM, 0, nullptr, &size)) {
    return std::nullopt;
  }
  std::vector<BYTE> cert_info(size);
  if (!api.get_param(message.message, CMSG_SIGNER_CERT_INFO_PARAM, 0, cert_info.data(), &size)) {
    return std::nullopt;
  }

  struct StoreCloser {
    const Messages& api;
    HCERTSTORE store;
    ~StoreCloser() {
      if (store) api.close_store(store, 0);
    }
  // No provider for the store: closing it would release ours.
  } store{api, api.open_store(CERT_STORE_PROV_MSG, kEncoding, 0, 0, message.message)};
  if (!store.store) return std::nullopt;
  struct CertificateFreer {
    const Messages& api;
    PCCERT_CONTEXT certificate;
    ~CertificateFreer() {
      if (certificate) api.free_certificate(certificate);
    }
  } certificate{api, api.subject_certificate(store.store, kEncoding,
                                             reinterpret_cast<PCERT_INFO>(cert_info.data()))};
  if (!certificate.certificate) return std::nullopt;

  // The key's bytes as the certificate carries them, not as this system
  // would encode them again: the digest is then the one the tools pin.
  const std::optional<std::string_view> public_key = platform::SubjectPublicKeyInfoOf(
      std::string_view(reinterpret_cast<const char*>(certificate.certificate->pbCertEncoded),
                       certificate.certificate->cbCertEncoded));
  std::unique_ptr<Sha256> hasher = sha256();
  if (!public_key || !hasher || !hasher->add(public_key->data(), public_key->size())) {
    return std::nullopt;
  }
  const std::optional<Sha256Digest> key = hasher->finish();
  if (!key) return std::nullopt;
  if (!api.control(message.message, 0, CMSG_CTRL_VERIFY_SIGNATURE,
                   certificate.certificate->pCertInfo)) {
    return Refused("CMSG_CTRL_VERIFY_SIGNATURE");
  }
  return key;
}

}  // namespace ktr::win32
