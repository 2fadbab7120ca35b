#include "HeadlessStation.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "Clock.h"
#include "MessagePump.h"
#include "ServiceNotify.h"
#include "StopSignals.h"
#include "TextFunctions.h"

namespace {

// The controls of a window nobody sees: they keep what they are given, so
// that the station reads back what it wrote, and tell each new text of the
// message line on standard error.
class ConsoleControls : public DialogControls {
 public:
  ConsoleControls() : m_values(), m_sliders{} {}

  void PushValues(const DialogValues& values) override {
    if (std::strcmp(values.messageText, m_values.messageText) != 0 && values.messageText[0] != 0) {
      std::fprintf(stderr, "tavrion: %s\n", values.messageText);
    }
    m_values = values;
  }
  bool TakeValues(DialogValues& values) override {
    values = m_values;
    return true;
  }
  void GetControlText(int id, char* text, int size) override {
    if (id >= IDC_IP1 && id < IDC_IP1 + 4) {
      SafeFormat(text, size, "%d", m_values.ipOctets[id - IDC_IP1]);
    } else if (size > 0) {
      text[0] = '\0';
    }
  }
  void CheckControl(int, bool) override {}
  void EnableControl(int, bool) override {}
  void ShowControl(int, bool) override {}
  void ShowStatusBitmap(int) override {}
  void ShowMessageBox(const char* text, const char* caption, int) override {
    char line[DialogValues::kMessageSize];
    SafeCopy(line, text, sizeof line);
    for (char& c : line) {
      if (c == '\n') c = ' ';
    }
    std::fprintf(stderr, "tavrion: %s: %s\n", caption, line);
  }
  void SetCaption(const char*) override {}
  int GetSliderPosition(int id) override {
    return id == IDC_MAP_SLIDER ? m_sliders[0] : m_sliders[1];
  }
  void SetSliderPosition(int id, int position) override {
    (id == IDC_MAP_SLIDER ? m_sliders[0] : m_sliders[1]) = position;
  }
  void EndDialog(int) override {}

 private:
  DialogValues m_values;
  int m_sliders[2];
};

// The frame loop's pump without a window: its only messages are the stop
// signals, and between frames it keeps the service manager informed.
class ServicePump : public Platform::MessagePump {
 public:
  ServicePump(Platform::Clock& clock, const StationSettings& settings)
      : m_clock(clock),
        m_settings(settings),
        m_watchdogMs(Platform::ServiceWatchdogMicroseconds() / 2000) {}

  void Attach(CTavrionDlg* station) { m_station = station; }

  bool DispatchOne() override {
    if (m_station == nullptr || m_stopping) {
      return false;
    }
    KeepInformed();
    if (Platform::TakeStopSignal() == 0) {
      return false;
    }
    m_stopping = true;
    Platform::NotifyServiceManager("STOPPING=1");
    m_station->OnClose();
    return true;
  }

  bool WaitForMessage(std::int64_t nanoseconds) override {
    return Platform::WaitForStopSignal(nanoseconds);
  }

 private:
  void KeepInformed() {
    const std::uint32_t now = m_clock.ReadMilliseconds();
    const int sent = m_station->GetSentDatagrams();
    if (!m_started) {
      m_started = true;
      m_lastPing = m_lastStatus = now;
      m_lastSent = sent;
    }
    if (!m_ready && sent != 0) {
      m_ready = true;
      std::fprintf(stderr, "tavrion: first datagram sent, counter %d\n",
                   m_station->GetCamera().counter);
      Platform::NotifyServiceManager("READY=1");
    }
    if (m_watchdogMs > 0 && now - m_lastPing >= m_watchdogMs) {
      m_lastPing = now;
      Platform::NotifyServiceManager("WATCHDOG=1");
    }
    if (now - m_lastStatus >= 1000) {
      TellStatus(now, sent);
    }
  }

  void TellStatus(std::uint32_t now, int sent) {
    const double rate = static_cast<double>(static_cast<unsigned int>(sent) -
                                            static_cast<unsigned int>(m_lastSent)) *
                        1000.0 / static_cast<double>(now - m_lastStatus);
    m_lastStatus = now;
    m_lastSent = sent;
    char airport[DialogValues::kTextSize];
    SafeCopy(airport, m_station->GetValues().airportText, sizeof airport);
    char status[200];
    SafeFormat(
        status, sizeof status, "STATUS=%.1f datagrams/s to %u.%u.%u.%u, %d receiver%s, airport %s",
        rate, m_settings.destination[0], m_settings.destination[1], m_settings.destination[2],
        m_settings.destination[3], m_station->GetReceivers().Count(),
        m_station->GetReceivers().Count() == 1 ? "" : "s", airport[0] != '\0' ? airport : "none");
    Platform::NotifyServiceManager(status);
  }

  Platform::Clock& m_clock;
  const StationSettings& m_settings;
  const std::int64_t m_watchdogMs;
  CTavrionDlg* m_station = nullptr;
  bool m_started = false;
  bool m_ready = false;
  bool m_stopping = false;
  std::uint32_t m_lastPing = 0;
  std::uint32_t m_lastStatus = 0;
  int m_lastSent = 0;
};

// The view the command line chose: it holds until the simulator's selection
// changes, as a click on its box would.
void ChooseView(CTavrionDlg& station, const StationSettings& settings) {
  station.ChooseView(settings.view);
  if (settings.slew) {
    station.OnSlew();
  }
  station.SetMapAltitude(settings.mapAltitude);
}

}  // namespace

int RunHeadlessStation(const StationSettings& given, Platform::Clock& clock) {
  StationSettings settings = given;
  settings.connect = true;  // nobody is there to press it, or to answer a box
  ConsoleControls controls;
  ServicePump pump(clock, settings);
  CTavrionDlg station(controls, pump, clock, settings);
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
  station.OnInitDialog();
  ChooseView(station, settings);
  pump.Attach(&station);
  station.OnConnect();  // runs the frames until a stop signal closes the station
  const bool closed = station.IsShuttingDown();
  station.OnDestroy();
  if (!closed) {
    std::fprintf(stderr, "tavrion: the station could not start\n");
    return 1;
  }
  return 0;
}
