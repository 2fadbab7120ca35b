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
#include "StationBench.h"
#include "TavrionDlg.h"
#include "TempDir.h"
#include "VisualShm.h"

class StationTest : public StationBench {
 protected:
  ~StationTest() override { dialog.reset(); }

  // Builds the dialog and runs its initialisation, with the offsets file.
  void StartDialog(const char* offsets = kOffsetsFile) {
    WriteOffsets(offsets);
    dialog = std::make_unique<CTavrionDlg>(controls, pump, clock, Settings());
    dialog->OnInitDialog();
  }

  // The operator's destination: this machine's loopback address.
  void TypeLoopback() {
    controls.TypeAddress(127, 0, 0, 1);
    dialog->OnAddressChanged();
  }

  // Presses Connect with the loopback address typed first, and runs the
  // station until the script closes it (RunFrames).
  void RunConnected(const std::function<void(int)>& script, int maxSteps = 2000) {
    if (typeLoopback) pump.Post([this] { TypeLoopback(); });
    RunFrames(
        script, maxSteps, [this] { dialog->OnConnect(); }, [this] { dialog->OnClose(); });
  }

  // RunConnected types 127.0.0.1 into the boxes first unless told not to.
  bool typeLoopback = true;

  FakeControls controls;
  std::unique_ptr<CTavrionDlg> dialog;
};
