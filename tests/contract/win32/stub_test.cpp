// The stub program that stands in for the medium's programs in the
// end-to-end tests: its settings do what its header promises.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_host.h"
#include "tests/contract/contract_env.h"
#include "tests/contract/win32/win32_support.h"

namespace ktr::contract {
namespace {

class StubTest : public ContractTest {
 protected:
  int Run(const std::string& line) { return host().processes.run_and_wait(line, kSwShow); }
};

TEST_F(StubTest, CreatesFilesWithTheirFoldersAndRegistryValues) {
  std::string stub = In("Install\\KTR-Client\\Install.exe");
  env().make_folder(In("Install\\KTR-Client"));
  std::string agent = In("RiduZadent\\Sub Folder\\RiduZad.exe");
  std::string key = env().scratch_key() + "\\2.0\\RiduZadent\\General";
  ASSERT_TRUE(PlaceStub(stub, "[stub]\r\nexit_code=2\r\nfile1=" + agent + "\r\nreg3=\\" + key +
                                  "|ClientID|{1234}\r\n"));
  EXPECT_EQ(Run("\"" + stub + "\""), 2);
  EXPECT_NE(ReadWholeFile(agent).find("created by " + stub), std::string::npos);
  EXPECT_EQ(host().registry.read_string(key, "ClientID"), "{1234}");
}

TEST_F(StubTest, EnvironmentFillsWhatTheSettingsLeaveOut) {
  std::string stub = In("revuvez.exe");
  std::string log = In("shared.log");
  ASSERT_TRUE(PlaceStub(stub, "[stub]\r\nexit_code=6\r\n"));
  ASSERT_TRUE(SetEnvironmentVariableA("KTR_STUB_LOG", log.c_str()));
  ASSERT_TRUE(SetEnvironmentVariableA("KTR_STUB_EXIT_CODE", "8"));
  int code = Run("\"" + stub + "\" http://x/LITE/snliteeng.zip");
  SetEnvironmentVariableA("KTR_STUB_LOG", nullptr);
  SetEnvironmentVariableA("KTR_STUB_EXIT_CODE", nullptr);
  EXPECT_EQ(code, 6);
  auto runs = ParseRecord(ReadWholeFile(log));
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_TRUE(runs[0].ended);
  EXPECT_EQ(runs[0].exit_code, 6);
  EXPECT_EQ(runs[0].program, stub);
  EXPECT_EQ(runs[0].command_line, "\"" + stub + "\" http://x/LITE/snliteeng.zip");
}

TEST_F(StubTest, RelativeLogLiesBesideTheStub) {
  std::string stub = In("Help\\help.exe");
  env().make_folder(In("Help"));
  ASSERT_TRUE(PlaceStub(stub, "[stub]\r\nlog=runs.log\r\n"));
  EXPECT_EQ(Run("\"" + stub + "\""), 0);
  EXPECT_EQ(ParseRecord(ReadWholeFile(In("Help\\runs.log"))).size(), 1u);
}

}  // namespace
}  // namespace ktr::contract
