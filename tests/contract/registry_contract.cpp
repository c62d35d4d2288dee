// The registry port: what the launcher relies on when it reads product
// values, writes the run-once value and deletes the client's identity.
#include <cctype>
#include <string>

#include "platform/errors.h"
#include "tests/contract/contract_env.h"

namespace ktr::contract {
namespace {

class RegistryContract : public ContractTest {
 protected:
  Registry& registry() { return host().registry; }
  std::string Key(const std::string& sub = {}) {
    return sub.empty() ? env().scratch_key() : env().scratch_key() + "\\" + sub;
  }
  // A path from the root, as the launcher writes its keys.
  static std::string Rooted(const std::string& key) {
    std::string rooted = "\\";
    rooted += key;
    return rooted;
  }
  void SetUp() override {
    ContractTest::SetUp();
    env().make_key(Key());
  }
};

TEST_F(RegistryContract, ReadsTextValues) {
  env().set_value(Key(), "Plain", ValueType::kString, "Microsoft Windows XP");
  env().set_value(Key(), "Expand", ValueType::kExpandString, "%SystemRoot%\\x");
  env().set_value(Key(), "Empty", ValueType::kString, "");
  env().set_value(Key(), "Bare", ValueType::kStringWithoutZero, "WinNT");
  EXPECT_EQ(registry().read_string(Key(), "Plain"), "Microsoft Windows XP");
  EXPECT_EQ(registry().read_string(Key(), "Expand"), "%SystemRoot%\\x");
  EXPECT_EQ(registry().read_string(Key(), "Empty"), "");
  EXPECT_EQ(registry().read_string(Key(), "Bare"), "WinNT");
}

TEST_F(RegistryContract, NamesMatchWithoutCaseAndALeadingBackslash) {
  env().set_value(Key(), "ProductName", ValueType::kString, "x");
  std::string upper = Key();
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(registry().read_string(Rooted(upper), "PRODUCTNAME"), "x");
}

TEST_F(RegistryContract, MissingKeyOrValueReadsAsNothing) {
  EXPECT_EQ(registry().read_string(Key("Absent"), "V"), std::nullopt);
  EXPECT_EQ(registry().read_string(Key(), "Absent"), std::nullopt);
}

TEST_F(RegistryContract, ValueOfAnotherTypeRaises) {
  env().set_value(Key(), "Count", ValueType::kDword, "7");
  try {
    registry().read_string(Key(), "Count");
    FAIL() << "no error raised";
  } catch (const RegistryError& e) {
    EXPECT_STREQ(e.what(), "Invalid data type for 'Count'");
  }
}

TEST_F(RegistryContract, LongValueComesBackWhole) {
  std::string text(5000, 'k');
  text.back() = 'z';
  env().set_value(Key(), "Long", ValueType::kString, text);
  EXPECT_EQ(registry().read_string(Key(), "Long"), text);
}

TEST_F(RegistryContract, WriteSetsTextInAnExistingKey) {
  registry().write_string(Rooted(Key()), "RadOzevO", "C:\\RadOzevO.Exe");
  EXPECT_EQ(registry().read_string(Key(), "RadOzevO"), "C:\\RadOzevO.Exe");
  registry().write_string(Key(), "radozevo", "again");
  EXPECT_EQ(registry().read_string(Key(), "RadOzevO"), "again");
  registry().write_string(Key(), "Empty", "");
  EXPECT_EQ(registry().read_string(Key(), "Empty"), "");
}

TEST_F(RegistryContract, WriteNeverCreatesAKey) {
  try {
    registry().write_string(Key("RunOnce"), "RadOzevO", "C:\\RadOzevO.Exe");
    FAIL() << "no error raised";
  } catch (const RegistryError& e) {
    EXPECT_STREQ(e.what(), "Failed to set data for 'RadOzevO'");
    EXPECT_EQ(e.system_error(), 2u);  // ERROR_FILE_NOT_FOUND, beside the text
  }
  EXPECT_FALSE(env().key_exists(Key("RunOnce")));
}

TEST_F(RegistryContract, DeleteTellsWhatHappened) {
  env().set_value(Key(), "ClientID", ValueType::kString, "1234");
  env().set_value(Key(), "Other", ValueType::kDword, "1");
  EXPECT_EQ(registry().delete_value(Rooted(Key()), "clientid"), RegDeleteResult::kDeleted);
  EXPECT_EQ(registry().read_string(Key(), "ClientID"), std::nullopt);
  EXPECT_EQ(registry().delete_value(Key(), "ClientID"), RegDeleteResult::kValueMissing);
  EXPECT_EQ(registry().delete_value(Key("Gone"), "ClientID"), RegDeleteResult::kKeyMissing);
  EXPECT_EQ(registry().delete_value(Key(), "Other"), RegDeleteResult::kDeleted);
  EXPECT_TRUE(env().key_exists(Key()));
}

}  // namespace
}  // namespace ktr::contract
