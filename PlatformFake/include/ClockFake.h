#pragma once
// A clock that tests step by hand. Every read of the counter (or of the
// millisecond timer when there is no counter) may advance it by a fixed step,
// so a frame loop under test finds frames due without any real waiting.
// Sleeps do not block: they are recorded and advance the time, and a test
// may act after each one (a stop request, a stall of the machine).
// Nanoseconds() is the one time line the counter and the timer share, for
// fakes that wait on this clock (see FakeMessagePump); the wall clock moves
// with it. Actions set with At stand in for another program that acts at
// given times (a simulator writing its record): each runs once the time
// line has reached it, before a read of the counter or the timer returns,
// whatever the code under test does meanwhile. The fake's time zone is UTC, so local times read the
// same on every machine.

#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "Clock.h"

namespace Platform {

class FakeClock : public Clock {
 public:
  // A high-resolution counter of `frequency` ticks per second; 0 means the
  // machine has none, so users fall back to the millisecond timer.
  explicit FakeClock(std::int64_t frequency = 1000000000) : m_frequency(frequency) {}

  bool QueryFrequency(std::int64_t& ticksPerSecond) override {
    if (m_frequency <= 0) {
      return false;
    }
    ticksPerSecond = m_frequency;
    return true;
  }

  std::int64_t ReadCounter() override {
    RunTimed();
    ++m_counterReads;
    const std::int64_t value = m_counter;
    m_counter += m_counterStep;
    return value;
  }

  std::uint32_t ReadMilliseconds() override {
    RunTimed();
    ++m_millisecondReads;
    const std::uint32_t value = m_milliseconds;
    m_milliseconds += m_millisecondStep;
    return value;
  }

  void SleepMilliseconds(int milliseconds) override {
    m_sleeps.push_back(milliseconds);
    m_milliseconds += static_cast<std::uint32_t>(milliseconds);
    if (m_frequency > 0) {
      m_counter += m_frequency / 1000 * milliseconds;
    }
    Slept();
  }

  void SleepNanoseconds(std::int64_t nanoseconds) override {
    m_nanosecondSleeps.push_back(nanoseconds);
    AdvanceNanoseconds(nanoseconds > 0 ? nanoseconds : 0);
    Slept();
  }

  // Moves the counter on to `ticks` when it is not there yet.
  void SleepUntilCounter(std::int64_t ticks) override {
    m_deadlineSleeps.push_back(ticks);
    if (ticks > m_counter) {
      AdvanceNanoseconds(m_frequency > 0 ? TicksToNanoseconds(ticks - m_counter, m_frequency) : 0);
      m_counter = ticks;
    }
    Slept();
  }

  std::int64_t ReadWallNanoseconds() override { return m_wallAtZero + Nanoseconds(); }

  std::tm LocalTime(std::int64_t seconds) override {
    const std::time_t time = static_cast<std::time_t>(seconds);
    const std::tm* utc = std::gmtime(&time);
    return utc != nullptr ? *utc : std::tm{};
  }

  // Moves the counter and the timer on together; the timer keeps the part of
  // a millisecond for the next advance.
  void AdvanceNanoseconds(std::int64_t nanoseconds) {
    if (m_frequency > 0) {
      m_counter += NanosecondsToTicks(nanoseconds, m_frequency);
    }
    m_subMillisecond += nanoseconds;
    m_milliseconds += static_cast<std::uint32_t>(m_subMillisecond / kNanosecondsPerMillisecond);
    m_subMillisecond %= kNanosecondsPerMillisecond;
  }
  // The time the counter shows, in nanoseconds; the timer's without a counter.
  std::int64_t Nanoseconds() const {
    if (m_frequency > 0) {
      return TicksToNanoseconds(m_counter, m_frequency);
    }
    return static_cast<std::int64_t>(m_milliseconds) * kNanosecondsPerMillisecond +
           m_subMillisecond;
  }

  // Moves the counter on by `ticks` / the timer by `milliseconds`.
  void Advance(std::int64_t ticks) { m_counter += ticks; }
  void AdvanceMilliseconds(std::uint32_t milliseconds) { m_milliseconds += milliseconds; }
  // Each read returns the current value and then moves it on by the step.
  void SetCounterStep(std::int64_t ticks) { m_counterStep = ticks; }
  void SetMillisecondStep(std::uint32_t milliseconds) { m_millisecondStep = milliseconds; }
  void SetCounter(std::int64_t ticks) { m_counter = ticks; }
  void SetMilliseconds(std::uint32_t milliseconds) { m_milliseconds = milliseconds; }

  // The wall clock shows this time now (nanoseconds since 1970, UTC) and
  // moves on with the counter.
  void SetWallClock(std::int64_t nanoseconds) { m_wallAtZero = nanoseconds - Nanoseconds(); }
  // The same from a calendar date and time of the fake's zone.
  void SetLocalTime(int year, int month, int day, int hour, int minute, int second,
                    int millisecond) {
    const std::int64_t seconds =
        DaysSince1970(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    SetWallClock(seconds * kNanosecondsPerSecond + millisecond * kNanosecondsPerMillisecond);
  }
  // Runs after every sleep, once the time has moved on.
  void AfterEachSleep(std::function<void()> action) { m_afterSleep = std::move(action); }
  // Runs `action` once, when the time line (Nanoseconds) has reached
  // `nanoseconds`; an action may set others.
  void At(std::int64_t nanoseconds, std::function<void()> action) {
    m_timed.emplace(nanoseconds, std::move(action));
  }

  std::int64_t Counter() const { return m_counter; }
  std::uint32_t Milliseconds() const { return m_milliseconds; }
  int CounterReads() const { return m_counterReads; }
  int MillisecondReads() const { return m_millisecondReads; }
  const std::vector<int>& Sleeps() const { return m_sleeps; }
  const std::vector<std::int64_t>& NanosecondSleeps() const { return m_nanosecondSleeps; }
  // The deadlines of SleepUntilCounter, in counter ticks.
  const std::vector<std::int64_t>& DeadlineSleeps() const { return m_deadlineSleeps; }
  int SleepCount() const {
    return static_cast<int>(m_sleeps.size() + m_nanosecondSleeps.size() + m_deadlineSleeps.size());
  }

 private:
  void Slept() {
    if (m_afterSleep) m_afterSleep();
  }

  void RunTimed() {
    while (!m_timed.empty() && m_timed.begin()->first <= Nanoseconds()) {
      std::function<void()> action = std::move(m_timed.begin()->second);
      m_timed.erase(m_timed.begin());
      action();
    }
  }

  // Days from 1970-01-01 to the date of the proleptic Gregorian calendar.
  static std::int64_t DaysSince1970(int year, int month, int day) {
    const std::int64_t y = year - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yearOfEra = y - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
  }

  std::int64_t m_frequency;
  std::int64_t m_counter = 0;
  std::int64_t m_counterStep = 0;
  std::uint32_t m_milliseconds = 0;
  std::uint32_t m_millisecondStep = 0;
  std::int64_t m_subMillisecond = 0;
  int m_counterReads = 0;
  int m_millisecondReads = 0;
  std::vector<int> m_sleeps;
  std::vector<std::int64_t> m_nanosecondSleeps;
  std::vector<std::int64_t> m_deadlineSleeps;
  std::function<void()> m_afterSleep;
  std::multimap<std::int64_t, std::function<void()>> m_timed;
  std::int64_t m_wallAtZero = 0;
};

}  // namespace Platform
