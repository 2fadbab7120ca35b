// The camera of every view, driven without any window.

#include <gtest/gtest.h>

#include "StationCamera.h"
#include "Tolerance.h"

namespace {

VisualBlock EyePoint() {
  VisualBlock block{};
  block.latitude = 51.4775;
  block.longitude = -0.461389;
  block.heightAgl = 250.0;  // tilt reduced by 5 degrees
  block.altitude = 300.0;
  block.heading = 100.0;
  block.pitch = 3.0;
  block.bank = 4.0;
  return block;
}

TEST(WrapHeading, TakesOneStepIntoZeroToThreeSixty) {
  EXPECT_DEGREES_NEAR(StationCamera::WrapHeading(375.0), 15.0);
  EXPECT_DEGREES_NEAR(StationCamera::WrapHeading(360.0), 360.0);
  EXPECT_DEGREES_NEAR(StationCamera::WrapHeading(-10.0), 350.0);
  EXPECT_DEGREES_NEAR(StationCamera::WrapHeading(0.0), 0.0);
  EXPECT_DEGREES_NEAR(StationCamera::WrapHeading(800.0), 440.0);
  EXPECT_DEGREES_NEAR(StationCamera::WrapHeading(-400.0), -40.0);
}

TEST(StationCamera, EachViewTurnsAndTiltsTheCameraFromTheAircraft) {
  const struct {
    int view;
    double altitude, heading, tilt, roll;
  } cases[] = {
      {ViewForward, 262.0, 100.0, 93.0, -4.0},    {ViewFwdL, 262.0, 80.0, 88.0, -4.0},
      {ViewFwdR, 262.0, 120.0, 88.0, -4.0},       {ViewLeftWindow, 262.0, 10.0, 89.0, 0.0},
      {ViewRightWindow, 262.0, 190.0, 81.0, 0.0}, {ViewMap, 500.0, 100.0, 0.0, 0.0},
  };
  for (const auto& c : cases) {
    StationCamera camera;
    camera.Restart();
    camera.SetAglBlend(true);
    camera.SetDatumOffset(12.0);
    camera.SetMapAltitude(500.0);
    camera.ChooseViewUntilSimulatorChanges(c.view);
    camera.Compute(EyePoint());
    const ViewSyncCamera& sent = camera.Camera();
    EXPECT_DATAGRAM_VALUE_NEAR(sent.altitude, c.altitude) << c.view;
    EXPECT_DEGREES_NEAR(sent.heading, c.heading) << c.view;
    EXPECT_DEGREES_NEAR(sent.tilt, c.tilt) << c.view;
    EXPECT_DEGREES_NEAR(sent.roll, c.roll) << c.view;
    EXPECT_EQ(sent.counter, StationCamera::kInitialCounter) << "the counter is the caller's";
  }
}

TEST(StationCamera, AChosenViewHoldsUntilTheSimulatorsSelectionChanges) {
  StationCamera camera;
  camera.ChooseViewUntilSimulatorChanges(ViewMap);
  VisualBlock block = EyePoint();
  block.viewSelect = kSimViewForward;
  camera.Compute(block);
  EXPECT_EQ(camera.GetViewMode(), ViewMap);
  block.viewSelect = kSimViewLeftWindow;
  camera.Compute(block);
  EXPECT_EQ(camera.GetViewMode(), ViewLeftWindowSim);
}

// A second of slewing turns the view as far at 60 sends a second as at 30:
// two sends at 60 move it as one does at 30.
TEST(StationCamera, TheSlewTakesTheSameTimeAtEitherRate) {
  const struct { int rate, sends; } cases[] = {{30, 1}, {30, 2}, {60, 2}, {60, 4}};
  for (const auto& c : cases) {
    StationCamera camera;
    camera.Restart();
    camera.SetSendsPerSecond(c.rate);
    camera.SetSlew(true);
    camera.ChooseViewUntilSimulatorChanges(ViewLeftWindow);
    for (int i = 0; i < c.sends; ++i) camera.Compute(EyePoint());
    const double expected = c.sends * 30 / c.rate == 1 ? -9.0 : -17.1;
    EXPECT_DEGREES_NEAR(camera.GetHeadingOffset(), expected) << c.rate << " " << c.sends;
  }
}

}  // namespace
