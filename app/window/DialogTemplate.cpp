#include "DialogTemplate.h"

#include "Resource.h"

namespace {

using K = ControlKind;

constexpr ControlTemplate kMainControls[] = {
    {IDC_CONNECT, K::PushButton, "Connect", 4, 20, 63, 18, false, false},
    {IDC_STATUS, K::Bitmap, "", 70, 23, 13, 10, false, false},
    {kNoControlId, K::Label, "Frame         :", 2, 44, 46, 9, false, false},
    {IDC_FRAME, K::Label, "Static", 49, 44, 41, 9, false, false},
    // The four boxes read as one dotted address.
    {IDC_IP1, K::Edit, "", 86, 22, 17, 13, false, false},
    {kNoControlId, K::Label, ".", 104, 26, 2, 9, false, false},
    {IDC_IP2, K::Edit, "", 107, 22, 17, 13, false, false},
    {kNoControlId, K::Label, ".", 125, 26, 2, 9, false, false},
    {IDC_IP3, K::Edit, "", 128, 22, 17, 13, false, false},
    {kNoControlId, K::Label, ".", 146, 26, 2, 9, false, false},
    {IDC_IP4, K::Edit, "", 149, 22, 17, 13, false, false},
    {IDC_MAP_SLIDER, K::Slider, "", 2, 183, 218, 13, false, false},
    {IDC_MAP_VIEW, K::CheckBox, "Map View", 3, 131, 61, 10, false, false},
    {IDC_LEFT_WINDOW_VIEW, K::CheckBox, "Left Window View", 70, 131, 72, 10, false, false},
    {IDC_FORWARD_VIEW, K::CheckBox, "Foward View", 3, 116, 61, 10, false, false},
    {IDC_RIGHT_WINDOW_VIEW, K::CheckBox, "Right Window View", 147, 131, 72, 10, false, false},
    {kNoControlId, K::Label, "Map View Alt Offset", 45, 170, 63, 8, false, false},
    {IDC_DATUM_SLIDER, K::Slider, "", 192, 200, 31, 6, true, true},
    {IDC_DATUM, K::Label, "Static", 111, 79, 24, 10, false, false},
    {kNoControlId, K::GroupBox, "Pilots Eye Point Reference ", 0, 57, 234, 42, false, false},
    {IDC_FWD_L, K::CheckBox, "Fwd L", 70, 116, 39, 10, false, false},
    {IDC_FWD_R, K::CheckBox, "Fwd R", 147, 116, 39, 10, false, false},
    {IDC_ALTITUDE, K::Label, "Static", 148, 44, 42, 9, false, false},
    {IDC_MAP_ALTITUDE, K::Label, "Static", 117, 170, 76, 8, false, false},
    {IDC_AGL, K::CheckBox, "AGL ", 196, 44, 32, 10, true, true},
    {IDC_DATUM_SPIN, K::SpinButtons, "", 95, 65, 9, 32, false, false},
    {IDC_AIRPORT, K::Label, "No Airport", 6, 85, 40, 8, false, false},
    {IDC_DATUM_LABEL, K::Label, "Eye Datum Offset", 5, 74, 90, 8, false, false},
    {kNoControlId, K::GroupBox, "Map View ", 0, 160, 234, 44, false, false},
    {kNoControlId, K::GroupBox, "Connect Status", 0, 3, 234, 53, false, false},
    {kNoControlId, K::GroupBox, "Views", 0, 102, 234, 58, false, false},
    {IDC_SAVE, K::PushButton, "Save", 157, 74, 63, 18, false, false},
    {kNoControlId, K::Label, "Alt Sent m", 100, 44, 46, 9, false, false},
    {IDC_SLEW, K::CheckBox, "Slew eye positions", 3, 146, 76, 10, false, false},
    {IDC_PORT, K::Edit, "", 171, 22, 38, 13, false, false},
    {kNoControlId, K::Label, "Port", 171, 12, 50, 8, false, false},
    {IDC_MESSAGE, K::Label, "", 2, 207, 232, 9, false, false},
};

constexpr DialogTemplate kMainDialog = {"Tavrion",
                                        238,
                                        208,
                                        8,
                                        kMainControls,
                                        sizeof kMainControls / sizeof kMainControls[0],
                                        3,
                                        0,
                                        241,
                                        219};

// The usual about box of a dialog application: icon at the left, the version
// line beside it, OK at the right.
constexpr AboutTemplate kAboutBox = {
    "About Tavrion", 170, 46, 11, 14, "Tavrion v 1.2", 40, 18, 70, 8, 113, 14, 50, 14};

}  // namespace

const DialogTemplate& MainDialogTemplate() {
  return kMainDialog;
}

const AboutTemplate& AboutBoxTemplate() {
  return kAboutBox;
}

const char* AboutMenuText() {
  return "&About Tavrion...";
}
