#pragma once
// The fan-out between the stations and the browsers. Each station's link
// puts its state and every line of its one `watch` here; every browser's
// event stream takes them from a queue of its own. Publishing never waits
// for a browser: it appends to the queues under one short lock, and a
// browser whose queue grows past its bound is dropped (its stream ends; the
// page's EventSource connects again and starts from a fresh snapshot). The
// board keeps what a browser that connects later needs first: each
// station's link state and its last status line.
//
// The event stream (text/event-stream), one JSON object per message:
//   event: station   {"station":"left","state":"up","reason":""}
//                    state: "up" (watched), "down" (reason says why: not
//                    running, ended, refused, silent) or "connecting"
//   event: line      {"station":"left","line":{...the station's own line...}}

#include <condition_variable>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>

class StationBoard {
 public:
  // One browser's stream.
  class Subscriber;

  // At most `mostSubscribers` streams at once; a stream's queue holds at
  // most `mostQueuedBytes` of messages not yet written.
  StationBoard(int mostSubscribers, std::size_t mostQueuedBytes);
  StationBoard(const StationBoard&) = delete;
  StationBoard& operator=(const StationBoard&) = delete;

  // A station's link state; told to the browsers when it changed.
  void SetState(const std::string& station, const char* state, const std::string& reason);
  // One line of the station's watch (one JSON object, checked by the link).
  void Publish(const std::string& station, const std::string& line);

  // {"stations":[{"name":..,"state":..,"reason":..,"status":{..}|null},..]}
  // members only, for the caller to wrap.
  std::string StationsJson() const;

  // A new stream that starts with the snapshot (the reconnection delay,
  // then each station's state and last status line); null when
  // mostSubscribers streams are open already or the board is closed.
  std::shared_ptr<Subscriber> Subscribe();
  void Unsubscribe(const std::shared_ptr<Subscriber>& subscriber);
  // Waits up to `waitMs` for messages and moves them into `text` (empty:
  // nothing came in time). False once the stream is dropped or the board
  // closed: the stream then ends.
  bool Next(Subscriber& subscriber, std::string* text, int waitMs);
  // Whether the stream was dropped for falling behind.
  bool WasDropped(const Subscriber& subscriber) const;
  // Wakes and ends every stream; no new one is taken.
  void Close();

  int SubscriberCount() const;

 private:
  struct Station {
    std::string state = "connecting";
    std::string reason;
    std::string status;  // the last status line; empty before the first
  };

  void Deliver(const std::string& message);  // m_mutex held
  static std::string StateMessage(const std::string& name, const Station& station);
  static std::string LineMessage(const std::string& name, const std::string& line);

  const int m_mostSubscribers;
  const std::size_t m_mostQueuedBytes;
  mutable std::mutex m_mutex;
  std::map<std::string, Station> m_stations;
  std::map<Subscriber*, std::shared_ptr<Subscriber>> m_subscribers;
  bool m_closed;
};

class StationBoard::Subscriber {
 private:
  friend class StationBoard;
  std::string queued;  // messages not yet taken by the stream
  bool dropped = false;
  bool ended = false;
  std::condition_variable wake;
};
