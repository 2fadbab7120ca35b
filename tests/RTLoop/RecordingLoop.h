#pragma once
// A frame loop for tests: records every frame and runs a test's action in it.

#include <functional>
#include <vector>

#include "RTLoop.h"

class RecordingLoop : public RTLoop {
 public:
  using RTLoop::RTLoop;

  int Execute(int frameIndex, int state) override {
    indices.push_back(frameIndex);
    states.push_back(state);
    if (onFrame) {
      onFrame(static_cast<int>(indices.size()));
    }
    return 0;
  }

  std::vector<int> indices;
  std::vector<int> states;
  std::function<void(int)> onFrame;
  // Ends Run once the given number of frames have run.
  void StopAfter(int frames) {
    onFrame = [this, frames](int count) {
      if (count >= frames) {
        Stop();
      }
    };
  }
};
