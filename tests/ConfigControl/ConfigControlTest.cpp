#include <gtest/gtest.h>

#include <string>

#include "ConfigControl.h"
#include "SettingsFile.h"

namespace {

class ConfigControlTest : public ::testing::Test {
 protected:
  void SetUp() override { ConfigControl::Clear(); }
};

void ExpectFields(const char* component, const char* part, const char* file, const char* revision) {
  EXPECT_STREQ(ConfigControl::GetComponent(), component);
  EXPECT_STREQ(ConfigControl::GetPartNumber(), part);
  EXPECT_STREQ(ConfigControl::GetFileName(), file);
  EXPECT_STREQ(ConfigControl::GetRevision(), revision);
}

}  // namespace

TEST_F(ConfigControlTest, RecordsTheFieldsOfARevisionString) {
  ConfigControl::RegisterRevision("%Z% ConfigControl QM3103:02 ConfigFile $Revision: 1.3 $");
  ExpectFields("ConfigControl", "QM3103:02", "ConfigFile", "1.3");
}

TEST_F(ConfigControlTest, RunsOfSpacesCountAsOneSeparator) {
  ConfigControl::RegisterRevision("%Z% RTLoop QM2114:01  RTLoop.h   $Revision: 1.1 $ ");
  ExpectFields("RTLoop", "QM2114:01", "RTLoop.h", "1.1");
}

TEST_F(ConfigControlTest, OnlySpacesSeparateTabsStayInTheirToken) {
  ConfigControl::RegisterRevision("  %Z% Rt\tLoop QM2114:01 RTLoop.h\t$Revision: 1.1 $");
  ExpectFields("Rt\tLoop", "QM2114:01", "RTLoop.h\t$Revision:", "$");
}

TEST_F(ConfigControlTest, WithoutRevisionKeywordTheFifthTokenIsTheRevision) {
  ConfigControl::RegisterRevision("%z% Tool QM1 tool.cpp 2.7");
  ExpectFields("Tool", "QM1", "tool.cpp", "2.7");
}

TEST_F(ConfigControlTest, ASingleTokenRecordsNothingAndMissingTokensKeepTheirFields) {
  ConfigControl::RegisterRevision("%Z% First QM1 first.cpp $Revision: 1.0 $");
  ConfigControl::RegisterRevision("lonely");
  ConfigControl::RegisterRevision("");
  ExpectFields("First", "QM1", "first.cpp", "1.0");
  ConfigControl::RegisterRevision("%Z% Second");
  ExpectFields("Second", "QM1", "first.cpp", "1.0");
  ConfigControl::RegisterRevision(nullptr);
  ExpectFields("Second", "QM1", "first.cpp", "1.0");
}

TEST_F(ConfigControlTest, OverlongFieldsAreCutToTheirSizes) {
  std::string revision = "%Z% " + std::string(300, 'c') + " " + std::string(50, 'p') + " f " +
                         "$Revision: " + std::string(40, '9') + " $";
  ConfigControl::RegisterRevision(revision.c_str());
  EXPECT_EQ(std::string(ConfigControl::GetComponent()), std::string(99, 'c'));
  EXPECT_EQ(std::string(ConfigControl::GetPartNumber()), std::string(31, 'p'));
  EXPECT_EQ(std::string(ConfigControl::GetRevision()), std::string(31, '9'));
}

TEST_F(ConfigControlTest, AClassBlockRunsOncePerProcess) {
  bool registered = false;
  RegisterClassOnce(registered, "Test Class ",
                    {"%Z% A QM1 a.h $Revision: 1.1 $", "%Z% A QM1 a.cpp $Revision: 1.2 $"});
  EXPECT_TRUE(registered);
  ExpectFields("A", "QM1", "a.cpp", "1.2");
  RegisterClassOnce(registered, "Test Class ", {"%Z% B QM2 b.cpp $Revision: 9.9 $"});
  ExpectFields("A", "QM1", "a.cpp", "1.2");
}

TEST_F(ConfigControlTest, SettingsFileRegistersOnItsFirstConstruction) {
  // The settings file class registers from its constructor, once per process;
  // a first object in this process leaves its source unit's fields.
  { SettingsFileClass first("", Read); }
  std::string component = ConfigControl::GetComponent();
  if (component.empty()) GTEST_SKIP() << "settings file already registered in this process";
  ExpectFields("SettingsFileClass", "QM2110:01", "SettingsFile.cpp", "1.4");
  ConfigControl::Clear();
  { SettingsFileClass second("", Read); }
  ExpectFields("", "", "", "");
}
