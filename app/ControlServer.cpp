#include "ControlServer.h"

#include <cstring>

#include "Clock.h"
#include "ControlCommands.h"
#include "ControlJson.h"
#include "Station.h"
#include "TextFunctions.h"

namespace {

// The work of one pass, bounded.
constexpr int kMostAcceptsPerPass = 4;
constexpr int kMostLinesPerPass = 4;

std::string RefusalLine(const char* reason) {
  std::string line;
  JsonObject object(line);
  object.Flag("ok", false).Text("error", reason).End();
  return line + '\n';
}

}  // namespace

ControlServer::ControlServer(Station& station, Platform::Clock& clock)
    : m_station(station), m_clock(clock), m_refused(0), m_refusedSince(0), m_lastStatus(0) {
  m_station.AddObserver(this);
}

ControlServer::~ControlServer() {
  Close();
  m_station.RemoveObserver(this);
}

bool ControlServer::Open(const char* path, char* error, int errorSize) {
  if (!m_listener.Listen(path, kControlSocketMode)) {
    SafeFormat(error, errorSize, "%s: %s", path, m_listener.Error());
    return false;
  }
  m_lastStatus = m_clock.ReadMilliseconds();
  return true;
}

void ControlServer::Close() {
  for (Client& client : m_clients) {
    if (client.fd >= 0) {
      Flush(client);
      Platform::CloseDescriptor(client.fd);
      client = Client();
    }
  }
  m_listener.Close();
}

int ControlServer::ClientCount() const {
  int count = 0;
  for (const Client& client : m_clients) {
    if (client.fd >= 0) ++count;
  }
  return count;
}

int ControlServer::Descriptors(Platform::WaitedDescriptor* out, int most) const {
  int count = 0;
  if (!m_listener.IsListening()) return 0;
  if (count < most) {
    out[count] = Platform::WaitedDescriptor();
    out[count].fd = m_listener.Descriptor();
    out[count++].read = true;
  }
  for (const Client& client : m_clients) {
    if (client.fd < 0 || count >= most) continue;
    out[count] = Platform::WaitedDescriptor();
    out[count].fd = client.fd;
    out[count].read = true;
    out[count++].write = !client.output.empty();
  }
  return count;
}

void ControlServer::Serve() {
  if (!m_listener.IsListening()) return;
  const std::uint32_t now = m_clock.ReadMilliseconds();
  AcceptClients(now);
  for (Client& client : m_clients) {
    if (client.fd < 0) continue;
    if (client.dropReason == nullptr) ReadClient(client, now);
    if (client.fd >= 0 && client.dropReason == nullptr) RunLines(client);
    if (client.fd >= 0) Flush(client);
    if (client.fd >= 0 && client.dropReason != nullptr &&
        (client.output.empty() || client.output.size() > kMostPending)) {
      Drop(client, client.dropReason);
    }
    if (client.fd >= 0 && !client.watching && now - client.lastHeard >= kSilentMs) {
      Drop(client, "silent for a minute");
    }
  }
  TellRefused(now);
  WatchStatus(now);
}

void ControlServer::AcceptClients(std::uint32_t now) {
  for (int taken = 0; taken < kMostAcceptsPerPass; ++taken) {
    Platform::PeerCredentials peer;
    const int fd = m_listener.Accept(&peer);
    if (fd < 0) return;
    Client* free = nullptr;
    for (Client& client : m_clients) {
      if (client.fd < 0) {
        free = &client;
        break;
      }
    }
    if (free == nullptr) {
      // Told in the one line it may read, and counted for the LAN log.
      const std::string line = RefusalLine("the station serves 8 clients at once: try again later");
      Platform::WriteSome(fd, line.data(), static_cast<long>(line.size()));
      Platform::CloseDescriptor(fd);
      if (m_refused++ == 0) m_refusedSince = now;
      continue;
    }
    *free = Client();
    free->fd = fd;
    free->peer = peer;
    free->lastHeard = now;
  }
}

void ControlServer::ReadClient(Client& client, std::uint32_t now) {
  const long room = static_cast<long>(sizeof client.input) - client.inputLength;
  if (room == 0) return;  // its lines are run first
  const long got = Platform::ReadSome(client.fd, client.input + client.inputLength, room);
  if (got == Platform::kWouldBlock) return;
  if (got == 0 || got == Platform::kStreamFailed) {
    // The client closed (or its connection broke): nothing more to say to it.
    Platform::CloseDescriptor(client.fd);
    client = Client();
    return;
  }
  client.inputLength += static_cast<int>(got);
  if (std::memchr(client.input, '\n', static_cast<std::size_t>(client.inputLength)) != nullptr) {
    client.lastHeard = now;
  }
}

void ControlServer::RunLines(Client& client) {
  for (int lines = 0; lines < kMostLinesPerPass; ++lines) {
    char* end = static_cast<char*>(
        std::memchr(client.input, '\n', static_cast<std::size_t>(client.inputLength)));
    if (end == nullptr) {
      if (client.inputLength == static_cast<int>(sizeof client.input)) {
        Queue(client, RefusalLine("a command line is at most 512 bytes"));
        client.dropReason = "a line over 512 bytes";
      }
      return;
    }
    *end = '\0';
    const bool watching = client.watching;
    const ControlAnswer answer = RunControlCommand(m_station, client.input, client.peer);
    const int used = static_cast<int>(end - client.input) + 1;
    std::memmove(client.input, client.input + used,
                 static_cast<std::size_t>(client.inputLength - used));
    client.inputLength -= used;
    Queue(client, answer.reply + '\n');
    if (answer.watch && !watching) {
      client.watching = true;
      const StationStatus status = m_station.GetStatus();
      std::string line;
      JsonObject object(line);
      object.Text("event", "status");
      AddStatusMembers(object, status);
      object.End();
      Queue(client, line + '\n');
    }
    if (client.fd < 0 || client.dropReason != nullptr) return;
  }
}

void ControlServer::Flush(Client& client) {
  while (!client.output.empty()) {
    const long put = Platform::WriteSome(client.fd, client.output.data(),
                                         static_cast<long>(client.output.size()));
    if (put == Platform::kWouldBlock) return;
    if (put == Platform::kStreamFailed) {
      Platform::CloseDescriptor(client.fd);
      client = Client();
      return;
    }
    client.output.erase(0, static_cast<std::size_t>(put));
  }
}

void ControlServer::Queue(Client& client, const std::string& line) {
  if (client.output.size() > kMostPending) return;  // dropped at the end of this pass
  client.output += line;
  if (client.output.size() > kMostPending && client.dropReason == nullptr) {
    client.dropReason = "64 KiB of replies unread";
  }
}

void ControlServer::Drop(Client& client, const char* reason) {
  char line[160];
  SafeFormat(line, sizeof line, "Control uid %d pid %d dropped: %s", client.peer.uid,
             client.peer.pid, reason);
  m_station.Log(line);
  Platform::CloseDescriptor(client.fd);
  client = Client();
}

void ControlServer::TellRefused(std::uint32_t now) {
  if (m_refused == 0 || now - m_refusedSince < 1000) return;
  char line[128];
  SafeFormat(line, sizeof line, "Control: %d connection%s refused: %d clients already", m_refused,
             m_refused == 1 ? "" : "s", kControlMostClients);
  m_station.Log(line);
  m_refused = 0;
}

void ControlServer::WatchStatus(std::uint32_t now) {
  if (now - m_lastStatus < 1000) return;
  m_lastStatus = now;
  std::string line;
  for (Client& client : m_clients) {
    if (client.fd < 0 || !client.watching) continue;
    if (line.empty()) {
      const StationStatus status = m_station.GetStatus();
      JsonObject object(line);
      object.Text("event", "status");
      AddStatusMembers(object, status);
      object.End();
      line += '\n';
    }
    Queue(client, line);
  }
}

void ControlServer::OnStationEvent(const StationEvent& event) {
  if (event.kind == StationEvent::kEnded) {
    // The watchers hear it, then nothing is left to serve.
    const std::string ended = EventLine(event, m_station.GetStatus()) + '\n';
    for (Client& client : m_clients) {
      if (client.fd >= 0 && client.watching) Queue(client, ended);
    }
    Close();
    return;
  }
  std::string line;
  for (Client& client : m_clients) {
    if (client.fd < 0 || !client.watching) continue;
    if (line.empty()) {
      line = EventLine(event, m_station.GetStatus());
      if (line.empty()) return;
      line += '\n';
    }
    Queue(client, line);
  }
}
