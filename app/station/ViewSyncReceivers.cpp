#include "ViewSyncReceivers.h"

#include <cstring>

#include "QMP0001_02_RtLan.h"
#include "SocketApi.h"
#include "TextFunctions.h"
#include "ValueText.h"

ViewSyncReceivers::ViewSyncReceivers(const ViewSyncReceiver* receivers, int count)
    : m_receivers{}, m_state(), m_count(0) {
  for (int i = 0; receivers != nullptr && i < count && i < kMostReceivers; ++i) {
    m_receivers[m_count++] = receivers[i];
  }
}

void ViewSyncReceivers::FormatAddress(const ViewSyncReceiver& receiver, char* text, int size) {
  Platform::FormatAddressAndPort(receiver.address, receiver.port, text, size);
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
      ++m_state[i].sent;
      Succeeded(lan, i);
    }
  }
  return reached;
}

void ViewSyncReceivers::Failed(QMP0001_02_RtLan& lan, int index) {
  State& state = m_state[index];
  ++state.failed;
  const int error = lan.GetTransmitErrorNumber();
  if (!state.failure.Failed(error)) {
    return;
  }
  char reason[128];
  lan.DescribeTransmitError(reason, sizeof reason);
  LogAbout(lan, index,
           error == Platform::kWsaWouldBlock ? "send buffer full, datagrams dropped" : reason);
}

void ViewSyncReceivers::Succeeded(QMP0001_02_RtLan& lan, int index) {
  State& state = m_state[index];
  if (!state.failure.Succeeded()) {
    return;
  }
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
  if (m_echo != nullptr) {
    std::fprintf(m_echo, "tavrion: %s\n", line);
    std::fflush(m_echo);
  }
}
