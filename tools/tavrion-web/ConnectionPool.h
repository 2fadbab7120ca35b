#pragma once
// The threads that serve the browsers' connections, one connection each at
// a time (the HTTP library's model), and a bound on what waits for them.
// When `mostWaiting` accepted connections wait already, the accepting
// thread itself waits: further connections stay in the kernel's short
// listen queue, and beyond it are not taken at all. A flood of connections
// therefore holds at most workers + mostWaiting sockets and no more
// memory; the stations' links have threads of their own and never wait
// for this pool.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class ConnectionPool {
 public:
  ConnectionPool(int workers, int mostWaiting);
  ~ConnectionPool();  // Finish()
  ConnectionPool(const ConnectionPool&) = delete;
  ConnectionPool& operator=(const ConnectionPool&) = delete;

  // A connection's work, run by the next free worker; waits while the
  // queue is full, unless released.
  void Take(std::function<void()> job);
  // Take waits no more: the server is stopping and its accepting thread
  // must come back to see it.
  void Release();
  // Runs what waits and ends the workers.
  void Finish();

 private:
  void Work();

  const std::size_t m_mostWaiting;
  std::mutex m_mutex;
  std::condition_variable m_jobWaits;
  std::condition_variable m_roomMade;
  std::deque<std::function<void()>> m_jobs;
  std::vector<std::thread> m_workers;
  bool m_released;
  bool m_finishing;
};
