#include "ConnectionPool.h"

ConnectionPool::ConnectionPool(int workers, int mostWaiting)
    : m_mostWaiting(static_cast<std::size_t>(mostWaiting)), m_released(false), m_finishing(false) {
  for (int i = 0; i < workers; ++i) m_workers.emplace_back([this] { Work(); });
}

ConnectionPool::~ConnectionPool() {
  Finish();
}

void ConnectionPool::Take(std::function<void()> job) {
  {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_roomMade.wait(lock, [this] { return m_jobs.size() < m_mostWaiting || m_released; });
    m_jobs.push_back(std::move(job));
  }
  m_jobWaits.notify_one();
}

void ConnectionPool::Release() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_released = true;
  }
  m_roomMade.notify_all();
}

void ConnectionPool::Finish() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_finishing = true;
    m_released = true;
  }
  m_jobWaits.notify_all();
  m_roomMade.notify_all();
  for (std::thread& worker : m_workers) {
    if (worker.joinable()) worker.join();
  }
}

void ConnectionPool::Work() {
  for (;;) {
    std::function<void()> job;
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      m_jobWaits.wait(lock, [this] { return !m_jobs.empty() || m_finishing; });
      if (m_jobs.empty()) return;
      job = std::move(m_jobs.front());
      m_jobs.pop_front();
    }
    m_roomMade.notify_one();
    job();
  }
}
