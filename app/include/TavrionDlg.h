#pragma once
// The station's main dialog, without its window: start-up, Connect, the
// control handlers, the frame step and the close-down. The station itself is
// its core's (app/station): the simulator's side, the airport trims, the
// camera and the datagram link; the dialog drives them and shows what they
// report. It reaches its controls only through DialogControls; the
// window forwards every control notification to the public handler named for
// it below.
//
// Everything runs on the window's thread. After the first Connect the frame
// loop's Run pumps the window's messages itself, so every later handler runs
// nested inside OnConnect. Escape and the close box, arriving there, stop the
// loop and return; when Run has returned, OnConnect shuts the station down
// (segment, LAN interface, loop, in that order) and only then calls
// DialogControls::EndDialog. No frame step runs once the close-down has
// begun, and each owned object is deleted once. Enter never ends the station:
// an operator confirming a typed address must not switch the visuals off.
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
// Started unattended (--connect), the station shows no message box: what it
// has to tell goes to the message line, standard error and the LAN log, and a
// segment that cannot be used at start-up is waited for as a lost one is.
//
// The counter goes on across runs: the highest one sent is kept in the
// working folder (ViewSyncCounter.h), so that a Google Earth that kept
// running accepts a restarted station at once. Receivers given beside the
// destination get every datagram too (ViewSyncReceivers.h); the link lamp
// follows the destination alone.

#include <cstdint>
#include <memory>
#include <string>

#include "AirportManager.h"
#include "AirportTrims.h"
#include "DatagramLink.h"
#include "FramePriority.h"
#include "DialogControls.h"
#include "MessageLine.h"
#include "Resource.h"
#include "SimulatorSide.h"
#include "StationCamera.h"
#include "ThreadScheduling.h"
#include "ViewSync.h"
#include "ViewSyncCounter.h"
#include "ViewSyncReceivers.h"
#include "VisualInterfaceShm.h"

namespace Platform {
class Clock;
class MessagePump;
}  // namespace Platform

class CVisShm;
class QMP0001_02_RtLan;
class RealTimeLoop;

// Where the station attaches and what it sends from and to. The defaults are
// the station's own; tests give their own segment, ports and folder.
// The frame loop's waiting as measured best, idle and beside CPU-bound
// processes (README): a poll shorter than the slice, so that the thread is
// not preempted while it polls.
constexpr int kDefaultTimeSliceMicroseconds = 300;
constexpr int kDefaultFinalPollMicroseconds = 200;
// The datagram rates: the frame loop's 60 steps a second send on every
// second step, or on each.
constexpr int kBaseSendRate = 30;
constexpr int kFastSendRate = 60;

struct StationSettings {
  const char* segmentName = "VisualInterface";
  int localPort = 7000;
  int remotePort = 7001;
  // Folder of "Offsets.dat"; empty means the process's working folder.
  const char* workingFolder = "";
  int frameRate = 60;
  // The address the four destination boxes start with, instead of the
  // host's own; the operator may still change it before Connect.
  bool destinationGiven = false;
  unsigned char destination[4] = {0, 0, 0, 0};
  // Connect is pressed once the window is up: an unattended start-up.
  bool connect = false;
  // The frame loop polls between frames instead of sleeping, for hosts whose
  // wake-ups come late.
  bool busyWait = false;
  // The frame loop's thread asks for a real-time priority while the loop
  // runs (not with busyWait: a polling loop would hold a core at it).
  bool realtime = false;
  // Unless it polls or runs at a real-time priority, the frame loop's thread
  // asks for this time slice in microseconds (0: the kernel's own), which
  // lets it preempt CPU-bound processes sooner when it wakes.
  int timeSliceMicroseconds = kDefaultTimeSliceMicroseconds;
  // The last stretch before a frame that the loop polls; 0: it sleeps to
  // the frame's due time instead.
  int finalPollMicroseconds = kDefaultFinalPollMicroseconds;
  // Datagrams a second: 30 sends on every second frame step, 60 on each.
  int sendRate = kBaseSendRate;
  // Receivers fed beside the destination, and whether the sending socket may
  // reach a broadcast address.
  int receiverCount = 0;
  ViewSyncReceiver receivers[ViewSyncReceivers::kMostReceivers] = {};
  bool broadcast = false;
  // Run without a window (tavrion --headless): the view, the map view's
  // height in metres and slew are given here instead of by the controls.
  bool headless = false;
  bool viewGiven = false;
  int view = ViewForward;
  bool mapAltitudeGiven = false;
  double mapAltitude = 0.0;
  bool slew = false;
};

static_assert(MessageLine::kTextSize == DialogValues::kMessageSize,
              "the window's message line holds what the station's says");

static_assert(SimulatorSide::kCheckMs == 1000 && SimulatorSide::kFrozenMs == 5000,
              "the dialog's watch times are the core's");

class CTavrionDlg {
 public:
  static constexpr int kShmErrorSize = 1000;
  static constexpr int kHostIpTextSize = 20;
  static constexpr int kNameSize = 1024;
  static constexpr int kLinkWatchdogRearm = DatagramLink::kWatchdogRearm;
  static constexpr int kCloseDownWaitMs = 2000;
  static constexpr int kNoSimView = StationCamera::kNoSimView;
  // How often the segment is checked, and how long the simulator's data may
  // stand still before the operator is told, in milliseconds.
  static constexpr std::uint32_t kSegmentCheckMs = 1000;
  static constexpr std::uint32_t kFrozenDataMs = 5000;
  // GetAirportIndex while the reported airport is not in the table.
  static constexpr int kNoAirport = AirportTrims::kNoAirport;
  // Caption of the message box that tells why the segment is not usable.
  static constexpr const char* kShmFailureCaption = "CTavrionDlg::InitialiseSharedMemory";
  // Caption of the message box that tells that Save could not write the file.
  static constexpr const char* kSaveFailureCaption = "CTavrionDlg::OnSave";
  // Caption of the message box that refuses an address box at Connect.
  static constexpr const char* kAddressFailureCaption = "CTavrionDlg::OnConnect";
  // The message line when the counter had to start again at 1510.
  static constexpr const char* kCounterStartedOverText =
      "ViewSync counter started again at 1510: restart Google Earth on every receiver";

  // `pump` is the window's message pump, run by the frame loop between frames;
  // `clock` paces the frames, times the close-down wait and, with its
  // millisecond timer, the checks of the simulator's side. All three must
  // outlive the dialog.
  CTavrionDlg(DialogControls& controls, Platform::MessagePump& pump, Platform::Clock& clock,
              const StationSettings& settings = StationSettings());
  ~CTavrionDlg();
  CTavrionDlg(const CTavrionDlg&) = delete;
  CTavrionDlg& operator=(const CTavrionDlg&) = delete;

  // --- Window entry points -------------------------------------------------
  // Dialog initialisation, once the controls exist: runs Initialise. True.
  // A close that arrives meanwhile (from a message box) is carried out once
  // Initialise has returned.
  bool OnInitDialog();
  // Button 1001. While the address boxes can still be edited, each must hold
  // a number from 0 to 255, or the press is refused with a message box that
  // names the box. The first accepted press brings up the LAN interface and
  // runs the frame loop, which does not return until the station closes:
  // every later notification arrives nested inside this call. Later presses
  // pause and resume the frame steps.
  void OnConnect();
  // Enter on anything but a push button: the station goes on as it was.
  void OnOK();
  // Escape and the close box end the station (see above).
  void OnCancel();
  void OnClose();
  // The window is being destroyed: shuts down if that has not happened yet.
  void OnDestroy();

  // --- Control notifications -----------------------------------------------
  void OnAddressChanged();   // 1036 to 1039, text changed
  void OnPortChanged();      // 1040, text changed
  void OnForwardView();      // 1003 clicked
  void OnFwdL();             // 1005 clicked
  void OnFwdR();             // 1007 clicked
  void OnMapView();          // 1000 clicked
  void OnRightWindowView();  // 1004 clicked
  void OnLeftWindowView();   // 1002 clicked
  void OnSlew();             // 1009 clicked
  void OnAgl();              // 1047 clicked
  // 1042, mouse capture released. Returns 0 (handled).
  int OnMapSliderReleased();
  // 1043, mouse capture released.
  void OnDatumSliderReleased();
  // 1048, position about to change by `positionChange` (-1 for the upper
  // arrow, +1 for the lower one). Returns 0 (change allowed).
  int OnDatumSpin(int positionChange);
  // The view chosen without a window (a ViewMode). It holds until the
  // simulator's view selection changes, which is then followed as always.
  void ChooseView(int mode);
  // The map view's height above the aircraft, in metres, as the map slider
  // would set it (a station without a window is given it).
  void SetMapAltitude(double metres);
  // 1008 clicked. Success is told on the window's message line, a failure in
  // a message box with the reason; false when the file could not be written.
  bool OnSave();

  // --- Start-up, Connect and close-down --------------------------------------
  bool Initialise();
  bool InitialiseRtLan();
  void DisplayInitialIp();
  // Takes the four boxes into the destination when each holds 0 to 255;
  // otherwise the destination stays as it was and the result is false.
  bool ReadDestinationAddress();
  void LockPort();
  void StartLoop();
  void StopLoop();
  void ShutDown();

  // --- Frame loop ----------------------------------------------------------
  // One cycle of the frame loop: counts, refreshes the figures once in eleven
  // steps, sends on every second step.
  void FrameStep();
  // Copies the simulator's block, works out the camera and sends it.
  void SendViewSync();
  void UpdateLinkStatus();
  // Once into 0 to 360: above 360 loses 360, then below 0 gains 360.
  static double WrapHeading(double heading);

  // --- State, for the window's tests and diagnostics -----------------------
  const ViewSyncCamera& GetCamera() const { return m_view.Camera(); }
  const DialogValues& GetValues() const { return m_values; }
  const char* GetShmError() const { return m_simulator.ErrorText(); }
  const char* GetHostIpText() const { return m_hostIpText; }
  std::uint32_t GetDestinationAddress() const;  // network order
  VisualInterfaceRecord* GetRecord() const { return m_simulator.Record(); }
  int GetViewMode() const { return m_view.GetViewMode(); }
  int GetFrameCount() const { return m_frameCount; }
  int GetLinkStatus() const { return m_link.GetStatus(); }
  int GetLinkWatchdog() const { return m_link.GetWatchdog(); }
  int GetPort() const { return m_port; }
  int GetAirportIndex() const { return m_trims.GetAirportIndex(); }
  double GetHeadingOffset() const { return m_view.GetHeadingOffset(); }
  double GetBlendFactor() const { return m_view.GetBlendFactor(); }
  double GetTiltReduction() const { return m_view.GetTiltReduction(); }
  double GetDatumOffset() const { return m_view.GetDatumOffset(); }
  double GetMapAltitude() const { return m_view.GetMapAltitude(); }
  bool IsRunning() const { return m_running; }
  bool IsRtLanOk() const { return m_link.IsOk(); }
  bool HasLoop() const { return m_loop != nullptr; }
  bool HasSegment() const { return m_simulator.HasSegment(); }
  bool HasRtLan() const { return m_link.IsOpen(); }
  bool IsShuttingDown() const { return m_shuttingDown; }
  bool IsLoopRunning() const { return m_loopDepth > 0; }
  // The segment was let go and the station waits for a usable one.
  bool IsSegmentLost() const { return m_simulator.IsLost(); }
  // Datagrams held back since start-up: not finite, or too long for the text.
  int GetHeldDatagrams() const { return m_link.GetHeld(); }
  // Datagrams the destination took since start-up.
  int GetSentDatagrams() const { return m_link.GetSent(); }
  bool IsBusyWait() const { return m_settings.busyWait; }
  // What became of the real-time priority asked for, one line, empty when
  // none was asked for; also written to the LAN log and to standard error
  // when the loop starts.
  const char* GetSchedulingText() const { return m_priority.Text(); }
  // What became of the short time slice; empty when none was asked for.
  const char* GetSliceText() const { return m_priority.SliceText(); }
  const ViewSyncReceivers& GetReceivers() const { return m_link.Receivers(); }

 private:
  // Start-up steps.
  void InitialiseVariables();
  bool InitialiseSharedMemory();
  void InitialiseAirportDataBase();
  void ShowHostAddress();
  void ShowStartingFigures();
  // The destination given at start-up into the boxes and the datagrams.
  void ShowGivenDestination();
  void LoadStatusBitmaps();
  void DeleteStatusBitmaps();
  void SetCaption();
  // Connect while the address can be edited: every box 0 to 255.
  bool CheckDestinationBoxes();
  // The frame loop's scheduling around its outermost Run.
  void EnterLoopScheduling();
  void LeaveLoopScheduling();
  void TellLoopScheduling(const char* text);
  // Close-down of Enter, Escape and the close box.
  void EndStation(int result);
  // Frame step pieces.
  void RefreshFigures();
  void UpdateAirport();
  void ShowViewSelection();
  void ApplyDatumOffset(double offset);
  // A trim from the spin buttons or the hidden slider: it goes to the airport
  // the simulator reports, which gets a record first if it has none.
  void TrimDatumOffset(double offset);
  // The message line: a notice, and the conditions that outrank it.
  void ShowMessage(const char* text);
  void RaiseCondition(MessageLine::Condition condition, const char* text);
  void ClearCondition(MessageLine::Condition condition);
  void ShowMessageLine();
  // The offsets file's lines skipped at start-up, or a file too large to keep.
  void TellOffsetsFileReport();
  // What the station has to tell. Attended, a message box; unattended
  // (--connect), nobody would answer one: the text goes to the message line,
  // standard error and the LAN log instead.
  void Tell(const char* text, const char* caption, int style);
  // A notice on the message line; unattended, also on standard error and in
  // the LAN log (kept until the log exists, at Connect).
  void Report(const char* text, const char* caption);
  // The simulator's side: its segment and whether its data moves.
  void WatchSegment();
  void TellSegmentLost();
  void TellAttachedAgain();
  bool ReadSimulatorBlock();
  void WatchSimulatorData();
  void LogEvent(const char* text);
  // The counter across runs: where a run starts, and the operator told when
  // it had to start again at 1510.
  void StartCounter();
  void TellCounterStartedOver();
  // False when the datagram was held back.
  bool SendDatagram();
  void Push();
  bool Take();

  // Collaborators and settings.
  DialogControls& m_controls;
  Platform::MessagePump& m_pump;
  Platform::Clock& m_clock;
  char m_workingFolder[kNameSize];
  // What the station was started with; its texts are the copies kept
  // beside it (the working folder) and in the simulator's side (the segment).
  const StationSettings m_settings;
  FramePriority m_priority;

  // Owned objects and start-up state. ShutDown releases them segment first,
  // then the LAN object, then the loop; declared the other way round, they
  // would go in that order too if it never ran.
  std::unique_ptr<RealTimeLoop> m_loop;
  DatagramLink m_link;
  SimulatorSide m_simulator;
  int m_port;
  char m_hostIpText[kHostIpTextSize];
  AirportTrims m_trims;

  // Controls: bound values and the fields behind the boxes.
  DialogValues m_values;
  unsigned char m_destAddress[4];
  bool m_aglChecked;

  // Frame step and camera.
  bool m_running;
  int m_frameCount;
  int m_displayDivider;
  int m_shownViewMode;
  StationCamera m_view;
  double m_altitudeShown;
  int m_shownLinkStatus;

  // The simulator's side, timed by the clock's millisecond timer.
  MessageLine m_messageLine;

  // Close-down: Run calls on the stack, and what waits for them to return.
  int m_loopDepth;
  bool m_initialising;
  bool m_shuttingDown;
  bool m_shutDownPending;
  bool m_endRequested;
  int m_endResult;
};
