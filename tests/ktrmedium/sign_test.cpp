// Signing with a throwaway certificate authority (make_test_ca.sh, run once
// per test run as a fixture) and a small MinGW-built program.
#include "tools/ktrmedium/sign.h"

#include "medium/seal.h"
#include "tools/ktrmedium/image.h"
#include "tools/ktrmedium/medium_tree.h"
#include "tools/ktrmedium/run_program.h"
#include "tools/ktrmedium/seal.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace ktr::ktrmedium {
namespace {

namespace fs = std::filesystem;

const fs::path kTestDir = KTR_SIGN_TEST_DIR;
const fs::path kCa = kTestDir / "ca";

std::string Bytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Write(const fs::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary) << bytes;
}

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class SignTest : public testing::Test {
 protected:
  void SetUp() override {
    folder = kTestDir / "work" / testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(folder);
    fs::create_directories(folder);
    program = folder / "KtrSetup.exe";
    fs::copy_file(kTestDir / "tiny_program.exe", program);
    unsigned_bytes = Bytes(program);
  }

  bool Verifies(const fs::path& file, const char* authority = "ca.pem") {
    return VerifyProgram(file, kCa / authority).ok;
  }

  SigningKey key{kCa / "signer.p12", kCa / "password", {}};
  fs::path folder;
  fs::path program;
  std::string unsigned_bytes;
};

TEST_F(SignTest, SignedProgramVerifiesAgainstItsAuthorityOnly) {
  fs::permissions(program, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
  ASSERT_FALSE(Verifies(program));

  const Outcome outcome = SignProgram(program, key);
  ASSERT_TRUE(outcome.ok) << outcome.message;

  const Outcome verified = VerifyProgram(program, kCa / "ca.pem");
  EXPECT_TRUE(verified.ok) << verified.message;
  EXPECT_NE(verified.message.find("Message digest algorithm  : SHA256"), std::string::npos)
      << verified.message;
  EXPECT_FALSE(Verifies(program, "other-ca.pem"));
  EXPECT_EQ(fs::status(program).permissions(),
            fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
  EXPECT_EQ(Names(folder), std::vector<std::string>{"KtrSetup.exe"});
}

TEST_F(SignTest, ProgramChangedAfterSigningFailsVerification) {
  ASSERT_TRUE(SignProgram(program, key).ok);
  std::string bytes = Bytes(program);
  bytes[unsigned_bytes.size() / 2] ^= 0x01;  // inside the signed image, in its code
  Write(program, bytes);

  const Outcome verified = VerifyProgram(program, kCa / "ca.pem");
  EXPECT_FALSE(verified.ok) << verified.message;
}

TEST_F(SignTest, SigningWithoutTimeStampIsReproducible) {
  const fs::path copy = folder / "copy.exe";
  fs::copy_file(program, copy);

  ASSERT_TRUE(SignProgram(program, key).ok);
  ASSERT_TRUE(SignProgram(copy, key).ok);
  EXPECT_EQ(Bytes(program), Bytes(copy));
  EXPECT_NE(Bytes(program), unsigned_bytes);
  const std::string report = VerifyProgram(program, kCa / "ca.pem").message;
  EXPECT_NE(report.find("Signing time: Jan  1 00:00:00 2000 GMT"), std::string::npos) << report;

  // Signing a signed program again replaces its signature.
  ASSERT_TRUE(SignProgram(copy, key).ok);
  EXPECT_EQ(Bytes(program), Bytes(copy));
}

TEST_F(SignTest, FailedSigningLeavesTheProgramAsItWas) {
  Write(folder / "notes.txt", "not a program\n");
  const struct Case {
    const char* what;
    fs::path program;
    SigningKey key;
  } cases[] = {
      {"wrong password", program, {kCa / "signer.p12", kCa / "wrong-password", {}}},
      {"missing certificate", program, {kCa / "missing.p12", kCa / "password", {}}},
      {"missing password file", program, {kCa / "signer.p12", kCa / "missing", {}}},
      {"certificate that is no PKCS#12", program, {kCa / "ca.pem", kCa / "password", {}}},
      {"time stamp service unreachable",
       program,
       {kCa / "signer.p12", kCa / "password", "http://127.0.0.1:9/"}},
      {"file that is no program", folder / "notes.txt", key},
      {"missing program", folder / "missing.exe", key},
  };
  for (const Case& item : cases) {
    SCOPED_TRACE(item.what);
    const std::string before = fs::exists(item.program) ? Bytes(item.program) : "";
    const Outcome outcome = SignProgram(item.program, item.key);
    EXPECT_FALSE(outcome.ok);
    EXPECT_FALSE(outcome.message.empty());
    EXPECT_EQ(fs::exists(item.program) ? Bytes(item.program) : "", before);
    EXPECT_EQ(Names(folder), (std::vector<std::string>{"KtrSetup.exe", "notes.txt"}));
  }
  EXPECT_EQ(Bytes(program), unsigned_bytes);
}

TEST_F(SignTest, SignCommandExitCodes) {
  const std::string exe = program.string(), p12 = key.pkcs12.string(),
                    password = key.password_file.string();
  const struct Case {
    std::vector<std::string> args;
    int code;
  } cases[] = {
      {{}, 2},
      {{exe}, 2},
      {{exe, "--pkcs12", p12}, 2},
      {{exe, "--password-file", password, "--pkcs12"}, 2},
      {{exe, "--pkcs12", p12, "--password-file", password, "--sha1"}, 2},
      {{exe, exe, "--pkcs12", p12, "--password-file", password}, 2},
      {{exe, "--pkcs12", p12, "--password-file", (kCa / "wrong-password").string()}, 1},
      {{exe, "--pkcs12", p12, "--password-file", password}, 0},
  };
  for (const Case& item : cases) {
    std::ostringstream out, err;
    EXPECT_EQ(RunSignCommand(item.args, out, err), item.code)
        << testing::PrintToString(item.args) << "\n"
        << err.str();
    EXPECT_EQ(Bytes(program) != unsigned_bytes, item.code == 0);
  }
  EXPECT_TRUE(Verifies(program));
}

TEST_F(SignTest, StagedMediumGetsLauncherAndToolsProgramSigned) {
  fs::copy_file(program, folder / "KtrMedium.exe");
  fs::copy_file(program, folder / "Other.exe");

  const Outcome outcome = SignStagedPrograms(folder, key);
  ASSERT_TRUE(outcome.ok) << outcome.message;
  EXPECT_TRUE(Verifies(program));
  EXPECT_TRUE(Verifies(folder / "KtrMedium.exe"));
  EXPECT_EQ(Bytes(folder / "Other.exe"), unsigned_bytes);

  fs::remove(program);
  EXPECT_FALSE(SignStagedPrograms(folder, key).ok);
}

// The disc carries the launcher signed; the medium folder keeps its own.
TEST_F(SignTest, DiscImageCarriesTheSignedLauncher) {
  const fs::path medium = folder / "medium";
  fs::create_directory(medium);
  fs::rename(program, medium / "KtrSetup.exe");
  const fs::path iso = folder / "disc.iso";
  // Not a whole medium: the check's errors are overruled.
  ASSERT_EQ(tools::RunImage({"--force", "--pkcs12", key.pkcs12.string(), "--password-file",
                             key.password_file.string(), medium.string(), iso.string()}),
            1);
  const fs::path out = folder / "from-disc";
  ASSERT_EQ(tools::RunProgram({"xorriso", "-no_rc", "-report_about", "FAILURE", "-osirrox", "on",
                               "-indev", iso.string(), "-extract", "/KtrSetup.exe",
                               (out / "KtrSetup.exe").string()}),
            0);
  EXPECT_TRUE(Verifies(out / "KtrSetup.exe"));
  EXPECT_EQ(Bytes(medium / "KtrSetup.exe"), unsigned_bytes);
}

// A medium folder whose launcher carries the place for its key.
class SealTest : public SignTest {
 protected:
  void SetUp() override {
    SignTest::SetUp();
    medium = folder / "medium";
    fs::create_directories(medium / "Install" / "KTR-Client");
    fs::copy_file(kTestDir / "tiny_launcher.exe", medium / "KtrSetup.exe");
    Write(medium / "Install" / "KTR-Client" / "Install.exe", "installer");
    Write(medium / "Install" / "KTR-Client" / "setup.dll", "library");
    Write(medium / "Run Sentova.txt", "a name with a blank");
  }

  std::vector<std::string> Kinds() {
    tools::MediumTree tree(medium);
    tools::CheckResult result;
    CheckSeal(tree, result);
    std::vector<std::string> kinds;
    for (const tools::Finding& finding : result.findings) kinds.push_back(finding.kind);
    return kinds;
  }

  int InMedium(const std::string& command) {
    return tools::RunProgram({"sh", "-c", "cd '" + medium.string() + "' && " + command});
  }

  fs::path medium;
};

TEST_F(SealTest, SealedFolderIsCheckedBySha256sumAndOpenssl) {
  ASSERT_TRUE(SealFolder(medium, key).ok);
  Sha256Digest signer{};
  ASSERT_TRUE(SignerKeyOf(key, signer).ok);
  EXPECT_EQ(PinOf(Bytes(medium / "KtrSetup.exe")), signer);
  EXPECT_TRUE(Verifies(medium / "KtrSetup.exe"));
  const std::optional<medium::SumsList> list =
      medium::SumsList::Parse(Bytes(medium / "SHA256SUMS"));
  ASSERT_TRUE(list);
  EXPECT_EQ(list->entries().size(), 4u);
  EXPECT_EQ(InMedium("sha256sum --quiet -c SHA256SUMS"), 0);
  EXPECT_EQ(InMedium("openssl cms -verify -binary -inform DER -in SHA256SUMS.p7s -content "
                     "SHA256SUMS -CAfile '" + (kCa / "ca.pem").string() +
                     "' -purpose any -out /dev/null 2>/dev/null"),
            0);
  EXPECT_EQ(Kinds(), std::vector<std::string>{});

  // A fix to one file, sealed again: the launcher's signature is replaced,
  // not nested, so it is the same program as after the first seal.
  const std::string first_launcher = Bytes(medium / "KtrSetup.exe");
  Write(medium / "Install" / "KTR-Client" / "Install.exe", "installer, fixed");
  EXPECT_EQ(Kinds(), std::vector<std::string>{"seal-file-changed"});
  ASSERT_TRUE(SealFolder(medium, key).ok);
  EXPECT_EQ(Bytes(medium / "KtrSetup.exe"), first_launcher);
  EXPECT_EQ(Kinds(), std::vector<std::string>{});
  EXPECT_EQ(InMedium("sha256sum --quiet -c SHA256SUMS"), 0);
}

TEST_F(SealTest, CheckFindsEveryChangeOfASealedMedium) {
  ASSERT_TRUE(SealFolder(medium, key).ok);
  const fs::path sealed = folder / "sealed";
  fs::copy(medium, sealed, fs::copy_options::recursive);
  const SigningKey other{kCa / "other-signer.p12", kCa / "password", {}};
  const struct Case {
    const char* what;
    std::function<void()> change;
    std::vector<std::string> kinds;
  } cases[] = {
      {"changed file", [&] { Write(medium / "Run Sentova.txt", "x"); }, {"seal-file-changed"}},
      {"planted library", [&] { Write(medium / "Install" / "KTR-Client" / "version.dll", "x"); },
       {"seal-file-extra"}},
      {"missing file", [&] { fs::remove(medium / "Install" / "KTR-Client" / "setup.dll"); },
       {"seal-file-missing"}},
      {"list deleted", [&] { fs::remove(medium / "SHA256SUMS"); }, {"seal-missing"}},
      {"list changed", [&] { Write(medium / "SHA256SUMS", Bytes(medium / "SHA256SUMS") + ""
                                                             "0000000000000000000000000000000000"
                                                             "000000000000000000000000000000  "
                                                             "z.txt\n"); },
       {"seal-signature", "seal-file-missing"}},
      {"list signed by another key",
       [&] {
         std::vector<std::pair<std::string, fs::path>> files;
         ASSERT_TRUE(FilesToSeal(medium, files).ok);
         SealedList list;
         ASSERT_TRUE(MakeSealedList(files, other, list).ok);
         Write(medium / "SHA256SUMS.p7s", list.signature);
       },
       {"seal-signer"}},
  };
  for (const Case& item : cases) {
    SCOPED_TRACE(item.what);
    fs::remove_all(medium);
    fs::copy(sealed, medium, fs::copy_options::recursive);
    item.change();
    EXPECT_EQ(Kinds(), item.kinds);
  }
}

TEST_F(SealTest, SignPinsLaunchersOnlyAndSealRefusesWhatNoLauncherMatches) {
  ASSERT_TRUE(SignProgram(medium / "KtrSetup.exe", key).ok);
  EXPECT_TRUE(PinOf(Bytes(medium / "KtrSetup.exe")));
  ASSERT_TRUE(SignProgram(program, key).ok);
  EXPECT_FALSE(PinOf(Bytes(program)));
  EXPECT_TRUE(Verifies(program));

  Write(medium / "Caf\xC3\xA9.txt", "a name beyond ASCII");
  const std::string before = Bytes(medium / "KtrSetup.exe");
  std::ostringstream out, err;
  EXPECT_EQ(RunSealCommand({medium.string(), "--pkcs12", key.pkcs12.string(), "--password-file",
                            key.password_file.string()},
                           out, err),
            1);
  EXPECT_NE(err.str().find("ASCII"), std::string::npos) << err.str();
  EXPECT_FALSE(fs::exists(medium / "SHA256SUMS"));
  EXPECT_EQ(RunSealCommand({medium.string()}, out, err), 2);
}

// The disc carries a sealed copy; the folder stays as it was, and the same
// folder gives the same image.
TEST_F(SealTest, DiscImageIsSealedAndReproducible) {
  const std::string before = Bytes(medium / "KtrSetup.exe");
  std::vector<std::string> images;
  for (const char* name : {"one.iso", "two.iso"}) {
    const fs::path iso = folder / name;
    ASSERT_EQ(tools::RunImage({"--force", "--pkcs12", key.pkcs12.string(), "--password-file",
                               key.password_file.string(), medium.string(), iso.string()}),
              1);
    images.push_back(Bytes(iso));
  }
  EXPECT_EQ(images[0], images[1]);
  EXPECT_EQ(Bytes(medium / "KtrSetup.exe"), before);
  EXPECT_FALSE(fs::exists(medium / "SHA256SUMS"));
  const fs::path out = folder / "from-disc";
  ASSERT_EQ(tools::RunProgram({"xorriso", "-no_rc", "-report_about", "FAILURE", "-osirrox", "on",
                               "-indev", (folder / "one.iso").string(), "-extract", "/",
                               out.string()}),
            0);
  fs::permissions(out, fs::perms::owner_all, fs::perm_options::add);
  medium = out;
  EXPECT_EQ(Kinds(), std::vector<std::string>{});
  EXPECT_EQ(InMedium("sha256sum --quiet -c SHA256SUMS"), 0);
  EXPECT_TRUE(medium::SumsList::Parse(Bytes(out / "SHA256SUMS"))->find("autorun.inf"));
}

}  // namespace
}  // namespace ktr::ktrmedium
