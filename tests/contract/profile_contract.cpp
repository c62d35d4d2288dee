// The profile-string port: how MultiLang.ini is read.
#include <string>

#include "tests/contract/contract_env.h"

namespace ktr::contract {
namespace {

class ProfileContract : public ContractTest {
 protected:
  std::string Read(const std::string& file, const std::string& section, const std::string& key,
                   std::size_t buffer_size = 2048) {
    return host().profile.read_string(file, section, key, buffer_size);
  }
  // Each test writes its own file: the system may cache what it read.
  std::string Ini(const std::string& text) {
    std::string path = In("MultiLang.ini");
    env().make_file(path, text);
    return path;
  }
};

TEST_F(ProfileContract, SectionAndKeyMatchWithoutCase) {
  std::string ini = Ini("[KOREAN]\r\nres_lang=KOREAN\r\nRES_TITLE=Title\r\n");
  EXPECT_EQ(Read(ini, "KOREAN", "RES_LANG"), "KOREAN");
  EXPECT_EQ(Read(ini, "korean", "res_title"), "Title");
}

TEST_F(ProfileContract, BlanksAroundNamesAndValuesAreDropped) {
  std::string ini = Ini("[ENGLISH]\n  RES_OK   =   OK button  \n\tRES_CANCEL\t=\tCancel\t\n");
  EXPECT_EQ(Read(ini, "ENGLISH", "RES_OK"), "OK button");
  EXPECT_EQ(Read(ini, "ENGLISH", "RES_CANCEL"), "Cancel");
}

TEST_F(ProfileContract, MatchingQuotesAreRemoved) {
  std::string ini =
      Ini("[ENGLISH]\r\nA=\"Install\\Server Setup.exe\"\r\nB='single'\r\nC=\"open\r\n"
          "D=\"mixed'\r\nE=say \"hi\"\r\n");
  EXPECT_EQ(Read(ini, "ENGLISH", "A"), "Install\\Server Setup.exe");
  EXPECT_EQ(Read(ini, "ENGLISH", "B"), "single");
  EXPECT_EQ(Read(ini, "ENGLISH", "C"), "\"open");
  EXPECT_EQ(Read(ini, "ENGLISH", "D"), "\"mixed'");
  EXPECT_EQ(Read(ini, "ENGLISH", "E"), "say \"hi\"");
}

TEST_F(ProfileContract, ValueKeepsItsInnerEqualsSigns) {
  std::string ini = Ini("[ENGLISH]\r\nRES_HELPCLI=help.exe /topic=install\r\n");
  EXPECT_EQ(Read(ini, "ENGLISH", "RES_HELPCLI"), "help.exe /topic=install");
}

TEST_F(ProfileContract, AnythingMissingReadsEmpty) {
  std::string ini = Ini("[KOREAN]\r\nRES_LANG=KOREAN\r\nRES_EMPTY=\r\n");
  EXPECT_EQ(Read(ini, "KOREAN", "RES_EMPTY"), "");
  EXPECT_EQ(Read(ini, "KOREAN", "RES_ABSENT"), "");
  EXPECT_EQ(Read(ini, "ENGLISH", "RES_LANG"), "");
  EXPECT_EQ(Read(In("Absent.ini"), "KOREAN", "RES_LANG"), "");
}

TEST_F(ProfileContract, OtherSectionsAreNotRead) {
  std::string ini = Ini("[ENGLISH]\r\nRES_LANG=ENGLISH\r\n[KOREAN]\r\nRES_TITLE=K\r\n");
  EXPECT_EQ(Read(ini, "KOREAN", "RES_LANG"), "");
  EXPECT_EQ(Read(ini, "ENGLISH", "RES_TITLE"), "");
  EXPECT_EQ(Read(ini, "KOREAN", "RES_TITLE"), "K");
}

TEST_F(ProfileContract, ValueIsCutToTheBuffer) {
  std::string value(3000, 'v');
  value[2046] = 'L';
  std::string ini = Ini("[ENGLISH]\r\nLONG=" + value + "\r\nSHORT=abcdef\r\n");
  std::string read = Read(ini, "ENGLISH", "LONG");
  EXPECT_EQ(read.size(), 2047u);
  EXPECT_EQ(read.back(), 'L');
  EXPECT_EQ(Read(ini, "ENGLISH", "SHORT", 4), "abc");
}

TEST_F(ProfileContract, EightBitTextComesBackUnchanged) {
  const std::string korean = "\xC7\xD1\xB1\xB9\xBE\xEE";  // in code page 949
  std::string ini = Ini("[KOREAN]\r\nRES_TITLE=" + korean + "\r\n");
  EXPECT_EQ(Read(ini, "KOREAN", "RES_TITLE"), korean);
}

}  // namespace
}  // namespace ktr::contract
