// The sealed medium's list and the rules by which a launcher with a key
// verifies a step, on the in-memory host with OpenSSL's hashing.
#include "medium/seal.h"

#include <gtest/gtest.h>

#include <functional>

#include "lang/multilang.h"
#include "platform/sha256.h"
#include "testing/openssl_integrity.h"
#include "testing/fake_host.h"

namespace ktr::medium {
namespace {

using fake::Sha256Of;
using fake::TestSigner;

const std::string kLaunch = "D:\\";
const std::string kInstaller = "D:\\Install\\KTR-Client\\Install.exe";
const std::string kIni = "D:\\ImgData\\ENGLISH\\MultiLang.ini";

std::string Line(const std::string& bytes, const std::string& path) {
  return HexOf(*Sha256Of(bytes)) + "  " + path + "\n";
}

TEST(SumsListTest, ParsesWhatSha256sumWrites) {
  const std::string text = Line("a", "Install/KTR-Client/Install.exe") + Line("b", "KtrSetup.exe") +
                           Line("c", "Run Sentova/revuvez.exe");
  const std::optional<SumsList> list = SumsList::Parse(text);
  ASSERT_TRUE(list);
  ASSERT_EQ(list->entries().size(), 3u);
  const SumsList::Entry* entry = list->find("install\\ktr-client\\INSTALL.EXE");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->path, "Install\\KTR-Client\\Install.exe");
  EXPECT_EQ(entry->digest, *Sha256Of("a"));
  EXPECT_TRUE(list->knows_folder("install\\KTR-Client"));
  EXPECT_TRUE(list->knows_folder("Install"));
  EXPECT_TRUE(list->knows_folder(""));
  EXPECT_FALSE(list->knows_folder("Install\\Other"));
  EXPECT_EQ(list->files_in("").size(), 1u);
  EXPECT_EQ(list->files_in("Install\\KTR-Client\\").size(), 1u);
  EXPECT_EQ(list->files_in("Install\\").size(), 0u);

  // Written back in the same order, byte for byte; empty is a list too.
  EXPECT_EQ(SumsList::Text({list->entries().rbegin(), list->entries().rend()}), text);
  EXPECT_TRUE(SumsList::Parse(""));
}

TEST(SumsListTest, RefusesAnythingElse) {
  const std::string hex = HexOf(*Sha256Of("a"));
  std::string upper = hex;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const struct Case {
    const char* what;
    std::string text;
  } cases[] = {
      {"no final line end", hex + "  a.exe"},
      {"upper-case digits", upper + "  a.exe\n"},
      {"one blank", hex + " a.exe\n"},
      {"binary marker", hex + " *a.exe\n"},
      {"short digest", hex.substr(1) + "  a.exe\n"},
      {"carriage return", hex + "  a.exe\r\n"},
      {"no path", hex + "  \n"},
      {"parent folder", hex + "  ../a.exe\n"},
      {"current folder", hex + "  ./a.exe\n"},
      {"empty part", hex + "  a//b.exe\n"},
      {"backslash", hex + "  a\\b.exe\n"},
      {"leading slash", hex + "  /a.exe\n"},
      {"alternate stream", hex + "  a.exe:x\n"},
      {"trailing dot", hex + "  a.exe.\n"},
      {"trailing blank", hex + "  a.exe \n"},
      {"beyond ASCII", hex + "  \xC3\xA9.exe\n"},
      {"out of order", hex + "  b.exe\n" + hex + "  a.exe\n"},
      {"twice in other case", hex + "  A.exe\n" + hex + "  a.exe\n"},
      {"the list itself", hex + "  SHA256SUMS\n"},
      {"its signature", hex + "  sha256sums.p7s\n"},
  };
  for (const Case& item : cases) {
    EXPECT_FALSE(SumsList::Parse(item.text)) << item.what;
  }
  EXPECT_FALSE(SealablePath("a\\..\\b"));
  EXPECT_FALSE(SealablePath(""));
  EXPECT_EQ(SealablePath("Run Sentova\\revuvez.exe"), "Run Sentova\\revuvez.exe");
}

// The pin is the digest of the key's bytes as the certificate holds them.
// Our own SHA-256 against OpenSSL's, in both of its ways (the processor's
// SHA extensions where it has them, and the portable rounds), over every
// length around the block and padding edges and in pieces of any size.
TEST(Sha256Test, AgreesWithOpenSslInEveryPieceAndLength) {
  std::string bytes;
  unsigned seed = 7;
  for (int i = 0; i < 70'000; ++i) bytes += static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16);
  for (bool portable : {false, true}) {
    for (std::size_t length : {0, 1, 55, 56, 57, 63, 64, 65, 119, 120, 128, 1000, 70'000}) {
      platform::Sha256Hash hash(portable);
      std::size_t done = 0;
      for (std::size_t piece = 1; done < length; piece = piece * 3 + 1) {
        const std::size_t taken = std::min(piece, length - done);
        hash.add(bytes.data() + done, taken);
        done += taken;
      }
      const auto expected = fake::Sha256Of(bytes.substr(0, length));
      ASSERT_TRUE(expected.has_value());
      EXPECT_EQ(hash.finish(), *expected) << length << (portable ? " portable" : " extensions");
    }
  }
}

TEST(SumsListTest, PublicKeyIsFoundInTheCertificate) {
  const std::string certificate = TestSigner::First().certificate_der();
  const std::optional<std::string_view> key = SubjectPublicKeyInfoOf(certificate);
  ASSERT_TRUE(key);
  EXPECT_EQ(*Sha256Of(std::string(*key)), TestSigner::First().key());
  EXPECT_FALSE(SubjectPublicKeyInfoOf(certificate.substr(0, certificate.size() / 2)));
  EXPECT_FALSE(SubjectPublicKeyInfoOf(""));
  EXPECT_FALSE(SubjectPublicKeyInfoOf("\x30\x84\xFF\xFF\xFF\xFF"));
}

class SealTest : public testing::Test {
 public:
  SealTest() { Reset(); }

  void Reset() {
    owned_ = std::make_unique<fake::FakeHost>();
    lang::SetLanguageIndexForTesting(lang::kEnglish);
    host().files.put_current_directory("D:\\");
    host().files.add_file("D:\\KtrSetup.exe", "launcher");
    host().files.add_file(kInstaller, "installer");
    host().files.add_file("D:\\Install\\KTR-Client\\setup.dll", "library");
    host().files.add_file("D:\\Install\\KTR-Client\\data\\client.cab", "package");
    host().files.add_file("D:\\Install\\InstallBuild\\InstallBuild.exe", "builder");
    host().files.add_file("D:\\Manual.pdf", "manual");
    host().files.add_file(kIni, "[ENGLISH]\nRES_TITLE=KTR\nRES_MANUAL=Manual.pdf\n");
  }

  void SealMedium(const TestSigner& signer = TestSigner::First(), bool attributes = false) {
    fake::SealFakeMedium(host().files, kLaunch, signer, attributes);
  }

  Seal MakeSeal() { return Seal(host().files, &host().integrity, TestSigner::First().key()); }

  fake::FakeHost& host() { return *owned_; }

 private:
  std::unique_ptr<fake::FakeHost> owned_;
};

TEST_F(SealTest, ProgramAndItsFolderAreHeldUntilTheStepEnds) {
  SealMedium();
  Seal seal = MakeSeal();
  {
    Verified step = seal.command(kLaunch, "\"" + kInstaller + "\" /quiet");
    ASSERT_TRUE(step.ok()) << step.refused().value_or("");
    EXPECT_EQ(step.held(), 2u);  // the installer and its library; a listed subfolder passes
    EXPECT_EQ(host().files.held_count(kInstaller), 1);
    EXPECT_FALSE(host().files.create_unprotected(kInstaller));
    EXPECT_FALSE(host().files.remove("D:\\Install\\KTR-Client\\setup.dll"));
    EXPECT_FALSE(host().files.open_read(kInstaller));  // no unshared reader either
    // The list and its signature stay held for the whole run.
    EXPECT_EQ(host().files.held_count("D:\\SHA256SUMS"), 1);
  }
  EXPECT_EQ(host().files.held_count(kInstaller), 0);
  EXPECT_TRUE(host().files.remove("D:\\Install\\KTR-Client\\setup.dll"));

  // One check of the signature serves every later step.
  EXPECT_TRUE(seal.file(kLaunch, "D:\\Manual.pdf").ok());
  EXPECT_EQ(host().integrity.signatures_checked, 1);
}

TEST_F(SealTest, EveryChangeOfTheMediumIsARefusalNamingTheFile) {
  const struct Case {
    const char* what;
    std::function<void(SealTest&)> change;
    std::string path;     // what the step verifies
    std::string refused;  // what the refusal names
  } cases[] = {
      {"changed installer", [](SealTest& t) { t.host().files.add_file(kInstaller, "other"); },
       kInstaller, kInstaller},
      {"library planted beside it",
       [](SealTest& t) { t.host().files.add_file("D:\\Install\\KTR-Client\\version.dll", "x"); },
       kInstaller, "D:\\Install\\KTR-Client\\version.dll"},
      {"folder planted beside it",
       [](SealTest& t) { t.host().files.add_folder("D:\\Install\\KTR-Client\\plugins"); }, kInstaller,
       "D:\\Install\\KTR-Client\\plugins"},
      {"listed library gone",
       [](SealTest& t) { t.host().files.remove("D:\\Install\\KTR-Client\\setup.dll"); }, kInstaller,
       "D:\\Install\\KTR-Client\\setup.dll"},
      {"program that the list does not name",
       [](SealTest& t) { t.host().files.add_file("D:\\Install\\Other\\x.exe", "x"); },
       "D:\\Install\\Other\\x.exe", "D:\\Install\\Other\\x.exe"},
      {"listed program gone", [](SealTest& t) { t.host().files.remove(kInstaller); }, kInstaller,
       kInstaller},
      {"path out of the medium", [](SealTest&) {}, "D:\\Install\\..\\..\\Windows\\x.exe",
       "D:\\Install\\..\\..\\Windows\\x.exe"},
      {"path outside the launch folder", [](SealTest& t) { t.host().files.add_file("E:\\x.exe"); },
       "E:\\x.exe", "E:\\x.exe"},
      {"list re-signed by another key",
       [](SealTest& t) { t.SealMedium(TestSigner::Second()); }, kInstaller, "D:\\SHA256SUMS"},
      {"list signed with signed attributes", [](SealTest& t) { t.SealMedium(TestSigner::First(), true); },
       kInstaller, "D:\\SHA256SUMS"},
      {"list deleted", [](SealTest& t) { t.host().files.remove("D:\\SHA256SUMS"); }, kInstaller,
       "D:\\SHA256SUMS"},
      {"signature deleted", [](SealTest& t) { t.host().files.remove("D:\\SHA256SUMS.p7s"); },
       kInstaller, "D:\\SHA256SUMS"},
      {"list changed after signing",
       [](SealTest& t) {
         t.host().files.add_file("D:\\SHA256SUMS",
                               *t.host().files.contents("D:\\SHA256SUMS") + Line("x", "x.exe"));
       },
       kInstaller, "D:\\SHA256SUMS"},
      {"no hashing on the system", [](SealTest& t) { t.host().integrity.refuse_hashing = true; },
       kInstaller, kInstaller},
  };
  for (const Case& item : cases) {
    SCOPED_TRACE(item.what);
    Reset();
    SealMedium();
    item.change(*this);
    Seal seal = MakeSeal();
    const Verified step = seal.program(kLaunch, item.path);
    EXPECT_FALSE(step.ok());
    EXPECT_FALSE(step.absent());
    // The fake lists names folded; Windows gives them as spelt.
    EXPECT_EQ(fake::Folded(step.refused().value_or("")), fake::Folded(item.refused));
    EXPECT_EQ(step.held(), 0u);
  }
}

TEST_F(SealTest, ProgramNeitherListedNorPresentStartsNothingAndSaysNothing) {
  SealMedium();
  Seal seal = MakeSeal();
  // The launch folder alone (an empty key) names no program.
  EXPECT_TRUE(seal.command(kLaunch, "\"D:\\\" /x").absent());
  EXPECT_TRUE(seal.file(kLaunch, "D:\\Missing.pdf").absent());
  host().files.add_file("D:\\Planted.pdf", "x");
  EXPECT_EQ(seal.file(kLaunch, "D:\\Planted.pdf").refused(), "D:\\Planted.pdf");
  const Verified missing = seal.program(kLaunch, "D:\\Install\\Missing\\Setup");
  EXPECT_TRUE(missing.absent());
  EXPECT_FALSE(missing.refused());
  // Without quotes there is no telling which program the system would pick.
  EXPECT_EQ(seal.command(kLaunch, "D:\\KtrSetup.exe").refused(), "D:\\KtrSetup.exe");
}

TEST_F(SealTest, LanguageFileThatFailsIsNotReadAndRefusesEveryStep) {
  SealMedium();
  {
    Seal seal = MakeSeal();
    SealedProfile profile(host().profile, seal);
    EXPECT_EQ(lang::ReadLangString(profile, kLaunch, "RES_TITLE"), "KTR");
    EXPECT_EQ(host().files.held_count(kIni), 1);  // until the launcher exits
    EXPECT_TRUE(seal.program(kLaunch, kInstaller).ok());
  }
  EXPECT_EQ(host().files.held_count(kIni), 0);

  host().files.add_file(kIni, "[ENGLISH]\nRES_TITLE=KTR\nRES_MANUAL=..\\x.pdf\n");
  host().profile.calls.clear();
  Seal seal = MakeSeal();
  SealedProfile profile(host().profile, seal);
  EXPECT_EQ(lang::ReadLangString(profile, kLaunch, "RES_TITLE"), "");
  EXPECT_EQ(lang::ReadLangString(profile, kLaunch, "RES_MANUAL"), "");
  EXPECT_TRUE(host().profile.calls.empty());
  EXPECT_EQ(seal.program(kLaunch, kInstaller).refused(), kIni);
  EXPECT_EQ(seal.file(kLaunch, "D:\\Manual.pdf").refused(), kIni);
}

}  // namespace
}  // namespace ktr::medium
