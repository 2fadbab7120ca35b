// The camera of each view as the station works it out from the simulator's
// record, with the operator's commands. No LAN interface: nothing is sent.

#include <string>

#include "StationRig.h"
#include "Tolerance.h"

namespace {

class StationViews : public StationRig {
 protected:
  void SetUp() override {
    Start();
    Sim().heightAgl = 100.0;
    Sim().altitude = 180.0;
    Sim().pitch = 0.0;
    Sim().bank = 0.0;
    Sim().heading = 90.0;
    Sim().latitude = 51.4775;
    Sim().longitude = -0.461389;
    Sim().viewSelect = kSimViewForward;
    // The first send takes the simulator's selection and the start airport.
    Send();
  }

  // The view the faces were last told the datagrams carry.
  int ViewShown() const {
    const auto shown = events.Of(StationEvent::kViewShown);
    return shown.empty() ? ViewForward : shown.back().status.view;
  }
};

TEST_F(StationViews, PositionAndTimeAreCopiedAndNoCounterIsUsedByADatagramThatNeverLeft) {
  Sim().timeValue = -1;
  EXPECT_EQ(Send().counter, 1509) << "not connected: nothing left";
  EXPECT_DEGREES_NEAR(station->GetCamera().latitude, 51.4775);
  EXPECT_DEGREES_NEAR(station->GetCamera().longitude, -0.461389);
  EXPECT_EQ(station->GetCamera().timeStart, 0);
  EXPECT_EQ(station->GetCamera().timeEnd, -1);
  EXPECT_EQ(Send().counter, 1509);
}

TEST_F(StationViews, EyePointViewsTurnTwentyDegreesAndWrapTheHeading) {
  station->SelectView(ViewFwdR);
  Sim().heading = 355.0;
  EXPECT_DEGREES_NEAR(Send().heading, 15.0);
  Sim().heading = 340.0;
  EXPECT_DEGREES_NEAR(Send().heading, 360.0);
  station->SelectView(ViewFwdL);
  Sim().heading = 10.0;
  EXPECT_DEGREES_NEAR(Send().heading, 350.0);
}

TEST_F(StationViews, EachViewSetsAltitudeTiltAndRollFromTheAircraft) {
  Sim().heightAgl = 250.0;  // tilt reduction 5 degrees
  Sim().pitch = 3.0;
  Sim().bank = 4.0;
  Sim().heading = 100.0;
  const double altitude = 12.0 + 250.0;  // EGLL's datum offset + blended height

  struct Expected {
    int view;
    double heading, tilt, roll;
  };
  const Expected views[] = {
      {ViewForward, 100.0, 93.0, -4.0},  // no tilt reduction
      {ViewFwdL, 80.0, 88.0, -4.0},      {ViewFwdR, 120.0, 88.0, -4.0},
      {ViewLeftWindow, 10.0, 89.0, 0.0}, {ViewRightWindow, 190.0, 81.0, 0.0},
  };
  for (const Expected& view : views) {
    EXPECT_TRUE(station->SelectView(view.view).ok);
    const ViewSyncCamera& camera = Send();
    EXPECT_METRES_NEAR(camera.altitude, altitude);
    EXPECT_DEGREES_NEAR(camera.heading, view.heading);
    EXPECT_DEGREES_NEAR(camera.tilt, view.tilt);
    EXPECT_DEGREES_NEAR(camera.roll, view.roll);
  }
  EXPECT_DEGREES_NEAR(station->GetTiltReduction(), 5.0);

  // The simulator's own window views give the same cameras.
  Sim().viewSelect = kSimViewLeftWindow;
  EXPECT_DEGREES_NEAR(Send().tilt, 89.0);
  EXPECT_DEGREES_NEAR(station->GetCamera().heading, 10.0);
  Sim().viewSelect = kSimViewRightWindow;
  EXPECT_DEGREES_NEAR(Send().tilt, 81.0);
  EXPECT_DEGREES_NEAR(station->GetCamera().heading, 190.0);
}

TEST_F(StationViews, LevelAircraftRollsPlainZero) {
  Sim().bank = 0.0;
  char text[kViewSyncTextSize];
  FormatViewSync(Send(), text, sizeof text);
  EXPECT_EQ(std::string(text).find("-0.000000"), std::string::npos) << text;
}

TEST_F(StationViews, TiltReductionGrowsWithHeightUpToTenDegrees) {
  station->SelectView(ViewFwdL);
  Sim().heightAgl = 2000.0;
  EXPECT_DEGREES_NEAR(Send().tilt, 80.0);
  Sim().heightAgl = -30.0;
  EXPECT_DEGREES_NEAR(Send().tilt, 90.0);
}

TEST_F(StationViews, MapViewLooksStraightDownFromItsHeightAlone) {
  station->SelectView(ViewFwdR);
  Send();  // heading offset +20
  station->SelectView(ViewMap);
  Sim().heading = 370.0;
  Sim().bank = 10.0;
  const ViewSyncCamera& camera = Send();
  EXPECT_METRES_NEAR(camera.altitude, 0.0);  // no height set yet
  EXPECT_DEGREES_NEAR(camera.heading, 370.0);
  EXPECT_DEGREES_NEAR(camera.tilt, 0.0);
  EXPECT_DEGREES_NEAR(camera.roll, 0.0);
  EXPECT_DEGREES_NEAR(station->GetHeadingOffset(), 20.0);  // kept while the map shows

  for (double height : {25.0, 800.0, 12500.0, 100000.0, 0.0}) {
    EXPECT_TRUE(station->SetMapAltitude(height).ok);
    EXPECT_METRES_NEAR(station->GetMapAltitude(), height);
    EXPECT_METRES_NEAR(Send().altitude, height);
  }
  // The figure adds the aircraft's blended altitude when the height is set.
  station->SetMapAltitude(800.0);
  EXPECT_METRES_NEAR(events.Of(StationEvent::kMapAltitude).back().status.mapAltitudeShown, 900.0);
}

TEST_F(StationViews, SlewMovesATenthOfTheWayEachSend) {
  station->SetSlew(true);
  EXPECT_TRUE(station->IsSlewing());
  EXPECT_TRUE(events.Of(StationEvent::kSlew).back().status.slew);
  Send();
  station->SelectView(ViewLeftWindow);
  const double expected[] = {-9.0, -17.1, -24.39};
  for (double offset : expected) {
    Send();
    EXPECT_DEGREES_NEAR(station->GetHeadingOffset(), offset);
  }
  station->SetSlew(false);
  EXPECT_FALSE(station->IsSlewing());
  Send();
  EXPECT_DEGREES_NEAR(station->GetHeadingOffset(), -90.0);
}

TEST_F(StationViews, AltitudeBlendsFromHeightAboveGroundToPlainAltitude) {
  Sim().altitude = 9000.0;
  const double heights[] = {4999.0, 5500.0, 7000.0};
  const double factors[] = {0.0, 0.5, 1.0};
  const double altitudes[] = {4999.0, 7250.0, 9000.0};
  for (int i = 0; i < 3; ++i) {
    Sim().heightAgl = heights[i];
    Send();
    EXPECT_FRACTION_NEAR(station->GetBlendFactor(), factors[i]);
    EXPECT_METRES_NEAR(station->GetCamera().altitude, 12.0 + altitudes[i]);
  }
  station->SetAglBlend(false);
  EXPECT_FALSE(station->IsAglBlend());
  EXPECT_FALSE(events.Of(StationEvent::kAglBlend).back().status.aglBlend);
  Sim().heightAgl = 100.0;
  Send();
  EXPECT_FRACTION_NEAR(station->GetBlendFactor(), 1.0);
  EXPECT_METRES_NEAR(station->GetCamera().altitude, 12.0 + 9000.0);
  station->SetAglBlend(true);
  EXPECT_TRUE(station->IsAglBlend());
  Send();
  EXPECT_METRES_NEAR(station->GetCamera().altitude, 12.0 + 100.0);
}

// What the view became is told with the send that carries it, not before.
TEST_F(StationViews, SimulatorSelectionIsFollowedOnlyWhenItChanges) {
  Sim().viewSelect = kSimViewLeftWindow;
  Send();
  EXPECT_EQ(station->GetViewMode(), ViewLeftWindowSim);
  EXPECT_EQ(ViewShown(), ViewLeftWindowSim);
  station->SelectView(ViewFwdL);
  EXPECT_EQ(ViewShown(), ViewLeftWindowSim) << "told with the next send only";
  Send();
  Send();
  EXPECT_EQ(station->GetViewMode(), ViewFwdL);
  EXPECT_EQ(ViewShown(), ViewFwdL);
  Sim().viewSelect = kSimViewRightEyePoint;
  Send();
  EXPECT_EQ(station->GetViewMode(), ViewFwdR);
  EXPECT_EQ(ViewShown(), ViewFwdR);
  Sim().viewSelect = 9;  // not a selection: the view stays
  Send();
  EXPECT_EQ(station->GetViewMode(), ViewFwdR);
  Sim().viewSelect = kSimViewLeftEyePoint;
  Send();
  EXPECT_EQ(station->GetViewMode(), ViewFwdL);
  Sim().viewSelect = kSimViewForward;
  Send();
  EXPECT_EQ(station->GetViewMode(), ViewForward);
  EXPECT_EQ(ViewShown(), ViewForward);
}

}  // namespace
