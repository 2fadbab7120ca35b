#pragma once
// The station: it attaches the simulator's segment, loads the airports'
// datum offsets, and once connected sends one ViewSync datagram per send of
// its frame loop to the destination and every receiver. Every face of it (the
// window, the service without one, the control socket) commands it through
// the operations below and learns from it through its events
// (StationObserver) and its status value (StationStatus); none keeps a copy
// of what the station holds.
//
// Everything runs on one thread. The first Connect runs the frame loop, whose
// Run pumps the face's messages itself (the window's, or the service's stop
// signals and control clients), so every later command arrives nested inside
// Connect. End, arriving there, stops the loop; once Run has returned, the
// station shuts down (segment, LAN interface, loop, in that order) and tells
// kEnded. No frame step runs once the close-down has begun, and each owned
// object is released once.
//
// While frames run the station watches the simulator's side: about once a
// second it checks that the segment name still means the segment it has
// mapped, whole. A segment removed, made anew or shrunk is let go at once:
// nothing is sent, the lamp shows orange and the message line says why, and
// the station attaches again as soon as a usable segment of that name
// exists. A frame whose camera is not finite, or whose text would not fit
// the datagram, is held back without using a counter value. Data that has
// not changed for more than 5 s is told on the message line (and once in the
// LAN log), but still sent: a paused simulator freezes its record too.
//
// Started unattended (settings.connect), the station asks for no box: what
// it has to tell goes to the message line, to its faces as kReport and to
// the LAN log, and a segment that cannot be used at start-up is waited for
// as a lost one is.
//
// The counter goes on across runs: the highest one sent is kept in the
// working folder (ViewSyncCounter.h), so that a Google Earth that kept
// running accepts a restarted station at once. Receivers given beside the
// destination get every datagram too (ViewSyncReceivers.h); the link lamp
// follows the destination alone.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "AirportTrims.h"
#include "DatagramLink.h"
#include "FramePriority.h"
#include "MessageLine.h"
#include "SimulatorSide.h"
#include "StationCamera.h"
#include "StationObserver.h"
#include "StationSettings.h"
#include "StationStatus.h"

namespace Platform {
class Clock;
class MessagePump;
}  // namespace Platform

class RealTimeLoop;

static_assert(SimulatorSide::kCheckMs == 1000 && SimulatorSide::kFrozenMs == 5000,
              "the station's watch times");

// What a command came to: done, or refused with the reason in words.
struct CommandResult {
  bool ok;
  // Refused: why. Done: what it did in words, where the command tells (Save),
  // else empty. Lasts until the station's next command.
  const char* reason;
};

class Station {
 public:
  static constexpr int kNameSize = 1024;
  static constexpr int kCloseDownWaitMs = 2000;
  static constexpr int kReasonSize = 1024;
  // The map view's greatest height above the aircraft: the slider's right end.
  static constexpr double kMostMapAltitude = 100000.0;
  // A trim step of the spin buttons, in metres.
  static constexpr double kTrimStep = 0.5;
  // Captions of what the station tells in a box (the window's own names).
  static constexpr const char* kShmFailureCaption = "CTavrionDlg::InitialiseSharedMemory";
  static constexpr const char* kRtLanFailureCaption = "CTavrionDlg::InitialiseRtLan";
  static constexpr const char* kNoHostCaption = "CTavrionDlg::DisplayInitialIp";
  static constexpr const char* kAirportDataBaseCaption = "InitialiseAirportDataBase";
  // The message line when the counter had to start again at 1510.
  static constexpr const char* kCounterStartedOverText =
      "ViewSync counter started again at 1510: restart Google Earth on every receiver";

  // `pump` is the face's message pump, run by the frame loop between frames;
  // `clock` paces the frames, times the close-down wait and, with its
  // millisecond timer, the checks of the simulator's side. Both must outlive
  // the station. The settings' texts are copied.
  Station(Platform::MessagePump& pump, Platform::Clock& clock, const StationSettings& settings);
  ~Station();
  Station(const Station&) = delete;
  Station& operator=(const Station&) = delete;

  // Observers are told every event from here on, in the order added; each
  // must outlive the station or be removed first.
  void AddObserver(StationObserver* observer);
  void RemoveObserver(StationObserver* observer);
  // The receivers' failure and recovery lines also on `stream` (nobody reads
  // a window); null: the LAN log alone.
  void EchoReceiverLines(std::FILE* stream) { m_link.EchoReceiverLines(stream); }

  // --- Start-up, Connect and close-down --------------------------------------
  // Attaches the segment, makes the frame loop, finds the host's address (the
  // destination unless one was given), loads the offsets file and writes the
  // start airport into the record. False when the segment cannot be used and
  // somebody is there to be told: nothing can run then. An End that arrives
  // meanwhile (from a box) is carried out once this has returned.
  bool Start();
  // Connect can do something: the record is there, or a lost one is waited for.
  bool CanConnect() const;
  // The Connect button. The first press brings up the LAN interface and runs
  // the frame loop, which returns only when the station ends; later presses
  // pause and resume the frame steps.
  void Connect();
  // Connect's later presses, refused when they would change nothing.
  CommandResult Pause();
  CommandResult Resume();
  // Ends the station: the loop stops, the close-down follows once Run has
  // returned, then kEnded.
  void End();
  // The face is going away: shuts down now, or once Run has returned.
  void ShutDown();

  // --- The operator's commands -----------------------------------------------
  // The datagrams' destination (network order), until the first frame step.
  CommandResult SetDestination(std::uint32_t address);
  // The local port the datagrams leave from, until Connect.
  CommandResult SetLocalPort(int port);
  // A view (ViewMode) chosen by the operator; it holds until the simulator's
  // selection changes. The check of what it became comes with the next send.
  CommandResult SelectView(int mode);
  // A view chosen before any selection was read (a station without a
  // window): the first selection read does not replace it.
  void SelectViewUntilSimulatorChanges(int mode);
  // The map view's height above the aircraft, 0 to kMostMapAltitude metres.
  CommandResult SetMapAltitude(double metres);
  void SetSlew(bool slew);
  void SetAglBlend(bool blend);
  // A trim of the current airport's datum offset by `steps` spin steps (up
  // is +1), or to `metres`. It goes to the airport the simulator reports,
  // which gets a record first if it has none; before any is reported it
  // moves the camera alone.
  CommandResult TrimStep(int steps);
  CommandResult TrimTo(double metres);
  // Writes the offsets file (a backup first). Told on the message line; the
  // reason when it could not be written, and then the file is as it was.
  CommandResult Save();

  // --- Frame loop ------------------------------------------------------------
  // One cycle of the frame loop: counts, refreshes the figures once in eleven
  // steps, sends on every second step (every step at 60 a second).
  void FrameStep();
  // Copies the simulator's block, works out the camera and sends it.
  void SendViewSync();
  // For a loop that follows the simulator: whether the last frame step sent
  // a datagram and the next one is to send one, and whether the record
  // changed since the last such look (false without a record).
  bool LastStepSent() const { return m_lastStepSent; }
  bool NextStepSends() const;
  bool SimulatorRecordChanged() { return m_simulator.RecordChanged(); }
  // What became of the frame timing (a loop following the simulator locking
  // onto its writes or letting go): the LAN log and a kJournal line.
  void TellFrameTiming(const char* text) { TellLoopScheduling(text); }

  // A face's line for the LAN log (kept until the log opens at Connect).
  void Log(const char* text) { m_link.LogLines(text); }

  // What a face has to tell, where the station tells its own: attended, a
  // box (kBox); unattended nobody would answer one: the message line,
  // kReport and the LAN log.
  void Tell(const char* text, const char* caption, int style);

  // --- What it is ------------------------------------------------------------
  StationStatus GetStatus() const;
  const char* MessageText() const { return m_messageLine.Text(); }
  const ViewSyncCamera& GetCamera() const { return m_view.Camera(); }
  VisualInterfaceRecord* GetRecord() const { return m_simulator.Record(); }
  const char* GetShmError() const { return m_simulator.ErrorText(); }
  const char* GetHostIpText() const { return m_hostIpText; }
  std::uint32_t GetDestinationAddress() const { return m_destination; }
  int GetPort() const { return m_port; }
  int GetViewMode() const { return m_view.GetViewMode(); }
  int GetFrameCount() const { return m_frameCount; }
  int GetLinkStatus() const { return m_link.GetStatus(); }
  int GetLinkWatchdog() const { return m_link.GetWatchdog(); }
  int GetAirportIndex() const { return m_trims.GetAirportIndex(); }
  double GetHeadingOffset() const { return m_view.GetHeadingOffset(); }
  double GetBlendFactor() const { return m_view.GetBlendFactor(); }
  double GetTiltReduction() const { return m_view.GetTiltReduction(); }
  double GetDatumOffset() const { return m_view.GetDatumOffset(); }
  double GetMapAltitude() const { return m_view.GetMapAltitude(); }
  bool IsSlewing() const { return m_view.IsSlewing(); }
  bool IsAglBlend() const { return m_aglBlend; }
  bool IsRunning() const { return m_running; }
  bool IsRtLanOk() const { return m_link.IsOk(); }
  bool HasLoop() const { return m_loop != nullptr; }
  bool HasSegment() const { return m_simulator.HasSegment(); }
  bool HasRtLan() const { return m_link.IsOpen(); }
  bool IsShuttingDown() const { return m_shuttingDown; }
  bool IsLoopRunning() const { return m_loopDepth > 0; }
  bool IsDestinationLocked() const { return m_frameCount != -1; }
  // The segment was let go and the station waits for a usable one.
  bool IsSegmentLost() const { return m_simulator.IsLost(); }
  int GetHeldDatagrams() const { return m_link.GetHeld(); }
  int GetSentDatagrams() const { return m_link.GetSent(); }
  // Datagrams that left to the destination or a receiver.
  int GetLeftDatagrams() const { return m_link.GetLeft(); }
  bool IsBusyWait() const { return m_settings.busyWait; }
  // What became of the real-time priority asked for, one line, empty when
  // none was asked for; also a kJournal line and in the LAN log when the
  // loop starts.
  const char* GetSchedulingText() const { return m_priority.Text(); }
  // What became of the short time slice; empty when none was asked for.
  const char* GetSliceText() const { return m_priority.SliceText(); }
  const ViewSyncReceivers& GetReceivers() const { return m_link.Receivers(); }

 private:
  // Start-up steps (StationLife.cpp).
  bool Initialise();
  void InitialiseVariables();
  void MakeLoop();
  void ShowHostAddress();
  void InitialiseAirportDataBase();
  void TellOffsetsFileReport();
  bool InitialiseRtLan();
  void DisplayInitialIp();
  void StartCounter();
  void StartLoop();
  void StopLoop();
  void EnterLoopScheduling();
  void TellLoopScheduling(const char* text);
  // Frame step pieces (StationFrame.cpp).
  void RefreshFigures();
  // Over the last second, restarted when the frames pause.
  void UpdateRate(std::uint32_t now);
  void UpdateLinkStatus();
  void UpdateAirport();
  void ShowViewSelection();
  void WatchSegment(std::uint32_t now);
  bool ReadSimulatorBlock();
  void WatchSimulatorData();
  void TellSegmentLost();
  void TellAttachedAgain();
  void TellCounterStartedOver();
  // What the last send came to: the destination failing or recovered, held
  // datagrams beginning or ending.
  void TellDestination();
  void TellHeld(DatagramLink::Sent sent);
  // The counter file's writes failing or working again.
  void TellCounterFile();
  // The segment the station made, written by a simulator at last.
  void WatchFirstWrite();
  // Commands' shared steps (StationCommands.cpp).
  void ApplyDatumOffset(double offset);
  CommandResult Refuse(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // What the station tells (StationReports.cpp).
  void Report(const char* text, const char* caption);
  void ShowMessage(const char* text);
  // A notice on the message line, told (kTold) with its caption if any.
  void Notice(const char* text, const char* caption);
  void RaiseCondition(MessageLine::Condition condition, const char* text);
  void ClearCondition(MessageLine::Condition condition);
  void ShowMessageLine();
  void Emit(StationEvent::Kind kind, const char* text = "", const char* caption = "",
            int style = 0);

  Platform::MessagePump& m_pump;
  Platform::Clock& m_clock;
  const StationSettings m_settings;  // its texts are the copies kept below
  char m_workingFolder[kNameSize];
  std::vector<StationObserver*> m_observers;

  // Owned parts. ShutDown releases them segment first, then the LAN object,
  // then the loop; declared the other way round, they would go in that order
  // too if it never ran.
  FramePriority m_priority;
  std::unique_ptr<RealTimeLoop> m_loop;
  DatagramLink m_link;
  SimulatorSide m_simulator;
  AirportTrims m_trims;
  StationCamera m_view;
  MessageLine m_messageLine;
  char m_shownMessage[MessageLine::kTextSize];
  char m_refusal[kReasonSize];

  // The link's settings, fixed at Connect and at the first frame step.
  int m_port;
  std::uint32_t m_destination;  // network order
  char m_hostIpText[StationStatus::kAddressTextSize];

  // Frame step state.
  bool m_running;
  bool m_aglBlend;
  int m_frameCount;
  bool m_lastStepSent;
  int m_displayDivider;
  int m_shownViewMode;
  int m_shownLinkStatus;
  double m_altitudeShown;
  // The destination's rate over the last second.
  bool m_rateStarted;
  std::uint32_t m_rateSince;
  int m_rateSent;
  int m_rateLeft;
  double m_rate;
  double m_leftRate;
  int m_heldBefore;  // held back before the present stretch of held datagrams

  // Close-down: Run calls on the stack, and what waits for them to return.
  int m_loopDepth;
  bool m_starting;
  bool m_shuttingDown;
  bool m_shutDownPending;
  bool m_endRequested;
};
