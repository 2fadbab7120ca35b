#include <gtest/gtest.h>

#include <string>

#include "TempDir.h"
#include "VisimTrack.h"

namespace {

bool Parse(VisimTrack& track, const std::string& text) {
  return track.Parse(text.data(), text.size(), "t.csv");
}

TEST(VisimTrack, ReadsColumnsInAnyOrderWithCommentsBlanksAndWindowsLineEnds) {
  VisimTrack track;
  ASSERT_TRUE(Parse(track,
                    "# recorded on the A320 rig\r\n"
                    "lat, lon ,time_s,airport,view\r\n"
                    "\r\n"
                    "51.4775,-0.4614,0,EGLL,0\r\n"
                    "51.4780,,0.5,,1\r\n"
                    "  # a pause\n"
                    "51.4790,-0.4700,2.0,EGKK,3"))
      << track.GetErrorText();
  EXPECT_EQ(track.Columns(), VisimFields::Bit(kFieldLatitude) | VisimFields::Bit(kFieldLongitude) |
                                 VisimFields::Bit(kFieldAirport) | VisimFields::Bit(kFieldView));
  ASSERT_EQ(track.Rows().size(), 3u);
  const VisimTrackRow& second = track.Rows()[1];
  EXPECT_EQ(second.time, 0.5);
  EXPECT_EQ(second.fields.latitude, 51.478);
  EXPECT_EQ(second.fields.view, 1);
  EXPECT_FALSE(second.fields.Has(kFieldLongitude)) << "an empty cell keeps the last value";
  EXPECT_FALSE(second.fields.Has(kFieldAirport));
  EXPECT_STREQ(track.Rows()[2].fields.airport, "EGKK");
}

TEST(VisimTrack, RowsAtTheSameTimeAreKept) {
  VisimTrack track;
  ASSERT_TRUE(Parse(track, "time_s,view\n1,0\n1,2\n"));
  EXPECT_EQ(track.Rows().size(), 2u);
}

struct BadTrack {
  const char* text;
  const char* error;
};

class VisimBadTrack : public ::testing::TestWithParam<BadTrack> {};

TEST_P(VisimBadTrack, IsRefusedWithFileLineAndReasonAndNoRows) {
  VisimTrack track;
  EXPECT_FALSE(Parse(track, GetParam().text));
  EXPECT_STREQ(track.GetErrorText(), GetParam().error);
  EXPECT_TRUE(track.Rows().empty()) << "nothing of a bad file is kept";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VisimBadTrack,
    ::testing::Values(
        BadTrack{"", "t.csv: no header line"},
        BadTrack{"# only a comment\n\n", "t.csv: no header line"},
        BadTrack{"time_s,lat\n", "t.csv: no rows after the header line"},
        BadTrack{"lat,lon\n51,0\n", "t.csv:1: the header line has no \"time_s\" column"},
        BadTrack{"time_s,latitude\n",
                 "t.csv:1: unknown column \"latitude\" (columns: time_s, lat, lon, altitude_m, "
                 "height_agl_m, pitch, bank, heading, airport, view, time_value, state_word)"},
        BadTrack{"time_s,,lat\n",
                 "t.csv:1: unknown column \"\" (columns: time_s, lat, lon, altitude_m, "
                 "height_agl_m, pitch, bank, heading, airport, view, time_value, state_word)"},
        BadTrack{"time_s,lat,lat\n", "t.csv:1: column \"lat\" named twice"},
        BadTrack{"time_s,lat,time_s\n", "t.csv:1: column \"time_s\" named twice"},
        BadTrack{"time_s,lat\n0,51\n1\n", "t.csv:3: 1 cells, the header names 2"},
        BadTrack{"time_s,lat\n0,51,0\n", "t.csv:2: more than the header's 2 cells"},
        BadTrack{"time_s,lat\n0,51\n\n# x\n1,5l\n", "t.csv:5: lat: \"5l\" is not a number"},
        BadTrack{"time_s,lat\n0,-91\n", "t.csv:2: lat: -91 is outside -90 to 90"},
        BadTrack{"time_s,lat\n,51\n", "t.csv:2: time_s: \"\" is not a time of 0 s or more"},
        BadTrack{"time_s,lat\n-0.1,51\n", "t.csv:2: time_s: \"-0.1\" is not a time of 0 s or more"},
        BadTrack{"time_s,lat\n2,51\n1.5,51\n",
                 "t.csv:3: time_s: 1.5 is before the previous row's 2"},
        BadTrack{"time_s,airport\n0,LONGIDENT\n",
                 "t.csv:2: airport: \"LONGIDENT\" is longer than 8 characters"},
        BadTrack{"time_s,view\n0,1.5\n", "t.csv:2: view: \"1.5\" is not a 32-bit whole number"},
        BadTrack{"time_s,view\n0,\"1\"\n",
                 "t.csv:2: view: \"\"1\"\" is not a 32-bit whole number"}));

TEST(VisimTrack, AZeroByteOrAnOverlongLineIsRefused) {
  VisimTrack track;
  EXPECT_FALSE(Parse(track, std::string("time_s,airport\n0,EG\0LL\n", 23)));
  EXPECT_STREQ(track.GetErrorText(), "t.csv:2: line holds a zero byte");

  EXPECT_FALSE(Parse(track, "time_s,lat\n0," + std::string(5000, '1') + "\n"));
  EXPECT_STREQ(track.GetErrorText(), "t.csv:2: line longer than 4096 characters");
}

TEST(VisimTrack, LoadsAFileAndNamesItInItsFaults) {
  TempDir dir;
  VisimTrack track;
  std::string good = dir.Write("good.csv", "time_s,heading\n0,270\n1,269\n");
  ASSERT_TRUE(track.Load(good.c_str())) << track.GetErrorText();
  EXPECT_EQ(track.Rows().size(), 2u);

  std::string longLine = dir.Write("long.csv", "time_s,lat\n" + std::string(10000, ' ') + "0,1\n");
  EXPECT_FALSE(track.Load(longLine.c_str()));
  EXPECT_EQ(std::string(track.GetErrorText()), longLine + ":2: line longer than 4096 characters");

  std::string noEnd = dir.Write("noend.csv", "time_s,lat\r\n0,1\r\n2,x");
  EXPECT_FALSE(track.Load(noEnd.c_str()));
  EXPECT_EQ(std::string(track.GetErrorText()), noEnd + ":3: lat: \"x\" is not a number");

  std::string missing = dir.File("missing.csv");
  EXPECT_FALSE(track.Load(missing.c_str()));
  EXPECT_EQ(std::string(track.GetErrorText()), missing + ": No such file or directory");
}

}  // namespace
