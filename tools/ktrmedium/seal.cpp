#include "tools/ktrmedium/seal.h"

#include <fcntl.h>
#include <openssl/bio.h>
#include <openssl/cms.h>
#include <openssl/evp.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <ostream>
#include <set>
#include <system_error>

#include "medium/seal.h"
#include "tools/ktrmedium/medium_tree.h"

namespace ktr::tools {
namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "usage: ktrmedium seal FOLDER --pkcs12 CERT.p12 --password-file FILE [--timestamp URL]\n";

struct BioFree {
  void operator()(BIO* bio) const { BIO_free(bio); }
};
struct CmsFree {
  void operator()(CMS_ContentInfo* cms) const { CMS_ContentInfo_free(cms); }
};
using Bio = std::unique_ptr<BIO, BioFree>;
using Cms = std::unique_ptr<CMS_ContentInfo, CmsFree>;

Bio MemoryOf(const std::string& bytes) {
  return Bio(BIO_new_mem_buf(bytes.data(), static_cast<int>(bytes.size())));
}

std::optional<std::string> Bytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::optional<Sha256Digest> DigestOfFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                   EVP_MD_CTX_free);
  if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) return std::nullopt;
  std::vector<char> block(1 << 20);
  while (in) {
    in.read(block.data(), static_cast<std::streamsize>(block.size()));
    if (in.gcount() > 0 &&
        EVP_DigestUpdate(context.get(), block.data(), static_cast<std::size_t>(in.gcount())) != 1) {
      return std::nullopt;
    }
  }
  if (!in.eof()) return std::nullopt;
  Sha256Digest digest{};
  unsigned length = 0;
  if (EVP_DigestFinal_ex(context.get(), digest.data(), &length) != 1) return std::nullopt;
  return digest;
}

std::optional<Sha256Digest> KeyDigestOf(X509* certificate) {
  unsigned char* der = nullptr;
  const int length = i2d_X509_PUBKEY(X509_get_X509_PUBKEY(certificate), &der);
  if (length <= 0) return std::nullopt;
  Sha256Digest digest{};
  const bool done = EVP_Digest(der, static_cast<std::size_t>(length), digest.data(), nullptr,
                               EVP_sha256(), nullptr) == 1;
  OPENSSL_free(der);
  if (!done) return std::nullopt;
  return digest;
}

// The certificate and key of the PKCS#12 file, opened with the password of
// its file (the first line, without its line end, as osslsigncode reads it).
struct Signer {
  EVP_PKEY* key = nullptr;
  X509* certificate = nullptr;
  ~Signer() {
    EVP_PKEY_free(key);
    X509_free(certificate);
  }
};

Outcome OpenSigner(const SigningKey& key, Signer& signer) {
  const std::optional<std::string> p12 = Bytes(key.pkcs12);
  std::optional<std::string> password = Bytes(key.password_file);
  if (!p12) return {false, "cannot read the certificate " + key.pkcs12.string()};
  if (!password) return {false, "cannot read the password file " + key.password_file.string()};
  password->erase(std::min(password->find_first_of("\r\n"), password->size()));
  Bio in = MemoryOf(*p12);
  std::unique_ptr<PKCS12, decltype(&PKCS12_free)> parsed(d2i_PKCS12_bio(in.get(), nullptr),
                                                          PKCS12_free);
  STACK_OF(X509)* chain = nullptr;
  const bool opened = parsed && PKCS12_parse(parsed.get(), password->c_str(), &signer.key,
                                             &signer.certificate, &chain) == 1;
  sk_X509_pop_free(chain, X509_free);
  if (!opened || !signer.key || !signer.certificate) {
    return {false, "cannot open the certificate " + key.pkcs12.string() +
                       " (no PKCS#12 file, or the wrong password)"};
  }
  return {true, {}};
}

// Written beside the destination and moved over it, flushed first: a
// failure leaves the old file as it was.
Outcome WriteReplacing(const fs::path& destination, const std::string& bytes) {
  const fs::path partial = fs::path(destination).concat(".sealing");
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out.flush()) return {false, "cannot write " + partial.string()};
  }
  const int descriptor = open(partial.c_str(), O_RDONLY | O_CLOEXEC);
  const bool flushed = descriptor >= 0 && fsync(descriptor) == 0;
  if (descriptor >= 0) close(descriptor);
  if (!flushed || rename(partial.c_str(), destination.c_str()) != 0) {
    std::error_code ignored;
    fs::remove(partial, ignored);
    return {false, "cannot write " + destination.string() + ": " + std::strerror(errno)};
  }
  return {true, {}};
}

bool IsSealFile(const std::string& relative) {
  const std::string folded = tools::FoldedName(relative);
  return folded == tools::FoldedName(medium::kSumsFile) ||
         folded == tools::FoldedName(medium::kSumsSignature);
}

// The signer of a detached signature over CONTENT, by the launcher's rules:
// one signer, its certificate in the message, no signed attributes.
std::optional<Sha256Digest> SignerOf(const std::string& content, const std::string& signature) {
  Bio der = MemoryOf(signature);
  Cms cms(d2i_CMS_bio(der.get(), nullptr));
  if (!cms || OBJ_obj2nid(CMS_get0_type(cms.get())) != NID_pkcs7_signed) return std::nullopt;
  STACK_OF(CMS_SignerInfo)* signers = CMS_get0_SignerInfos(cms.get());
  if (!signers || sk_CMS_SignerInfo_num(signers) != 1 ||
      CMS_signed_get_attr_count(sk_CMS_SignerInfo_value(signers, 0)) >= 0) {
    return std::nullopt;
  }
  Bio data = MemoryOf(content);
  if (CMS_verify(cms.get(), nullptr, nullptr, data.get(), nullptr,
                 CMS_NO_SIGNER_CERT_VERIFY | CMS_BINARY) != 1) {
    return std::nullopt;
  }
  STACK_OF(X509)* certificates = CMS_get0_signers(cms.get());
  std::optional<Sha256Digest> key;
  if (certificates && sk_X509_num(certificates) == 1) key = KeyDigestOf(sk_X509_value(certificates, 0));
  sk_X509_free(certificates);
  return key;
}

}  // namespace

PinRegion FindPinRegion(const std::string& program, std::size_t& offset) {
  const std::size_t first = program.find(kPinMarker);
  if (first == std::string::npos) return PinRegion::kNone;
  if (program.find(kPinMarker, first + 1) != std::string::npos ||
      first + kPinMarker.size() + 32 > program.size()) {
    return PinRegion::kAmbiguous;
  }
  offset = first + kPinMarker.size();
  return PinRegion::kOne;
}

std::optional<Sha256Digest> PinOf(const std::string& program) {
  std::size_t offset = 0;
  if (FindPinRegion(program, offset) != PinRegion::kOne) return std::nullopt;
  Sha256Digest pin{};
  std::copy_n(program.begin() + static_cast<std::ptrdiff_t>(offset), pin.size(), pin.begin());
  if (std::all_of(pin.begin(), pin.end(), [](std::uint8_t b) { return b == 0; })) {
    return std::nullopt;
  }
  return pin;
}

Outcome SignerKeyOf(const SigningKey& key, Sha256Digest& digest) {
  Signer signer;
  if (Outcome opened = OpenSigner(key, signer); !opened.ok) return opened;
  const std::optional<Sha256Digest> found = KeyDigestOf(signer.certificate);
  if (!found) return {false, "the certificate has no public key"};
  digest = *found;
  return {true, {}};
}

Outcome PinnedCopy(const fs::path& program, const fs::path& copy, const Sha256Digest& digest,
                   bool& pinned) {
  pinned = false;
  std::optional<std::string> bytes = Bytes(program);
  if (!bytes) return {false, "cannot read the program " + program.string()};
  std::size_t offset = 0;
  switch (FindPinRegion(*bytes, offset)) {
    case PinRegion::kNone:
      return {true, {}};
    case PinRegion::kAmbiguous:
      return {false, program.string() + " holds the key's marker more than once"};
    case PinRegion::kOne:
      break;
  }
  std::copy(digest.begin(), digest.end(), bytes->begin() + static_cast<std::ptrdiff_t>(offset));
  std::ofstream out(copy, std::ios::binary | std::ios::trunc);
  out << *bytes;
  if (!out.flush()) return {false, "cannot write " + copy.string()};
  pinned = true;
  return {true, {}};
}

Outcome FilesToSeal(const fs::path& folder,
                    std::vector<std::pair<std::string, fs::path>>& files) {
  std::error_code error;
  for (fs::recursive_directory_iterator entry(folder, error), end; !error && entry != end;
       entry.increment(error)) {
    if (entry->is_directory()) continue;
    const std::string relative = tools::Utf8Name(entry->path().lexically_relative(folder));
    if (relative.find('/') == std::string::npos && IsSealFile(relative)) continue;
    if (!entry->is_regular_file()) return {false, entry->path().string() + " is no plain file"};
    files.emplace_back(relative, entry->path());
  }
  if (error) return {false, "cannot read the folder " + folder.string() + ": " + error.message()};
  return {true, {}};
}

Outcome MakeSealedList(const std::vector<std::pair<std::string, fs::path>>& files,
                       const SigningKey& key, SealedList& sealed) {
  std::vector<medium::SumsList::Entry> entries;
  for (const auto& [relative, disk] : files) {
    std::string windows = relative;
    std::replace(windows.begin(), windows.end(), '/', '\\');
    if (!medium::SealablePath(windows)) {
      return {false, "cannot seal " + relative +
                         ": a sealed launcher matches only plain ASCII names, without a "
                         "final dot or blank"};
    }
    const std::optional<Sha256Digest> digest = DigestOfFile(disk);
    if (!digest) return {false, "cannot read " + disk.string()};
    entries.push_back({windows, *digest});
  }
  sealed.list = medium::SumsList::Text(entries);
  if (!medium::SumsList::Parse(sealed.list)) {
    return {false, "the names of the medium make no list a launcher takes (two spellings of one "
                   "name?)"};
  }
  Signer signer;
  if (Outcome opened = OpenSigner(key, signer); !opened.ok) return opened;
  // No signed attributes: some systems check a signature over them without
  // comparing their digest with the content.
  constexpr unsigned kFlags = CMS_DETACHED | CMS_BINARY | CMS_PARTIAL | CMS_NOATTR;
  Cms cms(CMS_sign(nullptr, nullptr, nullptr, nullptr, kFlags));
  Bio data = MemoryOf(sealed.list);
  if (!cms || !CMS_add1_signer(cms.get(), signer.certificate, signer.key, EVP_sha256(), kFlags) ||
      CMS_final(cms.get(), data.get(), nullptr, kFlags) != 1) {
    return {false, "cannot sign the list"};
  }
  Bio out(BIO_new(BIO_s_mem()));
  if (!out || i2d_CMS_bio(out.get(), cms.get()) != 1) return {false, "cannot sign the list"};
  char* bytes = nullptr;
  const long length = BIO_get_mem_data(out.get(), &bytes);
  sealed.signature.assign(bytes, static_cast<std::size_t>(length));
  return {true, {}};
}

Outcome SealFolder(const fs::path& folder, const SigningKey& key) {
  std::error_code error;
  if (!fs::is_directory(folder, error)) return {false, folder.string() + " is not a folder"};
  fs::path launcher;
  for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
       entry.increment(error)) {
    if (tools::FoldedName(entry->path().filename().string()) == "ktrsetup.exe") {
      launcher = entry->path();
    }
  }
  if (launcher.empty()) return {false, "no KtrSetup.exe in " + folder.string()};
  if (Outcome signed_ = SignProgram(launcher, key); !signed_.ok) return signed_;
  if (!PinOf(*Bytes(launcher))) {
    return {false, launcher.string() + " carries no place for the key: not a launcher"};
  }
  std::vector<std::pair<std::string, fs::path>> files;
  if (Outcome listed = FilesToSeal(folder, files); !listed.ok) return listed;
  SealedList sealed;
  if (Outcome made = MakeSealedList(files, key, sealed); !made.ok) return made;
  if (Outcome written = WriteReplacing(folder / medium::kSumsFile, sealed.list); !written.ok) {
    return written;
  }
  return WriteReplacing(folder / medium::kSumsSignature, sealed.signature);
}

int RunSealCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  SigningKey key;
  std::string folder;
  if (const std::string error = ParseSigningCommand(args, "folder", key, folder);
      !error.empty()) {
    err << "ktrmedium seal: " << error << "\n" << kUsage;
    return 2;
  }
  const Outcome outcome = SealFolder(folder, key);
  if (!outcome.ok) {
    err << "ktrmedium seal: " << outcome.message << "\n";
    return 1;
  }
  out << "sealed " << folder << ": KtrSetup.exe signed with its key, "
      << medium::kSumsFile << " and " << medium::kSumsSignature << " written\n";
  return 0;
}

void CheckSeal(tools::MediumTree& tree, tools::CheckResult& result) {
  using tools::Severity;
  auto add = [&](Severity severity, const char* kind, const std::string& file,
                 const std::string& message) {
    result.findings.push_back({severity, kind, {}, file, {}, {}, message});
  };
  const tools::MediumEntry* launcher = tree.file("KtrSetup.exe");
  const std::string* launcher_bytes = launcher ? tree.contents(*launcher) : nullptr;
  const std::optional<Sha256Digest> pin =
      launcher_bytes ? PinOf(*launcher_bytes) : std::optional<Sha256Digest>();
  const tools::MediumEntry* list_entry = tree.file(medium::kSumsFile);
  const tools::MediumEntry* signature_entry = tree.file(medium::kSumsSignature);
  if (!pin && !list_entry && !signature_entry) return;  // not sealed
  const std::string list_name(medium::kSumsFile);
  if (!list_entry || !signature_entry) {
    add(Severity::kError, "seal-missing", list_entry ? std::string(medium::kSumsSignature) : list_name,
        pin ? "the launcher carries a key, and refuses every program without its signed list"
            : "half a seal: the list and its signature belong together");
    return;
  }
  const std::string* list = tree.contents(*list_entry);
  const std::string* signature = tree.contents(*signature_entry);
  const std::optional<medium::SumsList> parsed =
      list ? medium::SumsList::Parse(*list) : std::nullopt;
  if (!parsed) {
    add(Severity::kError, "seal-list", list_entry->path,
        "not a list in the form sha256sum writes (sorted, plain ASCII names)");
    return;
  }
  const std::optional<Sha256Digest> signer =
      signature ? SignerOf(*list, *signature) : std::nullopt;
  if (!signer) {
    add(Severity::kError, "seal-signature", signature_entry->path,
        "the signature does not hold for the list (or carries signed attributes)");
  } else if (!pin) {
    add(Severity::kWarning, "seal-unpinned", "KtrSetup.exe",
        "the launcher carries no key, so it verifies nothing of the sealed medium");
  } else if (*signer != *pin) {
    add(Severity::kError, "seal-signer", signature_entry->path,
        "signed by a key other than the launcher's (" + medium::HexOf(*signer).substr(0, 16) +
            "... instead of " + medium::HexOf(*pin).substr(0, 16) + "...)");
  }
  std::set<std::string> listed;
  for (const medium::SumsList::Entry& entry : parsed->entries()) {
    listed.insert(tools::FoldedName(entry.path));
    const tools::MediumEntry* file = tree.file(entry.path);
    if (!file) {
      add(Severity::kError, "seal-file-missing", entry.path, "listed, but not on the medium");
      continue;
    }
    const std::optional<Sha256Digest> digest = DigestOfFile(file->disk);
    if (!digest || *digest != entry.digest) {
      add(Severity::kError, "seal-file-changed", file->path, "not the file that was signed");
    }
  }
  for (const tools::MediumEntry& entry : tree.entries()) {
    if (entry.folder || IsSealFile(entry.path) || listed.contains(tools::FoldedName(entry.path))) {
      continue;
    }
    add(Severity::kError, "seal-file-extra", entry.path,
        "on the medium, but not in the signed list");
  }
}

}  // namespace ktr::tools
