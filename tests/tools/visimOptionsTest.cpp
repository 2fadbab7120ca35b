#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VisimOptions.h"

namespace {

struct Parsed {
  bool ok;
  VisimOptions options;
  std::string error;
};

Parsed Parse(std::vector<const char*> arguments) {
  arguments.insert(arguments.begin(), "visim");
  Parsed parsed;
  char error[512];
  parsed.ok = ParseVisimOptions(static_cast<int>(arguments.size()), arguments.data(),
                                &parsed.options, error, sizeof error);
  parsed.error = error;
  return parsed;
}

TEST(VisimOptions, DefaultsAreTheStationsSegmentAt60Hz) {
  Parsed parsed = Parse({"--demo"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_STREQ(parsed.options.segment, "VisualInterface");
  EXPECT_EQ(parsed.options.rate, 60.0);
  EXPECT_EQ(parsed.options.duration, 0.0);
  EXPECT_TRUE(parsed.options.demo);
  EXPECT_FALSE(parsed.options.Replays());
  EXPECT_EQ(parsed.options.sets.mask, 0u);
}

TEST(VisimOptions, ValuesComeNextOrAfterAnEqualsSign) {
  Parsed parsed = Parse({"--replay", "track.csv", "--rate=30", "--duration", "2.5",
                         "--segment=tavrion-test-x", "--dump"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_STREQ(parsed.options.replayFile, "track.csv");
  EXPECT_EQ(parsed.options.rate, 30.0);
  EXPECT_EQ(parsed.options.duration, 2.5);
  EXPECT_STREQ(parsed.options.segment, "tavrion-test-x");
  EXPECT_TRUE(parsed.options.dump);
}

TEST(VisimOptions, SetsGatherAndTheLastOfAFieldWins) {
  Parsed parsed = Parse({"--set", "lat=51.5", "--set=airport=EGKK", "--set", "lat=52", "--set",
                         "state_word=0xFFFFFF"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  const VisimFields& sets = parsed.options.sets;
  EXPECT_EQ(sets.mask, VisimFields::Bit(kFieldLatitude) | VisimFields::Bit(kFieldAirport) |
                           VisimFields::Bit(kFieldStateWord));
  EXPECT_EQ(sets.latitude, 52.0);
  EXPECT_STREQ(sets.airport, "EGKK");
  EXPECT_EQ(sets.stateWord, 0xFFFFFF);
}

TEST(VisimOptions, HelpAndVersionNeedNothingElse) {
  Parsed parsed = Parse({"-h"});
  EXPECT_TRUE(parsed.ok);
  EXPECT_TRUE(parsed.options.help);
  EXPECT_NE(std::string(VisimUsage()).find("--replay FILE.csv"), std::string::npos);
  parsed = Parse({"--version"});
  EXPECT_TRUE(parsed.ok);
  EXPECT_TRUE(parsed.options.version);
}

TEST(VisimOptions, AUniqueAbbreviationNamesItsOption) {
  Parsed parsed = Parse({"--dem", "--dur=1.5", "--seg", "tavrion-test-y"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_TRUE(parsed.options.demo);
  EXPECT_EQ(parsed.options.duration, 1.5);
  EXPECT_STREQ(parsed.options.segment, "tavrion-test-y");
}

struct BadCase {
  std::vector<const char*> arguments;
  const char* error;
};

class VisimBadOptions : public ::testing::TestWithParam<BadCase> {};

TEST_P(VisimBadOptions, AreRefusedWithTheReason) {
  Parsed parsed = Parse(GetParam().arguments);
  EXPECT_FALSE(parsed.ok);
  EXPECT_EQ(parsed.error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VisimBadOptions,
    ::testing::Values(
        BadCase{{}, "nothing to do: give --demo, --replay, --record, --set, --dump or --remove"},
        BadCase{{"--fly"}, "unrecognized option '--fly'"},
        BadCase{{"demo"}, "unexpected argument 'demo'"},
        BadCase{{"--re"},
                "option '--re' is ambiguous; possibilities: '--replay' '--record' '--remove'"},
        BadCase{{"--demo", "--rate"}, "option '--rate' requires an argument"},
        BadCase{{"--demo", "--rate", "0"}, "--rate: \"0\" is not a rate from 1 to 1000 Hz"},
        BadCase{{"--demo", "--rate", "fast"}, "--rate: \"fast\" is not a rate from 1 to 1000 Hz"},
        BadCase{{"--demo", "--rate", "1001"}, "--rate: \"1001\" is not a rate from 1 to 1000 Hz"},
        BadCase{{"--demo", "--duration", "-1"},
                "--duration: \"-1\" is not a number of seconds above 0"},
        BadCase{{"--dump", "--segment", ""},
                "--segment: \"\" is not a segment name (1 to 42 printable characters, no blanks "
                "or \"/\")"},
        BadCase{{"--dump", "--segment", "1234567890123456789012345678901234567890123"},
                "--segment: \"1234567890123456789012345678901234567890123\" is not a segment "
                "name (1 to 42 printable characters, no blanks or \"/\")"},
        BadCase{{"--dump", "--segment", "a b"},
                "--segment: \"a b\" is not a segment name (1 to 42 printable characters, no "
                "blanks or \"/\")"},
        BadCase{{"--set", "lat"}, "--set: \"lat\" is not FIELD=VALUE"},
        BadCase{{"--set", "alt=5"},
                "--set: unknown field \"alt\" (fields: lat, lon, altitude_m, height_agl_m, pitch, "
                "bank, heading, airport, view, time_value, state_word)"},
        BadCase{{"--set", "lat=north"}, "--set lat: \"north\" is not a number"},
        BadCase{{"--set", "heading=361"}, "--set heading: 361 is outside 0 to 360"},
        BadCase{{"--demo", "--replay", "t.csv"}, "--demo and --replay cannot run together"},
        BadCase{{"--remove", "--dump"}, "--remove goes with --segment only"},
        BadCase{{"--set", "view=1", "--duration", "3"},
                "--duration needs --demo, --replay or --record"},
        BadCase{{"--record", "f.csv", "--dump"},
                "--record goes with --rate, --duration and --segment only"},
        BadCase{{"--dump=yes"}, "option '--dump' doesn't allow an argument"},
        BadCase{{"--replay="}, "--replay: a file name is needed"},
        BadCase{{"--demo", "--write-log="}, "--write-log: a file name is needed"},
        BadCase{{"--set", "view=1", "--write-log", "w.csv"},
                "--write-log needs --demo or --replay"},
        BadCase{{"--record", "f.csv", "--write-log", "w.csv"},
                "--write-log needs --demo or --replay"}));

}  // namespace
