#pragma once
// What every bench of the station stands on, whatever face drives it: a real
// shared segment under a test name with a "simulator" attached that writes
// the record, a temporary working folder, a real UDP receiver on 127.0.0.1,
// the fake clock and message pump, and the frame loop run step by step under
// a test's script.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "AirportManager.h"
#include "ClockFake.h"
#include "LoopbackPeer.h"
#include "MessagePumpFake.h"
#include "SharedSegment.h"
#include "StationFiles.h"
#include "StationSettings.h"
#include "TempDir.h"
#include "VisualShm.h"

class StationBench : public ::testing::Test {
 protected:
  static constexpr std::int64_t kFrequency = 1000000000;

  StationBench() : m_segmentName(UniqueSegmentName()), m_localPort(FreeUdpPorts()) {
    AirportManager::ClearTable();
    m_simulator = std::make_unique<CVisShm>(m_segmentName.c_str());
    // Each read of the clock finds the next frame due.
    clock.SetCounterStep(kFrequency / 60 + 1);
  }

  // A bench's station must be gone before this runs.
  ~StationBench() override {
    m_simulator.reset();
    Platform::RemoveSharedSegment(m_segmentName.c_str());
    AirportManager::ClearTable();
  }

  // The settings of the bench's station: its segment, ports and folder, and
  // the frame loop's settings below.
  virtual StationSettings Settings() {
    StationSettings settings;
    settings.segmentName = m_segmentName.c_str();
    settings.localPort = m_localPort;
    settings.remotePort = receiver.Port();
    settings.workingFolder = m_folderText.c_str();
    settings.busyWait = busyWait;
    settings.realtime = realtime;
    settings.sendRate = sendRate;
    return settings;
  }

  // The offsets file written into the folder (none when null), before a start.
  void WriteOffsets(const char* offsets) {
    if (offsets != nullptr) folder.Write("Offsets.dat", offsets);
    m_folderText = folder.Path().string();
  }

  // Runs `connect` (which runs the frame loop until the station ends) with
  // `script(step)` before each frame step (1 for the first); what it posts to
  // the queue is handled before that step. After `maxSteps` `end` is posted
  // and the test fails.
  void RunFrames(const std::function<void(int)>& script, int maxSteps,
                 const std::function<void()>& connect, const std::function<void()>& end) {
    const int readsBeforeFrames = clock.CounterReads() + 1;  // Run's own first read
    int scripted = 0;
    pump.SetIdle([&, readsBeforeFrames] {
      if (betweenFrames) betweenFrames();
      const int next = clock.CounterReads() - readsBeforeFrames + 1;
      if (next == scripted) return;
      scripted = next;
      if (next > maxSteps) {
        ADD_FAILURE() << "the station did not end within " << maxSteps << " steps";
        pump.Post(end);
        return;
      }
      script(next);
    });
    connect();
    pump.SetIdle(nullptr);
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

  // Every datagram waiting at the receiver.
  std::vector<std::string> Received() { return receiver.TakeWaiting(); }
  // The station's own LAN traffic log in its working folder.
  std::string TrafficLog() const { return folder.Read("QM_RT_LAN_Log.txt"); }

  // Runs whenever the loop asks its queue and finds nothing: another face
  // served between frames.
  std::function<void()> betweenFrames;
  // The frame loop's settings for the next start.
  bool busyWait = false;
  bool realtime = false;
  int sendRate = 30;

  TempDir folder;
  // Shares its port, as a receiver beside a Google Earth on the same host would.
  LoopbackPeer receiver{0, LoopbackAddress(), PortSharing::kShared};
  Platform::FakeMessagePump pump;
  Platform::FakeClock clock;

  const std::string& SegmentName() const { return m_segmentName; }
  int LocalPort() const { return m_localPort; }

 private:
  std::string m_segmentName;
  std::string m_folderText;
  int m_localPort;
  std::unique_ptr<CVisShm> m_simulator;
};
