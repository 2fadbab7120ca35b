#pragma once
// What a station is started with. The defaults are the station's own; the
// command line, a face or a test give their own segment, ports and folder.

#include "ViewSync.h"
#include "ViewSyncReceivers.h"

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
  // The destination the station starts with, instead of the host's own; an
  // operator may still change it before Connect.
  bool destinationGiven = false;
  unsigned char destination[4] = {0, 0, 0, 0};
  // Nobody is there to answer a box: an unattended start-up, Connect pressed
  // once the face is up.
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
  // the frame's due time instead, and with learnWakeLead to that time less
  // a lead learnt from its own wake-ups, polling the lead (--final-poll auto).
  int finalPollMicroseconds = kDefaultFinalPollMicroseconds;
  bool learnWakeLead = false;
  // Datagrams a second: 30 sends on every second frame step, 60 on each.
  int sendRate = kBaseSendRate;
  // The frame steps that send follow the simulator's writes of the record
  // (SimulatorFollower.h) instead of the loop's own phase.
  bool followSimulator = false;
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
  // The control socket's path (tavrion --control); null: none, or under
  // systemd the headless station's $RUNTIME_DIRECTORY/control.
  const char* controlPath = nullptr;
};
