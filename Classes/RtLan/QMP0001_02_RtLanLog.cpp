// The station's side of the traffic log: it exists only when DEBUG_LOG asks
// for it, and every call here does nothing without it.

#include <string>

#include "QMP0001_02_RtLan.h"
#include "RtLanLogger.h"
#include "TextFunctions.h"
#include "ValueText.h"

namespace {

constexpr int kEventTextSize = 80;  // 79 characters and a terminator

}  // namespace

bool QMP0001_02_RtLan::SetUpLogFile(const char* path, bool enabled) {
  if (!enabled) return true;
  if (path == nullptr) {
    if (m_logger == nullptr) m_logger = new RtLanLogger();
    m_logger->Open(kDefaultLogFile);
    return true;
  }
  if (m_logger == nullptr) {
    m_logger = new RtLanLogger();
    if (!m_logger->Open(path)) {
      std::string message =
          std::string("Could not set up Log file \n") + path + "\n" + m_logger->GetErrorText();
      SetError("QMP0001_02_RtLan::SetUpLogFile", message.c_str());
      m_logFileName[0] = '\0';
      CloseLog();
      return false;
    }
  }
  return true;
}

void QMP0001_02_RtLan::CloseLog() {
  delete m_logger;
  m_logger = nullptr;
}

void QMP0001_02_RtLan::LogText(const char* text) {
  if (m_logger == nullptr) return;
  char line[kEventTextSize];
  SafeCopy(line, text != nullptr ? text : "", sizeof line);
  m_logger->LogEvent(1, line);
}

void QMP0001_02_RtLan::LogLines(const char* text) {
  if (m_logger == nullptr || text == nullptr) return;
  std::string all = text;
  std::size_t begin = 0;
  while (begin <= all.size()) {
    std::size_t end = all.find('\n', begin);
    if (end == std::string::npos) end = all.size();
    std::string line = all.substr(begin, end - begin);
    for (std::size_t at = 0; at == 0 || at < line.size(); at += kEventTextSize - 1) {
      LogText(line.substr(at, kEventTextSize - 1).c_str());
    }
    begin = end + 1;
  }
}

const char* QMP0001_02_RtLan::LogAddressText(std::uint32_t address) {
  Platform::FormatDottedAddress(address, m_lastAddressText, sizeof m_lastAddressText);
  return m_lastAddressText;
}

void QMP0001_02_RtLan::LogSendError(std::uint32_t address, int port, const char* reason) {
  if (m_logger == nullptr) return;
  char where[32];
  Platform::FormatAddressAndPort(address, port, where, sizeof where);
  char error[kEventTextSize];
  SafeCopy(error, reason != nullptr ? reason : "", sizeof error);
  char line[sizeof where + 2 + kEventTextSize];
  SafeFormat(line, sizeof line, "%s: %s", where, error);
  m_logger->LogEvent(1, line);
}

void QMP0001_02_RtLan::LogSentPackage(int bytes, int package, int counter, int frame,
                                      std::uint32_t address) {
  if (m_logger == nullptr || package < 0 || package >= RtLan::kPackageCount) return;
  RtLanLogRecord record{bytes, m_packages[package].name, counter, frame, LogAddressText(address)};
  m_logger->LogSent(record);
}

void QMP0001_02_RtLan::LogReceivedPackage(int bytes, int package, int counter, int frame,
                                          std::uint32_t address) {
  if (m_logger == nullptr || package < 0 || package >= RtLan::kPackageCount) return;
  RtLanLogRecord record{bytes, m_packages[package].name, counter, frame, LogAddressText(address)};
  m_logger->LogReceived(record);
}
