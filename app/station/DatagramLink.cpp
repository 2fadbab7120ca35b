#include "DatagramLink.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "FileNames.h"
#include "QMP0001_02_RtLan.h"
#include "TextFunctions.h"

namespace {

// The LAN interface's traffic log, in the working folder, and the one of
// the run before, kept for one more run.
const char kLanLogFileName[] = "QM_RT_LAN_Log.txt";
const char kPreviousLanLogFileName[] = "QM_RT_LAN_Log.1.txt";

}  // namespace

DatagramLink::DatagramLink(const ViewSyncReceiver* receivers, int receiverCount, const char* folder)
    : m_folder(),
      m_ok(false),
      m_receivers(receivers, receiverCount),
      m_counter(folder, [this](const char* line) { Log(line); }),
      m_rearm(kWatchdogRearm),
      m_watchdog(0),
      m_status(LinkIdle),
      m_held(0),
      m_sent(0),
      m_left(0),
      m_destinationReason() {
  SafeCopy(m_folder, folder != nullptr ? folder : "", kLogNameSize);
}

DatagramLink::~DatagramLink() = default;

void DatagramLink::SetSendsPerSecond(int sendsPerSecond) {
  m_rearm = sendsPerSecond > kBaseSendsPerSecond
                ? kWatchdogRearm * sendsPerSecond / kBaseSendsPerSecond
                : kWatchdogRearm;
}

void DatagramLink::Restart() {
  m_status = LinkIdle;
  m_watchdog = 0;
}

bool DatagramLink::Open(int localPort, int remotePort, bool broadcast) {
  m_ok = false;
  m_lan = std::make_unique<QMP0001_02_RtLan>(nullptr);
  m_lan->SetLocalPort(localPort);
  m_lan->SetRemotePort(remotePort);
  m_lan->SetStandalone();
  m_lan->SetBroadcast(broadcast);
  char logName[kLogNameSize];
  Platform::FileInFolder(m_folder, kLanLogFileName, logName, kLogNameSize);
  // The log is begun anew at each start: the one before, perhaps of a run
  // that crashed or was killed, is kept one generation.
  char previousName[kLogNameSize];
  Platform::FileInFolder(m_folder, kPreviousLanLogFileName, previousName, kLogNameSize);
  if (std::rename(logName, previousName) != 0 && errno != ENOENT) {
    std::fprintf(stderr, "tavrion: %s: not kept as %s: %s\n", logName, previousName,
                 std::strerror(errno));
  }
  m_lan->SetLogFileName(logName);
  m_lan->Initialise();
  m_ok = m_lan->IsInitialised();
  if (m_ok && !m_kept.empty()) {
    m_lan->LogLines(m_kept.substr(0, m_kept.size() - 1).c_str());
    m_kept.clear();
  }
  return m_ok;
}

void DatagramLink::Close(int counter) {
  if (m_lan != nullptr) {
    m_counter.Flush(counter);
  }
  m_lan.reset();
}

const char* DatagramLink::ErrorText() const {
  return m_lan != nullptr ? m_lan->GetErrorText() : "";
}

void DatagramLink::Log(const char* text) {
  if (m_lan != nullptr) {
    m_lan->LogText(text);
  }
}

void DatagramLink::LogLines(const char* text) {
  if (m_lan != nullptr) {
    m_lan->LogLines(text);
  } else if (text != nullptr) {
    m_kept += text;
    m_kept += '\n';
  }
}

DatagramLink::Sent DatagramLink::Send(const ViewSyncCamera& camera, std::uint32_t destination) {
  char text[kViewSyncTextSize];
  const bool sendable = IsFiniteCamera(camera) && IsOnTheGlobe(camera) &&
                        FormatViewSync(camera, text, sizeof text) > 0;
  int sent = 0;
  int reached = 0;
  if (sendable && m_lan != nullptr) {
    sent = m_lan->SendString(camera.counter, text, destination);
    WatchDestination(sent);
    // The same datagram to every other receiver; only the destination's
    // sends drive the lamp.
    reached = m_receivers.Send(*m_lan, text);
  }
  if (sent > 1) {
    m_sent = static_cast<int>(static_cast<unsigned int>(m_sent) + 1u);
    m_watchdog = m_rearm;
  }
  if (m_watchdog > INT_MIN) {
    --m_watchdog;  // every send counts down, whatever it did
  }
  if (!sendable) {
    ++m_held;
    return Sent::kHeld;
  }
  if (sent > 1 || reached > 0) {
    m_left = static_cast<int>(static_cast<unsigned int>(m_left) + 1u);
    return Sent::kLeft;
  }
  return Sent::kNoneTaken;
}

void DatagramLink::WatchDestination(int sent) {
  if (sent == -1) {
    ++m_destinationFailed;
    if (m_destinationFailure.Failed(m_lan->GetTransmitErrorNumber())) {
      m_lan->DescribeTransmitError(m_destinationReason, sizeof m_destinationReason);
      m_destinationChange = DestinationChange::kFailing;
    }
  } else if (sent > 0 && m_destinationFailure.Succeeded()) {
    m_destinationChange = DestinationChange::kRecovered;
  }
}

DatagramLink::DestinationChange DatagramLink::TakeDestinationChange() {
  const DestinationChange change = m_destinationChange;
  m_destinationChange = DestinationChange::kNone;
  return change;
}

int DatagramLink::UpdateStatus(bool heldBySimulator, bool segmentLost) {
  m_status = m_watchdog <= 1 ? LinkDown : LinkUp;
  if (heldBySimulator) {
    m_status = LinkHeld;
  }
  if (segmentLost) {
    m_status = LinkDown;  // nothing can be sent without the simulator's record
  }
  return m_status;
}
