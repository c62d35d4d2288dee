// Copying a file block by block with its date and attributes, and every way
// the copy can fail.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/process_helpers.h"
#include "testing/fake_host.h"

namespace ktr::platform {
namespace {

constexpr const char* kSource = "D:\\Medium\\imgdata\\RadOzevO.exe";
constexpr const char* kCopy = "C:\\RadOzevO.exe";
constexpr DosDateTime kTenOhTwo{0x2C41, 0x5001};  // 2002-02-01 10:00:02

std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
  return bytes;
}

class CopyFileTest : public testing::Test {
 protected:
  void SetUp() override {
    files.add_file(kSource, Pattern(5000), kFileAttributeReadOnly, kTenOhTwo);
  }

  void ExpectNoCopyLeft() {
    EXPECT_FALSE(files.exists(kCopy));
    EXPECT_EQ(files.open_count(kSource), 0);
    EXPECT_EQ(files.open_count(kCopy), 0);
  }

  fake::FakeFiles files;
};

TEST_F(CopyFileTest, CopiesBytesInBlocksWithDateAndAttributes) {
  ASSERT_TRUE(CopyFileWithDate(files, kSource, kCopy));
  ASSERT_EQ(files.read_calls.size(), 3u);
  EXPECT_EQ(files.read_calls[0].asked, 2048u);
  EXPECT_EQ(files.read_calls[2].asked, 2048u);
  EXPECT_EQ(files.read_calls[0].got, 2048);
  EXPECT_EQ(files.read_calls[1].got, 2048);
  EXPECT_EQ(files.read_calls[2].got, 904);
  ASSERT_EQ(files.write_calls.size(), 3u);
  EXPECT_EQ(files.write_calls[2].asked, 904u);
  EXPECT_EQ(files.contents(kCopy), Pattern(5000));
  EXPECT_EQ(files.file(kCopy)->last_write, kTenOhTwo);
  EXPECT_EQ(files.file(kCopy)->attributes, kFileAttributeReadOnly);
  EXPECT_EQ(files.open_count(kSource), 0);
  EXPECT_EQ(files.open_count(kCopy), 0);
}

TEST_F(CopyFileTest, EmptySourceGivesEmptyCopyWithDate) {
  files.add_file("D:\\empty.txt", "", fake::FakeFiles::kFileAttributeArchive, kTenOhTwo);
  ASSERT_TRUE(CopyFileWithDate(files, "D:\\empty.txt", "C:\\empty.txt"));
  EXPECT_TRUE(files.read_calls.empty());
  EXPECT_EQ(files.contents("C:\\empty.txt"), "");
  EXPECT_EQ(files.file("C:\\empty.txt")->last_write, kTenOhTwo);
}

TEST_F(CopyFileTest, ReplacesAnExistingDestination) {
  files.add_file(kCopy, std::string(9000, 'z'));
  ASSERT_TRUE(CopyFileWithDate(files, kSource, kCopy));
  EXPECT_EQ(files.contents(kCopy), Pattern(5000));
}

TEST_F(CopyFileTest, SameNameOpensNothing) {
  EXPECT_FALSE(CopyFileWithDate(files, kSource, kSource));
  EXPECT_TRUE(files.opens.empty());
  EXPECT_EQ(files.contents(kSource), Pattern(5000));
}

TEST_F(CopyFileTest, NamesDifferingInCaseAreRefusedBySharing) {
  std::string other_case = "d:\\MEDIUM\\imgdata\\radozevo.EXE";
  EXPECT_FALSE(CopyFileWithDate(files, kSource, other_case));
  EXPECT_EQ(files.opens.size(), 2u);
  EXPECT_EQ(files.contents(kSource), Pattern(5000));
}

TEST_F(CopyFileTest, MissingOrRefusedSourceCreatesNothing) {
  EXPECT_FALSE(CopyFileWithDate(files, "D:\\missing.exe", kCopy));
  files.refuse_open(kSource);
  EXPECT_FALSE(CopyFileWithDate(files, kSource, kCopy));
  EXPECT_EQ(files.opens.size(), 2u);
  ExpectNoCopyLeft();
}

TEST_F(CopyFileTest, RefusedDestinationClosesTheSource) {
  files.refuse_create(kCopy);
  EXPECT_FALSE(CopyFileWithDate(files, kSource, kCopy));
  ExpectNoCopyLeft();
  EXPECT_FALSE(CopyFileWithDate(files, kSource, "Q:\\NoSuchDrive\\x.exe"));
  EXPECT_EQ(files.open_count(kSource), 0);
}

TEST_F(CopyFileTest, ReadOnlyDestinationIsNotReplaced) {
  files.add_file(kCopy, "old", kFileAttributeReadOnly);
  EXPECT_FALSE(CopyFileWithDate(files, kSource, kCopy));
  EXPECT_EQ(files.contents(kCopy), "old");
}

TEST_F(CopyFileTest, ShortWriteFailsAndRemovesTheCopy) {
  files.short_write(kCopy, 3000);
  EXPECT_FALSE(CopyFileWithDate(files, kSource, kCopy));
  ASSERT_EQ(files.write_calls.size(), 2u);
  EXPECT_EQ(files.write_calls[1].written, 952);
  ExpectNoCopyLeft();
}

TEST_F(CopyFileTest, WriteErrorFailsAndRemovesTheCopy) {
  files.fail_write(kCopy, 4096);
  EXPECT_FALSE(CopyFileWithDate(files, kSource, kCopy));
  EXPECT_EQ(files.write_calls.back().written, -1);
  ExpectNoCopyLeft();
}

TEST_F(CopyFileTest, ReadErrorFailsAndRemovesTheCopy) {
  files.fail_read(kSource, 2048);
  EXPECT_FALSE(CopyFileWithDate(files, kSource, kCopy));
  EXPECT_EQ(files.read_calls.size(), 2u);
  ExpectNoCopyLeft();
}

TEST_F(CopyFileTest, ShrinkingSourceEndsTheLoopAsFailed) {
  files.shrink_after_open(kSource, 3000);
  EXPECT_FALSE(CopyFileWithDate(files, kSource, kCopy));
  ASSERT_EQ(files.read_calls.size(), 3u);
  EXPECT_EQ(files.read_calls[2].got, 0);
  ExpectNoCopyLeft();
}

TEST_F(CopyFileTest, UndeletableIncompleteCopyStillFails) {
  files.short_write(kCopy, 10);
  files.refuse_remove(kCopy);
  EXPECT_FALSE(CopyFileWithDate(files, kSource, kCopy));
  EXPECT_EQ(files.open_count(kCopy), 0);
}

// A source that grows after the size was taken gives the bytes the last
// block read, not a count below zero that never ends.
TEST_F(CopyFileTest, LastBlockMayCarryMoreThanTheSize) {
  class GrowingReader : public FileReader {
   public:
    std::optional<std::uint64_t> size() override { return 100; }
    std::int64_t read(void*, std::size_t count) override {
      ++reads;
      return reads == 1 ? static_cast<std::int64_t>(count) : 0;
    }
    std::optional<DosDateTime> last_write_time() override { return std::nullopt; }
    int reads = 0;
  };
  class OneFileHost : public fake::FakeFiles {
   public:
    std::unique_ptr<FileReader> open_read(const std::string&) override {
      return std::make_unique<GrowingReader>();
    }
  };
  OneFileHost host;
  ASSERT_TRUE(CopyFileWithDate(host, "C:\\grows", "C:\\copy"));
  EXPECT_EQ(host.contents("C:\\copy")->size(), 2048u);
}

// Placing a file on the machine: all or nothing, protected, never through a
// link or into a folder.
TEST_F(CopyFileTest, PlacedCopyIsProtectedAndReplacesReadOnlyHiddenOrSystemFiles) {
  for (std::uint32_t planted : {kFileAttributeReadOnly | kFileAttributeHidden,
                                kFileAttributeSystem, fake::FakeFiles::kFileAttributeArchive}) {
    files.add_file(kCopy, "someone's program", planted);
    ASSERT_TRUE(PlaceCopy(files, kSource, kCopy)) << planted;
    const auto* placed = files.file(kCopy);
    EXPECT_EQ(placed->bytes, Pattern(5000));
    EXPECT_EQ(placed->last_write, kTenOhTwo);
    EXPECT_EQ(placed->attributes, kFileAttributeReadOnly);
    EXPECT_EQ(placed->protection, FileProtection::kAdministrators);
  }
  ASSERT_TRUE(PlaceText(files, "C:\\Alert.alt", "notice"));
  EXPECT_EQ(files.contents("C:\\Alert.alt"), "notice");
  EXPECT_EQ(files.file("C:\\Alert.alt")->protection, FileProtection::kAdministrators);
}

TEST(PlaceFileTest, FailedPlacementLeavesTheDestinationAsItWas) {
  const DosDateTime old_date{0x4000, 0};
  const std::uint32_t old_attributes = kFileAttributeReadOnly | kFileAttributeHidden;
  const std::function<void(fake::FakeFiles&)> faults[] = {
      [](fake::FakeFiles& f) { f.fail_write(kCopy, 10); },
      [](fake::FakeFiles& f) { f.short_write(kCopy, 10); },
      [](fake::FakeFiles& f) { f.refuse_replace(kCopy); },
      [](fake::FakeFiles& f) { f.refuse_create(kCopy); },
  };
  int number = 0;
  for (const auto& fault : faults) {
    fake::FakeFiles files;
    files.add_file(kSource, Pattern(5000), kFileAttributeReadOnly, kTenOhTwo);
    files.add_file(kCopy, "old", old_attributes, old_date);
    fault(files);
    EXPECT_FALSE(PlaceCopy(files, kSource, kCopy)) << number;
    EXPECT_FALSE(PlaceText(files, kCopy, Pattern(20))) << number;
    const auto* kept = files.file(kCopy);
    ASSERT_NE(kept, nullptr) << number;
    EXPECT_EQ(kept->bytes, "old") << number;
    EXPECT_EQ(kept->attributes, old_attributes) << number;
    EXPECT_EQ(kept->last_write, old_date) << number;
    EXPECT_EQ(kept->protection, std::nullopt) << number;
    EXPECT_EQ(files.names_in("C:\\"), std::vector<std::string>{"radozevo.exe"}) << number;
    EXPECT_EQ(files.open_count(kSource), 0) << number;
    ++number;
  }
}

TEST_F(CopyFileTest, FolderOrReparsePointInThePlaceIsNotFollowed) {
  files.add_folder("C:\\Alert.alt");
  files.add_file("C:\\Link.exe", "", kFileAttributeReparsePoint);
  EXPECT_FALSE(PlaceText(files, "C:\\Alert.alt", "notice"));
  EXPECT_FALSE(PlaceCopy(files, kSource, "C:\\Link.exe"));
  EXPECT_TRUE(files.has_folder("C:\\Alert.alt"));
  EXPECT_EQ(files.file("C:\\Link.exe")->attributes, kFileAttributeReparsePoint);
  EXPECT_TRUE(CanReplace(files, "C:\\Missing.exe"));
  EXPECT_FALSE(CanReplace(files, "C:\\Link.exe"));
}

TEST(AddTrailingBackslashTest, CompletesFolderPaths) {
  EXPECT_EQ(AddTrailingBackslash("", 1252), "");
  EXPECT_EQ(AddTrailingBackslash("C:\\Medium", 1252), "C:\\Medium\\");
  EXPECT_EQ(AddTrailingBackslash("C:\\Medium\\", 949), "C:\\Medium\\");
  EXPECT_EQ(AddTrailingBackslash("C:", 932), "C:\\");
}

// "\x95\x5C" is one Shift-JIS character whose second byte is 0x5C.
TEST(AddTrailingBackslashTest, TrailByteIsNoBackslash) {
  const std::string folder = "C:\\\x95\x5C";
  EXPECT_EQ(AddTrailingBackslash(folder, 932), folder + "\\");
  EXPECT_EQ(AddTrailingBackslash(folder + "\\", 932), folder + "\\");
  EXPECT_EQ(AddTrailingBackslash(folder, 1252), folder);
}

TEST(FolderOfTest, CutsAtTheLastSeparatorThatIsOne) {
  const struct {
    unsigned code_page;
    std::string path;
    std::string folder;
  } cases[] = {
      {1252, "E:\\KTR\\KtrSetup.exe", "E:\\KTR\\"},
      {1252, "E:\\KtrSetup.exe", "E:\\"},
      {1252, "E:KtrSetup.exe", "E:"},
      {1252, "KtrSetup.exe", ""},
      {949, "\\\\server\\share\\KtrSetup.exe", "\\\\server\\share\\"},
      // Shift-JIS: the 0x5C of "\x95\x5C" inside or at the end of a name.
      {932, "E:\\KTR\\\x95\x5Csetup.exe", "E:\\KTR\\"},
      {932, "E:\\KTR\\\x95\x5C", "E:\\KTR\\"},
      {932, "E:\\\x95\x5C\\KtrSetup.exe", "E:\\\x95\x5C\\"},
      {932, "\x95\x5C", ""},
      // Big5 and GBK have such characters too; a single-byte page does not.
      {950, "E:\\\xA5\x5C.exe", "E:\\"},
      {936, "E:\\\x81\x5C\\x.exe", "E:\\\x81\x5C\\"},
      {1252, "E:\\KTR\\\x95\x5Csetup.exe", "E:\\KTR\\\x95\x5C"},
  };
  for (const auto& c : cases) EXPECT_EQ(FolderOf(c.path, c.code_page), c.folder) << c.path;
}

TEST(RunAndWaitTest, PassesTheLineAndGivesTheExitCode) {
  fake::FakeFiles files;
  fake::FakeProcesses processes(files);
  processes.set_exit_code("C:\\Medium\\Install.exe", 3);
  processes.set_missing("C:\\Gone.exe");
  EXPECT_EQ(RunAndWait(processes, "\"C:\\Medium\\Install.exe\" /s", 5), 3);
  EXPECT_EQ(RunAndWait(processes, "C:\\Gone.exe", 5), -1);
  ASSERT_EQ(processes.waited().size(), 2u);
  EXPECT_EQ(processes.waited()[0].command_line, "\"C:\\Medium\\Install.exe\" /s");
  EXPECT_EQ(processes.waited()[0].show, 5);
}

}  // namespace
}  // namespace ktr::platform
