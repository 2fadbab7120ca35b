#include <gtest/gtest.h>

#include <string>

#include "QM_ErrorReport.h"

TEST(ErrorReport, PartsAreJoinedBySingleNewlinesWithoutTrailingOne) {
  QM_ErrorReport report;
  EXPECT_STREQ(report.GetErrorText(), "");
  report.SetError("SettingsFileClass::OpenFileForReading", "No such file or directory");
  EXPECT_STREQ(report.GetErrorText(),
               "SettingsFileClass::OpenFileForReading\nNo such file or directory");
  report.SetError("A::B", "went wrong", "");
  EXPECT_STREQ(report.GetErrorText(), "A::B\nwent wrong\n");
  report.SetError(std::string("whole text"));
  EXPECT_STREQ(report.GetErrorText(), "whole text");
}

TEST(ErrorReport, TextIsCutTo255Characters) {
  QM_ErrorReport report;
  report.SetError(std::string(300, 'x'));
  EXPECT_EQ(std::string(report.GetErrorText()), std::string(255, 'x'));
}

TEST(ErrorReport, OverlongPartsContributeTheirFirst1023Characters) {
  QM_ErrorReport report;
  std::string longPart(1025, 'a');
  std::string exactPart(1024, 'b');
  report.SetError(longPart.c_str(), exactPart.c_str(), longPart.c_str());
  EXPECT_EQ(report.GetMessageLength(), 1023u + 1u + 1024u + 1u + 1023u);
  report.SetError(exactPart.c_str(), "m");
  EXPECT_EQ(report.GetMessageLength(), 1024u + 1u + 1u);
  // The one-part form is not limited.
  report.SetError(std::string(5000, 'c'));
  EXPECT_EQ(report.GetMessageLength(), 5000u);
}

TEST(ErrorReport, SetErrorOnceReportsEachCodeOnce) {
  QM_ErrorReport report;
  report.SetErrorOnce("F", "first", "x", 7);
  report.SetErrorOnce("F", "second", "x", 7);
  EXPECT_STREQ(report.GetErrorText(), "F\nfirst\nx");
  report.SetError("later");
  report.SetErrorOnce("F", "third", "x", 7);
  EXPECT_STREQ(report.GetErrorText(), "later");
}

TEST(ErrorReport, AfterFiftyCodesEveryReportGetsThrough) {
  QM_ErrorReport report;
  for (int code = 1; code <= 50; ++code) EXPECT_FALSE(report.AlreadyReported(code));
  EXPECT_FALSE(report.AlreadyReported(1));  // stored, but the list is full
  EXPECT_FALSE(report.AlreadyReported(99));
  report.SetErrorOnce("F", "again", "x", 3);
  EXPECT_STREQ(report.GetErrorText(), "F\nagain\nx");
}

TEST(ErrorReport, BeforeTheListIsFullAStoredCodeIsFound) {
  QM_ErrorReport report;
  EXPECT_FALSE(report.AlreadyReported(54895682));
  EXPECT_TRUE(report.AlreadyReported(54895682));
}
