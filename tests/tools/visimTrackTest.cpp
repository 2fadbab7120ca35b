#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TempDir.h"
#include "VisimTrack.h"

namespace {

// Reads the text through as --replay does; its rows go to `rows`.
bool Parse(VisimTrack& track, const std::string& text, std::vector<VisimTrackRow>* rows) {
  rows->clear();
  if (!track.OpenText(text.data(), text.size(), "t.csv")) return false;
  for (VisimTrackRow row; track.Next(&row);) rows->push_back(row);
  return !track.Failed();
}

bool Load(VisimTrack& track, const std::string& file, std::vector<VisimTrackRow>* rows) {
  rows->clear();
  if (!track.Open(file.c_str())) return false;
  for (VisimTrackRow row; track.Next(&row);) rows->push_back(row);
  return !track.Failed();
}

TEST(VisimTrack, ReadsColumnsInAnyOrderWithCommentsBlanksAndWindowsLineEnds) {
  VisimTrack track;
  std::vector<VisimTrackRow> rows;
  ASSERT_TRUE(Parse(track,
                    "# recorded on the A320 rig\r\n"
                    "lat, lon ,time_s,airport,view\r\n"
                    "\r\n"
                    "51.4775,-0.4614,0,EGLL,0\r\n"
                    "51.4780,,0.5,,1\r\n"
                    "  # a pause\n"
                    "51.4790,-0.4700,2.0,EGKK,3",
                    &rows))
      << track.GetErrorText();
  EXPECT_EQ(track.Columns(), VisimFields::Bit(kFieldLatitude) | VisimFields::Bit(kFieldLongitude) |
                                 VisimFields::Bit(kFieldAirport) | VisimFields::Bit(kFieldView));
  ASSERT_EQ(rows.size(), 3u);
  const VisimTrackRow& second = rows[1];
  EXPECT_EQ(second.time, 0.5);
  EXPECT_EQ(second.fields.latitude, 51.478);
  EXPECT_EQ(second.fields.view, 1);
  EXPECT_FALSE(second.fields.Has(kFieldLongitude)) << "an empty cell keeps the last value";
  EXPECT_FALSE(second.fields.Has(kFieldAirport));
  EXPECT_STREQ(rows[2].fields.airport, "EGKK");
  EXPECT_STREQ(track.Notice(), "") << "a whole last line without a line end is a row";
}

TEST(VisimTrack, RowsAtTheSameTimeAreKept) {
  VisimTrack track;
  std::vector<VisimTrackRow> rows;
  ASSERT_TRUE(Parse(track, "time_s,view\n1,0\n1,2\n", &rows));
  EXPECT_EQ(rows.size(), 2u);
}

struct BadTrack {
  const char* text;
  const char* error;
};

class VisimBadTrack : public ::testing::TestWithParam<BadTrack> {};

TEST_P(VisimBadTrack, IsRefusedWithFileLineAndReason) {
  VisimTrack track;
  std::vector<VisimTrackRow> rows;
  EXPECT_FALSE(Parse(track, GetParam().text, &rows));
  EXPECT_STREQ(track.GetErrorText(), GetParam().error);
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
  std::vector<VisimTrackRow> rows;
  EXPECT_FALSE(Parse(track, std::string("time_s,airport\n0,EG\0LL\n", 23), &rows));
  EXPECT_STREQ(track.GetErrorText(), "t.csv:2: line holds a zero byte");

  EXPECT_FALSE(Parse(track, "time_s,lat\n0," + std::string(5000, '1') + "\n", &rows));
  EXPECT_STREQ(track.GetErrorText(), "t.csv:2: line longer than 4096 characters");
}

TEST(VisimTrack, LoadsAFileAndNamesItInItsFaults) {
  TempDir dir;
  VisimTrack track;
  std::vector<VisimTrackRow> rows;
  std::string good = dir.Write("good.csv", "time_s,heading\n0,270\n1,269\n");
  ASSERT_TRUE(Load(track, good, &rows)) << track.GetErrorText();
  EXPECT_EQ(rows.size(), 2u);

  std::string longLine =
      dir.Write("long.csv", "time_s,lat\n" + std::string(100000, ' ') + "0,1\n2,3\n");
  EXPECT_FALSE(Load(track, longLine, &rows));
  EXPECT_EQ(std::string(track.GetErrorText()), longLine + ":2: line longer than 4096 characters");

  std::string missing = dir.File("missing.csv");
  EXPECT_FALSE(Load(track, missing, &rows));
  EXPECT_EQ(std::string(track.GetErrorText()), missing + ": No such file or directory");
  EXPECT_TRUE(track.CouldNotRead());
}

// A recording cut short (a full disk, a recorder killed mid-row): the rows
// before its cut last line replay.
TEST(VisimTrack, ALastLineCutShortIsSkippedWithANotice) {
  TempDir dir;
  const std::string head = "time_s,lat,view\r\n0,51,1\r\n";
  const struct {
    std::string tail;  // after two whole rows
    std::size_t rows;
    const char* notice;  // after "<file>:4: "; empty: none
  } cases[] = {
      {"0.5,51.4,1", 3, ""},  // a whole row, only the line end missing
      {"0.5,51.4,", 3, ""},   // the view kept
      {"0.5", 2,
       "skipped the last line, cut short without a line end (1 cells, the header names 3)"},
      {"0.5,x,1", 2,
       "skipped the last line, cut short without a line end (lat: \"x\" is not a number)"},
      {"0.5,51,2,", 2,
       "skipped the last line, cut short without a line end (more than the header's 3 cells)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tail);
    const std::string file = dir.Write("cut.csv", head + "0.25,51.2,2\n" + c.tail);
    VisimTrack track;
    std::vector<VisimTrackRow> rows;
    ASSERT_TRUE(Load(track, file, &rows)) << track.GetErrorText();
    EXPECT_EQ(rows.size(), c.rows);
    EXPECT_EQ(track.Notice(), c.notice[0] == '\0' ? "" : file + ":4: " + c.notice);
  }
  // A faulty line that has its line end is still a fault.
  VisimTrack track;
  std::vector<VisimTrackRow> rows;
  EXPECT_FALSE(Load(track, dir.Write("cut.csv", head + "0.5,x,1\n2,51,1\n"), &rows));
  EXPECT_EQ(std::string(track.GetErrorText()),
            dir.File("cut.csv") + ":3: lat: \"x\" is not a number");
}

// The million rows a replay once held at most: 4.6 hours of changes at 60 a
// second. A track is read row by row, so a longer one reads to its end.
TEST(VisimTrack, ATrackOfMoreThanAMillionRowsReadsToItsEnd) {
  TempDir dir;
  std::string text = "time_s,view\n";
  const long count = 1000001;
  text.reserve(text.size() + 4 * count);
  for (long row = 0; row < count; ++row) text += "0,1\n";
  const std::string file = dir.Write("long.csv", text);
  VisimTrack track;
  ASSERT_TRUE(track.Open(file.c_str())) << track.GetErrorText();
  EXPECT_TRUE(track.ReadToEnd()) << track.GetErrorText();
  EXPECT_EQ(track.RowCount(), count);
}

}  // namespace
