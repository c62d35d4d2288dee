// Copying a program with its date and attributes, on the files port.
#include <string>

#include "platform/process_helpers.h"
#include "tests/contract/contract_env.h"

namespace ktr::contract {
namespace {

class CopyContract : public ContractTest {
 protected:
  Files& files() { return host().files; }
  std::string Contents(const std::string& path) {
    auto reader = files().open_read(path);
    if (!reader) return "<cannot open>";
    std::string bytes(static_cast<std::size_t>(reader->size().value_or(0)), '\0');
    std::int64_t got = bytes.empty() ? 0 : reader->read(bytes.data(), bytes.size());
    bytes.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
    return bytes;
  }
};

TEST_F(CopyContract, CopyKeepsBytesEvenSecondDateAndReadOnly) {
  std::string bytes;
  for (int i = 0; i < 5000; ++i) bytes += static_cast<char>((i * 13) % 256);
  std::string source = In("imgdata\\RadOzevO.exe");
  std::string copy = In("RadOzevO.exe");
  env().make_folder(In("imgdata"));
  env().make_file(source, bytes);
  env().set_local_write_time(source, 2002, 2, 1, 10, 0, 3);
  ASSERT_TRUE(files().set_attributes(source, kFileAttributeReadOnly));

  ASSERT_TRUE(platform::CopyFileWithDate(files(), source, copy));
  EXPECT_EQ(Contents(copy), bytes);
  auto reader = files().open_read(copy);
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(reader->last_write_time(),
            (DosDateTime{((2002 - 1980) << 9) | (2 << 5) | 1, (10 << 11) | 1}));  // 10:00:02
  reader.reset();
  EXPECT_NE(*files().attributes(copy) & kFileAttributeReadOnly, 0u);

  // A read-only copy is not overwritten by a second copy.
  if (env().read_only_refuses_writing()) {
    env().make_file(In("other.exe"), "other");
    EXPECT_FALSE(platform::CopyFileWithDate(files(), In("other.exe"), copy));
    EXPECT_EQ(Contents(copy), bytes);
  }
  files().set_attributes(source, kFileAttributeNormal);
  files().set_attributes(copy, kFileAttributeNormal);
}

TEST_F(CopyContract, EmptySourceGivesEmptyCopy) {
  env().make_file(In("empty.alt"), "");
  ASSERT_TRUE(platform::CopyFileWithDate(files(), In("empty.alt"), In("copy.alt")));
  EXPECT_TRUE(files().exists(In("copy.alt")));
  EXPECT_EQ(Contents(In("copy.alt")), "");
}

TEST_F(CopyContract, FailuresLeaveNoCopy) {
  env().make_file(In("tool.exe"), "MZ tool");
  EXPECT_FALSE(platform::CopyFileWithDate(files(), In("tool.exe"), In("tool.exe")));
  EXPECT_FALSE(platform::CopyFileWithDate(files(), In("tool.exe"), In("TOOL.EXE")));
  EXPECT_EQ(Contents(In("tool.exe")), "MZ tool");
  EXPECT_FALSE(platform::CopyFileWithDate(files(), In("missing.exe"), In("copy.exe")));
  EXPECT_FALSE(files().exists(In("copy.exe")));
  EXPECT_FALSE(platform::CopyFileWithDate(files(), In("tool.exe"), In("No Folder\\copy.exe")));
  EXPECT_FALSE(files().exists(In("No Folder\\copy.exe")));
}

}  // namespace
}  // namespace ktr::contract
