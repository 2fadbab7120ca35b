// The window's own controls over the station: the view and option check
// boxes, the sliders and their formulas, the spin buttons, the address and
// port boxes, and the figures they show. No LAN interface: nothing is sent.

#include <cstring>

#include "StationFixture.h"
#include "Tolerance.h"

namespace {

class Controls : public StationTest {
 protected:
  void SetUp() override {
    StartDialog();
    Sim().heightAgl = 100.0;
    Sim().altitude = 180.0;
    Sim().heading = 90.0;
    Sim().latitude = 51.4775;
    Sim().longitude = -0.461389;
    Sim().viewSelect = kSimViewForward;
    // The first send takes the simulator's selection and the start airport.
    Send();
  }

  void Send() { dialog->GetStation().SendViewSync(); }
};

TEST_F(Controls, ViewBoxesShowTheViewSentTheSimulatorsOwnWindowViewsNone) {
  Sim().viewSelect = kSimViewLeftWindow;
  Send();
  for (int id : {IDC_FORWARD_VIEW, IDC_MAP_VIEW, IDC_LEFT_WINDOW_VIEW, IDC_RIGHT_WINDOW_VIEW,
                 IDC_FWD_L, IDC_FWD_R}) {
    EXPECT_FALSE(controls.IsChecked(id)) << id;
  }
  controls.Click(IDC_FWD_L);
  dialog->OnViewBox(IDC_FWD_L);
  Send();
  EXPECT_TRUE(controls.IsChecked(IDC_FWD_L));
  Sim().viewSelect = kSimViewRightEyePoint;
  Send();
  EXPECT_TRUE(controls.IsChecked(IDC_FWD_R));
  EXPECT_FALSE(controls.IsChecked(IDC_FWD_L));
}

TEST_F(Controls, ViewBoxesFollowTheModeOnTheNextSendOnly) {
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

TEST_F(Controls, SlewAndBlendBoxesSwitchTheStationAndShowWhatItDoes) {
  dialog->OnSlew();
  EXPECT_TRUE(controls.IsChecked(IDC_SLEW));
  EXPECT_TRUE(dialog->GetStation().IsSlewing());
  dialog->OnSlew();
  EXPECT_FALSE(controls.IsChecked(IDC_SLEW));
  dialog->OnAgl();  // blend off
  EXPECT_FALSE(controls.IsChecked(IDC_AGL));
  EXPECT_FALSE(dialog->GetStation().IsAglBlend());
  dialog->OnAgl();
  EXPECT_TRUE(controls.IsChecked(IDC_AGL));
}

TEST_F(Controls, MapSliderSetsTheSquareOfItsPositionTimesATenthAndTheFigureAddsTheAircraft) {
  const int positions[] = {5, 20, 50, 100, 0};
  const double heights[] = {25.0, 800.0, 12500.0, 100000.0, 0.0};
  for (int i = 0; i < 5; ++i) {
    controls.sliders[IDC_MAP_SLIDER] = positions[i];
    EXPECT_EQ(dialog->OnMapSliderReleased(), 0);
    EXPECT_METRES_NEAR(dialog->GetStation().GetMapAltitude(), heights[i]);
  }
  // The figure adds the aircraft's blended altitude at the release.
  controls.sliders[IDC_MAP_SLIDER] = 20;
  dialog->OnMapSliderReleased();
  EXPECT_STREQ(controls.shown.mapAltitudeText, "  900");
}

TEST_F(Controls, SpinButtonsStepTheDatumOffsetUpWithTheUpperArrow) {
  EXPECT_STREQ(controls.shown.datumText, "12.0");  // EGLL's
  for (int i = 0; i < 5; ++i) EXPECT_EQ(dialog->OnDatumSpin(-1), 0);
  EXPECT_METRES_NEAR(dialog->GetStation().GetDatumOffset(), 14.5);
  EXPECT_STREQ(controls.shown.datumText, "14.5");
  dialog->OnDatumSpin(3);  // an accelerated press
  EXPECT_METRES_NEAR(dialog->GetStation().GetDatumOffset(), 13.0);
}

TEST_F(Controls, HiddenSliderSetsTheCubeOfItsDistanceFromFifty) {
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

TEST_F(Controls, AddressBoxesOutsideZeroToTwoFiftyFiveLeaveTheDestinationAsItWas) {
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

TEST_F(Controls, PortBoxSetsThePortBeforeConnect) {
  controls.shown.portValue = 7010;
  dialog->OnPortChanged();
  EXPECT_EQ(dialog->GetStation().GetPort(), 7010);
  controls.notInteger = IDC_PORT;
  controls.shown.portValue = 7020;
  dialog->OnPortChanged();
  EXPECT_EQ(dialog->GetStation().GetPort(), 7010);
}

}  // namespace
