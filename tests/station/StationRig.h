#pragma once
// A station on the test bench without any window: a Station with a fake clock
// and a fake message queue, over a real shared segment under a test name
// (with a "simulator" attached to it that writes the record), a real offsets
// file in a temporary folder and a real UDP receiver on 127.0.0.1. A
// recording observer keeps everything the station tells, in order.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "AirportManager.h"
#include "ClockFake.h"
#include "LoopbackPeer.h"
#include "MessagePumpFake.h"
#include "SharedSegment.h"
#include "Station.h"
#include "StationFiles.h"
#include "TempDir.h"
#include "VisualShm.h"

// Every event the station told, with its texts and the status as it stood
// when it was told (what a face would have shown then).
class StationRecorder : public StationObserver {
 public:
  struct Told {
    StationEvent::Kind kind;
    std::string text;
    std::string caption;
    int style;
    StationStatus status;
  };

  void Watch(const Station& station) { m_station = &station; }

  void OnStationEvent(const StationEvent& event) override {
    told.push_back({event.kind, event.text, event.caption, event.style, m_station->GetStatus()});
    if (event.kind == StationEvent::kBox && whileBoxIsUp) whileBoxIsUp();
  }

  std::vector<Told> Of(StationEvent::Kind kind) const {
    std::vector<Told> found;
    for (const Told& one : told) {
      if (one.kind == kind) found.push_back(one);
    }
    return found;
  }
  int Count(StationEvent::Kind kind) const { return static_cast<int>(Of(kind).size()); }
  std::vector<Told> Boxes() const { return Of(StationEvent::kBox); }
  std::vector<Told> Reports() const { return Of(StationEvent::kReport); }
  // The lamp (LinkStatus) at each of its changes.
  std::vector<int> Lamps() const {
    std::vector<int> lamps;
    for (const Told& one : Of(StationEvent::kLamp)) lamps.push_back(one.status.lamp);
    return lamps;
  }
  // The frame count the figures showed at their last refresh; 0 before any,
  // as a face starts.
  int FramesShown() const {
    const std::vector<Told> figures = Of(StationEvent::kFigures);
    return figures.empty() ? 0 : figures.back().status.frameCount;
  }

  std::vector<Told> told;
  // Runs while a box is up, as what a face's queue delivers then would.
  std::function<void()> whileBoxIsUp;

 private:
  const Station* m_station = nullptr;
};

class StationRig : public ::testing::Test {
 protected:
  static constexpr std::int64_t kFrequency = 1000000000;

  StationRig() : m_segmentName(UniqueSegmentName()), m_localPort(FreeUdpPorts()) {
    AirportManager::ClearTable();
    m_simulator = std::make_unique<CVisShm>(m_segmentName.c_str());
    // Each read of the clock finds the next frame due.
    clock.SetCounterStep(kFrequency / 60 + 1);
  }

  ~StationRig() override {
    station.reset();
    m_simulator.reset();
    Platform::RemoveSharedSegment(m_segmentName.c_str());
    AirportManager::ClearTable();
  }

  virtual StationSettings Settings() {
    StationSettings settings;
    settings.segmentName = m_segmentName.c_str();
    settings.localPort = m_localPort;
    settings.remotePort = receiver.Port();
    settings.workingFolder = m_folderText.c_str();
    settings.connect = unattended;
    settings.busyWait = busyWait;
    settings.realtime = realtime;
    settings.sendRate = sendRate;
    return settings;
  }

  // Makes the station, watched by `events`, and starts it with the offsets
  // file (none when null); `started` is what Start returned.
  void Start(const char* offsets = kOffsetsFile) {
    if (offsets != nullptr) folder.Write("Offsets.dat", offsets);
    m_folderText = folder.Path().string();
    station = std::make_unique<Station>(pump, clock, Settings());
    events.Watch(*station);
    station->AddObserver(&events);
    started = station->Start();
  }

  // The station closed and started again in the same folder, told afresh.
  void Restart() {
    station.reset();
    AirportManager::ClearTable();
    events.told.clear();
    Start();
  }

  // No simulator has the segment: the station will make it at start-up.
  void WithoutSimulator() {
    m_simulator.reset();
    Platform::RemoveSharedSegment(m_segmentName.c_str());
  }
  // A simulator attaches to the segment as it stands (the station's own).
  void SimulatorAttaches() { m_simulator = std::make_unique<CVisShm>(m_segmentName.c_str()); }

  VisualInterfaceRecord& Record() { return *m_simulator->GetRecord(); }
  VisualBlock& Sim() { return Record().visualBlock; }

  // The simulator reports this airport (the field's other bytes zero).
  void SetAirport(const char* ident) {
    std::memset(Sim().airportIdent, 0, sizeof Sim().airportIdent);
    std::memcpy(Sim().airportIdent, ident, std::strlen(ident));
  }

  // One send's camera, without the LAN interface.
  const ViewSyncCamera& Send() {
    station->SendViewSync();
    return station->GetCamera();
  }

  // Connects, with the datagrams sent to 127.0.0.1 first unless told not
  // to, and runs the station until the script ends it. `script(step)` runs
  // before frame step `step` (1 for the first); what it posts to the queue
  // is handled before that step. After `maxSteps` the station is ended and
  // the test fails.
  void RunConnected(const std::function<void(int)>& script, int maxSteps = 2000) {
    if (sendToLoopback) pump.Post([this] { station->SetDestination(LoopbackAddress()); });
    const int readsBeforeFrames = clock.CounterReads() + 1;  // Run's own first read
    int scripted = 0;
    pump.SetIdle([&, readsBeforeFrames] {
      if (betweenFrames) betweenFrames();
      const int next = clock.CounterReads() - readsBeforeFrames + 1;
      if (next == scripted) return;
      scripted = next;
      if (next > maxSteps) {
        ADD_FAILURE() << "the station did not end within " << maxSteps << " steps";
        pump.Post([this] { station->End(); });
        return;
      }
      script(next);
    });
    station->Connect();
    pump.SetIdle(nullptr);
  }

  // Posts End before frame step `wanted`.
  void EndAt(int step, int wanted) {
    if (step == wanted) pump.Post([this] { station->End(); });
  }

  // Every datagram waiting at the receiver.
  std::vector<std::string> Received() { return receiver.TakeWaiting(); }
  // The message line as it stands.
  std::string Message() const { return station->GetStatus().message; }
  // The station's own LAN traffic log in its working folder.
  std::string TrafficLog() const { return folder.Read("QM_RT_LAN_Log.txt"); }

  // RunConnected sends to 127.0.0.1 unless told not to.
  bool sendToLoopback = true;
  // Runs whenever the loop asks its queue and finds nothing: another face
  // served between frames.
  std::function<void()> betweenFrames;
  // The settings for the next Start.
  bool unattended = false;
  bool busyWait = false;
  bool realtime = false;
  int sendRate = 30;

  TempDir folder;
  // Shares its port, as a receiver beside a Google Earth on the same host would.
  LoopbackPeer receiver{0, LoopbackAddress(), PortSharing::kShared};
  Platform::FakeMessagePump pump;
  Platform::FakeClock clock;
  StationRecorder events;  // outlives the station it watches
  std::unique_ptr<Station> station;
  bool started = false;

 private:
  std::string m_segmentName;
  std::string m_folderText;
  int m_localPort;
  std::unique_ptr<CVisShm> m_simulator;

 protected:
  const std::string& SegmentName() const { return m_segmentName; }
  int LocalPort() const { return m_localPort; }
};
