#pragma once
// A stand-alone LAN station over the fake socket calls, with its traffic log
// in a temporary folder: for tests that force send failures and read what
// the log made of them.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "QMP0001_02_RtLan.h"
#include "SocketFake.h"
#include "TempDir.h"

// How often `part` stands in `text`.
inline int CountOf(const std::string& text, const std::string& part) {
  int count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

class FakeSocketLan : public ::testing::Test {
 protected:
  // A new station on the local port, initialised; the test fails if it is not.
  void StartLan(int localPort, bool broadcast = false) {
    m_lan = std::make_unique<QMP0001_02_RtLan>(nullptr);
    m_lan->SetLocalPort(localPort);
    m_lan->SetStandalone();
    m_lan->SetBroadcast(broadcast);
    m_lan->SetLogFileName(m_dir.File("lan.log").c_str());
    ASSERT_TRUE(m_lan->Initialise()) << m_lan->GetErrorText();
  }

  // Closes the station (and its log) and returns what the log holds.
  std::string CloseAndReadLog() {
    m_lan.reset();
    return m_dir.Read("lan.log");
  }

  TempDir m_dir;
  Platform::FakeSockets m_fake;
  Platform::ScopedSockets m_installed{m_fake};
  std::unique_ptr<QMP0001_02_RtLan> m_lan;
};
