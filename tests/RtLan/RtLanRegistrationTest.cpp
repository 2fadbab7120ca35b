// Registration runs once per process; CTest runs each test in its own.

#include <gtest/gtest.h>

#include "ConfigControl.h"
#include "QMP0001_02_RtLan.h"
#include "RtLanLogger.h"

TEST(RtLanRegistration, TheStationRegistersItsEightUnitsOnce) {
  ConfigControl::Clear();
  { QMP0001_02_RtLan lan(nullptr); }
  // The last of the eight strings.
  EXPECT_STREQ(ConfigControl::GetComponent(), "QM-P-00001-02");
  EXPECT_STREQ(ConfigControl::GetPartNumber(), "QM-P-0001-02-001");
  EXPECT_STREQ(ConfigControl::GetFileName(), "RtLanTransmitMulti");
  EXPECT_STREQ(ConfigControl::GetRevision(), "1.1");
  ConfigControl::Clear();
  QMP0001_02_RtLan second(nullptr);
  EXPECT_STREQ(ConfigControl::GetComponent(), "");
}

TEST(RtLanRegistration, TheLoggerRegistersItsUnitsOnce) {
  ConfigControl::Clear();
  { RtLanLogger logger; }
  EXPECT_STREQ(ConfigControl::GetComponent(), "RtLanLogger");
  EXPECT_STREQ(ConfigControl::GetPartNumber(), "QM2123");
  EXPECT_STREQ(ConfigControl::GetFileName(), "RtLanLogger");
  EXPECT_STREQ(ConfigControl::GetRevision(), "1.2");
  ConfigControl::Clear();
  RtLanLogger second;
  EXPECT_STREQ(ConfigControl::GetComponent(), "");
}
