// Which text the window's message line shows when conditions and notices meet.

#include <gtest/gtest.h>

#include <string>

#include "MessageLine.h"

namespace {

TEST(MessageLine, AConditionOutranksTheNoticeWhichComesBackWhenTheConditionEnds) {
  MessageLine line;
  EXPECT_STREQ(line.Text(), "");
  line.Notice("Offsets saved");
  EXPECT_STREQ(line.Text(), "Offsets saved");
  line.Raise(MessageLine::kDataFrozen, "frozen");
  EXPECT_STREQ(line.Text(), "frozen");
  line.Notice("Offsets saved again");  // a notice meanwhile waits behind it
  EXPECT_STREQ(line.Text(), "frozen");
  line.Clear(MessageLine::kDataFrozen);
  EXPECT_STREQ(line.Text(), "Offsets saved again");
}

TEST(MessageLine, OfSeveralConditionsTheMostImportantShowsAndTheNextFollows) {
  MessageLine line;
  line.Raise(MessageLine::kDataFrozen, "frozen");
  line.Raise(MessageLine::kSegmentLost, "segment lost");
  line.Raise(MessageLine::kDatagramsHeld, "held 1");
  EXPECT_STREQ(line.Text(), "segment lost");
  line.Clear(MessageLine::kSegmentLost);
  EXPECT_STREQ(line.Text(), "held 1");
  line.Raise(MessageLine::kDatagramsHeld, "held 2");  // a condition's text may change
  EXPECT_STREQ(line.Text(), "held 2");
  line.Clear(MessageLine::kDatagramsHeld);
  EXPECT_STREQ(line.Text(), "frozen");
  EXPECT_TRUE(line.Holds(MessageLine::kDataFrozen));
  EXPECT_FALSE(line.Holds(MessageLine::kDatagramsHeld));
}

TEST(MessageLine, AConditionAlwaysHasWordsAndALongTextIsCutToTheLine) {
  MessageLine line;
  line.Notice("notice");
  line.Raise(MessageLine::kSegmentLost, "");
  EXPECT_STRNE(line.Text(), "") << "an empty condition would blank the line and hold it";
  line.Clear(MessageLine::kSegmentLost);
  const std::string longText(400, 'x');
  line.Notice(longText.c_str());
  EXPECT_EQ(std::string(line.Text()), longText.substr(0, MessageLine::kTextSize - 1));
}

}  // namespace
