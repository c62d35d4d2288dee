// Quoted program paths: what the system runs must lie on the medium.
#include "medium/command_line.h"

#include <gtest/gtest.h>

#include "medium/medium.h"
#include "testing/fake_host.h"

namespace ktr::medium {
namespace {

constexpr const char* kLaunch = "C:\\Users\\Ann\\Downloads\\KTR Setup\\";

class CommandLineTest : public testing::Test {
 protected:
  std::string Line(std::string_view value) { return MediumCommandLine(files, kLaunch, value); }
  fake::FakeFiles files;
};

TEST_F(CommandLineTest, FixedPathIsQuotedWhole) {
  EXPECT_EQ(ProgramCommandLine(kLaunch, medium::kScanner),
            "\"C:\\Users\\Ann\\Downloads\\KTR Setup\\Run Sentova\\revuvez.exe\"");
  EXPECT_EQ(ProgramCommandLine("D:\\", "Extra Tools\\Setup Helper.exe"),
            "\"D:\\Extra Tools\\Setup Helper.exe\"");
}

TEST_F(CommandLineTest, ArgumentsFollowTheQuotedProgramUnchanged) {
  files.add_file(std::string(kLaunch) + "Server\\Setup.exe");
  EXPECT_EQ(Line("Server\\Setup.exe /lang=en  /q"),
            std::string("\"") + kLaunch + "Server\\Setup.exe\" /lang=en  /q");
}

TEST_F(CommandLineTest, ProgramFolderWithBlanksIsFoundOnTheMedium) {
  files.add_file(std::string(kLaunch) + "Server Setup\\Setup.exe");
  EXPECT_EQ(Line("Server Setup\\Setup.exe /s"),
            std::string("\"") + kLaunch + "Server Setup\\Setup.exe\" /s");
}

TEST_F(CommandLineTest, ShortestExistingPartWins) {
  files.add_file(std::string(kLaunch) + "Server Setup\\Setup.exe");
  files.add_file(std::string(kLaunch) + "Server");
  EXPECT_EQ(Line("Server Setup\\Setup.exe /s"),
            std::string("\"") + kLaunch + "Server\" Setup\\Setup.exe /s");
}

TEST_F(CommandLineTest, ExeIsAppendedOnlyToAPartWithoutExtension) {
  files.add_file(std::string(kLaunch) + "Server\\Setup.exe");
  EXPECT_EQ(Line("Server\\Setup /s"), std::string("\"") + kLaunch + "Server\\Setup.exe\" /s");
  files.add_file(std::string(kLaunch) + "Tool.v2.exe");
  EXPECT_EQ(Line("Tool.v2 -x"), std::string("\"") + kLaunch + "Tool.v2\" -x");
}

TEST_F(CommandLineTest, DotInAFolderNameIsNoExtension) {
  files.add_file(std::string(kLaunch) + "Server.v2\\Setup.exe");
  EXPECT_EQ(Line("Server.v2\\Setup"), std::string("\"") + kLaunch + "Server.v2\\Setup.exe\"");
}

// The planted program sits where the unquoted rule would look first.
TEST_F(CommandLineTest, NothingOutsideTheLaunchFolderIsPicked) {
  files.add_file("C:\\Users\\Ann\\Downloads\\KTR.exe");
  files.add_file("C:\\Users\\Ann\\Downloads\\KTR Setup\\Install.exe");
  std::string line = Line("Install.exe");
  EXPECT_EQ(line, "\"C:\\Users\\Ann\\Downloads\\KTR Setup\\Install.exe\"");
  EXPECT_EQ(line.find("KTR.exe"), std::string::npos);
}

TEST_F(CommandLineTest, UnknownProgramIsTheTextUpToItsFirstBlank) {
  EXPECT_EQ(Line("Missing Folder\\Setup.exe /s"),
            std::string("\"") + kLaunch + "Missing\" Folder\\Setup.exe /s");
  EXPECT_EQ(Line("Setup.exe"), std::string("\"") + kLaunch + "Setup.exe\"");
  EXPECT_EQ(Line(""), std::string("\"") + kLaunch + "\"");
}

TEST_F(CommandLineTest, QuotedValueKeepsItsProgram) {
  EXPECT_EQ(Line("\"Server Setup\\Setup.exe\" /s"),
            std::string("\"") + kLaunch + "Server Setup\\Setup.exe\" /s");
}

TEST_F(CommandLineTest, OptionalProgramGivesALineOnlyWhenItIsOnTheMedium) {
  EXPECT_EQ(FoundMediumCommandLine(files, kLaunch, "Help\\Guide.exe /a"), std::nullopt);
  EXPECT_EQ(FoundMediumCommandLine(files, kLaunch, "\"Help\\Guide\" /a"), std::nullopt);
  EXPECT_EQ(FoundMediumCommandLine(files, kLaunch, ""), std::nullopt);
  files.add_file(std::string(kLaunch) + "Help\\Guide.exe");
  EXPECT_EQ(FoundMediumCommandLine(files, kLaunch, "Help\\Guide.exe /a"),
            std::string("\"") + kLaunch + "Help\\Guide.exe\" /a");
  EXPECT_EQ(FoundMediumCommandLine(files, kLaunch, "\"Help\\Guide\" /a"),
            std::string("\"") + kLaunch + "Help\\Guide.exe\" /a");
}

}  // namespace
}  // namespace ktr::medium
