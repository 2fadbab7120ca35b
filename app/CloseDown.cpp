// The main dialog's close-down. Escape and the close box arrive from
// inside the frame loop's own message pump once Connect has started it, with
// Run still on the stack: they stop the loop and leave the rest to StartLoop,
// which finishes the close-down when Run has returned.

#include "QMP0001_02_RtLan.h"
#include "RealTimeLoop.h"
#include "TavrionDlg.h"
#include "VisualShm.h"

// Enter confirms what was typed and nothing more: the station goes on.
void CTavrionDlg::OnOK() {}

// Escape ends the station as the close box does; leaving the loop running
// behind a closed window would keep the process polling for ever.
void CTavrionDlg::OnCancel() {
  EndStation(IDCANCEL_RESULT);
}

void CTavrionDlg::OnClose() {
  EndStation(IDCANCEL_RESULT);
}

void CTavrionDlg::OnDestroy() {
  ShutDown();
}

void CTavrionDlg::EndStation(int result) {
  if (m_endRequested) {
    return;
  }
  m_endRequested = true;
  m_endResult = result;
  if (m_initialising) {
    return;  // OnInitDialog finishes the close-down once Initialise returned
  }
  ShutDown();
  if (m_loopDepth == 0) {
    m_controls.EndDialog(result);
  }
}

void CTavrionDlg::ShutDown() {
  m_shuttingDown = true;  // no frame step from here on
  StopLoop();
  if (m_loopDepth > 0) {
    m_shutDownPending = true;  // StartLoop comes back here once Run returned
    return;
  }
  m_shutDownPending = false;
  m_simulator.Release();
  m_link.Close(m_view.Camera().counter);  // the counter flushed while the log can tell a failure
  if (m_loop != nullptr) {
    m_clock.SleepMilliseconds(kCloseDownWaitMs);
    m_loop.reset();
  }
  DeleteStatusBitmaps();
}
