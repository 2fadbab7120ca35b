#pragma once
// Whether a failure is news for a log: the first failure for a reason is, the
// same reason again is not, until the condition has recovered (a number of
// successes in a row). A run of failures thus leaves one line, not one per
// attempt, and a failure after a recovery is told afresh.

#include <cstdint>

class ReportOnce {
 public:
  explicit ReportOnce(int successesToRecover = 1) : m_needed(successesToRecover) {}

  // A failure for the reason (not 0); true when it is to be logged.
  bool Failed(std::int64_t reason) {
    m_goodInRow = 0;
    if (reason == m_reason) return false;
    m_reason = reason;
    return true;
  }
  // A success; true once, when it ends a logged condition.
  bool Succeeded() {
    if (m_reason == 0 || ++m_goodInRow < m_needed) return false;
    m_reason = 0;
    m_goodInRow = 0;
    return true;
  }
  // The reason logged last; 0 while all is well.
  std::int64_t Reason() const { return m_reason; }

 private:
  int m_needed;
  int m_goodInRow = 0;
  std::int64_t m_reason = 0;
};
