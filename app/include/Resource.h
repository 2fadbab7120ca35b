#pragma once
// Resource and control identifiers of the station's dialogs. The window builds
// its controls with these ids and the dialog logic addresses them by id.

// Dialog templates, strings, icon and bitmaps.
constexpr int IDD_ABOUTBOX = 100;
constexpr int IDS_ABOUTBOX = 101;  // "&About Tavrion..."
constexpr int IDD_TAVRION_DIALOG = 102;
constexpr int IDR_MAINFRAME = 128;  // application icon
constexpr int IDB_ORANGE = 129;     // link down or held
constexpr int IDB_RED = 130;        // in the resources, never shown
constexpr int IDB_GREY = 131;       // link idle (the template's own)
constexpr int IDB_GREEN = 132;      // link up

// System menu command of the about box.
constexpr int IDM_ABOUTBOX = 16;

// Controls of the main dialog, in template order.
constexpr int IDC_CONNECT = 1001;            // push button "Connect"
constexpr int IDC_STATUS = 1006;             // bitmap, link indication
constexpr int IDC_FRAME = 1034;              // label, frame counter
constexpr int IDC_IP1 = 1036;                // edit, destination address first octet
constexpr int IDC_IP2 = 1037;                // edit, second octet
constexpr int IDC_IP3 = 1038;                // edit, third octet
constexpr int IDC_IP4 = 1039;                // edit, fourth octet
constexpr int IDC_MAP_SLIDER = 1042;         // slider, map view altitude
constexpr int IDC_MAP_VIEW = 1000;           // check box "Map View"
constexpr int IDC_LEFT_WINDOW_VIEW = 1002;   // check box "Left Window View"
constexpr int IDC_FORWARD_VIEW = 1003;       // check box "Foward View"
constexpr int IDC_RIGHT_WINDOW_VIEW = 1004;  // check box "Right Window View"
constexpr int IDC_DATUM_SLIDER = 1043;       // slider, hidden and disabled; datum offset trim
constexpr int IDC_DATUM = 1044;              // label, datum offset
constexpr int IDC_FWD_L = 1005;              // check box "Fwd L"
constexpr int IDC_FWD_R = 1007;              // check box "Fwd R"
constexpr int IDC_ALTITUDE = 1045;           // label, altitude sent
constexpr int IDC_MAP_ALTITUDE = 1046;       // label, map view altitude
constexpr int IDC_AGL = 1047;                // check box "AGL ", hidden and disabled
constexpr int IDC_DATUM_SPIN = 1048;         // spin buttons, datum offset step
constexpr int IDC_AIRPORT = 1049;            // label, airport identifier ("No Airport")
constexpr int IDC_DATUM_LABEL = 1050;        // label "Eye Datum Offset"
constexpr int IDC_SAVE = 1008;               // push button "Save"
constexpr int IDC_SLEW = 1009;               // check box "Slew eye positions"
constexpr int IDC_PORT = 1040;               // edit, local port
constexpr int IDC_MESSAGE = 1051;            // label, the station's line to the operator

// The result with which the dialog ends: close box, Escape (Enter never ends it).
constexpr int IDCANCEL_RESULT = 2;
