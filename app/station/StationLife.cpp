// The station's start-up, Connect, pause and close-down.

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "Clock.h"
#include "FileNames.h"
#include "QMP0001_02_RtLan.h"
#include "RealTimeLoop.h"
#include "Station.h"
#include "TextFunctions.h"
#include "ValueText.h"

namespace {

const char kStartAirport[] = "EGLL";
const char kNoHostAddressText[] =
    "Unable to acquire host IP address\nSorry\nPlease check using windows cmd ->ipconfig ";

}  // namespace

Station::Station(Platform::MessagePump& pump, Platform::Clock& clock,
                 const StationSettings& settings)
    : m_pump(pump),
      m_clock(clock),
      m_settings([&settings] {
        // Its texts point to the caller's, which need not outlive the station.
        StationSettings kept = settings;
        kept.segmentName = "";
        kept.workingFolder = "";
        return kept;
      }()),
      m_workingFolder(),
      m_link(settings.receivers, settings.receiverCount, settings.workingFolder),
      m_simulator(settings.segmentName),
      m_shownMessage(),
      m_refusal(),
      m_port(settings.localPort),
      m_destination(0),
      m_hostIpText(),
      m_running(false),
      m_aglBlend(false),
      m_frameCount(-1),
      m_lastStepSent(false),
      m_displayDivider(0),
      m_shownViewMode(ViewForward),
      m_shownLinkStatus(LinkIdle),
      m_altitudeShown(0.0),
      m_rateStarted(false),
      m_rateSince(0),
      m_rateSent(0),
      m_rateLeft(0),
      m_rate(0.0),
      m_leftRate(0.0),
      m_heldBefore(0),
      m_loopDepth(0),
      m_starting(false),
      m_shuttingDown(false),
      m_shutDownPending(false),
      m_endRequested(false) {
  SafeCopy(m_workingFolder, settings.workingFolder != nullptr ? settings.workingFolder : "",
           kNameSize);
  m_link.SetSendsPerSecond(m_settings.sendRate);
  m_view.SetSendsPerSecond(m_settings.sendRate);
}

Station::~Station() {
  ShutDown();
}

void Station::AddObserver(StationObserver* observer) {
  if (observer != nullptr &&
      std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end()) {
    m_observers.push_back(observer);
  }
}

void Station::RemoveObserver(StationObserver* observer) {
  m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer),
                    m_observers.end());
}

// --- Start-up ------------------------------------------------------------------

bool Station::Start() {
  m_starting = true;
  const bool started = Initialise();
  m_starting = false;
  if (m_endRequested) {
    // Ended while a start-up box was up: Initialise has now returned, so
    // nothing of it uses what the close-down releases.
    ShutDown();
    Emit(StationEvent::kEnded);
  }
  return started;
}

bool Station::Initialise() {
  InitialiseVariables();
  if (!m_simulator.Attach()) {
    Tell(m_simulator.ErrorText(), kShmFailureCaption, kMessageBoxOk);
    if (!m_settings.connect) {
      // Nothing can run without the record: Connect is of no use, and the
      // operator can only close the station.
      Emit(StationEvent::kConnectUnavailable);
      return false;
    }
    // Nobody is there to close it: wait for the simulator's segment as for
    // one lost while running, checked once a second once frames run.
    m_simulator.WaitForSegment();
    char text[MessageLine::kTextSize];
    SafeFormat(text, sizeof text,
               "Simulator segment \"%s\" is not usable: nothing is sent until the simulator's "
               "segment is there",
               m_simulator.Name());
    RaiseCondition(MessageLine::kSegmentLost, text);
  }
  MakeLoop();
  ShowHostAddress();
  if (m_settings.destinationGiven) {
    std::memcpy(&m_destination, m_settings.destination, sizeof m_destination);
    Emit(StationEvent::kDestination);
  }
  Emit(StationEvent::kRecordMapped);
  m_aglBlend = true;
  m_view.SetAglBlend(true);
  m_view.ForgetSimulatorView();
  m_shownViewMode = ViewForward;
  m_view.SetSlew(false);
  InitialiseAirportDataBase();
  m_simulator.WriteAirportIdent(kStartAirport);
  m_simulator.AwaitFirstWrite();
  if (m_simulator.IsUnwritten()) {
    char text[MessageLine::kTextSize];
    SafeFormat(text, sizeof text,
               "Simulator segment \"%s\" was made by this station: nothing is sent until the "
               "simulator writes it",
               m_simulator.Name());
    RaiseCondition(MessageLine::kSegmentUnwritten, text);
  }
  return true;
}

void Station::InitialiseVariables() {
  m_running = false;
  m_frameCount = -1;
  m_displayDivider = 0;
  m_view.Restart();  // counter 1509, forward view, map height, altitude and heading offset 0
  m_link.Restart();  // the lamp idle, the watchdog run out
  m_shownLinkStatus = LinkIdle;
  m_trims.Restart();  // no airport, offset 0
}

void Station::MakeLoop() {
  m_loop = std::make_unique<RealTimeLoop>(this, m_settings.frameRate, m_clock, m_pump);
  m_loop->SetBusyWait(m_settings.busyWait);
  if (m_settings.followSimulator && !m_loop->FollowSimulator(m_settings.sendRate)) {
    TellLoopScheduling(
        "Frames keep their own pace: following the simulator needs the "
        "high-resolution counter");
  }
  if (m_settings.finalPollMicroseconds > 0) {
    m_loop->SetWakeAhead(static_cast<std::int64_t>(m_settings.finalPollMicroseconds) * 1000, true);
  } else {
    m_loop->SetWakeAhead(RTLoop::kDeadlineWakeAheadNanoseconds, false);
    m_loop->LearnWakeLead(m_settings.learnWakeLead);
  }
}

void Station::ShowHostAddress() {
  // The operator sees the default destination before Connect and may choose
  // another one. Without an address it stays none.
  const std::uint32_t host = QMP0001_02_RtLan::FindOwnAddress();
  if (host == 0) {
    return;
  }
  Platform::FormatDottedAddress(host, m_hostIpText, sizeof m_hostIpText);
  m_destination = host;
  Emit(StationEvent::kDestination);
}

// --- Connect -------------------------------------------------------------------

bool Station::CanConnect() const {
  // A segment lost while running is waited for; one never attached is not.
  return !m_shuttingDown && (m_simulator.Record() != nullptr || m_simulator.IsLost());
}

void Station::Connect() {
  if (m_shuttingDown) {
    return;
  }
  if (!CanConnect()) {
    Tell(m_simulator.ErrorText(), kShmFailureCaption, kMessageBoxOk);
    return;
  }
  m_running = !m_running;
  if (!m_link.IsOpen()) {
    if (!InitialiseRtLan()) {
      m_running = false;
    }
    StartCounter();
    DisplayInitialIp();
    Emit(StationEvent::kConnected);
  } else {
    if (!m_running) {
      m_link.FlushCounter(m_view.Camera().counter);  // paused: the file holds the last one sent
      TellCounterFile();
    }
    m_rateStarted = false;
    m_rate = 0.0;
    m_leftRate = 0.0;
    Emit(StationEvent::kPaused);
  }
  if (m_frameCount < 1) {
    StartLoop();
  }
}

CommandResult Station::Pause() {
  if (!m_link.IsOpen() || m_shuttingDown) {
    return Refuse("the station is not connected");
  }
  if (!m_running) {
    return Refuse("the station is paused already");
  }
  m_running = false;
  m_link.FlushCounter(m_view.Camera().counter);  // the file holds the last one sent
  TellCounterFile();
  m_rateStarted = false;
  m_rate = 0.0;
  m_leftRate = 0.0;
  Emit(StationEvent::kPaused);
  return {true, ""};
}

CommandResult Station::Resume() {
  if (!m_link.IsOpen() || m_shuttingDown) {
    return Refuse("the station is not connected");
  }
  if (m_running) {
    return Refuse("the station is not paused");
  }
  // Resumed from inside the running loop, which goes on as it is.
  m_running = true;
  m_rateStarted = false;
  Emit(StationEvent::kPaused);
  if (m_loopDepth == 0) {
    StartLoop();
  }
  return {true, ""};
}

bool Station::InitialiseRtLan() {
  if (!m_link.Open(m_port, m_settings.remotePort, m_settings.broadcast)) {
    Tell(m_link.ErrorText(), kRtLanFailureCaption, kMessageBoxOk);
    return false;  // the object stays also when it failed: its sends then send nothing
  }
  m_link.Receivers().LogReceivers(*m_link.Lan());
  return true;
}

void Station::DisplayInitialIp() {
  QMP0001_02_RtLan* lan = m_link.Lan();
  if (lan == nullptr) {
    return;
  }
  int octets[4] = {0, 0, 0, 0};
  // An own address of 0 means the host's name did not resolve: no address.
  const bool hostKnown =
      lan->GetIpOctets(&octets[0], &octets[1], &octets[2], &octets[3]) && lan->GetOwnAddress() != 0;
  if (hostKnown) {
    SafeCopy(m_hostIpText, lan->GetIpText(), sizeof m_hostIpText);
  }
  // The destination is the operator's: the host's address (or the one
  // given) from start-up, or whatever was chosen since.
  if (hostKnown || m_destination != 0) {
    return;
  }
  Emit(StationEvent::kDestination);
  Tell(kNoHostAddressText, kNoHostCaption, kMessageBoxOk);
  Emit(StationEvent::kConnectUnavailable);
}

void Station::StartCounter() {
  bool startedOver = false;
  m_view.Camera().counter = m_link.StartCounter(&startedOver);
  if (startedOver) {
    TellCounterStartedOver();
  }
  TellCounterFile();
}

// --- The frame loop --------------------------------------------------------------

void Station::StartLoop() {
  if (m_loop == nullptr || m_shuttingDown) {
    return;
  }
  m_loop->Start();
  if (m_loopDepth == 0) {
    EnterLoopScheduling();
  }
  ++m_loopDepth;
  m_loop->Run();
  --m_loopDepth;
  if (m_loopDepth == 0) {
    m_priority.Leave();
  }
  // A close-down that arrived inside Run finishes once the outermost Run has
  // returned: nothing of the loop is on the stack any more.
  if (m_loopDepth == 0 && m_shutDownPending) {
    ShutDown();
    if (m_endRequested) {
      Emit(StationEvent::kEnded);
    }
  }
}

void Station::StopLoop() {
  if (m_loop != nullptr) {
    m_loop->Stop();
  }
}

// The frame loop's thread at a real-time priority while the loop runs, when
// the station is set up for it; otherwise, unless the loop polls, with a
// short time slice and the smallest timer slack, which need no privilege.
void Station::EnterLoopScheduling() {
  if (m_settings.realtime) {
    TellLoopScheduling(m_priority.Enter(m_settings.busyWait));
  }
  if (m_settings.timeSliceMicroseconds > 0 && !m_settings.busyWait && !m_priority.IsRealtime()) {
    TellLoopScheduling(m_priority.EnterShortSlice(
        static_cast<std::int64_t>(m_settings.timeSliceMicroseconds) * 1000));
  }
}

void Station::TellLoopScheduling(const char* text) {
  m_link.Log(text);
  Emit(StationEvent::kJournal, text);
}

// --- Close-down ------------------------------------------------------------------

void Station::End() {
  if (m_endRequested) {
    return;
  }
  m_endRequested = true;
  if (m_starting) {
    return;  // Start finishes the close-down once Initialise returned
  }
  ShutDown();
  if (m_loopDepth == 0) {
    Emit(StationEvent::kEnded);
  }
}

void Station::ShutDown() {
  m_shuttingDown = true;  // no frame step from here on
  StopLoop();
  if (m_loopDepth > 0) {
    m_shutDownPending = true;  // StartLoop comes back here once Run returned
    return;
  }
  m_shutDownPending = false;
  m_simulator.Release();
  m_link.Close(m_view.Camera().counter);  // the counter flushed while the log can tell a failure
  if (m_loop != nullptr) {
    m_clock.SleepMilliseconds(kCloseDownWaitMs);
    m_loop.reset();
  }
}
