#include "ViewSyncReceivers.h"

#include <cstring>

#include "QMP0001_02_RtLan.h"
#include "SocketApi.h"
#include "TextFunctions.h"

ViewSyncReceivers::ViewSyncReceivers(const ViewSyncReceiver* receivers, int count)
    : m_receivers{}, m_state{}, m_count(0) {
  for (int i = 0; receivers != nullptr && i < count && i < kMostReceivers; ++i) {
    m_receivers[m_count++] = receivers[i];
  }
}

void ViewSyncReceivers::FormatAddress(const ViewSyncReceiver& receiver, char* text, int size) {
  unsigned char bytes[4];
  std::memcpy(bytes, &receiver.address, sizeof bytes);
  SafeFormat(text, size, "%d.%d.%d.%d:%d", bytes[0], bytes[1], bytes[2], bytes[3], receiver.port);
}

void ViewSyncReceivers::LogReceivers(QMP0001_02_RtLan& lan) const {
  for (int i = 0; i < m_count; ++i) {
    char address[kAddressTextSize];
    char line[80];
    FormatAddress(m_receivers[i], address, sizeof address);
    SafeFormat(line, sizeof line, "Receiver %d of %d: %s", i + 1, m_count, address);
    lan.LogText(line);
  }
}

int ViewSyncReceivers::Send(QMP0001_02_RtLan& lan, const char* text) {
  int reached = 0;
  for (int i = 0; i < m_count; ++i) {
    const int sent = lan.SendStringToPort(text, m_receivers[i].address, m_receivers[i].port);
    if (sent == -1) {
      Failed(lan, i);
    } else if (sent > 0) {
      ++reached;
      Succeeded(lan, i);
    }
  }
  return reached;
}

void ViewSyncReceivers::Failed(QMP0001_02_RtLan& lan, int index) {
  State& state = m_state[index];
  ++state.failed;
  state.goodInRow = 0;
  const int error = lan.GetTransmitErrorNumber();
  if (error == state.loggedError) {
    return;
  }
  state.loggedError = error;
  LogAbout(lan, index,
           error == Platform::kWsaWouldBlock ? "send buffer full, datagrams dropped"
                                             : lan.GetTransmitError());
}

void ViewSyncReceivers::Succeeded(QMP0001_02_RtLan& lan, int index) {
  State& state = m_state[index];
  if (state.loggedError == 0 || ++state.goodInRow < kRecoverySends) {
    return;
  }
  state.loggedError = 0;
  char what[64];
  SafeFormat(what, sizeof what, "datagrams leave again (%d failed so far)", state.failed);
  LogAbout(lan, index, what);
}

void ViewSyncReceivers::LogAbout(QMP0001_02_RtLan& lan, int index, const char* what) const {
  char address[kAddressTextSize];
  char line[160];
  FormatAddress(m_receivers[index], address, sizeof address);
  SafeFormat(line, sizeof line, "Receiver %s: %s", address, what);
  lan.LogText(line);
}
