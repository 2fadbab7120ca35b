#pragma once
// A station on the test bench: the dialog logic with fake controls, a fake
// clock and a fake message queue, over a real shared segment under a test
// name (with a "simulator" attached to it that writes the record), a real
// offsets file in a temporary folder, and a real UDP receiver on 127.0.0.1.

#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "AirportManager.h"
#include "ClockFake.h"
#include "FakeControls.h"
#include "LoopbackPeer.h"
#include "MessagePumpFake.h"
#include "SharedSegment.h"
#include "StationFiles.h"
#include "TavrionDlg.h"
#include "TempDir.h"
#include "VisualShm.h"

class StationTest : public ::testing::Test {
 protected:
  static constexpr std::int64_t kFrequency = 1000000000;

  StationTest() : m_segmentName(UniqueSegmentName()), m_localPort(FreeUdpPorts()) {
    AirportManager::ClearTable();
    m_simulator = std::make_unique<CVisShm>(m_segmentName.c_str());
    // Each read of the clock finds the next frame due.
    clock.SetCounterStep(kFrequency / 60 + 1);
  }

  ~StationTest() override {
    dialog.reset();
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
    settings.busyWait = busyWait;
    settings.realtime = realtime;
    settings.sendRate = sendRate;
    return settings;
  }

  // Builds the dialog and runs its initialisation, with the offsets file.
  void StartDialog(const char* offsets = kOffsetsFile) {
    if (offsets != nullptr) folder.Write("Offsets.dat", offsets);
    m_folderText = folder.Path().string();
    dialog = std::make_unique<CTavrionDlg>(controls, pump, clock, Settings());
    dialog->OnInitDialog();
  }

  VisualInterfaceRecord& Record() { return *m_simulator->GetRecord(); }
  VisualBlock& Sim() { return Record().visualBlock; }

  // The operator's destination: this machine's loopback address.
  void TypeLoopback() {
    controls.TypeAddress(127, 0, 0, 1);
    dialog->OnAddressChanged();
  }

  // Presses Connect with the loopback address typed first, and runs the
  // station until the script closes it. `script(step)` runs before frame step
  // `step` (1 for the first); what it posts to the queue is handled before
  // that step. After `maxSteps` the station is closed and the test fails.
  void RunConnected(const std::function<void(int)>& script, int maxSteps = 2000) {
    if (typeLoopback) pump.Post([this] { TypeLoopback(); });
    const int readsBeforeFrames = clock.CounterReads() + 1;  // Run's own first read
    int scripted = 0;
    pump.SetIdle([&, readsBeforeFrames] {
      const int next = clock.CounterReads() - readsBeforeFrames + 1;
      if (next == scripted) return;
      scripted = next;
      if (next > maxSteps) {
        ADD_FAILURE() << "the station did not close within " << maxSteps << " steps";
        pump.Post([this] { dialog->OnClose(); });
        return;
      }
      script(next);
    });
    dialog->OnConnect();
    pump.SetIdle(nullptr);
  }

  // Every datagram waiting at the receiver.
  std::vector<std::string> Received() { return receiver.TakeWaiting(); }

  // RunConnected types 127.0.0.1 into the boxes first unless told not to.
  bool typeLoopback = true;
  // The frame loop's settings for the next StartDialog.
  bool busyWait = false;
  bool realtime = false;
  int sendRate = 30;

  TempDir folder;
  // Shares its port, as a receiver beside a Google Earth on the same host would.
  LoopbackPeer receiver{0, LoopbackAddress(), PortSharing::kShared};
  FakeControls controls;
  Platform::FakeMessagePump pump;
  Platform::FakeClock clock;
  std::unique_ptr<CTavrionDlg> dialog;

 private:
  std::string m_segmentName;
  std::string m_folderText;
  int m_localPort;
  std::unique_ptr<CVisShm> m_simulator;

 protected:
  const std::string& SegmentName() const { return m_segmentName; }
  int LocalPort() const { return m_localPort; }
};
