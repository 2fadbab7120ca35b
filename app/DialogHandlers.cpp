// The handlers of the main dialog's controls: each reads its control and
// turns it into an operation of the station.

#include <cstring>

#include "BoxText.h"
#include "Limit.h"
#include "TavrionDlg.h"
#include "ViewChoices.h"

// --- Destination address and port ---------------------------------------------

void CTavrionDlg::OnAddressChanged() {
  ReadDestinationAddress();
}

bool CTavrionDlg::ReadDestinationAddress() {
  Take();
  // The boxes as they read now, not the exchange's fields: a box that holds
  // no number stops the take and leaves its field with an older value, and a
  // value above 255 must never reach the wire as its low eight bits.
  unsigned char octets[4];
  for (int i = 0; i < 4; ++i) {
    char text[DialogValues::kTextSize];
    m_controls.GetControlText(IDC_IP1 + i, text, sizeof text);
    int octet = 0;
    if (!ParseAddressOctet(text, octet)) {
      return false;
    }
    octets[i] = static_cast<unsigned char>(octet);
  }
  std::uint32_t address = 0;
  std::memcpy(&address, octets, sizeof address);
  return m_station.SetDestination(address).ok;
}

void CTavrionDlg::OnPortChanged() {
  Take();
  m_station.SetLocalPort(m_values.portValue);
}

// --- Views, slew and blend ------------------------------------------------------
// The handlers only set the mode; the boxes follow on the next send.

void CTavrionDlg::OnViewBox(int id) {
  const ViewChoice* choice = FindViewByBox(id);
  if (choice != nullptr) {
    m_station.SelectView(choice->mode);
  }
}

void CTavrionDlg::OnSlew() {
  m_station.SetSlew(!m_station.IsSlewing());
}

void CTavrionDlg::OnAgl() {
  m_station.SetAglBlend(!m_station.IsAglBlend());
}

// --- Map view altitude and datum offset -------------------------------------------

int CTavrionDlg::OnMapSliderReleased() {
  const int position = m_controls.GetSliderPosition(IDC_MAP_SLIDER);
  const int multiplier = Limit(1, position / 10, 10);
  m_station.SetMapAltitude(static_cast<double>(position * position * multiplier));
  return 0;
}

int CTavrionDlg::OnDatumSpin(int positionChange) {
  // The upper arrow reports -1 and raises the offset by a step.
  m_station.TrimStep(-positionChange);
  return 0;
}

void CTavrionDlg::OnDatumSliderReleased() {
  const double d = m_controls.GetSliderPosition(IDC_DATUM_SLIDER) - 50.0;
  m_station.TrimTo(d * d * (d / 300.0));
}

bool CTavrionDlg::OnSave() {
  const CommandResult saved = m_station.Save();
  if (!saved.ok) {
    m_controls.ShowMessageBox(saved.reason, kSaveFailureCaption, kMessageBoxExclamation);
  }
  return saved.ok;
}
