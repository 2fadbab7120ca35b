#include "StationHarness.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

// --- SimulatorSegment -------------------------------------------------------

SimulatorSegment::SimulatorSegment(const std::string& name) : m_name("/" + name) {
  const int fd = shm_open(m_name.c_str(), O_CREAT | O_RDWR | O_TRUNC, 0666);
  if (fd < 0) {
    return;
  }
  if (ftruncate(fd, kVisualInterfaceSize) == 0) {
    void* view = mmap(nullptr, kVisualInterfaceSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (view != MAP_FAILED) {
      m_record = static_cast<VisualInterfaceRecord*>(view);
      std::memset(m_record, 0, sizeof *m_record);
      std::memcpy(m_record->version, kVisualInterfaceVersion, sizeof kVisualInterfaceVersion);
      m_record->userCount = 1;
    }
  }
  close(fd);
}

SimulatorSegment::~SimulatorSegment() {
  if (m_record != nullptr) {
    munmap(m_record, kVisualInterfaceSize);
  }
  shm_unlink(m_name.c_str());
}

int SimulatorSegment::UserCount() const {
  return m_record != nullptr ? static_cast<volatile const std::int32_t&>(m_record->userCount) : -1;
}

// --- ViewSyncReceiver -------------------------------------------------------

ViewSyncReceiver::ViewSyncReceiver(int port, const char* address)
    : m_peer(port, Ipv4Address(address), PortSharing::kShared) {}

bool ViewSyncReceiver::Receive(ViewSyncDatagram& datagram, std::chrono::milliseconds timeout) {
  std::string text;
  UdpSource source;
  if (!m_peer.Receive(text, timeout, &source)) {
    return false;
  }
  datagram = ViewSyncDatagram();
  datagram.sourcePort = source.port;
  datagram.text = text;
  int consumed = 0;
  const int fields = std::sscanf(text.c_str(), "%d,%lf,%lf,%lf,%lf,%lf,%lf,%lld,%lld,%n",
                                 &datagram.counter, &datagram.latitude, &datagram.longitude,
                                 &datagram.altitude, &datagram.heading, &datagram.tilt,
                                 &datagram.roll, &datagram.timeStart, &datagram.timeEnd, &consumed);
  return fields == 9 && static_cast<std::size_t>(consumed) == text.size();
}

bool ViewSyncReceiver::ReceiveFresh(ViewSyncDatagram& datagram, std::chrono::milliseconds timeout) {
  m_peer.DropWaiting();
  return Receive(datagram, timeout);
}

// --- the station program ----------------------------------------------------

ProcessSetup StationSetup(const std::string& workingFolder, const std::string& displayName,
                          const std::string& locale) {
  ProcessSetup setup;
  setup.workingFolder = workingFolder;
  setup.output = ProcessOutput::kInherited;
  // No desktop session runs on the test display: no accessibility bus and
  // no settings daemon to ask.
  setup.environment = {"DISPLAY=" + displayName, "NO_AT_BRIDGE=1", "GSETTINGS_BACKEND=memory"};
  if (!locale.empty()) {
    setup.environment.push_back("LC_ALL=" + locale);
  }
  return setup;
}
