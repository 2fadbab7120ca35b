// The fan-out between the stations' watches and the browsers' streams: a
// browser that cannot keep up is dropped without holding up the others, and
// one that connects later starts from each station's state and last status.

#include <gtest/gtest.h>

#include <string>

#include "StationBoard.h"

namespace {

constexpr std::size_t kBound = 4096;

std::string Status(int counter) {
  return "{\"event\":\"status\",\"counter\":" + std::to_string(counter) + "}";
}

std::string Take(StationBoard& board, StationBoard::Subscriber& subscriber) {
  std::string text;
  EXPECT_TRUE(board.Next(subscriber, &text, 0));
  return text;
}

TEST(StationBoardTest, ABrowserThatFallsBehindIsDroppedAndTheOthersGetEveryLine) {
  StationBoard board(8, kBound);
  auto reader = board.Subscribe();
  auto sleeper = board.Subscribe();
  ASSERT_TRUE(reader && sleeper);
  Take(board, *reader);
  std::string got;
  for (int counter = 1; counter <= 100; ++counter) {
    board.Publish("left", Status(counter));
    got += Take(board, *reader);
  }
  EXPECT_NE(got.find(Status(1)), std::string::npos);
  EXPECT_NE(got.find(Status(100)), std::string::npos);
  std::string text;
  EXPECT_FALSE(board.Next(*sleeper, &text, 0)) << "its stream ends";
  EXPECT_TRUE(board.WasDropped(*sleeper));
  EXPECT_FALSE(board.WasDropped(*reader));
}

TEST(StationBoardTest, ALaterBrowserStartsFromEachStationsStateAndLastStatus) {
  StationBoard board(8, kBound);
  board.SetState("left", "up", "");
  board.Publish("left", Status(7));
  board.Publish("left", "{\"event\":\"figures\",\"counter\":8}");
  board.SetState("right", "down", "the station ended");
  auto late = board.Subscribe();
  ASSERT_TRUE(late);
  EXPECT_EQ(Take(board, *late),
            "retry: 2000\n\n"
            "event: station\ndata: {\"station\":\"left\",\"state\":\"up\",\"reason\":\"\"}\n\n"
            "event: line\ndata: {\"station\":\"left\",\"line\":" +
                Status(7) +
                "}\n\n"
                "event: station\ndata: {\"station\":\"right\",\"state\":\"down\","
                "\"reason\":\"the station ended\"}\n\n");
}

TEST(StationBoardTest, StreamsBeyondTheMostAndAfterClosingAreRefused) {
  StationBoard board(2, kBound);
  auto first = board.Subscribe();
  auto second = board.Subscribe();
  EXPECT_TRUE(first && second);
  EXPECT_FALSE(board.Subscribe());
  board.Unsubscribe(second);
  EXPECT_TRUE(board.Subscribe());
  board.Close();
  std::string text;
  EXPECT_FALSE(board.Next(*first, &text, 0));
  EXPECT_FALSE(board.Subscribe());
}

}  // namespace
