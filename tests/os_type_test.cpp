// The edition decision over registry facts, as a boundary table.
#include "platform/os_type.h"

#include <gtest/gtest.h>

#include <cctype>

#include <optional>
#include <ostream>
#include <string>

#include "platform/errors.h"
#include "testing/fake_host.h"

namespace ktr::platform {
namespace {

constexpr const char* kNt = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr const char* kOptions = "SYSTEM\\CurrentControlSet\\Control\\ProductOptions";
constexpr const char* k9x = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

struct Machine {
  const char* label;
  std::uint32_t platform;
  std::optional<std::string> nt_product_name;
  std::optional<std::string> product_type;
  std::optional<std::string> product_name_9x;
  int expected;
};

// Shown by its label, so that listings and test names stay short and stable.
void PrintTo(const Machine& machine, std::ostream* out) { *out << machine.label; }

class OsTypeTable : public testing::TestWithParam<Machine> {};

TEST_P(OsTypeTable, GivesTheEditionIndex) {
  const Machine& m = GetParam();
  fake::FakeHost host;
  host.version.platform = m.platform;
  if (m.nt_product_name) host.registry.set(kNt, "ProductName", *m.nt_product_name);
  if (m.product_type) host.registry.set(kOptions, "ProductType", *m.product_type);
  if (m.product_name_9x) host.registry.set(k9x, "ProductName", *m.product_name_9x);
  Host h = host.host();
  EXPECT_EQ(GetOSTypeIndex(h), m.expected) << m.label;
  EXPECT_LE(host.registry.reads.size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(
    Editions, OsTypeTable,
    testing::Values(
        Machine{"xp", 2, "Microsoft Windows XP", "ServerNT", std::nullopt, 7},
        Machine{"xp whatever type", 2, "Microsoft Windows XP", std::nullopt, std::nullopt, 7},
        Machine{"2000 pro", 2, "Microsoft Windows 2000", "WinNT", std::nullopt, 5},
        Machine{"2000 server", 2, "Microsoft Windows 2000", "ServerNT", std::nullopt, 6},
        Machine{"2000 domain controller", 2, "Microsoft Windows 2000", "LanmanNT", std::nullopt, 6},
        Machine{"2000 no type", 2, "Microsoft Windows 2000", std::nullopt, std::nullopt, 6},
        Machine{"2000 with blank", 2, "Microsoft Windows 2000 ", "WinNT", std::nullopt, 4},
        Machine{"2000 with blank server", 2, "Microsoft Windows 2000 ", "ServerNT", std::nullopt,
                3},
        Machine{"nt4 workstation", 2, std::nullopt, "WinNT", std::nullopt, 4},
        Machine{"nt4 server", 2, std::nullopt, "ServerNT", std::nullopt, 3},
        Machine{"windows 10", 2, "Windows 10 Pro", "WinNT", std::nullopt, 4},
        Machine{"nothing readable on nt", 2, std::nullopt, std::nullopt, std::nullopt, 3},
        Machine{"xp lower case", 2, "microsoft windows xp", "WinNT", std::nullopt, 4},
        Machine{"nt ignores the 9x value", 2, std::nullopt, "WinNT", "Microsoft Windows 98", 4},
        Machine{"98", 1, std::nullopt, std::nullopt, "Microsoft Windows 98", 1},
        Machine{"95", 1, std::nullopt, std::nullopt, "Microsoft Windows 95", 0},
        Machine{"me", 1, std::nullopt, std::nullopt, "Microsoft Windows ME", 2},
        Machine{"98 second edition", 1, std::nullopt, std::nullopt,
                "Microsoft Windows 98 Second Edition", 1},
        Machine{"bare edition name", 1, std::nullopt, std::nullopt, "Windows 98", -1},
        Machine{"empty 9x name", 1, std::nullopt, std::nullopt, "", -1},
        Machine{"missing 9x name", 1, "Microsoft Windows XP", "WinNT", std::nullopt, -1},
        Machine{"9x name of an nt edition", 0, std::nullopt, std::nullopt, "Microsoft Windows XP",
                7}),
    // Named after the row, so that test names stay the same from run to run.
    [](const testing::TestParamInfo<Machine>& info) {
      std::string name;
      for (const char* c = info.param.label; *c; ++c) {
        name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
      }
      return name;
    });

TEST(OsTypeTest, ProbesOnlyWhatTheBranchNeeds) {
  fake::FakeHost host;
  host.version.platform = 2;
  host.registry.set(kNt, "ProductName", "Microsoft Windows 2000");
  host.registry.set(kOptions, "ProductType", "WinNT");
  EXPECT_EQ(GetOSTypeIndex(host.version, host.registry), 5);
  ASSERT_EQ(host.registry.reads.size(), 3u);
  EXPECT_EQ(host.registry.reads[0].key, kNt);
  EXPECT_EQ(host.registry.reads[1].key, kNt);
  EXPECT_EQ(host.registry.reads[2].key, kOptions);
  EXPECT_EQ(host.registry.reads[2].value, "ProductType");

  host.registry.reads.clear();
  host.version.platform = 1;
  GetOSTypeIndex(host.version, host.registry);
  ASSERT_EQ(host.registry.reads.size(), 1u);
  EXPECT_EQ(host.registry.reads[0].key, k9x);
}

TEST(OsTypeTest, RefusedKeysReadAsEmpty) {
  fake::FakeHost host;
  host.registry.set(kNt, "ProductName", "Microsoft Windows XP");
  host.registry.set(kOptions, "ProductType", "WinNT");
  host.registry.refuse_read(kNt);
  EXPECT_EQ(GetOSTypeIndex(host.version, host.registry), 4);
  host.registry.refuse_read(kOptions);
  EXPECT_EQ(GetOSTypeIndex(host.version, host.registry), 3);
}

TEST(OsTypeTest, ValueOfAnotherTypeRaisesWithItsName) {
  fake::FakeHost host;
  host.registry.set(kNt, "ProductName", "\x01\x02", fake::FakeRegistry::Type::kBinary);
  try {
    GetOSTypeIndex(host.version, host.registry);
    FAIL() << "no error raised";
  } catch (const RegistryError& e) {
    EXPECT_STREQ(e.what(), "Invalid data type for 'ProductName'");
  }
}

TEST(OsTypeTest, EditionSearchLooksForTheEntryInsideTheName) {
  EXPECT_EQ(EditionIndexIn("Microsoft Windows 2000 Server"), 6);
  EXPECT_EQ(EditionIndexIn("xx Microsoft Windows ME yy"), 2);
  EXPECT_EQ(EditionIndexIn("Microsoft Windows"), -1);
  for (std::size_t i = 0; i < kEditionNames.size(); ++i) {
    EXPECT_EQ(EditionIndexIn(kEditionNames[i]), static_cast<int>(i));
  }
}

}  // namespace
}  // namespace ktr::platform
