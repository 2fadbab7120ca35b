#pragma once
// The receivers the station feeds beside the window's destination: the other
// Google Earth displays of one simulator's visual system (left, centre,
// right, each turned by its own yaw offset in its drivers.ini), so that no
// relay program is needed between the station and them.
//
// Each gets every datagram the destination gets, the same text with the same
// counter, in the same frame step. A send that fails to one receiver costs
// the others nothing. Each receiver's failure is logged once per error; after
// kRecoverySends good sends in a row the receiver counts as well again (one
// line says so), and its next failure is logged afresh. A receiver that is
// down or flickering thus leaves a few lines, never one per datagram.

#include <cstdint>
#include <cstdio>

#include "ReportOnce.h"

class QMP0001_02_RtLan;

struct ViewSyncReceiver {
  std::uint32_t address;  // network order
  int port;               // host order, 1 to 65535
};

class ViewSyncReceivers {
 public:
  static constexpr int kMostReceivers = 16;
  static constexpr int kRecoverySends = 30;  // a second of datagrams

  // The first kMostReceivers of the list are kept.
  ViewSyncReceivers(const ViewSyncReceiver* receivers, int count);

  int Count() const { return m_count; }
  const ViewSyncReceiver& At(int index) const { return m_receivers[index]; }

  // One line per receiver in the LAN log: where the datagrams also go.
  void LogReceivers(QMP0001_02_RtLan& lan) const;
  // The text to every receiver through the LAN object; returns how many of
  // the sends succeeded.
  int Send(QMP0001_02_RtLan& lan, const char* text);

  // Each failure and recovery line also goes to `stream` ("tavrion: " before
  // it), for a station without a window; null: the LAN log alone.
  void EchoTo(std::FILE* stream) { m_echo = stream; }

  // Sends to the receiver that failed since start-up.
  int GetFailedSends(int index) const { return m_state[index].failed; }
  // Datagrams the receiver took since start-up.
  int GetSentDatagrams(int index) const { return m_state[index].sent; }
  // Its sends fail, and it has not yet had a second of good ones since.
  bool IsFailing(int index) const { return m_state[index].failure.Reason() != 0; }

  // "A.B.C.D:PORT" into a buffer of at least kAddressTextSize.
  static constexpr int kAddressTextSize = 24;
  static void FormatAddress(const ViewSyncReceiver& receiver, char* text, int size);

 private:
  struct State {
    ReportOnce failure{kRecoverySends};  // by Winsock number
    int failed = 0;
    int sent = 0;
  };
  void Failed(QMP0001_02_RtLan& lan, int index);
  void Succeeded(QMP0001_02_RtLan& lan, int index);
  // "Receiver A.B.C.D:PORT: what" in the LAN log.
  void LogAbout(QMP0001_02_RtLan& lan, int index, const char* what) const;

  ViewSyncReceiver m_receivers[kMostReceivers];
  State m_state[kMostReceivers];
  int m_count;
  std::FILE* m_echo = nullptr;
};
