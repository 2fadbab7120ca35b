#include "HeadlessStation.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Clock.h"
#include "ControlServer.h"
#include "ControlShare.h"
#include "LocalSocket.h"
#include "MessagePump.h"
#include "ServiceNotify.h"
#include "Station.h"
#include "StopSignals.h"
#include "TextFunctions.h"
#include "ValueText.h"

namespace {

// What the window would show, as lines on standard error (the journal).
class JournalLines : public StationObserver {
 public:
  void OnStationEvent(const StationEvent& event) override {
    switch (event.kind) {
      case StationEvent::kTold:
        // Once per condition or notice, with the caption a window's box
        // would have had.
        if (event.caption[0] != '\0') {
          std::fprintf(stderr, "tavrion: %s: %s\n", event.caption, event.text);
        } else {
          std::fprintf(stderr, "tavrion: %s\n", event.text);
        }
        break;
      case StationEvent::kJournal:
        std::fprintf(stderr, "%s\n", event.text);
        break;
      default:
        break;
    }
  }
};

// The frame loop's pump without a window: its messages are the stop signals
// and the control socket's clients, and between frames it keeps the service
// manager informed.
// The control socket is served within its share of the thread
// (ControlShare.h).
class ServicePump : public Platform::MessagePump {
 public:
  explicit ServicePump(Platform::Clock& clock)
      : m_clock(clock),
        m_watchdogUs(Platform::ServiceWatchdogMicroseconds()),
        m_share(clock) {}

  void Attach(Station* station, ControlServer* control) {
    m_station = station;
    m_control = control;
  }

  bool DispatchOne() override {
    if (m_station == nullptr || m_stopping) {
      return false;
    }
    KeepInformed();
    if (m_control != nullptr && m_share.MayServe()) {
      // Bounded: it never counts as a message before a frame.
      const std::int64_t begun = m_share.Now();
      m_control->Serve();
      m_share.Served(begun);
    }
    if (Platform::TakeStopSignal() == 0) {
      return false;
    }
    m_stopping = true;
    Platform::NotifyServiceManager("STOPPING=1");
    m_station->End();
    return true;
  }

  // The stop signals and the control socket, together with the frame's due time.
  bool WaitForMessage(std::int64_t nanoseconds) override {
    if (m_control == nullptr) {
      return Platform::WaitForStopSignal(nanoseconds);
    }
    if (!m_share.MayServe()) {
      // The clients' share is spent: only a stop signal ends the wait
      // before the next window.
      const std::int64_t rest = m_share.UntilNextWindow();
      return Platform::WaitForStopSignal(rest < nanoseconds ? rest : nanoseconds);
    }
    Platform::WaitedDescriptor waited[1 + 1 + kControlMostClients];
    waited[0].fd = Platform::WatchStopSignals();
    waited[0].read = true;
    const int count = 1 + m_control->Descriptors(waited + 1, 1 + kControlMostClients);
    return Platform::WaitForDescriptors(waited, count, nanoseconds);
  }

 private:
  void KeepInformed() {
    const std::uint32_t now = m_clock.ReadMilliseconds();
    if (!m_started) {
      m_started = true;
      m_lastPing = m_lastStatus = now;
    }
    // Ready once a datagram has left to any target: the station does its
    // job for those it reaches; the status line names a failing destination.
    if (!m_ready && m_station->GetLeftDatagrams() != 0) {
      m_ready = true;
      std::fprintf(stderr, "tavrion: first datagram sent, counter %d\n",
                   m_station->GetCamera().counter);
      Platform::NotifyServiceManager("READY=1");
    }
    Ping(now);
    if (now - m_lastStatus >= 1000) {
      m_lastStatus = now;
      TellStatus();
    }
  }

  // At half the watchdog's interval; an interval shorter than two
  // milliseconds gets a ping every frame step.
  void Ping(std::uint32_t now) {
    if (m_watchdogUs <= 0) {
      return;
    }
    const int frames = m_station->GetFrameCount();
    const bool due =
        m_watchdogUs < 2000 ? frames != m_pingedFrame : now - m_lastPing >= m_watchdogUs / 2000;
    if (due) {
      m_lastPing = now;
      m_pingedFrame = frames;
      Platform::NotifyServiceManager("WATCHDOG=1");
    }
  }

  void TellStatus() {
    const StationStatus status = m_station->GetStatus();
    char destination[StationStatus::kAddressTextSize];
    Platform::FormatDottedAddress(status.destination, destination, sizeof destination);
    // What left for each target, and in words what does not.
    char failing[160] = "";
    if (status.destinationFailing) {
      SafeFormat(failing, sizeof failing, " (failing: %s)", status.destinationFailure);
    }
    int receiversFailing = 0;
    for (int i = 0; i < status.receiverCount; ++i) {
      if (status.receivers[i].failing) ++receiversFailing;
    }
    char receivers[96] = ", 0 receivers";
    if (status.receiverCount > 0) {
      SafeFormat(receivers, sizeof receivers, ", %.1f/s left to %d receiver%s%s", status.leftRate,
                 status.receiverCount, status.receiverCount == 1 ? "" : "s",
                 receiversFailing > 0 ? " (some failing)" : "");
    }
    char line[400];
    SafeFormat(line, sizeof line, "STATUS=%.1f datagrams/s to %s%s%s, airport %s", status.rate,
               destination, failing, receivers,
               status.airport[0] != '\0' ? status.airport : "none");
    Platform::NotifyServiceManager(line);
  }

  Platform::Clock& m_clock;
  const std::int64_t m_watchdogUs;
  int m_pingedFrame = -2;
  Station* m_station = nullptr;
  ControlServer* m_control = nullptr;
  bool m_started = false;
  bool m_ready = false;
  bool m_stopping = false;
  std::uint32_t m_lastPing = 0;
  std::uint32_t m_lastStatus = 0;
  ControlShare m_share;
};

// The control socket's path: the one given, or under systemd the unit's
// runtime folder's (RuntimeDirectory=); empty: none.
std::string ControlPath(const StationSettings& settings) {
  if (settings.controlPath != nullptr) {
    return settings.controlPath;
  }
  const char* runtime = std::getenv("RUNTIME_DIRECTORY");
  if (runtime == nullptr || runtime[0] == '\0') {
    return std::string();
  }
  // Several folders are separated by colons: the first is the unit's own.
  std::string folder(runtime, std::strcspn(runtime, ":"));
  return folder + "/" + kControlSocketName;
}

}  // namespace

int RunHeadlessStation(const StationSettings& given, Platform::Clock& clock) {
  StationSettings settings = given;
  settings.connect = true;  // nobody is there to press it, or to answer a box
  ServicePump pump(clock);
  JournalLines journal;
  Station station(pump, clock, settings);
  station.AddObserver(&journal);
  station.EchoReceiverLines(stderr);  // nobody reads a window: tell the journal
  ControlServer control(station, clock);
  const std::string controlPath = ControlPath(settings);
  if (!controlPath.empty()) {
    char error[ControlServer::kErrorSize];
    if (!control.Open(controlPath.c_str(), error, sizeof error)) {
      std::fprintf(stderr, "tavrion: --control: %s\n", error);
      return 2;
    }
    std::fprintf(stderr, "tavrion: control socket %s\n", control.Path());
  }
  std::fprintf(stderr,
               "tavrion: headless station: segment %s, working folder %s, sending to "
               "%u.%u.%u.%u:%d and %d receiver%s\n",
               settings.segmentName,
               settings.workingFolder[0] != '\0' ? settings.workingFolder : ".",
               settings.destination[0], settings.destination[1], settings.destination[2],
               settings.destination[3], settings.remotePort, settings.receiverCount,
               settings.receiverCount == 1 ? "" : "s");
  if (Platform::TakeStopSignal() != 0) {
    return 0;  // told to stop before anything was started
  }
  station.Start();
  // The view the command line chose holds until the simulator's selection
  // changes, as a click on its box would.
  station.SelectViewUntilSimulatorChanges(settings.view);
  if (settings.slew) {
    station.SetSlew(true);
  }
  station.SetMapAltitude(settings.mapAltitude);
  pump.Attach(&station, control.IsOpen() ? &control : nullptr);
  station.Connect();  // runs the frames until a stop signal ends the station
  const bool closed = station.IsShuttingDown();
  station.ShutDown();
  control.Close();
  station.RemoveObserver(&journal);
  if (!closed) {
    std::fprintf(stderr, "tavrion: the station could not start\n");
    return 1;
  }
  return 0;
}
