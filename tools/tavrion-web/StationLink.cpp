#include "StationLink.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "JsonReader.h"
#include "LocalSocket.h"
#include "StationBoard.h"
#include "WebJson.h"
#include "WebLog.h"

namespace {

// How often a wait looks whether the link is being stopped.
constexpr int kStopLookMs = 200;
// A watch line longer than this is no line of a station's.
constexpr std::size_t kMostLine = 1 << 20;

bool WriteLine(int fd, const std::string& line) {
  const std::string sent = line + '\n';
  std::size_t done = 0;
  while (done < sent.size()) {
    const long put =
        Platform::WriteSome(fd, sent.data() + done, static_cast<long>(sent.size() - done));
    if (put <= 0) return false;
    done += static_cast<std::size_t>(put);
  }
  return true;
}

std::chrono::steady_clock::time_point After(int milliseconds) {
  return std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
}

int MillisecondsUntil(std::chrono::steady_clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  return static_cast<int>(std::max<long long>(0, left.count()));
}

}  // namespace

StationLink::StationLink(std::string name, std::string socket, StationBoard& board, WebLog& log)
    : m_name(std::move(name)),
      m_socket(std::move(socket)),
      m_board(board),
      m_log(log),
      m_stopping(false),
      m_ended(false) {}

StationLink::~StationLink() {
  Stop();
}

void StationLink::Start() {
  if (!m_thread.joinable()) m_thread = std::thread([this] { Watch(); });
}

void StationLink::Stop() {
  {
    std::lock_guard<std::mutex> lock(m_stopMutex);
    m_stopping = true;
  }
  m_stopWake.notify_all();
  if (m_thread.joinable()) m_thread.join();
}

bool StationLink::Stopping() {
  std::lock_guard<std::mutex> lock(m_stopMutex);
  return m_stopping;
}

bool StationLink::Pause(int milliseconds) {
  std::unique_lock<std::mutex> lock(m_stopMutex);
  return !m_stopWake.wait_for(lock, std::chrono::milliseconds(milliseconds),
                              [this] { return m_stopping; });
}

void StationLink::Watch() {
  int pause = kFirstRetryMs;
  while (!Stopping()) {
    std::string reason;
    const bool watched = WatchOnce(&reason);
    if (Stopping()) break;
    Down(reason);
    if (watched) pause = kFirstRetryMs;
    if (!Pause(pause)) break;
    pause = std::min(pause * 2, kMostRetryMs);
  }
}

void StationLink::Down(const std::string& reason) {
  m_board.SetState(m_name, "down", reason);
  if (reason != m_told) m_log.Say(m_name + ": " + reason);
  m_told = reason;
}

bool StationLink::WatchOnce(std::string* reason) {
  bool nobody = false;
  char error[256];
  const int fd = Platform::ConnectLocal(m_socket.c_str(), &nobody, error, sizeof error);
  if (fd < 0) {
    // After its end a station is gone until it is started again: the end
    // says more than the missing socket.
    if (!(nobody && m_ended)) {
      *reason = nobody ? "not running (nobody serves " + m_socket + ")" : m_socket + ": " + error;
      m_ended = false;
    } else {
      *reason = m_told;
    }
    return false;
  }
  std::string pending;
  std::string line;
  bool watched = false;
  if (!WriteLine(fd, "watch")) {
    *reason = "the station did not take the watch command";
  } else if (ReadLine(fd, pending, &line, kReplyMs) != Read::kLine) {
    *reason = "the station did not answer the watch command";
  } else {
    JsonValue reply;
    std::string fault;
    if (!ReadJson(line, &reply, &fault) || !reply.FlagOf("watching")) {
      *reason = "refused: " + (reply.TextOf("error").empty() ? line : reply.TextOf("error"));
    } else {
      watched = true;
      m_ended = false;
      m_board.SetState(m_name, "up", "");
      m_log.Say(m_name + ": watched at " + m_socket);
      m_told.clear();
    }
  }
  while (watched) {
    const Read read = ReadLine(fd, pending, &line, kSilentMs);
    if (read == Read::kLine) {
      if (!IsOneJsonObjectLine(line)) continue;  // never passed on to a page
      if (line.find("\"event\":\"ended\"") != std::string::npos) m_ended = true;
      m_board.Publish(m_name, line);
      continue;
    }
    if (read == Read::kClosed) {
      *reason = m_ended ? "the station ended" : "the station closed the connection";
    } else if (read == Read::kSilent) {
      *reason = "the station fell silent for " + std::to_string(kSilentMs / 1000) + " s";
    } else if (read == Read::kTooLong) {
      *reason = "the station sent a line over 1 MiB";
    }
    break;
  }
  Platform::CloseDescriptor(fd);
  return watched;
}

StationLink::Read StationLink::ReadLine(int fd, std::string& pending, std::string* line,
                                        int silentMs) {
  const auto deadline = After(silentMs);
  for (;;) {
    const std::size_t end = pending.find('\n');
    if (end != std::string::npos) {
      line->assign(pending, 0, end);
      if (!line->empty() && line->back() == '\r') line->pop_back();
      pending.erase(0, end + 1);
      return Read::kLine;
    }
    if (pending.size() > kMostLine) return Read::kTooLong;
    if (Stopping()) return Read::kStopped;
    const int left = MillisecondsUntil(deadline);
    if (left == 0) return Read::kSilent;
    if (Platform::WaitReadable(fd, std::min(left, kStopLookMs)) <= 0) continue;
    char buffer[8192];
    const long got = Platform::ReadSome(fd, buffer, sizeof buffer);
    if (got == Platform::kWouldBlock) continue;
    if (got <= 0) return Read::kClosed;
    pending.append(buffer, static_cast<std::size_t>(got));
  }
}

StationAnswer StationLink::Send(const std::string& line) {
  StationAnswer answer;
  std::unique_lock<std::timed_mutex> turn(m_commandMutex, std::defer_lock);
  if (!turn.try_lock_for(std::chrono::milliseconds(kReplyMs))) {
    answer.kind = StationAnswer::Kind::kBusy;
    answer.text = "another change to " + m_name + " still waits for its answer";
    return answer;
  }
  bool nobody = false;
  char error[256];
  const int fd = Platform::ConnectLocal(m_socket.c_str(), &nobody, error, sizeof error);
  if (fd < 0) {
    answer.text =
        m_name + (nobody ? " is not running" : std::string(": ") + m_socket + ": " + error);
    return answer;
  }
  std::string pending;
  if (!WriteLine(fd, line)) {
    answer.text = m_name + " did not take the command";
  } else {
    // The only line on this connection is the command's reply.
    const auto deadline = After(kReplyMs);
    for (;;) {
      const std::size_t end = pending.find('\n');
      if (end != std::string::npos) {
        answer.kind = StationAnswer::Kind::kReplied;
        answer.text = pending.substr(0, end);
        break;
      }
      const int left = MillisecondsUntil(deadline);
      if (left == 0 || pending.size() > kMostLine) {
        answer.kind = StationAnswer::Kind::kNoAnswer;
        answer.text = m_name + " did not answer within " + std::to_string(kReplyMs / 1000) + " s";
        break;
      }
      if (Platform::WaitReadable(fd, left) <= 0) continue;
      char buffer[4096];
      const long got = Platform::ReadSome(fd, buffer, sizeof buffer);
      if (got == Platform::kWouldBlock) continue;
      if (got <= 0) {
        answer.text = m_name + " closed the connection without an answer";
        break;
      }
      pending.append(buffer, static_cast<std::size_t>(got));
    }
  }
  Platform::CloseDescriptor(fd);
  return answer;
}
