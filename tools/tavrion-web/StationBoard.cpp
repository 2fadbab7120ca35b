#include "StationBoard.h"

#include <chrono>

#include "WebJson.h"

namespace {

// How long a browser waits before it connects again after its stream ended.
constexpr char kRetryLine[] = "retry: 2000\n\n";

bool IsStatusLine(const std::string& line) {
  static const std::string kStatus = "{\"event\":\"status\",";
  return line.compare(0, kStatus.size(), kStatus) == 0;
}

}  // namespace

StationBoard::StationBoard(int mostSubscribers, std::size_t mostQueuedBytes)
    : m_mostSubscribers(mostSubscribers), m_mostQueuedBytes(mostQueuedBytes), m_closed(false) {}

std::string StationBoard::StateMessage(const std::string& name, const Station& station) {
  return "event: station\ndata: {\"station\":" + JsonQuoted(name) +
         ",\"state\":" + JsonQuoted(station.state) + ",\"reason\":" + JsonQuoted(station.reason) +
         "}\n\n";
}

std::string StationBoard::LineMessage(const std::string& name, const std::string& line) {
  return "event: line\ndata: {\"station\":" + JsonQuoted(name) + ",\"line\":" + line + "}\n\n";
}

void StationBoard::SetState(const std::string& name, const char* state, const std::string& reason) {
  std::lock_guard<std::mutex> lock(m_mutex);
  const bool known = m_stations.count(name) != 0;
  Station& station = m_stations[name];
  if (known && station.state == state && station.reason == reason) return;
  station.state = state;
  station.reason = reason;
  // A station that is not watched has no status: the page must not show
  // an old one as if it were live.
  if (station.state != "up") station.status.clear();
  Deliver(StateMessage(name, station));
}

void StationBoard::Publish(const std::string& name, const std::string& line) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (IsStatusLine(line)) m_stations[name].status = line;
  Deliver(LineMessage(name, line));
}

void StationBoard::Deliver(const std::string& message) {
  for (auto& entry : m_subscribers) {
    Subscriber& subscriber = *entry.second;
    if (subscriber.dropped || subscriber.ended) continue;
    if (subscriber.queued.size() + message.size() > m_mostQueuedBytes) {
      // It cannot keep up: it goes, and its queue with it.
      subscriber.dropped = true;
      std::string().swap(subscriber.queued);
    } else {
      subscriber.queued += message;
    }
    subscriber.wake.notify_one();
  }
}

std::string StationBoard::StationsJson() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::string json = "\"stations\":[";
  bool first = true;
  for (const auto& entry : m_stations) {
    if (!first) json += ',';
    first = false;
    const Station& station = entry.second;
    json += "{\"name\":" + JsonQuoted(entry.first) + ",\"state\":" + JsonQuoted(station.state) +
            ",\"reason\":" + JsonQuoted(station.reason) +
            ",\"status\":" + (station.status.empty() ? "null" : station.status) + "}";
  }
  return json + "]";
}

std::shared_ptr<StationBoard::Subscriber> StationBoard::Subscribe() {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_closed || static_cast<int>(m_subscribers.size()) >= m_mostSubscribers) return nullptr;
  auto subscriber = std::make_shared<Subscriber>();
  subscriber->queued = kRetryLine;
  for (const auto& entry : m_stations) {
    subscriber->queued += StateMessage(entry.first, entry.second);
    if (!entry.second.status.empty()) {
      subscriber->queued += LineMessage(entry.first, entry.second.status);
    }
  }
  m_subscribers[subscriber.get()] = subscriber;
  return subscriber;
}

void StationBoard::Unsubscribe(const std::shared_ptr<Subscriber>& subscriber) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_subscribers.erase(subscriber.get());
}

bool StationBoard::Next(Subscriber& subscriber, std::string* text, int waitMs) {
  std::unique_lock<std::mutex> lock(m_mutex);
  subscriber.wake.wait_for(lock, std::chrono::milliseconds(waitMs), [&subscriber] {
    return !subscriber.queued.empty() || subscriber.dropped || subscriber.ended;
  });
  if (subscriber.dropped || subscriber.ended) return false;
  text->swap(subscriber.queued);
  subscriber.queued.clear();
  return true;
}

bool StationBoard::WasDropped(const Subscriber& subscriber) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return subscriber.dropped;
}

void StationBoard::Close() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_closed = true;
  for (auto& entry : m_subscribers) {
    entry.second->ended = true;
    entry.second->wake.notify_one();
  }
}

int StationBoard::SubscriberCount() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return static_cast<int>(m_subscribers.size());
}
