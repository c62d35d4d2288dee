// The test doubles' own switches: what the contract suites cannot reach
// because the real system has no such switch.
#include "testing/fake_host.h"

#include <gtest/gtest.h>

#include "platform/errors.h"

namespace ktr::fake {
namespace {

TEST(FakeFilesTest, FaultsApplyToTheirFileOnly) {
  FakeFiles files;
  files.add_file("C:\\a.bin", "0123456789");
  files.add_file("C:\\b.bin", "0123456789");
  files.fail_read("C:\\A.BIN", 4);
  files.short_write("C:\\out.bin", 3);

  char buffer[16];
  auto a = files.open_read("C:\\a.bin");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->read(buffer, 4), 4);
  EXPECT_EQ(a->read(buffer, 4), -1);

  auto b = files.open_read("C:\\b.bin");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->read(buffer, 16), 10);

  auto out = files.create_unprotected("C:\\out.bin");
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(out->write("abcd", 4), 3);
  EXPECT_EQ(out->write("ef", 2), 0);
  EXPECT_EQ(files.contents("C:\\out.bin"), "abc");
}

TEST(FakeFilesTest, FailedWriteStoresNothingOfThatWrite) {
  FakeFiles files;
  files.fail_write("C:\\out.bin", 5);
  auto out = files.create_unprotected("C:\\out.bin");
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(out->write("abcd", 4), 4);
  EXPECT_EQ(out->write("efgh", 4), -1);
  EXPECT_EQ(files.contents("C:\\out.bin"), "abcd");
}

TEST(FakeFilesTest, ShrinkingSourceKeepsItsSizeAtOpen) {
  FakeFiles files;
  files.add_file("C:\\s.bin", std::string(100, 'x'));
  files.shrink_after_open("C:\\s.bin", 30);
  auto r = files.open_read("C:\\s.bin");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->size(), 100u);
  char buffer[64];
  EXPECT_EQ(r->read(buffer, 64), 30);
  EXPECT_EQ(r->read(buffer, 64), 0);
}

TEST(FakeFilesTest, RecordsOpensAndTransfers) {
  FakeFiles files;
  files.add_file("C:\\s.bin", "12345");
  {
    auto r = files.open_read("c:\\S.bin");
    char buffer[8];
    r->read(buffer, 8);
    EXPECT_EQ(files.open_count("C:\\s.bin"), 1);
  }
  EXPECT_EQ(files.open_count("C:\\s.bin"), 0);
  ASSERT_EQ(files.opens.size(), 1u);
  EXPECT_EQ(files.opens[0], "c:\\S.bin");
  ASSERT_EQ(files.read_calls.size(), 1u);
  EXPECT_EQ(files.read_calls[0].asked, 8u);
  EXPECT_EQ(files.read_calls[0].got, 5);
}

TEST(FakeFilesTest, RelativePathsAndDoubledBackslashesResolve) {
  FakeFiles files;
  files.add_file("D:\\Medium\\imgdata\\KOREAN\\Button1.bmp", "x");
  EXPECT_EQ(files.set_current_directory("D:\\Medium"), 0u);
  EXPECT_TRUE(files.exists("imgdata\\korean\\button1.bmp"));
  EXPECT_TRUE(files.exists("D:\\Medium\\imgdata\\\\KOREAN\\Button1.bmp"));
  EXPECT_TRUE(files.exists("\\Medium\\x\\..\\imgdata\\KOREAN\\Button1.bmp"));
  EXPECT_FALSE(files.exists("D:\\Medium\\imgdata"));
}

TEST(FakeFilesTest, ScriptedDirectoryRefusal) {
  FakeFiles files;
  files.add_folder("C:\\Locked");
  files.refuse_set_current_directory("c:\\locked", 5);
  EXPECT_EQ(files.set_current_directory("C:\\Locked"), 5u);
  EXPECT_EQ(files.current_directory(), "C:\\");
}

TEST(FakeRegistryTest, PerKeyRefusals) {
  FakeRegistry registry;
  registry.set("Software\\A", "V", "data");
  registry.refuse_read("\\SOFTWARE\\a");
  registry.refuse_write("Software\\A");
  registry.refuse_delete("Software\\A");
  EXPECT_EQ(registry.read_string("Software\\A", "V"), std::nullopt);
  EXPECT_THROW(registry.write_string("Software\\A", "V", "x"), RegistryError);
  EXPECT_EQ(registry.delete_value("Software\\A", "V"), RegDeleteResult::kRefused);
  EXPECT_EQ(registry.get("Software\\A", "V"), "data");
  ASSERT_EQ(registry.reads.size(), 1u);
  EXPECT_EQ(registry.reads[0].value, "V");
}

TEST(FakeProcessesTest, ScriptByLongestProgramPrefix) {
  FakeFiles files;
  FakeProcesses processes(files);
  processes.set_exit_code("C:\\Medium\\Run", 7);
  processes.set_exit_code("C:\\Medium\\Run Sentova\\revuvez.exe", 3);
  processes.set_missing("C:\\Gone.exe");
  EXPECT_EQ(processes.run_and_wait("c:\\medium\\run sentova\\REVUVEZ.exe http://x", 5), 3);
  EXPECT_EQ(processes.run_and_wait("\"C:\\Medium\\Run\" a", 5), 7);
  EXPECT_EQ(processes.run_and_wait("C:\\Medium\\Runner.exe", 5), 0);
  EXPECT_EQ(processes.run_and_wait("C:\\Gone.exe", 5), -1);
  EXPECT_EQ(processes.run_and_wait("   ", 5), -1);
  EXPECT_EQ(processes.start("C:\\Gone.exe x", 5), 2u);
  EXPECT_EQ(processes.start("C:\\There.exe", 5), 33u);
  EXPECT_EQ(processes.waited().size(), 5u);
  EXPECT_EQ(processes.started().size(), 2u);
}

TEST(FakeProcessesTest, WaitHookSeesTheRunAndDirectory) {
  FakeHost host;
  host.files.add_folder("C:\\Build");
  std::vector<std::string> seen;
  host.processes.during_wait = [&](const std::string& command_line) {
    seen.push_back(command_line + "|" + host.files.current_directory());
  };
  host.processes.set_missing("C:\\Missing.exe");
  ASSERT_EQ(host.files.set_current_directory("C:\\Build"), 0u);
  host.processes.run_and_wait("C:\\Build\\b.exe", 5);
  host.processes.run_and_wait("C:\\Missing.exe", 5);
  host.processes.start("C:\\Build\\c.exe", 5);
  EXPECT_EQ(seen, std::vector<std::string>{"C:\\Build\\b.exe|C:\\Build"});
  EXPECT_EQ(host.processes.runs[0].current_directory, "C:\\Build");
  EXPECT_EQ(host.processes.runs[0].show, 5);
}

TEST(FakeShellTest, RecordsThenThrowsWhenTold) {
  FakeShell shell;
  EXPECT_EQ(shell.execute(0x10, "open", "D:\\Manual.pdf", 1), 42);
  shell.throw_message = "no association";
  EXPECT_THROW(shell.execute(0, "explore", "D:\\", 1), Error);
  ASSERT_EQ(shell.calls.size(), 2u);
  EXPECT_EQ(shell.calls[0].owner, 0x10u);
  EXPECT_EQ(shell.calls[1].verb, "explore");
}

}  // namespace
}  // namespace ktr::fake
