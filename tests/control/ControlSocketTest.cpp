// The control socket against a real station: every command and its refusal,
// who asked in the LAN log, the watch, and the clients that misbehave.

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "ControlFixture.h"

namespace {

TEST_F(ControlTest, EachCommandDoesWhatItsControlDoesOrSaysWhyNot) {
  StartWithSocket();
  ControlClient client(SocketPath().c_str());
  ASSERT_TRUE(client.IsConnected());
  const struct Case {
    const char* line;
    const char* reply;  // a part of it
    std::function<bool()> done;
  } cases[] = {
      {"status", "\"airport\":\"EGLL\",\"airport_in_table\":true,\"offset\":12.00", nullptr},
      {"help", "{\"command\":\"trim\",\"arguments\":\"up|down|set METRES\"", nullptr},
      {"view map", "{\"ok\":true}", [&] { return station->GetViewMode() == ViewMap; }},
      {"view fwd-left", "{\"ok\":true}", [&] { return station->GetViewMode() == ViewFwdL; }},
      {"view upward",
       "\"error\":\"'upward' is not a view: forward, fwd-left, fwd-right, left-window, "
       "right-window, map\"",
       [&] { return station->GetViewMode() == ViewFwdL; }},
      {"view", "\"error\":\"view takes one NAME\"", nullptr},
      {"map-altitude 2500", "{\"ok\":true}", [&] { return station->GetMapAltitude() == 2500.0; }},
      {"map-altitude high", "\"error\":\"'high' is not a number of metres\"", nullptr},
      {"map-altitude 1e3", "\"error\":\"'1e3' is not a number of metres\"", nullptr},
      {"map-altitude 100001", "\"error\":\"the map view's height is 0 to 100000 metres\"",
       [&] { return station->GetMapAltitude() == 2500.0; }},
      {"map-altitude -1", "\"error\":\"the map view's height is 0 to 100000 metres\"", nullptr},
      {"slew on", "{\"ok\":true}", [&] { return station->IsSlewing(); }},
      {"slew sideways", "\"error\":\"slew takes on or off\"", [&] { return station->IsSlewing(); }},
      {"slew off", "{\"ok\":true}", [&] { return !station->IsSlewing(); }},
      {"trim up", "{\"ok\":true,\"airport\":\"EGLL\",\"offset\":12.50}",
       [&] { return station->GetDatumOffset() == 12.5; }},
      {"trim down", "\"offset\":12.00", [&] { return station->GetDatumOffset() == 12.0; }},
      {"trim set -4.25", "\"offset\":-4.25", [&] { return station->GetDatumOffset() == -4.25; }},
      {"trim set four", "\"error\":\"'four' is not a number of metres\"", nullptr},
      {"trim set 20000", "\"error\":\"a datum offset is a number from -10000 to 10000 metres\"",
       [&] { return station->GetDatumOffset() == -4.25; }},
      {"trim sideways", "\"error\":\"trim takes up, down, or set METRES\"", nullptr},
      {"pause", "\"error\":\"the station is not connected\"", nullptr},
      {"resume", "\"error\":\"the station is not connected\"", nullptr},
      {"frobnicate", "\"error\":\"'frobnicate' is not a command: 'help' lists them\"", nullptr},
      {"", "\"error\":\"no command: 'help' lists them\"", nullptr},
      {"status now", "\"error\":\"status takes nothing more\"", nullptr},
      {"  save  \r", "\"message\":\"Offsets saved: 4 airports in ", nullptr},
  };
  for (const Case& given : cases) {
    SCOPED_TRACE(given.line);
    const std::string reply = Ask(client, given.line);
    EXPECT_NE(reply.find(given.reply), std::string::npos) << reply;
    const JsonValue parsed = Parse(reply);
    EXPECT_EQ(parsed.FlagOf("ok"), reply.find("\"error\"") == std::string::npos);
    if (given.done) {
      EXPECT_TRUE(given.done());
    }
  }
  EXPECT_NE(folder.Read("Offsets.dat").find("EGLL|   -4.2| London Heathrow"), std::string::npos);
}

TEST_F(ControlTest, ATrimWithoutAnAirportAndASaveThatCannotWriteAreRefusedWithTheReason) {
  StartWithSocket();
  ControlClient client(SocketPath().c_str());
  std::memset(Sim().airportIdent, 0, sizeof Sim().airportIdent);
  station->SendViewSync();
  const double before = station->GetDatumOffset();
  EXPECT_EQ(Ask(client, "trim up"),
            "{\"ok\":false,\"error\":\"no airport is reported by the simulator: nothing to "
            "trim\"}");
  EXPECT_EQ(station->GetDatumOffset(), before) << "the camera moved all the same";

  std::filesystem::create_directory(folder.File("Offsets.dat.new"));
  const JsonValue refused = Parse(Ask(client, "save"));
  EXPECT_FALSE(refused.FlagOf("ok"));
  EXPECT_NE(refused.TextOf("error").find("Offsets.dat.new"), std::string::npos)
      << refused.TextOf("error");
  EXPECT_EQ(folder.Read("Offsets.dat"), kOffsetsFile) << "the file was touched";
}

TEST_F(ControlTest, AWatcherSeesTheStatusEveryEventAndTheSegmentLostAndFound) {
  StartWithSocket();
  ControlClient watcher(SocketPath().c_str());
  ControlClient operatorClient(SocketPath().c_str());
  std::string watched;
  std::unique_ptr<CVisShm> newSimulator;
  RunConnected([&](int step) {
    if (step == 2) watcher.Send("watch\n");
    if (step == 10) operatorClient.Send("view map\ntrim up\npause\nresume\n");
    if (step == 20) Platform::RemoveSharedSegment(SegmentName().c_str());
    if (step == 22) clock.AdvanceMilliseconds(1000);  // the check finds it gone
    if (step == 30) {
      newSimulator = std::make_unique<CVisShm>(SegmentName().c_str());
      std::strcpy(newSimulator->GetRecord()->visualBlock.airportIdent, "EGLL");
    }
    if (step == 32) clock.AdvanceMilliseconds(1000);  // and attaches to the new one
    if (step == 40) station->End();
    watched += watcher.TakeLines();
  });
  EXPECT_EQ(operatorClient.TakeLines(),
            "{\"ok\":true}\n{\"ok\":true,\"airport\":\"EGLL\",\"offset\":12.50}\n"
            "{\"ok\":true}\n{\"ok\":true}\n");
  watched += watcher.TakeLines();
  std::vector<std::string> seen;
  std::size_t start = 0;
  for (std::size_t end; (end = watched.find('\n', start)) != std::string::npos; start = end + 1) {
    const JsonValue line = Parse(watched.substr(start, end - start));
    const std::string name = line.TextOf("event", line.FlagOf("watching") ? "watching" : "?");
    if (name == "figures" || name == "message") continue;  // many; seen by the window tests
    seen.push_back(name == "segment" ? "segment " + line.TextOf("segment") : name);
  }
  // The lamp turns green at the first refresh, orange once the segment is
  // gone, and green again once datagrams leave.
  EXPECT_EQ(seen, (std::vector<std::string>{"watching", "status", "offset", "paused", "resumed",
                                            "lamp", "view", "segment lost", "status", "lamp",
                                            "segment attached", "status", "lamp", "ended"}));
  EXPECT_TRUE(watcher.IsClosed()) << "the station's end closes its clients";
  EXPECT_FALSE(std::filesystem::exists(SocketPath())) << "the socket file outlived the station";
}

TEST_F(ControlTest, ChangesAreLoggedWithWhoAsked) {
  StartWithSocket();
  ControlClient client(SocketPath().c_str());
  RunConnected([&](int step) {
    if (step == 2) client.Send("view right-window\nslew on\nmap-altitude 800\nstatus\nsave\n");
    if (step == 20) station->End();
  });
  const std::string who =
      "Control uid " + std::to_string(getuid()) + " pid " + std::to_string(getpid()) + ": ";
  const std::string log = TrafficLog();
  for (const char* changed :
       {"view right-window", "slew on", "map altitude 800 m", "Offsets saved: 4 airports in "}) {
    EXPECT_NE(log.find(who + changed), std::string::npos) << changed << " in\n" << log;
  }
  EXPECT_EQ(log.find(who + "status"), std::string::npos) << "a question changes nothing";
}

TEST_F(ControlTest, ClientsThatMisbehaveAreDroppedWithTheReasonAndCostTheOthersNothing) {
  StartWithSocket();
  std::vector<std::unique_ptr<ControlClient>> clients;
  for (int i = 0; i < kControlMostClients; ++i) {
    clients.push_back(std::make_unique<ControlClient>(SocketPath().c_str()));
  }
  ControlClient ninth(SocketPath().c_str());
  for (int pass = 0; pass < 3; ++pass) server->Serve();  // a few taken each pass
  EXPECT_EQ(server->ClientCount(), kControlMostClients);
  EXPECT_EQ(ninth.TakeLines(),
            "{\"ok\":false,\"error\":\"the station serves 8 clients at once: try again "
            "later\"}\n");
  EXPECT_TRUE(ninth.IsClosed());

  // An over-long line: told, then closed.
  clients[0]->Send(std::string(600, 'x'));
  // One that asks and never reads its replies.
  const std::string asks = [] {
    std::string lines;
    for (int i = 0; i < 400; ++i) lines += "status\n";
    return lines;
  }();
  for (int pass = 0; pass < 3000 && server->ClientCount() > kControlMostClients - 2; ++pass) {
    clients[1]->Send(asks.substr(0, 512));
    server->Serve();
  }
  EXPECT_EQ(clients[0]->TakeLines(),
            "{\"ok\":false,\"error\":\"a command line is at most 512 bytes\"}\n");
  EXPECT_TRUE(clients[0]->IsClosed());
  EXPECT_EQ(server->ClientCount(), kControlMostClients - 2);

  // The others are still served; those silent for a minute go.
  EXPECT_EQ(Ask(*clients[3], "status").rfind("{\"ok\":true,", 0), 0u);
  clock.AdvanceMilliseconds(ControlServer::kSilentMs);
  clients[3]->Send("status\n");  // heard in time
  server->Serve();
  EXPECT_EQ(server->ClientCount(), 1);
  EXPECT_FALSE(clients[3]->IsClosed());

  // The LAN log opens at Connect; what was said before goes in first.
  RunConnected([&](int step) {
    if (step == 2) station->End();
  });
  const std::string log = TrafficLog();
  for (const char* reason :
       {"dropped: a line over 512 bytes", "dropped: 64 KiB of replies unread",
        "dropped: silent for a minute", "Control: 1 connection refused: 8 clients already"}) {
    EXPECT_NE(log.find(reason), std::string::npos) << reason << " in\n" << log;
  }
}

}  // namespace
