#pragma once
// Everything a face of the station may show, or a supervisor may ask for, as
// one plain value: what the window's figures, lamp and message line show,
// what the service tells its manager, what the control socket answers. It is
// made afresh by Station::GetStatus() and holds no pointer into the station
// that a face could follow.

#include <cstdint>

#include "MessageLine.h"
#include "ViewSyncReceivers.h"
#include "VisualInterfaceShm.h"

// The simulator's segment as the station finds it.
enum class SegmentState : int {
  kNone,       // not attached: it could not be used at start-up
  kAttached,   // the record is mapped and read
  kLost,       // let go (removed, made anew, shrunk): waited for
  kUnwritten,  // made by the station: nothing is sent until a simulator writes it
};

struct ReceiverStatus {
  std::uint32_t address;  // network order
  int port;
  bool failing;       // its last send failed and it has not recovered yet
  int failedSends;    // since start-up
  int sentDatagrams;  // that it took, since start-up
};

struct StationStatus {
  static constexpr int kNameSize = 256;
  static constexpr int kAddressTextSize = 20;

  // The link and its figures.
  bool connected;   // Connect brought the link up
  bool running;     // frames send (not paused)
  bool ending;      // the close-down has begun
  int counter;      // of the last datagram sent, or before the first
  int frameCount;   // frame steps since Connect; -1 before the first
  int sent;         // datagrams the destination took since start-up
  int left;         // datagrams that left to the destination or a receiver
  int held;         // datagrams held back (not finite, off the globe)
  double rate;      // datagrams a second the destination took over the last second
  double leftRate;  // datagrams a second that left to any target, the same second
  int lamp;         // LinkStatus
  // The destination: where every datagram goes, network order, and from which
  // local port; fixed at the first frame step.
  std::uint32_t destination;
  int remotePort;
  int localPort;
  bool destinationLocked;
  bool destinationFailing;  // its sends fail (the reason below); the receivers are apart
  char destinationFailure[128];
  int destinationFailures;             // sends to it that failed since start-up
  char hostAddress[kAddressTextSize];  // the host's own, empty when unknown
  int receiverCount;
  ReceiverStatus receivers[ViewSyncReceivers::kMostReceivers];

  // The simulator's side.
  SegmentState segment;
  char segmentName[kNameSize];
  const void* record;  // where the record is mapped, for the window's caption; null when not
  bool dataFrozen;
  // The counter file: false while it cannot be written (why below): a
  // restarted station would then not be taken by a Google Earth that kept
  // running.
  bool counterKept;
  char counterFailure[160];

  // The camera.
  char airport[kAirportIdentTextSize];  // as the simulator reports it; empty before any
  bool airportInTable;                  // trims go to its record
  double datumOffset;                   // in force, metres
  double altitudeSent;                  // of the last datagram sent
  int view;                             // ViewMode the datagrams carry
  double mapAltitude;                   // the map view's height above the aircraft
  double mapAltitudeShown;              // the aircraft's altitude plus that height
  bool slew;
  bool aglBlend;

  char message[MessageLine::kTextSize];  // the message line
};
