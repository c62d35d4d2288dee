// Signing with a throwaway certificate authority (make_test_ca.sh, run once
// per test run as a fixture) and a small MinGW-built program.
#include "tools/ktrmedium/sign.h"

#include "tools/ktrmedium/image.h"
#include "tools/ktrmedium/run_program.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace ktr::tools {
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

}  // namespace
}  // namespace ktr::tools
