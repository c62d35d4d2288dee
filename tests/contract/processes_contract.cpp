// The processes port and the helpers over it: what the launcher starts,
// where, and what it learns of the end.
#include <string>

#include "medium/command_line.h"
#include "platform/process_helpers.h"
#include "tests/contract/contract_env.h"

namespace ktr::contract {
namespace {

class ProcessesContract : public ContractTest {
 protected:
  Processes& processes() { return host().processes; }
  Files& files() { return host().files; }
  static std::string Quote(const std::string& path) { return "\"" + path + "\""; }

  void SetUp() override {
    ContractTest::SetUp();
    saved_directory_ = files().current_directory();
  }
  void TearDown() override {
    files().set_current_directory(saved_directory_);
    ContractTest::TearDown();
  }

 private:
  std::string saved_directory_;
};

TEST_F(ProcessesContract, RunAndWaitGivesTheExitCodeAfterTheEnd) {
  std::string installer = In("Install\\KTR-Client\\Install.exe");
  env().make_folder(In("Install\\KTR-Client"));
  env().make_program(installer, 3, 1500);
  EXPECT_EQ(platform::RunAndWait(processes(), Quote(installer), kSwShow), 3);
  auto runs = env().runs_of(installer);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_TRUE(runs[0].ended);  // it had ended before RunAndWait returned
  EXPECT_EQ(runs[0].exit_code, 3);
  EXPECT_EQ(runs[0].show, kSwShow);
  EXPECT_EQ(runs[0].command_line, Quote(installer));
}

TEST_F(ProcessesContract, ChildStartsInTheCurrentDirectoryOfTheMoment) {
  std::string builder = In("Install\\InstallBuild\\InstallBuild.exe");
  env().make_folder(In("Install\\InstallBuild"));
  env().make_program(builder, 0);
  ASSERT_EQ(files().set_current_directory(In("Install\\InstallBuild")), 0u);
  EXPECT_EQ(platform::RunAndWait(processes(), Quote(builder), kSwShow), 0);
  ASSERT_EQ(files().set_current_directory(env().scratch()), 0u);
  EXPECT_EQ(platform::RunAndWait(processes(), Quote(builder), kSwShowNormal), 0);
  auto runs = env().runs_of(builder);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].cwd, In("Install\\InstallBuild"));
  EXPECT_EQ(runs[1].cwd, env().scratch());
  EXPECT_EQ(runs[1].show, kSwShowNormal);
}

TEST_F(ProcessesContract, ProgramThatCannotStartGivesMinusOne) {
  env().make_folder(In("Folder"));
  EXPECT_EQ(platform::RunAndWait(processes(), Quote(In("Missing.exe")), kSwShow), -1);
  EXPECT_EQ(platform::RunAndWait(processes(), In("Missing.exe /s"), kSwShow), -1);
  EXPECT_EQ(platform::RunAndWait(processes(), "", kSwShow), -1);
  EXPECT_EQ(platform::RunAndWait(processes(), Quote(In("Folder")), kSwShow), -1);
}

TEST_F(ProcessesContract, LongCommandLineIsPassedWhole) {
  std::string program = In("Server Setup\\Setup.exe");
  env().make_folder(In("Server Setup"));
  env().make_program(program, 0);
  std::string line = Quote(program) + " /options=";
  while (line.size() < 1500) line += "abcdefghij";
  line += " /end";
  EXPECT_EQ(platform::RunAndWait(processes(), line, kSwShow), 0);
  auto runs = env().runs_of(program);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].command_line, line);
}

// The unquoted rule tries "...\KTR.exe" before the medium's own program;
// the helper's quoted line never lets it.
TEST_F(ProcessesContract, QuotedProgramIgnoresAPlantedOne) {
  std::string launch = In("KTR Setup\\");
  std::string planted = In("KTR.exe");
  std::string server = launch + "Server Setup\\Setup.exe";
  env().make_folder(launch + "Server Setup");
  env().make_program(planted, 9);
  env().make_program(server, 4);

  std::string line = medium::MediumCommandLine(files(), launch, "Server Setup\\Setup.exe /s");
  EXPECT_EQ(platform::RunAndWait(processes(), line, kSwShow), 4);
  EXPECT_EQ(
      platform::RunAndWait(processes(),
                           medium::ProgramCommandLine(launch, "Server Setup\\Setup.exe"), kSwShow),
      4);
  EXPECT_TRUE(env().runs_of(planted).empty());
  auto runs = env().runs_of(server);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].command_line, Quote(server) + " /s");

  // The same line unquoted runs the planted program: the trap is real.
  EXPECT_EQ(platform::RunAndWait(processes(), server + " /s", kSwShow), 9);
  EXPECT_EQ(env().runs_of(planted).size(), 1u);
}

TEST_F(ProcessesContract, StartReportsWhetherTheProgramStarted) {
  std::string help = In("Help\\help.exe");
  env().make_folder(In("Help"));
  env().make_program(help, 0);
  EXPECT_GT(processes().start(Quote(help) + " /client", kSwShow), 31u);
  EXPECT_LE(processes().start(Quote(In("Help\\missing.exe")), kSwShow), 31u);
  auto runs = env().runs_of(help, 1);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].command_line, Quote(help) + " /client");
  EXPECT_EQ(runs[0].show, kSwShow);
}

}  // namespace
}  // namespace ktr::contract
