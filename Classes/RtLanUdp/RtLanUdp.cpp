#include "RtLanUdp.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ConfigControl.h"
#include "TextFunctions.h"
#include "UdpConsole.h"

namespace {

const char kHeaderRevision[] = "%Z% RtLanUdp QM2122 RtLanUdpInclude_id $Revision: 1.1 $";
const char kSourceRevision[] = "%Z% RtLanUdp QM2122 RtLanUdp $Revision: 1.1 $";
bool s_registered = false;

// The texts a failed send leaves, by Winsock error number.
struct SendErrorText {
  int error;
  const char* text;
};

const SendErrorText kSendErrors[] = {
    {10013, "WSAEACCES::Permission denied"},
    {10014, "WSAEFAULT::Bad IP Address (over flow of a pointer ?)"},
    {10036, "WSAEINPROGRESS::A blocking operation is currently executing"},
    {10037, "WSAEALREADY::Operation already in progress"},
    {10047, "WSAEAFNOSUPPORT::Address family not supported by protocol family"},
    {10048, "WSAEADDRINUSE::Address already in use"},
    {10049, "WSAEADDRNOTAVAIL::Cannot assign requested address"},
    {10050, "WSAENETDOWN::Network is down"},
    {10053, "WSAECONNABORTED::Software caused connection abort"},
    {10054, "WSAECONNRESET::Connection reset by peer"},
    {10061, "WSAECONNREFUSED::Connection refused"},
    {10064, "WSAEHOSTDOWN::Host is down"},
    {10065, "WSAEHOSTUNREACH::No route to the host"},
};

// WSAENOTSOCK: an operation on an object whose socket was never opened.
constexpr int kNotASocket = 10038;

}  // namespace

void UdpConsole(const char* text) {
  std::fputs(text, stdout);
  std::fflush(stdout);
}

int CSocketEnvironment::s_environmentCount = 0;

CSocketEnvironment::CSocketEnvironment() {
  if (s_environmentCount == 0) {
    UdpConsole("Environment Set\n");
    int result = Platform::Sockets().StartEnvironment(kVersion);
    if (result != 0) {
      char line[64];
      SafeFormat(line, sizeof line, "Error Creating the Environment! (%d)\n", result);
      UdpConsole(line);
    }
  }
  ++s_environmentCount;
}

CSocketEnvironment::~CSocketEnvironment() {
  --s_environmentCount;
  if (s_environmentCount == 0) Platform::Sockets().StopEnvironment();
}

CUDP::CUDP()
    : m_errorText{},
      m_timeout(1000),
      m_clock(&Platform::SystemClock()),
      m_data(nullptr),
      m_remotePort(0),
      m_localPort(0),
      m_socket(0),
      m_address{},
      m_lastSendError(0),
      m_drops(0) {
  RegisterClassOnce(s_registered, "RtLanUdp Class ", {kHeaderRevision, kSourceRevision});
}

CUDP::~CUDP() {
  CloseSocket();
  std::free(m_data);
  m_data = nullptr;
}

void CUDP::CloseSocket() {
  if (m_socket != 0) Platform::Sockets().Close(m_socket);
  m_socket = 0;
}

int CUDP::GetLocalPort() const {
  return Platform::NetworkToHost16(m_localPort);
}
int CUDP::GetRemotePort() const {
  return Platform::NetworkToHost16(m_remotePort);
}

void CUDP::RecordCreateFailure(const char* function) {
  char message[300];
  int error = Platform::Sockets().LastError();
  SafeFormat(message, sizeof message, "Error Creating Socket! %s",
             Platform::SocketErrorText(error));
  SetError(function, message);
}

bool CUDP::SetSocketOption(Platform::SocketOption option, int value, const char* function) {
  if (Platform::Sockets().SetOption(m_socket, option, value) != 0) {
    RecordCreateFailure(function);
    return false;
  }
  return true;
}

bool CUDP::OpenSocket() {
  // A second CreateSocket on one object replaces its socket instead of leaking it.
  CloseSocket();
  Platform::SocketHandle handle = Platform::Sockets().OpenDatagramSocket();
  if (handle < 0) {
    RecordCreateFailure("CUDP::CreateSocket");
    return false;
  }
  m_socket = handle;
  return true;
}

bool CUDP::OpenAndBind(std::uint16_t networkPort, std::uint32_t bindAddress) {
  m_address = Platform::SocketAddress{};
  m_address.family = Platform::kFamilyIPv4;
  m_address.port = networkPort;
  m_address.address = bindAddress;

  if (!OpenSocket()) return false;
  if (!SetSocketOption(Platform::SocketOption::ReuseAddress, 1, "CUDP::CreateSocket Options")) {
    return false;
  }
  if (Platform::Sockets().Bind(m_socket, m_address) != 0) {
    RecordCreateFailure("CUDP::CreateSocket Binding Socket");
    return false;
  }
  return true;
}

bool CUDP::CreateSocket(std::uint16_t localPort, std::uint16_t remotePort,
                        std::uint32_t bindAddress) {
  m_localPort = Platform::HostToNetwork16(localPort);
  m_remotePort = Platform::HostToNetwork16(remotePort);
  if (!OpenAndBind(m_localPort, bindAddress)) return false;
  if (!SetSocketOption(Platform::SocketOption::ReceiveBuffer, kBufferSize,
                       "CUDP::CreateSocket Options") ||
      !SetSocketOption(Platform::SocketOption::SendBuffer, kBufferSize,
                       "CUDP::CreateSocket Options")) {
    return false;
  }
  // Lets ReceiveLarge see a fragment dropped for want of room. The socket works
  // without it, so a system that refuses it costs only that check.
  Platform::Sockets().SetOption(m_socket, Platform::SocketOption::CountDrops, 1);
  return true;
}

bool CUDP::CreateSocket(std::uint16_t port, std::uint32_t bindAddress) {
  m_remotePort = Platform::HostToNetwork16(port);
  if (!OpenAndBind(m_remotePort, bindAddress)) return false;
  return SetSocketOption(Platform::SocketOption::SendBuffer, kBufferSize,
                         "CUDP::CreateSocket Options");
}

bool CUDP::SetTimeout(int milliseconds) {
  m_timeout = milliseconds;
  // Without a socket the first option fails: handle 0 is standard input.
  if (m_socket == 0 || Platform::Sockets().SetOption(m_socket, Platform::SocketOption::SendTimeout,
                                                     milliseconds) != 0) {
    UdpConsole("Error Setting Send Timeout");
    return true;
  }
  if (Platform::Sockets().SetOption(m_socket, Platform::SocketOption::ReceiveTimeout,
                                    milliseconds) != 0) {
    UdpConsole("Error Setting Receive Timeout");
    return true;
  }
  return false;
}

bool CUDP::SetMode(Platform::SocketOption option, bool on, const char* function) {
  if (m_socket == 0) {
    SetError(function, "No socket");
    return false;
  }
  if (Platform::Sockets().SetOption(m_socket, option, on ? 1 : 0) != 0) {
    RecordCreateFailure(function);
    return false;
  }
  return true;
}

bool CUDP::SetNonBlocking(bool on) {
  return SetMode(Platform::SocketOption::NonBlocking, on, "CUDP::SetNonBlocking");
}

bool CUDP::SetBroadcast(bool on) {
  return SetMode(Platform::SocketOption::Broadcast, on, "CUDP::SetBroadcast");
}

unsigned long CUDP::BytesAvailable() {
  if (m_socket == 0) return 0;
  Platform::SocketApi& sockets = Platform::Sockets();
  // An empty datagram reports 0 bytes yet stays at the head of the queue, where
  // it would hide every datagram behind it; it carries nothing, so drop it.
  for (int dropped = 0; dropped < 64; ++dropped) {
    unsigned long count = 0;
    if (sockets.BytesWaiting(m_socket, &count) != 0) return 0;
    if (count > 0 || !sockets.Readable(m_socket)) return count;
    char none = 0;
    if (sockets.ReceiveFrom(m_socket, &none, 0, nullptr, false) != 0) return 0;
  }
  return 0;
}

void CUDP::SetLastSendError(int winsockError) {
  m_lastSendError = winsockError;
  for (const SendErrorText& entry : kSendErrors) {
    if (entry.error == winsockError) {
      m_lastError = entry.text;
      return;
    }
  }
  char number[16];
  SafeFormat(number, sizeof number, "%d", winsockError);
  m_lastError = number;
}

void CUDP::DescribeSendError(char* buffer, int size) const {
  for (const SendErrorText& entry : kSendErrors) {
    if (entry.error == m_lastSendError) {
      SafeCopy(buffer, entry.text, size);
      return;
    }
  }
  SafeFormat(buffer, size, "%s (%d)", Platform::SocketErrorText(m_lastSendError), m_lastSendError);
}

int CUDP::SendRecord(const char* data, int length, const Platform::SocketAddress& to) {
  if (m_socket == 0) {
    // Handle 0 is no socket of ours (it is the process's standard input).
    SetLastSendError(kNotASocket);
    return -1;
  }
  if (length == 0) length = static_cast<int>(std::strlen(data));
  int sent = Platform::Sockets().SendTo(m_socket, data, length, to);
  if (sent == -1) {
    SetLastSendError(Platform::Sockets().LastError());
  } else {
    m_lastSendError = 0;
  }
  return sent;
}

int CUDP::Send(const char* data, std::uint32_t address, int length) {
  if (data == nullptr) return 0;
  if (address != 0 && m_socket != 0) {
    m_address.port = m_remotePort;
    m_address.address = address;
  }
  return SendRecord(data, length, m_address);
}

int CUDP::SendTo(const char* data, std::uint32_t address, int port, int length) {
  if (data == nullptr || address == 0 || port < 1 || port > 65535) return 0;
  Platform::SocketAddress to{};
  to.family = Platform::kFamilyIPv4;
  to.port = Platform::HostToNetwork16(static_cast<std::uint16_t>(port));
  to.address = address;
  return SendRecord(data, length, to);
}

int CUDP::SendToHost(const char* data, const char* host, int length) {
  if (data == nullptr || host == nullptr || m_socket == 0) return -1;
  m_address.port = m_remotePort;
  if (host[0] >= '0' && host[0] <= '9') {
    m_address.address = Platform::InetAddr(host);
  } else {
    std::uint32_t resolved = 0;
    if (!Platform::Sockets().ResolveHost(host, &resolved)) return -1;
    m_address.address = resolved;
  }
  if (length == 0) length = static_cast<int>(std::strlen(data));
  return Platform::Sockets().SendTo(m_socket, data, length, m_address);
}

int CUDP::Receive(std::uint32_t* address, char* buffer, bool clearAddress, int size) {
  return ReceiveCounted(address, buffer, clearAddress, size, nullptr);
}

int CUDP::ReceiveCounted(std::uint32_t* address, char* buffer, bool clearAddress, int size,
                         bool* truncated) {
  if (address == nullptr || buffer == nullptr || m_socket == 0) return -1;
  m_address.port = m_localPort;
  if (clearAddress) *address = 0;
  m_address.address = *address;
  Platform::ReceiveDetails details;
  int received = Platform::Sockets().ReceiveMessage(m_socket, buffer, size, &m_address, &details);
  *address = m_address.address;
  if (received >= 0) {
    m_drops = details.drops;
    if (m_remotePort == 0) m_remotePort = m_address.port;
  }
  if (truncated != nullptr) *truncated = details.truncated;
  return received;
}

int CUDP::Peek(std::uint32_t* address, char* buffer, bool clearAddress, int size) {
  if (address == nullptr || buffer == nullptr || m_socket == 0) return -1;
  m_address.port = m_localPort;
  if (clearAddress) *address = 0;
  m_address.address = *address;
  return Platform::Sockets().ReceiveFrom(m_socket, buffer, size, nullptr, true);
}

const char* CUDP::GetErrorText() {
  const char* text = m_lastError.empty() ? QM_ErrorReport::GetErrorText() : m_lastError.c_str();
  SafeCopy(m_errorText, text, kErrorTextSize);
  return m_errorText;
}
