// The camera of each view as SendViewSync works it out from the simulator's
// record, with the operator's controls. No LAN interface: nothing is sent.

#include <cstring>
#include <fstream>
#include <sstream>

#include "StationFixture.h"
#include "Tolerance.h"

namespace {

class Camera : public StationTest {
 protected:
  void SetUp() override {
    StartDialog();
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

  const ViewSyncCamera& Send() {
    dialog->GetStation().SendViewSync();
    return dialog->GetStation().GetCamera();
  }

  void SetAirport(const char* ident) {
    std::memset(Sim().airportIdent, 0, sizeof Sim().airportIdent);
    std::memcpy(Sim().airportIdent, ident, std::strlen(ident));
  }
};

TEST(WrapHeading, TakesOneStepIntoZeroToThreeSixty) {
  EXPECT_DEGREES_NEAR(StationCamera::WrapHeading(375.0), 15.0);
  EXPECT_DEGREES_NEAR(StationCamera::WrapHeading(360.0), 360.0);
  EXPECT_DEGREES_NEAR(StationCamera::WrapHeading(-10.0), 350.0);
  EXPECT_DEGREES_NEAR(StationCamera::WrapHeading(0.0), 0.0);
  EXPECT_DEGREES_NEAR(StationCamera::WrapHeading(800.0), 440.0);
  EXPECT_DEGREES_NEAR(StationCamera::WrapHeading(-400.0), -40.0);
}

TEST_F(Camera, CounterRisesEachSendAndPositionAndTimeAreCopied) {
  Sim().timeValue = -1;
  EXPECT_EQ(Send().counter, 1511);
  EXPECT_DEGREES_NEAR(dialog->GetStation().GetCamera().latitude, 51.4775);
  EXPECT_DEGREES_NEAR(dialog->GetStation().GetCamera().longitude, -0.461389);
  EXPECT_EQ(dialog->GetStation().GetCamera().timeStart, 0);
  EXPECT_EQ(dialog->GetStation().GetCamera().timeEnd, -1);
  EXPECT_EQ(Send().counter, 1512);
}

TEST_F(Camera, EyePointViewsTurnTwentyDegreesAndWrapTheHeading) {
  dialog->OnViewBox(IDC_FWD_R);
  Sim().heading = 355.0;
  EXPECT_DEGREES_NEAR(Send().heading, 15.0);
  Sim().heading = 340.0;
  EXPECT_DEGREES_NEAR(Send().heading, 360.0);
  dialog->OnViewBox(IDC_FWD_L);
  Sim().heading = 10.0;
  EXPECT_DEGREES_NEAR(Send().heading, 350.0);
}

TEST_F(Camera, EachViewSetsAltitudeTiltAndRollFromTheAircraft) {
  Sim().heightAgl = 250.0;  // tilt reduction 5 degrees
  Sim().pitch = 3.0;
  Sim().bank = 4.0;
  Sim().heading = 100.0;
  const double altitude = 12.0 + 250.0;  // EGLL's datum offset + blended height

  struct Expected {
    int box;
    double heading, tilt, roll;
  };
  const Expected views[] = {
      {IDC_FORWARD_VIEW, 100.0, 93.0, -4.0},  // no tilt reduction
      {IDC_FWD_L, 80.0, 88.0, -4.0},           {IDC_FWD_R, 120.0, 88.0, -4.0},
      {IDC_LEFT_WINDOW_VIEW, 10.0, 89.0, 0.0}, {IDC_RIGHT_WINDOW_VIEW, 190.0, 81.0, 0.0},
  };
  for (const Expected& view : views) {
    dialog->OnViewBox(view.box);
    const ViewSyncCamera& camera = Send();
    EXPECT_METRES_NEAR(camera.altitude, altitude);
    EXPECT_DEGREES_NEAR(camera.heading, view.heading);
    EXPECT_DEGREES_NEAR(camera.tilt, view.tilt);
    EXPECT_DEGREES_NEAR(camera.roll, view.roll);
  }
  EXPECT_DEGREES_NEAR(dialog->GetStation().GetTiltReduction(), 5.0);

  // The simulator's own window views give the same cameras.
  Sim().viewSelect = kSimViewLeftWindow;
  EXPECT_DEGREES_NEAR(Send().tilt, 89.0);
  EXPECT_DEGREES_NEAR(dialog->GetStation().GetCamera().heading, 10.0);
  Sim().viewSelect = kSimViewRightWindow;
  EXPECT_DEGREES_NEAR(Send().tilt, 81.0);
  EXPECT_DEGREES_NEAR(dialog->GetStation().GetCamera().heading, 190.0);
}

TEST_F(Camera, LevelAircraftRollsPlainZero) {
  Sim().bank = 0.0;
  char text[kViewSyncTextSize];
  FormatViewSync(Send(), text, sizeof text);
  EXPECT_EQ(std::string(text).find("-0.000000"), std::string::npos) << text;
}

TEST_F(Camera, TiltReductionGrowsWithHeightUpToTenDegrees) {
  dialog->OnViewBox(IDC_FWD_L);
  Sim().heightAgl = 2000.0;
  EXPECT_DEGREES_NEAR(Send().tilt, 80.0);
  Sim().heightAgl = -30.0;
  EXPECT_DEGREES_NEAR(Send().tilt, 90.0);
}

TEST_F(Camera, MapViewLooksStraightDownFromTheSliderHeightAlone) {
  dialog->OnViewBox(IDC_FWD_R);
  Send();  // heading offset +20
  dialog->OnViewBox(IDC_MAP_VIEW);
  Sim().heading = 370.0;
  Sim().bank = 10.0;
  const ViewSyncCamera& camera = Send();
  EXPECT_METRES_NEAR(camera.altitude, 0.0);  // slider never moved
  EXPECT_DEGREES_NEAR(camera.heading, 370.0);
  EXPECT_DEGREES_NEAR(camera.tilt, 0.0);
  EXPECT_DEGREES_NEAR(camera.roll, 0.0);
  EXPECT_DEGREES_NEAR(dialog->GetStation().GetHeadingOffset(), 20.0);  // kept while the map shows

  const int positions[] = {5, 20, 50, 100, 0};
  const double heights[] = {25.0, 800.0, 12500.0, 100000.0, 0.0};
  for (int i = 0; i < 5; ++i) {
    controls.sliders[IDC_MAP_SLIDER] = positions[i];
    EXPECT_EQ(dialog->OnMapSliderReleased(), 0);
    EXPECT_METRES_NEAR(dialog->GetStation().GetMapAltitude(), heights[i]);
    EXPECT_METRES_NEAR(Send().altitude, heights[i]);
  }
  // The figure adds the aircraft's blended altitude at the release.
  controls.sliders[IDC_MAP_SLIDER] = 20;
  dialog->OnMapSliderReleased();
  EXPECT_STREQ(controls.shown.mapAltitudeText, "  900");
}

TEST_F(Camera, SlewMovesATenthOfTheWayEachSend) {
  dialog->OnSlew();
  EXPECT_TRUE(controls.IsChecked(IDC_SLEW));
  Send();
  dialog->OnViewBox(IDC_LEFT_WINDOW_VIEW);
  const double expected[] = {-9.0, -17.1, -24.39};
  for (double offset : expected) {
    Send();
    EXPECT_DEGREES_NEAR(dialog->GetStation().GetHeadingOffset(), offset);
  }
  dialog->OnSlew();
  EXPECT_FALSE(controls.IsChecked(IDC_SLEW));
  Send();
  EXPECT_DEGREES_NEAR(dialog->GetStation().GetHeadingOffset(), -90.0);
}

TEST_F(Camera, AltitudeBlendsFromHeightAboveGroundToPlainAltitude) {
  Sim().altitude = 9000.0;
  const double heights[] = {4999.0, 5500.0, 7000.0};
  const double factors[] = {0.0, 0.5, 1.0};
  const double altitudes[] = {4999.0, 7250.0, 9000.0};
  for (int i = 0; i < 3; ++i) {
    Sim().heightAgl = heights[i];
    Send();
    EXPECT_FRACTION_NEAR(dialog->GetStation().GetBlendFactor(), factors[i]);
    EXPECT_METRES_NEAR(dialog->GetStation().GetCamera().altitude, 12.0 + altitudes[i]);
  }
  dialog->OnAgl();  // blend off
  EXPECT_FALSE(controls.IsChecked(IDC_AGL));
  Sim().heightAgl = 100.0;
  Send();
  EXPECT_FRACTION_NEAR(dialog->GetStation().GetBlendFactor(), 1.0);
  EXPECT_METRES_NEAR(dialog->GetStation().GetCamera().altitude, 12.0 + 9000.0);
  dialog->OnAgl();
  EXPECT_TRUE(controls.IsChecked(IDC_AGL));
  Send();
  EXPECT_METRES_NEAR(dialog->GetStation().GetCamera().altitude, 12.0 + 100.0);
}

TEST_F(Camera, SimulatorSelectionIsFollowedOnlyWhenItChanges) {
  Sim().viewSelect = kSimViewLeftWindow;
  Send();
  EXPECT_EQ(dialog->GetStation().GetViewMode(), ViewLeftWindowSim);
  for (int id : {IDC_FORWARD_VIEW, IDC_MAP_VIEW, IDC_LEFT_WINDOW_VIEW, IDC_RIGHT_WINDOW_VIEW,
                 IDC_FWD_L, IDC_FWD_R}) {
    EXPECT_FALSE(controls.IsChecked(id)) << id;
  }
  controls.Click(IDC_FWD_L);
  dialog->OnViewBox(IDC_FWD_L);
  Send();
  Send();
  EXPECT_EQ(dialog->GetStation().GetViewMode(), ViewFwdL);
  EXPECT_TRUE(controls.IsChecked(IDC_FWD_L));
  Sim().viewSelect = kSimViewRightEyePoint;
  Send();
  EXPECT_EQ(dialog->GetStation().GetViewMode(), ViewFwdR);
  EXPECT_TRUE(controls.IsChecked(IDC_FWD_R));
  EXPECT_FALSE(controls.IsChecked(IDC_FWD_L));
  Sim().viewSelect = 9;  // not a selection: the view stays
  Send();
  EXPECT_EQ(dialog->GetStation().GetViewMode(), ViewFwdR);
  Sim().viewSelect = kSimViewLeftEyePoint;
  Send();
  EXPECT_EQ(dialog->GetStation().GetViewMode(), ViewFwdL);
  Sim().viewSelect = kSimViewForward;
  Send();
  EXPECT_EQ(dialog->GetStation().GetViewMode(), ViewForward);
}

TEST_F(Camera, ViewBoxesFollowTheModeOnTheNextSendOnly) {
  Send();
  controls.Click(IDC_MAP_VIEW);
  dialog->OnViewBox(IDC_MAP_VIEW);
  EXPECT_TRUE(controls.IsChecked(IDC_FORWARD_VIEW));
  EXPECT_TRUE(controls.IsChecked(IDC_MAP_VIEW));
  Send();
  EXPECT_FALSE(controls.IsChecked(IDC_FORWARD_VIEW));
  EXPECT_TRUE(controls.IsChecked(IDC_MAP_VIEW));

  // Clicking the selected view's box clears it; the view stays, and so does the blank box.
  controls.Click(IDC_MAP_VIEW);
  dialog->OnViewBox(IDC_MAP_VIEW);
  Send();
  Send();
  EXPECT_EQ(dialog->GetStation().GetViewMode(), ViewMap);
  EXPECT_FALSE(controls.IsChecked(IDC_MAP_VIEW));
}

TEST_F(Camera, AirportChangesApplyTheirOffsetAndUnknownOnesKeepTheLast) {
  Send();  // "EGLL" from start-up
  EXPECT_METRES_NEAR(dialog->GetStation().GetDatumOffset(), 12.0);
  EXPECT_STREQ(controls.shown.datumText, "12.0");

  SetAirport("EGKK");
  Send();
  EXPECT_METRES_NEAR(dialog->GetStation().GetDatumOffset(), -3.5);
  EXPECT_METRES_NEAR(dialog->GetStation().GetCamera().altitude, -3.5 + 100.0);

  // Blanks do not make another airport: the operator's trim stays.
  dialog->OnDatumSpin(-1);
  SetAirport(" EG KK ");
  Send();
  EXPECT_METRES_NEAR(dialog->GetStation().GetDatumOffset(), -3.0);

  // Letter case does: "egll" is looked up, not found, and changes nothing.
  SetAirport("egll");
  Send();
  EXPECT_METRES_NEAR(dialog->GetStation().GetDatumOffset(), -3.0);
  SetAirport("XXXX");
  Send();
  EXPECT_METRES_NEAR(dialog->GetStation().GetDatumOffset(), -3.0);
  SetAirport("LFPG");
  Send();
  EXPECT_METRES_NEAR(dialog->GetStation().GetDatumOffset(), 5.0);
  SetAirport("EGKK");
  Send();
  EXPECT_METRES_NEAR(dialog->GetStation().GetDatumOffset(),
                     -3.0);  // the trim was kept in the table
}

TEST_F(Camera, EightLetterIdentWithoutTerminatorIsReadWithinItsField) {
  std::memcpy(Sim().airportIdent, "EGKKABCD", 8);  // all eight bytes, no terminator
  Sim().timeValue = 0x41414141;                    // "AAAA" right behind the field
  Send();
  EXPECT_METRES_NEAR(dialog->GetStation().GetDatumOffset(),
                     12.0);  // no such airport: EGLL's offset stays
}

TEST_F(Camera, SpinButtonsStepHalfAMetreAndSaveWritesTheTrim) {
  Send();  // EGLL, 12.0
  for (int i = 0; i < 5; ++i) EXPECT_EQ(dialog->OnDatumSpin(-1), 0);
  EXPECT_METRES_NEAR(dialog->GetStation().GetDatumOffset(), 14.5);
  EXPECT_STREQ(controls.shown.datumText, "14.5");
  EXPECT_METRES_NEAR(Send().altitude, 14.5 + 100.0);
  dialog->OnDatumSpin(3);  // an accelerated press
  EXPECT_METRES_NEAR(dialog->GetStation().GetDatumOffset(), 13.0);

  dialog->OnSave();
  const std::string saved = folder.Read("Offsets.dat");
  EXPECT_NE(saved.find("EGLL|   13.0| London Heathrow\n"), std::string::npos) << saved;
  EXPECT_NE(saved.find("EGKK|   -3.5| London Gatwick\n"), std::string::npos) << saved;
  EXPECT_EQ(folder.Read("Offsets_old.Dat"), kOffsetsFile);
  EXPECT_TRUE(controls.messageBoxes.empty());
}

TEST_F(Camera, HiddenSliderSetsTheCubeOfItsDistanceFromFifty) {
  Send();  // EGLL
  controls.sliders[IDC_DATUM_SLIDER] = 80;
  dialog->OnDatumSliderReleased();
  EXPECT_METRES_NEAR(dialog->GetStation().GetDatumOffset(), 90.0);
  EXPECT_STREQ(controls.shown.datumText, "90.0");
  controls.sliders[IDC_DATUM_SLIDER] = 20;
  dialog->OnDatumSliderReleased();
  EXPECT_METRES_NEAR(dialog->GetStation().GetDatumOffset(), -90.0);
  controls.sliders[IDC_DATUM_SLIDER] = 50;
  dialog->OnDatumSliderReleased();
  EXPECT_METRES_NEAR(dialog->GetStation().GetDatumOffset(), 0.0);
}

TEST_F(Camera, AddressBoxesOutsideZeroToTwoFiftyFiveLeaveTheDestinationAsItWas) {
  controls.TypeAddress(192, 168, 1, 20);
  dialog->OnAddressChanged();
  const std::uint32_t typed = dialog->GetStation().GetDestinationAddress();
  const auto* bytes = reinterpret_cast<const unsigned char*>(&typed);
  EXPECT_EQ(bytes[0], 192);
  EXPECT_EQ(bytes[3], 20);

  // 300 never becomes its low byte, 44; a box being retyped is no address.
  controls.TypeAddress(192, 168, 300, 20);
  dialog->OnAddressChanged();
  EXPECT_EQ(dialog->GetStation().GetDestinationAddress(), typed);
  controls.TypeAddress(10, 11, 12, 13);
  controls.TypeText(IDC_IP3, "");
  controls.notInteger = IDC_IP3;
  dialog->OnAddressChanged();
  EXPECT_EQ(dialog->GetStation().GetDestinationAddress(), typed);
}

TEST_F(Camera, PortBoxSetsThePortBeforeConnect) {
  controls.shown.portValue = 7010;
  dialog->OnPortChanged();
  EXPECT_EQ(dialog->GetStation().GetPort(), 7010);
  controls.notInteger = IDC_PORT;
  controls.shown.portValue = 7020;
  dialog->OnPortChanged();
  EXPECT_EQ(dialog->GetStation().GetPort(), 7010);
}

}  // namespace
