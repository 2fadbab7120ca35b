#include "SocketFake.h"

#include <algorithm>
#include <cstring>

namespace Platform {

void FakeSockets::FailNext(Call call, int winsockError, int count) {
  m_failures[call] = {winsockError, count};
}

void FakeSockets::FailSendsTo(std::uint32_t address, int port, int winsockError) {
  if (winsockError == 0) {
    m_destinationFailures.erase({address, port});
  } else {
    m_destinationFailures[{address, port}] = winsockError;
  }
}

void FakeSockets::FailOption(SocketOption option, int winsockError) {
  m_optionFailures[option] = winsockError;
}

bool FakeSockets::Deliver(int port, const std::string& bytes, std::uint32_t sourceAddress,
                          int sourcePort) {
  for (auto& [handle, socket] : m_sockets) {
    if (socket.boundPort == port) {
      SocketAddress source{};
      source.family = kFamilyIPv4;
      source.port = HostToNetwork16(static_cast<std::uint16_t>(sourcePort));
      source.address = sourceAddress;
      socket.queue.push_back(Datagram{handle, source, bytes});
      return true;
    }
  }
  return false;
}

void FakeSockets::SetHost(const std::string& name, std::uint32_t address, bool resolves) {
  m_hostName = name;
  m_hostAddress = address;
  m_hostResolves = resolves;
}

int FakeSockets::BoundPort(SocketHandle socket) const {
  auto found = m_sockets.find(socket);
  return found == m_sockets.end() ? 0 : found->second.boundPort;
}

int FakeSockets::OptionValue(SocketHandle socket, SocketOption option) const {
  auto found = m_sockets.find(socket);
  if (found == m_sockets.end()) return 0;
  auto value = found->second.options.find(option);
  return value == found->second.options.end() ? 0 : value->second;
}

bool FakeSockets::Fails(Call call) {
  auto found = m_failures.find(call);
  if (found == m_failures.end() || found->second.second <= 0) return false;
  --found->second.second;
  m_lastError = found->second.first;
  return true;
}

int FakeSockets::Fail(int winsockError) {
  m_lastError = winsockError;
  return -1;
}

FakeSockets::Socket* FakeSockets::Find(SocketHandle socket) {
  auto found = m_sockets.find(socket);
  return found == m_sockets.end() ? nullptr : &found->second;
}

int FakeSockets::StartEnvironment(std::uint16_t /*version*/) {
  ++m_starts;
  return Fails(Call::Start) ? m_lastError : 0;
}

SocketHandle FakeSockets::OpenDatagramSocket() {
  if (Fails(Call::Open)) return -1;
  SocketHandle handle = m_nextHandle++;
  m_sockets[handle] = Socket{};
  return handle;
}

int FakeSockets::Close(SocketHandle socket) {
  return m_sockets.erase(socket) == 1 ? 0 : Fail(9);
}

int FakeSockets::SetOption(SocketHandle socket, SocketOption option, int value) {
  Socket* entry = Find(socket);
  if (entry == nullptr) return Fail(9);
  auto failure = m_optionFailures.find(option);
  if (failure != m_optionFailures.end()) return Fail(failure->second);
  if (Fails(Call::SetOption)) return -1;
  entry->options[option] = value;
  return 0;
}

int FakeSockets::GetOption(SocketHandle socket, SocketOption option, int* value) {
  Socket* entry = Find(socket);
  if (entry == nullptr || value == nullptr) return Fail(9);
  auto failure = m_optionFailures.find(option);
  if (failure != m_optionFailures.end()) return Fail(failure->second);
  if (Fails(Call::GetOption)) return -1;
  auto found = entry->options.find(option);
  *value = found == entry->options.end() ? 0 : found->second;
  return 0;
}

int FakeSockets::Bind(SocketHandle socket, const SocketAddress& address) {
  Socket* entry = Find(socket);
  if (entry == nullptr) return Fail(9);
  if (Fails(Call::Bind)) return -1;
  entry->boundPort = NetworkToHost16(address.port);
  return 0;
}

int FakeSockets::SendTo(SocketHandle socket, const void* data, int length,
                        const SocketAddress& destination) {
  if (Find(socket) == nullptr) return Fail(9);
  if (Fails(Call::SendTo)) return -1;
  if (length < 0) return Fail(kWsaFault);
  auto failing =
      m_destinationFailures.find({destination.address, NetworkToHost16(destination.port)});
  if (failing != m_destinationFailures.end()) return Fail(failing->second);
  m_sent.push_back(
      Datagram{socket, destination, std::string(static_cast<const char*>(data), length)});
  return length;
}

int FakeSockets::ReceiveFrom(SocketHandle socket, void* buffer, int size, SocketAddress* source,
                             bool peek) {
  Socket* entry = Find(socket);
  if (entry == nullptr) return Fail(9);
  if (Fails(Call::ReceiveFrom)) {
    if (!entry->queue.empty()) entry->queue.pop_front();  // the datagram is lost
    return -1;
  }
  if (entry->queue.empty() || size < 0) return Fail(kWsaTimedOut);
  const Datagram& next = entry->queue.front();
  int count = std::min(size, static_cast<int>(next.bytes.size()));
  if (count > 0) std::memcpy(buffer, next.bytes.data(), static_cast<std::size_t>(count));
  if (source != nullptr) *source = next.peer;
  if (!peek) entry->queue.pop_front();
  return count;
}

int FakeSockets::ReceiveMessage(SocketHandle socket, void* buffer, int size, SocketAddress* source,
                                ReceiveDetails* details) {
  Socket* entry = Find(socket);
  const bool cut = entry != nullptr && !entry->queue.empty() && size >= 0 &&
                   static_cast<std::size_t>(size) < entry->queue.front().bytes.size();
  int received = ReceiveFrom(socket, buffer, size, source, false);
  if (details != nullptr) {
    *details = ReceiveDetails{};
    details->truncated = received >= 0 && cut;
  }
  return received;
}

int FakeSockets::BytesWaiting(SocketHandle socket, unsigned long* count) {
  Socket* entry = Find(socket);
  if (entry == nullptr) return Fail(9);
  if (m_failBytesWaiting || Fails(Call::BytesWaiting)) return -1;
  *count = entry->queue.empty() ? 0 : entry->queue.front().bytes.size();
  return 0;
}

bool FakeSockets::Readable(SocketHandle socket) {
  Socket* entry = Find(socket);
  return entry != nullptr && !entry->queue.empty();
}

int FakeSockets::HostName(char* buffer, int size) {
  if (Fails(Call::HostName) || buffer == nullptr || size <= 0) return -1;
  std::size_t length = std::min(m_hostName.size(), static_cast<std::size_t>(size - 1));
  std::memcpy(buffer, m_hostName.data(), length);
  buffer[length] = '\0';
  return 0;
}

bool FakeSockets::ResolveHost(const char* name, std::uint32_t* address) {
  if (!m_hostResolves || name == nullptr || address == nullptr) return false;
  if (m_hostName != name) {
    std::uint32_t dotted = InetAddr(name);
    if (dotted == kAddressNone) return false;
    *address = dotted;
    return true;
  }
  *address = m_hostAddress;
  return true;
}

}  // namespace Platform
