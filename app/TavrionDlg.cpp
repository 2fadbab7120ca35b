// The main dialog's start-up, Connect and close-down, and what it shows of
// the station's events.

#include "TavrionDlg.h"

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "BoxText.h"
#include "TextFunctions.h"
#include "ViewChoices.h"
#include "VisualShm.h"

namespace {

const char kNoAirportText[] = "No Airport";

// The address boxes by their place, for the message that refuses one.
const char* const kAddressBoxNames[] = {"first", "second", "third", "fourth"};

}  // namespace

CTavrionDlg::CTavrionDlg(DialogControls& controls, Platform::MessagePump& pump,
                         Platform::Clock& clock, const StationSettings& settings)
    : m_controls(controls), m_values(), m_station(pump, clock, settings) {
  m_station.AddObserver(this);
}

CTavrionDlg::~CTavrionDlg() {
  m_station.ShutDown();
  m_station.RemoveObserver(this);
}

void CTavrionDlg::Push() {
  m_controls.PushValues(m_values);
}

bool CTavrionDlg::Take() {
  return m_controls.TakeValues(m_values);
}

// --- Start-up, Connect, close-down ---------------------------------------------

bool CTavrionDlg::OnInitDialog() {
  m_values.portValue = m_station.GetPort();
  ShowStartingFigures();
  Push();
  m_controls.CheckControl(IDC_FORWARD_VIEW, true);
  m_controls.CheckControl(IDC_MAP_VIEW, false);
  m_controls.CheckControl(IDC_LEFT_WINDOW_VIEW, false);
  m_controls.CheckControl(IDC_RIGHT_WINDOW_VIEW, false);
  m_controls.SetSliderPosition(IDC_DATUM_SLIDER, 50);
  m_station.Start();
  return true;
}

void CTavrionDlg::ShowStartingFigures() {
  SafeFormat(m_values.frameText, DialogValues::kTextSize, "%d", 0);
  SafeFormat(m_values.altitudeText, DialogValues::kTextSize, "%5.1f", 0.0);
  SafeFormat(m_values.datumText, DialogValues::kTextSize, "%3.1f", 0.0);
  SafeCopy(m_values.airportText, kNoAirportText, DialogValues::kTextSize);
}

void CTavrionDlg::OnConnect() {
  // Until the first frame step locks them, the boxes are what the operator
  // typed: nothing starts on an address that is not the one shown.
  if (m_station.CanConnect() && !m_station.IsDestinationLocked() && !CheckDestinationBoxes()) {
    return;
  }
  m_station.Connect();
}

bool CTavrionDlg::CheckDestinationBoxes() {
  for (int i = 0; i < 4; ++i) {
    char text[DialogValues::kTextSize];
    m_controls.GetControlText(IDC_IP1 + i, text, sizeof text);
    int octet = 0;
    if (!ParseAddressOctet(text, octet)) {
      char message[DialogValues::kMessageSize];
      SafeFormat(message, sizeof message,
                 "The %s box of the destination address holds \"%s\".\n"
                 "Each box takes a number from 0 to 255: correct it and press Connect again.",
                 kAddressBoxNames[i], text);
      m_station.Tell(message, kAddressFailureCaption, kMessageBoxExclamation);
      return false;
    }
  }
  return ReadDestinationAddress();
}

// Enter confirms what was typed and nothing more: the station goes on.
void CTavrionDlg::OnOK() {}

// Escape ends the station as the close box does; leaving the loop running
// behind a closed window would keep the process polling for ever.
void CTavrionDlg::OnCancel() {
  m_station.End();
}

void CTavrionDlg::OnClose() {
  m_station.End();
}

void CTavrionDlg::OnDestroy() {
  m_station.ShutDown();
}

// --- What the station reports ----------------------------------------------------

void CTavrionDlg::OnStationEvent(const StationEvent& event) {
  switch (event.kind) {
    case StationEvent::kMessageLine:
      SafeCopy(m_values.messageText, event.text, DialogValues::kMessageSize);
      Push();
      break;
    case StationEvent::kLamp:
      ShowLamp();
      break;
    case StationEvent::kFigures:
      ShowFigures();
      break;
    case StationEvent::kViewShown:
      ShowViewChecks();
      break;
    case StationEvent::kDatum:
      SafeFormat(m_values.datumText, DialogValues::kTextSize, "%3.1f", m_station.GetDatumOffset());
      Push();
      break;
    case StationEvent::kMapAltitude:
      SafeFormat(m_values.mapAltitudeText, DialogValues::kTextSize, "%5.0f",
                 m_station.GetStatus().mapAltitudeShown);
      Push();
      break;
    case StationEvent::kSlew:
      m_controls.CheckControl(IDC_SLEW, m_station.IsSlewing());
      break;
    case StationEvent::kAglBlend:
      m_controls.CheckControl(IDC_AGL, m_station.IsAglBlend());
      break;
    case StationEvent::kDestination:
      ShowDestination();
      break;
    case StationEvent::kDestinationLocked:
      for (int id = IDC_IP1; id <= IDC_IP4; ++id) {
        m_controls.EnableControl(id, false);
      }
      break;
    case StationEvent::kConnected:
      m_values.portValue = m_station.GetPort();
      Push();
      m_controls.EnableControl(IDC_PORT, false);
      break;
    case StationEvent::kConnectUnavailable:
      m_controls.EnableControl(IDC_CONNECT, false);
      break;
    case StationEvent::kRecordMapped:
      SetCaption();
      break;
    case StationEvent::kBox:
      m_controls.ShowMessageBox(event.text, event.caption, event.style);
      break;
    case StationEvent::kReport:
      std::fprintf(stderr, "tavrion: %s: %s\n", event.caption, event.text);
      break;
    case StationEvent::kJournal:
      std::fprintf(stderr, "%s\n", event.text);
      break;
    case StationEvent::kEnded:
      m_controls.EndDialog(IDCANCEL_RESULT);
      break;
    case StationEvent::kPaused:
    case StationEvent::kSaved:
    case StationEvent::kSegment:
    case StationEvent::kTold:
      break;
  }
}

void CTavrionDlg::ShowDestination() {
  const std::uint32_t address = m_station.GetDestinationAddress();
  unsigned char bytes[4];
  std::memcpy(bytes, &address, sizeof bytes);
  for (int i = 0; i < 4; ++i) {
    m_values.ipOctets[i] = bytes[i];
  }
  Push();
}

void CTavrionDlg::ShowFigures() {
  const StationStatus status = m_station.GetStatus();
  SafeFormat(m_values.frameText, DialogValues::kTextSize, "%d", status.frameCount);
  SafeFormat(m_values.altitudeText, DialogValues::kTextSize, "%5.1f", status.altitudeSent);
  SafeCopy(m_values.airportText, status.airport, DialogValues::kTextSize);
  Push();
}

void CTavrionDlg::ShowLamp() {
  switch (m_station.GetLinkStatus()) {
    case LinkIdle:
      m_controls.ShowStatusBitmap(IDB_GREY);
      break;
    case LinkUp:
      m_controls.ShowStatusBitmap(IDB_GREEN);
      break;
    default:
      m_controls.ShowStatusBitmap(IDB_ORANGE);
      break;
  }
}

void CTavrionDlg::ShowViewChecks() {
  // The simulator's own window views show no box.
  const ViewChoice* shown = FindViewByMode(m_station.GetViewMode());
  for (const ViewChoice& choice : kViewChoices) {
    if (choice.checkBox != 0) {
      m_controls.CheckControl(choice.checkBox, false);
    }
  }
  if (shown != nullptr && shown->checkBox != 0) {
    m_controls.CheckControl(shown->checkBox, true);
  }
  Push();
}

void CTavrionDlg::SetCaption() {
  // The record's address shows which mapping this station works on.
  char caption[kNameSize];
  // Receivers fed beside the destination are counted at its end.
  const int receivers = m_station.GetReceivers().Count();
  char fed[32] = "";
  if (receivers > 0) {
    SafeFormat(fed, sizeof fed, " + %d receiver%s", receivers, receivers == 1 ? "" : "s");
  }
  SafeFormat(caption, kNameSize, "TVR v3 %s %" PRIXPTR " %d%s", kVisualInterfaceLayoutRevision,
             reinterpret_cast<std::uintptr_t>(m_station.GetRecord()),
             static_cast<int>(kVisualInterfaceSize), fed);
  m_controls.SetCaption(caption);
}
