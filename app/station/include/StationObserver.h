#pragma once
// How a face learns what the station did: one call per event, on the frame
// loop's thread, while the station goes on. An observer reads the values it
// shows from Station::GetStatus(); the event says what changed and carries the
// texts that are not part of the status (a box, a line for the journal).
// An observer must not block: the frame loop waits for it.

struct StationEvent {
  enum Kind {
    kMessageLine,         // the message line changed
    kLamp,                // the link lamp changed
    kFigures,             // the figures refreshed (once in eleven frame steps)
    kViewShown,           // the view the datagrams carry changed
    kDatum,               // the datum offset in force was set
    kMapAltitude,         // the map view's height was set
    kSlew,                // slew was switched
    kAglBlend,            // the altitude blend was switched
    kDestination,         // the destination was set (start-up, or none at Connect)
    kDestinationLocked,   // the first frame step: the destination is fixed
    kConnected,           // Connect brought the link up: the local port is fixed
    kConnectUnavailable,  // nothing can start: Connect is of no further use
    kRecordMapped,        // the record was mapped at start-up or again
    kSegment,             // the segment was let go, or attached again
    kPaused,              // Connect paused the frames or resumed them (GetStatus().running)
    kSaved,               // Save wrote the offsets file
    kBox,                 // text, caption, style: a box to show (attended only)
    kReport,              // text, caption: what a box would say, unattended
    kJournal,             // text: a line for the journal (the frame loop's scheduling)
    kTold,                // text, caption: something new told on the message line (a
                          // condition that began, a notice, a report with its caption)
    kEnded,               // the close-down asked for by End is done
  };

  Kind kind;
  const char* text;
  const char* caption;
  int style;
};

class StationObserver {
 public:
  virtual ~StationObserver() = default;
  virtual void OnStationEvent(const StationEvent& event) = 0;
};

// Message box styles.
constexpr int kMessageBoxOk = 0;            // plain, OK button
constexpr int kMessageBoxExclamation = 48;  // OK button and exclamation icon
