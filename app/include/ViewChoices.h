#pragma once
// The views an operator chooses, by the name the command line and the
// control socket give them and by the window's check box that shows them.
// The simulator's own window views (3 and 4) have a name for the status, but
// no box, and cannot be chosen.

#include "Resource.h"
#include "ViewSync.h"

struct ViewChoice {
  int mode;          // ViewMode
  const char* name;  // --view, `view NAME`, the status
  int checkBox;      // the window's box; 0: none
  bool chosen;       // an operator may choose it
};

inline constexpr ViewChoice kViewChoices[] = {
    {ViewForward, "forward", IDC_FORWARD_VIEW, true},
    {ViewFwdL, "fwd-left", IDC_FWD_L, true},
    {ViewFwdR, "fwd-right", IDC_FWD_R, true},
    {ViewLeftWindow, "left-window", IDC_LEFT_WINDOW_VIEW, true},
    {ViewRightWindow, "right-window", IDC_RIGHT_WINDOW_VIEW, true},
    {ViewMap, "map", IDC_MAP_VIEW, true},
    {ViewLeftWindowSim, "simulator-left-window", 0, false},
    {ViewRightWindowSim, "simulator-right-window", 0, false},
};

// The choice of a mode; null for none.
const ViewChoice* FindViewByMode(int mode);
// The choice an operator may make by that name; null for none.
const ViewChoice* FindViewByName(const char* name);
// The choice of that check box; null for none.
const ViewChoice* FindViewByBox(int checkBox);
// "forward, fwd-left, ..." in the table's order: the names an operator may give.
const char* ViewNameList();
