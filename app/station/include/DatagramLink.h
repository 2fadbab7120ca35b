#pragma once
// Where the camera goes: the simulator LAN interface brought up at Connect
// with its traffic log, the destination and every other receiver, the
// counter kept across runs, and the link watchdog behind the lamp. A camera
// a receiver could not read (not finite, off the globe, a text cut short) is
// held back and counted, and the watchdog runs down as for a failed send.
// Nothing of a window: the station shows the status and tells the results.

#include <cstdint>
#include <memory>
#include <string>

#include "ReportOnce.h"
#include "ViewSync.h"
#include "ViewSyncCounter.h"
#include "ViewSyncReceivers.h"

class QMP0001_02_RtLan;

class DatagramLink {
 public:
  static constexpr int kWatchdogRearm = 50;
  static constexpr int kBaseSendsPerSecond = 30;
  static constexpr int kLogNameSize = 1024;

  // `folder` holds the counter file and the LAN log; empty: the working folder.
  DatagramLink(const ViewSyncReceiver* receivers, int receiverCount, const char* folder);
  ~DatagramLink();
  DatagramLink(const DatagramLink&) = delete;
  DatagramLink& operator=(const DatagramLink&) = delete;

  // The sends a second (30 unless told): the watchdog is re-armed for the
  // same time at any rate, 50 sends at 30 a second.
  void SetSendsPerSecond(int sendsPerSecond);
  int GetWatchdogRearm() const { return m_rearm; }
  // Start-up values: the lamp idle, the watchdog run out.
  void Restart();
  // Brings the interface up from `localPort` to the receivers' `remotePort`.
  // The LAN log is begun anew, the previous run's kept one generation. False
  // with the reason in ErrorText when it could not: the interface then stays
  // and sends nothing.
  bool Open(int localPort, int remotePort, bool broadcast);
  // Close-down: the counter flushed while the log can still tell a failure,
  // then the interface released.
  void Close(int counter);
  bool IsOpen() const { return m_lan != nullptr; }
  bool IsOk() const { return m_ok; }
  QMP0001_02_RtLan* Lan() const { return m_lan.get(); }
  const char* ErrorText() const;

  // One line (cut to 79 characters) into the LAN log once it is open;
  // nothing before.
  void Log(const char* text);
  // Lines into the LAN log; before it is open they are kept, and written
  // first when it opens.
  void LogLines(const char* text);

  // The counter the run's first datagram is to carry, less one.
  int StartCounter(bool* startedOver) { return m_counter.Start(startedOver) - 1; }
  void KeepCounter(int counter, std::uint32_t now) { m_counter.Keep(counter, now); }
  void FlushCounter(int counter) { m_counter.Flush(counter); }

  // What became of one camera.
  enum class Sent {
    kLeft,       // it left to the destination or a receiver
    kHeld,       // held back: no receiver could read it
    kNoneTaken,  // no target took it (none there, or every send failed)
  };
  // Sends the camera to the destination (network order) and every receiver.
  Sent Send(const ViewSyncCamera& camera, std::uint32_t destination);
  // What changed about the destination's sends with the last Send: their
  // failure began (its reason in DestinationFailure), or they recovered
  // after a second of good ones.
  enum class DestinationChange { kNone, kFailing, kRecovered };
  DestinationChange TakeDestinationChange();
  bool IsDestinationFailing() const { return m_destinationFailure.Reason() != 0; }
  const char* DestinationFailure() const { return m_destinationReason; }
  // Sends to the destination that failed since start-up.
  int GetDestinationFailures() const { return m_destinationFailed; }
  // Datagrams that left to the destination or at least one receiver.
  int GetLeft() const { return m_left; }
  // The counter file: its writes fail (the reason), or work again.
  bool IsCounterFailing() const { return m_counter.IsFailing(); }
  const char* CounterFailure() const { return m_counter.FailureText(); }
  // The segment is gone: the lamp goes orange at once.
  void DropWatchdog() { m_watchdog = 0; }
  // The lamp (LinkStatus) from the watchdog, the record's state word
  // holding the link, and the segment lost.
  int UpdateStatus(bool heldBySimulator, bool segmentLost);

  int GetStatus() const { return m_status; }
  int GetWatchdog() const { return m_watchdog; }
  int GetHeld() const { return m_held; }
  int GetSent() const { return m_sent; }
  const ViewSyncReceivers& Receivers() const { return m_receivers; }
  // The receivers' failure lines also on `stream` (a station without a window).
  void EchoReceiverLines(std::FILE* stream) { m_receivers.EchoTo(stream); }

 private:
  // The destination's send: a failure or a good one, for its report.
  void WatchDestination(int sent);

  char m_folder[kLogNameSize];
  std::unique_ptr<QMP0001_02_RtLan> m_lan;
  std::string m_kept;  // lines logged before the log was opened
  bool m_ok;
  ViewSyncReceivers m_receivers;
  ViewSyncCounterKeeper m_counter;
  int m_rearm;
  int m_watchdog;
  int m_status;
  int m_held;
  int m_sent;
  int m_left;
  ReportOnce m_destinationFailure{ViewSyncReceivers::kRecoverySends};
  DestinationChange m_destinationChange = DestinationChange::kNone;
  char m_destinationReason[128];
  int m_destinationFailed = 0;
};
