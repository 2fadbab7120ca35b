#include "WxMessagePump.h"

#include <wx/app.h>
#include <wx/evtloop.h>

bool WxMessagePump::DispatchOne() {
  wxEventLoopBase* loop = wxEventLoopBase::GetActive();
  if (loop != nullptr && loop->Pending()) {
    loop->Dispatch();
    return true;
  }
  // Events queued inside wx itself never show in the toolkit's queue; the
  // modal loop would run them when idle, which it never is while frames run.
  if (wxTheApp != nullptr && wxTheApp->HasPendingEvents()) {
    wxTheApp->ProcessPendingEvents();
    return true;
  }
  return false;
}
