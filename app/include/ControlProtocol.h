#pragma once
// The station's control protocol, as the station serves it on its control
// socket and as its clients (tavrion-ctl, tavrion-web) speak it: one command
// a line, words separated by blanks; each reply one JSON object on one line,
// {"ok":true,...} or {"ok":false,"error":"..."}. `watch` answers once, then
// streams one object a line: the status once a second ("event":"status")
// and every event of the station as it happens, until the client closes.
// One table for both sides, so that they never disagree.

struct ControlCommandInfo {
  const char* name;
  const char* arguments;  // as the help shows them; empty: none
  const char* help;
  bool changes;  // it changes the station: logged with who asked
};

inline constexpr ControlCommandInfo kControlCommands[] = {
    {"status", "", "the station's status", false},
    {"view", "NAME",
     "choose the view: forward, fwd-left, fwd-right, left-window, right-window or map", true},
    {"map-altitude", "METRES", "the map view's height above the aircraft, 0 to 100000", true},
    {"slew", "on|off", "turn to a newly chosen view gradually (on) or at once (off)", true},
    {"trim", "up|down|set METRES",
     "trim the current airport's datum offset by the spin buttons' step (0.5 m), or to METRES",
     true},
    {"save", "", "write the offsets file, its backup first", true},
    {"pause", "", "stop the frames, as Connect pressed while sending", true},
    {"resume", "", "send again after a pause", true},
    {"watch", "", "the status once a second and every event as it happens, until closed", false},
    {"help", "", "the commands", false},
};

// The longest command line, newline included; clients at once, at most.
constexpr int kControlLineSize = 512;
constexpr int kControlMostClients = 8;
// The socket file's mode: the station's user and group may steer it.
constexpr unsigned kControlSocketMode = 0660;
// Where a station instance's socket is under systemd (RuntimeDirectory=tavrion/%i).
inline constexpr char kControlRunFolder[] = "/run/tavrion";
inline constexpr char kControlSocketName[] = "control";

// The command of that name; null for none.
inline const ControlCommandInfo* FindControlCommand(const char* name) {
  for (const ControlCommandInfo& command : kControlCommands) {
    const char* a = command.name;
    const char* b = name;
    while (*a != '\0' && *a == *b) ++a, ++b;
    if (*a == *b) return &command;
  }
  return nullptr;
}
