#include <gtest/gtest.h>

#include "ConfigControl.h"
#include "RtLanUdp.h"

TEST(RtLanUdpRegistration, TheFirstSocketRegistersTheLayersRevisionsOnce) {
  ConfigControl::Clear();
  { CUDP first; }
  EXPECT_STREQ(ConfigControl::GetComponent(), "RtLanUdp");
  EXPECT_STREQ(ConfigControl::GetPartNumber(), "QM2122");
  EXPECT_STREQ(ConfigControl::GetFileName(), "RtLanUdp");
  EXPECT_STREQ(ConfigControl::GetRevision(), "1.1");

  ConfigControl::Clear();
  CUDP second;
  EXPECT_STREQ(ConfigControl::GetComponent(), "");
}
