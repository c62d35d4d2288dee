// The files port: existence, block transfers without sharing or shared with
// readers only, DOS times, attributes, the current directory.
#include <algorithm>
#include <string>
#include <vector>

#include "tests/contract/contract_env.h"

namespace ktr::contract {
namespace {

constexpr std::uint32_t kDirectory = 0x10;
constexpr FileProtection kAdministrators = FileProtection::kAdministrators;

// Owner, whether the DACL is protected, and its entries sorted: the system
// may list the entries in any order and add flags that change nothing here
// (AI, auto-inherited).
std::string Canonical(const std::string& sddl) {
  const auto dacl = sddl.find("D:");
  if (sddl.compare(0, 2, "O:") != 0 || dacl == std::string::npos) return "<" + sddl + ">";
  const auto first = sddl.find('(', dacl);
  const std::string flags = sddl.substr(dacl + 2, first - dacl - 2);
  std::vector<std::string> entries;
  for (auto at = first; at != std::string::npos && at < sddl.size();) {
    const auto end = sddl.find(')', at);
    if (end == std::string::npos) break;
    entries.push_back(sddl.substr(at, end - at + 1));
    at = end + 1;
  }
  std::sort(entries.begin(), entries.end());
  std::string canonical = sddl.substr(0, dacl) + "D:" +
                          (flags.find('P') != std::string::npos ? "P" : "");
  for (const std::string& entry : entries) canonical += entry;
  return canonical;
}

// Owner Administrators; SYSTEM and Administrators full control; Users read
// and execute; no inherited entry.
constexpr const char* kAdministratorsOnly =
    "O:BAD:P(A;;0x1200a9;;;BU)(A;;FA;;;BA)(A;;FA;;;SY)";

class FilesContract : public ContractTest {
 protected:
  Files& files() { return host().files; }

  std::string ReadAll(const std::string& path) {
    auto reader = files().open_read(path);
    if (!reader) return "<cannot open>";
    std::string bytes;
    char block[700];
    for (;;) {
      std::int64_t got = reader->read(block, sizeof(block));
      if (got <= 0) break;
      bytes.append(block, static_cast<std::size_t>(got));
    }
    return bytes;
  }

  // Exactly the administrators' descriptor where the system keeps one; where
  // it keeps only a Unix mode (Wine), at least nothing left for Everyone.
  void ExpectAdministratorsOnly(const std::string& path) {
    const std::string sddl = env().security_of(path);
    if (env().keeps_descriptors()) {
      EXPECT_EQ(Canonical(sddl), kAdministratorsOnly) << path;
    } else {
      EXPECT_EQ(sddl.compare(0, 2, "O:"), 0) << sddl;
      EXPECT_EQ(sddl.find(";;;WD)"), std::string::npos) << path << ": " << sddl;
    }
  }

  std::vector<std::string> Names() {
    std::vector<std::string> names = env().names_in(env().scratch());
    for (std::string& name : names) {
      for (char& c : name) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  // The process's current directory is shared by every test.
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

TEST_F(FilesContract, ExistsIsForFilesOnlyAndIgnoresCase) {
  env().make_folder(In("Install\\KTR-Client"));
  env().make_file(In("Install\\KTR-Client\\Install.exe"), "MZ");
  EXPECT_TRUE(files().exists(In("Install\\KTR-Client\\Install.exe")));
  EXPECT_TRUE(files().exists(In("INSTALL\\ktr-client\\install.EXE")));
  EXPECT_FALSE(files().exists(In("Install\\KTR-Client")));
  EXPECT_FALSE(files().exists(In("Install\\KTR-Client\\Missing.exe")));
  EXPECT_FALSE(files().exists(In("Missing\\Install.exe")));
}

TEST_F(FilesContract, WrittenBytesReadBackWithTheirSize) {
  std::string bytes;
  for (int i = 0; i < 5000; ++i) bytes += static_cast<char>(i % 251);
  {
    auto writer = files().create_unprotected(In("copy.bin"));
    ASSERT_NE(writer, nullptr);
    EXPECT_EQ(writer->write(bytes.data(), 3000), 3000);
    EXPECT_EQ(writer->write(bytes.data() + 3000, 2000), 2000);
  }
  auto reader = files().open_read(In("copy.bin"));
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(reader->size(), 5000u);
  reader.reset();
  EXPECT_EQ(ReadAll(In("copy.bin")), bytes);
}

TEST_F(FilesContract, ReadGivesAtMostTheAskedBytesThenZero) {
  env().make_file(In("five.bin"), "12345");
  auto reader = files().open_read(In("five.bin"));
  ASSERT_NE(reader, nullptr);
  char block[8];
  EXPECT_EQ(reader->read(block, 2), 2);
  EXPECT_EQ(reader->read(block, 8), 3);
  EXPECT_EQ(reader->read(block, 8), 0);
}

TEST_F(FilesContract, CreateEmptiesAnExistingFile) {
  env().make_file(In("old.txt"), "a long old text");
  {
    auto writer = files().create_unprotected(In("OLD.txt"));
    ASSERT_NE(writer, nullptr);
    EXPECT_EQ(writer->write("new", 3), 3);
  }
  EXPECT_EQ(ReadAll(In("old.txt")), "new");
}

TEST_F(FilesContract, OpenAndCreateFailWhereTheyCannotWork) {
  EXPECT_EQ(files().open_read(In("missing.bin")), nullptr);
  EXPECT_EQ(files().create_unprotected(In("Missing Folder\\x.bin")), nullptr);
  env().make_folder(In("Folder"));
  EXPECT_EQ(files().create_unprotected(In("Folder")), nullptr);
  EXPECT_FALSE(files().exists(In("Missing Folder\\x.bin")));
}

TEST_F(FilesContract, AnOpenFileIsNotShared) {
  env().make_file(In("busy.bin"), "data");
  auto reader = files().open_read(In("busy.bin"));
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(files().open_read(In("busy.bin")), nullptr);
  EXPECT_EQ(files().create_unprotected(In("BUSY.bin")), nullptr);
  EXPECT_FALSE(files().remove(In("busy.bin")));
  reader.reset();
  EXPECT_TRUE(files().remove(In("busy.bin")));
  EXPECT_FALSE(files().exists(In("busy.bin")));
  EXPECT_FALSE(files().remove(In("busy.bin")));
}

TEST_F(FilesContract, FolderListsItsNamesAndWhichAreFolders) {
  env().make_folder(In("Setup"));
  env().make_folder(In("Setup\\Data"));
  env().make_file(In("Setup\\Install.exe"), "MZ");
  env().make_file(In("Setup\\setup.dll"), "MZ");
  auto listed = files().list_folder(In("Setup"));
  ASSERT_TRUE(listed);
  std::vector<std::string> names;
  for (const FolderEntry& entry : *listed) {
    std::string name = entry.name;
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    names.push_back(name + (entry.folder ? "\\" : ""));
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"data\\", "install.exe", "setup.dll"}));
  EXPECT_EQ(files().list_folder(In("Setup\\")).value_or(std::vector<FolderEntry>{}).size(), 3u);
  EXPECT_FALSE(files().list_folder(In("Missing")));
}

TEST_F(FilesContract, LastWriteTimeIsALocalDosTime) {
  env().make_file(In("dated.bin"), "x");
  env().set_local_write_time(In("dated.bin"), 2002, 2, 1, 10, 0, 3);
  auto reader = files().open_read(In("dated.bin"));
  ASSERT_NE(reader, nullptr);
  auto when = reader->last_write_time();
  ASSERT_TRUE(when.has_value());
  EXPECT_EQ(when->date, ((2002 - 1980) << 9) | (2 << 5) | 1);
  EXPECT_EQ(when->time, (10 << 11) | (0 << 5) | 1);  // 10:00:02

  const DosDateTime set{static_cast<std::uint16_t>(((1999 - 1980) << 9) | (12 << 5) | 31),
                        static_cast<std::uint16_t>((23 << 11) | (59 << 5) | 29)};
  {
    auto writer = files().create_unprotected(In("stamped.bin"));
    ASSERT_NE(writer, nullptr);
    EXPECT_EQ(writer->write("abc", 3), 3);
    EXPECT_TRUE(writer->set_last_write_time(set));
  }
  auto stamped = files().open_read(In("stamped.bin"));
  ASSERT_NE(stamped, nullptr);
  EXPECT_EQ(stamped->last_write_time(), set);
}

TEST_F(FilesContract, AttributesByName) {
  env().make_file(In("tool.exe"), "MZ");
  env().make_folder(In("Folder"));
  EXPECT_EQ(files().attributes(In("missing.exe")), std::nullopt);
  ASSERT_TRUE(files().attributes(In("Folder")).has_value());
  EXPECT_NE(*files().attributes(In("Folder")) & kDirectory, 0u);
  EXPECT_EQ(*files().attributes(In("tool.exe")) & (kFileAttributeReadOnly | kDirectory), 0u);

  EXPECT_TRUE(files().set_attributes(In("TOOL.exe"), kFileAttributeReadOnly));
  EXPECT_NE(*files().attributes(In("tool.exe")) & kFileAttributeReadOnly, 0u);
  EXPECT_FALSE(files().remove(In("tool.exe")));
  EXPECT_EQ(ReadAll(In("tool.exe")), "MZ");

  EXPECT_TRUE(files().set_attributes(In("tool.exe"), kFileAttributeNormal));
  EXPECT_EQ(*files().attributes(In("tool.exe")) & kFileAttributeReadOnly, 0u);
  EXPECT_TRUE(files().remove(In("tool.exe")));
  EXPECT_FALSE(files().set_attributes(In("tool.exe"), kFileAttributeNormal));
}

TEST_F(FilesContract, ReadOnlyFileIsNotReplaced) {
  if (!env().read_only_refuses_writing()) GTEST_SKIP() << "read-only is not enforced here";
  env().make_file(In("tool.exe"), "MZ");
  ASSERT_TRUE(files().set_attributes(In("tool.exe"), kFileAttributeReadOnly));
  EXPECT_EQ(files().create_unprotected(In("tool.exe")), nullptr);
  EXPECT_EQ(ReadAll(In("tool.exe")), "MZ");
  files().set_attributes(In("tool.exe"), kFileAttributeNormal);
}

TEST_F(FilesContract, PlacedFileTakesThePlaceWhenCommittedWithItsDateAndProtection) {
  env().make_file(In("Alert.alt"), "old text");
  const DosDateTime when{static_cast<std::uint16_t>(((2001 - 1980) << 9) | (7 << 5) | 4),
                         static_cast<std::uint16_t>((9 << 11) | (30 << 5))};
  auto placed = files().place(In("ALERT.alt"), kAdministrators);
  ASSERT_NE(placed, nullptr);
  EXPECT_EQ(placed->write("new", 3), 3);
  EXPECT_TRUE(placed->set_last_write_time(when));
  EXPECT_EQ(ReadAll(In("Alert.alt")), "old text");
  EXPECT_TRUE(placed->commit());
  placed.reset();
  EXPECT_EQ(ReadAll(In("Alert.alt")), "new");
  EXPECT_EQ(Names(), std::vector<std::string>{"alert.alt"});
  ExpectAdministratorsOnly(In("Alert.alt"));
  auto reader = files().open_read(In("Alert.alt"));
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(reader->last_write_time(), when);

  auto fresh = files().place(In("new.exe"), kAdministrators);
  ASSERT_NE(fresh, nullptr);
  EXPECT_TRUE(fresh->commit());
  EXPECT_EQ(ReadAll(In("new.exe")), "");
  ExpectAdministratorsOnly(In("new.exe"));
}

TEST_F(FilesContract, DiscardedOrRefusedPlacementLeavesNothing) {
  env().make_file(In("tool.exe"), "MZ old");
  env().make_folder(In("Folder"));
  {
    auto discarded = files().place(In("tool.exe"), kAdministrators);
    ASSERT_NE(discarded, nullptr);
    EXPECT_EQ(discarded->write("MZ new", 6), 6);
  }
  // Windows will not move a file over a read-only one; Wine does.
  if (env().read_only_refuses_writing()) {
    ASSERT_TRUE(files().set_attributes(In("tool.exe"), kFileAttributeReadOnly));
    auto over_read_only = files().place(In("tool.exe"), kAdministrators);
    ASSERT_NE(over_read_only, nullptr);
    EXPECT_EQ(over_read_only->write("MZ new", 6), 6);
    EXPECT_FALSE(over_read_only->commit());
  }
  auto over_folder = files().place(In("Folder"), kAdministrators);
  ASSERT_NE(over_folder, nullptr);
  EXPECT_FALSE(over_folder->commit());
  EXPECT_EQ(files().place(In("Missing\\x.bin"), kAdministrators), nullptr);

  EXPECT_EQ(Names(), (std::vector<std::string>{"folder", "tool.exe"}));
  EXPECT_NE(*files().attributes(In("Folder")) & kDirectory, 0u);
  EXPECT_EQ(ReadAll(In("tool.exe")), "MZ old");
  EXPECT_NE(Canonical(env().security_of(In("tool.exe"))), kAdministratorsOnly);
  files().set_attributes(In("tool.exe"), kFileAttributeNormal);
}

TEST_F(FilesContract, ASharedReadSharesWithReadersOnly) {
  env().make_file(In("skin.bmp"), "BM");
  auto first = files().open_read_shared(In("skin.bmp"));
  ASSERT_NE(first, nullptr);
  auto second = files().open_read_shared(In("SKIN.bmp"));
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(ReadAll(In("skin.bmp")), "<cannot open>");  // a reader that does not share
  EXPECT_EQ(files().create_unprotected(In("skin.bmp")), nullptr);
  EXPECT_FALSE(files().remove(In("skin.bmp")));
  auto over = files().place(In("skin.bmp"), kAdministrators);
  ASSERT_NE(over, nullptr);
  EXPECT_FALSE(over->commit());
  char block[4] = {};
  EXPECT_EQ(second->read(block, sizeof block), 2);
  first.reset();
  second.reset();

  auto alone = files().open_read(In("skin.bmp"));
  ASSERT_NE(alone, nullptr);
  EXPECT_EQ(files().open_read_shared(In("skin.bmp")), nullptr);
  alone.reset();
  EXPECT_NE(files().open_read_shared(In("skin.bmp")), nullptr);
  EXPECT_EQ(files().open_read_shared(In("missing.bmp")), nullptr);
}

TEST_F(FilesContract, CurrentDirectoryIsSetAndReadWhole) {
  std::string deep = In("Install\\InstallBuild");
  for (int i = 0; deep.size() < 200; ++i) deep += "\\folder with a long name " + std::to_string(i);
  env().make_folder(deep);
  ASSERT_EQ(files().set_current_directory(deep), 0u);
  EXPECT_EQ(files().current_directory(), deep);
  ASSERT_EQ(files().set_current_directory(deep + "\\"), 0u);
  EXPECT_EQ(files().current_directory(), deep);
}

TEST_F(FilesContract, RelativeNamesFollowTheCurrentDirectory) {
  env().make_folder(In("Medium\\imgdata"));
  env().make_file(In("Medium\\imgdata\\RadOzevO.exe"), "MZ");
  ASSERT_EQ(files().set_current_directory(In("Medium")), 0u);
  EXPECT_TRUE(files().exists("imgdata\\RadOzevO.exe"));
  EXPECT_TRUE(files().exists(In("Medium\\imgdata\\\\RadOzevO.exe")));
}

TEST_F(FilesContract, SetCurrentDirectoryGivesTheSystemsErrorCode) {
  env().make_file(In("file.txt"), "x");
  std::string before = files().current_directory();
  EXPECT_EQ(files().set_current_directory(In("Missing")), 2u);
  EXPECT_EQ(files().set_current_directory(In("Missing\\Deeper")), 3u);
  EXPECT_NE(files().set_current_directory(In("file.txt")), 0u);
  EXPECT_EQ(files().current_directory(), before);
}

TEST_F(FilesContract, ProgramPathNamesAnExistingProgram) {
  std::string path = files().program_path();
  ASSERT_GT(path.size(), 4u);
  EXPECT_EQ(path[1], ':');
  EXPECT_TRUE(files().exists(path));
}

}  // namespace
}  // namespace ktr::contract
