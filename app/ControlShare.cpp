#include "ControlShare.h"

#include "Clock.h"

ControlShare::ControlShare(Platform::Clock& clock) : m_clock(clock), m_window(0), m_served(0) {
  m_window = Now();
}

std::int64_t ControlShare::Now() {
  return m_clock.ReadNanoseconds();
}

bool ControlShare::MayServe() {
  const std::int64_t now = Now();
  if (now - m_window >= kWindowNanoseconds) {
    m_window = now;
    m_served = 0;
  }
  return m_served < kShareNanoseconds;
}

void ControlShare::Served(std::int64_t begun) {
  m_served += Now() - begun;
}

std::int64_t ControlShare::UntilNextWindow() {
  const std::int64_t rest = m_window + kWindowNanoseconds - Now();
  return rest > 0 ? rest : 0;
}
