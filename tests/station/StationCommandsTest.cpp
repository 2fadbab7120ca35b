// The commands every face sends: one out of its range, or at a time when it
// would change nothing or break a promise already made (the destination
// once datagrams leave, the local port once bound), is refused with the
// reason in words and leaves the station as it was.

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "StationRig.h"
#include "Tolerance.h"

namespace {

using StationCommands = StationRig;

struct Refused {
  const char* command;
  std::function<CommandResult(Station&)> run;
  const char* reason;
};

// What a refused command must leave as it was.
void ExpectUnchanged(const StationStatus& before, const StationStatus& after, const char* command) {
  EXPECT_EQ(after.view, before.view) << command;
  EXPECT_METRES_NEAR(after.mapAltitude, before.mapAltitude) << command;
  EXPECT_METRES_NEAR(after.datumOffset, before.datumOffset) << command;
  EXPECT_EQ(after.localPort, before.localPort) << command;
  EXPECT_EQ(after.destination, before.destination) << command;
  EXPECT_EQ(after.running, before.running) << command;
}

void ExpectRefused(Station& station, const std::vector<Refused>& cases) {
  for (const Refused& c : cases) {
    const StationStatus before = station.GetStatus();
    const CommandResult result = c.run(station);
    EXPECT_FALSE(result.ok) << c.command;
    EXPECT_EQ(std::string(result.reason), c.reason) << c.command;
    ExpectUnchanged(before, station.GetStatus(), c.command);
  }
}

TEST_F(StationCommands, OutOfRangeOrOutOfTimeCommandsAreRefusedWithTheReason) {
  Start();
  const double nan = std::nan("");
  ExpectRefused(*station,
                {
                    {"Pause before Connect", [](Station& s) { return s.Pause(); },
                     "the station is not connected"},
                    {"Resume before Connect", [](Station& s) { return s.Resume(); },
                     "the station is not connected"},
                    {"view 8", [](Station& s) { return s.SelectView(8); }, "8 is not a view"},
                    {"view -1", [](Station& s) { return s.SelectView(-1); }, "-1 is not a view"},
                    {"map height -1", [](Station& s) { return s.SetMapAltitude(-1.0); },
                     "the map view's height is 0 to 100000 metres"},
                    {"map height 100001", [](Station& s) { return s.SetMapAltitude(100001.0); },
                     "the map view's height is 0 to 100000 metres"},
                    {"map height nan", [nan](Station& s) { return s.SetMapAltitude(nan); },
                     "the map view's height is 0 to 100000 metres"},
                    {"trim to 10000.5", [](Station& s) { return s.TrimTo(10000.5); },
                     "a datum offset is a number from -10000 to 10000 metres"},
                    {"trim to nan", [nan](Station& s) { return s.TrimTo(nan); },
                     "a datum offset is a number from -10000 to 10000 metres"},
                    {"trim beyond the range", [](Station& s) { return s.TrimStep(-20001); },
                     "a datum offset is a number from -10000 to 10000 metres"},
                    {"port 0", [](Station& s) { return s.SetLocalPort(0); },
                     "0 is not a port from 1 to 65535"},
                    {"port 65536", [](Station& s) { return s.SetLocalPort(65536); },
                     "65536 is not a port from 1 to 65535"},
                });

  std::vector<bool> pauses;
  RunConnected([&](int step) {
    if (step != 3) {
      EndAt(step, 4);
      return;
    }
    ExpectRefused(*station,
                  {
                      {"port after Connect", [](Station& s) { return s.SetLocalPort(7100); },
                       "the local port is fixed at Connect"},
                      {"destination once sent",
                       [](Station& s) { return s.SetDestination(LoopbackAddress(2)); },
                       "the destination is fixed once datagrams leave"},
                      {"Resume while running", [](Station& s) { return s.Resume(); },
                       "the station is not paused"},
                  });
    pauses.push_back(station->Pause().ok);
    ExpectRefused(*station, {{"Pause while paused", [](Station& s) { return s.Pause(); },
                              "the station is paused already"}});
    pauses.push_back(station->Resume().ok);
  });
  EXPECT_EQ(pauses, (std::vector<bool>{true, true}));
  EXPECT_EQ(events.Count(StationEvent::kPaused), 2);
}

}  // namespace
