// The Integrity port: SHA-256 and the signer of a detached signature, on
// fixed signatures made once with OpenSSL (tests/data/seal): "list" signed
// without signed attributes by the key of "key", with OpenSSL's default
// attributes by the same key, and by another key ("other-key").
#include <fstream>
#include <iterator>

#include "medium/seal.h"
#include "tests/contract/contract_env.h"

namespace ktr::contract {
namespace {

std::string Data(const char* name) {
  std::ifstream in(std::string(KTR_TEST_DATA) + "/seal/" + name, std::ios::binary);
  EXPECT_TRUE(in) << name;
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Sha256Digest DigestOf(const char* file) {
  return *medium::DigestOfHex(Data(file).substr(0, 64));
}

std::optional<Sha256Digest> Hashed(Integrity& integrity, const std::string& bytes,
                                   std::size_t piece) {
  std::unique_ptr<Sha256> hasher = integrity.sha256();
  if (!hasher) return std::nullopt;
  for (std::size_t at = 0; at < bytes.size(); at += piece) {
    if (!hasher->add(bytes.data() + at, std::min(piece, bytes.size() - at))) return std::nullopt;
  }
  return hasher->finish();
}

using IntegrityContract = ContractTest;

TEST_F(IntegrityContract, Sha256InAnyPieces) {
  Integrity& integrity = env().integrity();
  const auto hex = [](const std::optional<Sha256Digest>& digest) {
    return digest ? medium::HexOf(*digest) : std::string("none");
  };
  EXPECT_EQ(hex(Hashed(integrity, "", 1)),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(hex(Hashed(integrity, "abc", 1)),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  const std::string million(1000000, 'a');
  EXPECT_EQ(hex(Hashed(integrity, million, 65536)),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
  EXPECT_EQ(Hashed(integrity, million, 1000), Hashed(integrity, million, 333333));
}

TEST_F(IntegrityContract, SignerOnlyOfAnIntactSignatureWithoutSignedAttributes) {
  Integrity& integrity = env().integrity();
  const std::string list = Data("list");
  EXPECT_EQ(integrity.signer_of(list, Data("list.p7s")), DigestOf("key"));
  EXPECT_EQ(integrity.signer_of(list, Data("list-other.p7s")), DigestOf("other-key"));

  std::string changed = list;
  changed[0] = changed[0] == '0' ? '1' : '0';
  EXPECT_EQ(integrity.signer_of(changed, Data("list.p7s")), std::nullopt);
  EXPECT_EQ(integrity.signer_of(list + "\n", Data("list.p7s")), std::nullopt);
  // With signed attributes a system may check the signature over them and
  // never compare their digest with the content: refused outright.
  EXPECT_EQ(integrity.signer_of(list, Data("list-attributes.p7s")), std::nullopt);
  EXPECT_EQ(integrity.signer_of(changed, Data("list-attributes.p7s")), std::nullopt);

  std::string broken = Data("list.p7s");
  broken[broken.size() - 10] ^= 0x01;  // inside the signature value
  EXPECT_EQ(integrity.signer_of(list, broken), std::nullopt);
  EXPECT_EQ(integrity.signer_of(list, "not a signature"), std::nullopt);
  EXPECT_EQ(integrity.signer_of(list, ""), std::nullopt);
}

}  // namespace
}  // namespace ktr::contract
