#include "QM_ErrorReport.h"

#include <cstring>

namespace {

// A part longer than 1024 characters contributes its first 1023.
std::string CutPart(const char* part) {
  if (part == nullptr) return std::string();
  std::size_t length = std::strlen(part);
  if (length > QM_ErrorReport::kPartLimit) length = QM_ErrorReport::kPartLimit - 1;
  return std::string(part, length);
}

}  // namespace

QM_ErrorReport::QM_ErrorReport() : m_textCopy{}, m_reportedCodes{}, m_numberOfCodes(0) {}

QM_ErrorReport::~QM_ErrorReport() {
  m_message.clear();
}

void QM_ErrorReport::SetError(const char* text) {
  m_message = text != nullptr ? text : "";
}

void QM_ErrorReport::SetError(const std::string& text) {
  m_message = text;
}

void QM_ErrorReport::SetError(const char* function, const char* message) {
  m_message = CutPart(function) + "\n" + CutPart(message);
}

void QM_ErrorReport::SetError(const char* function, const char* message, const char* text) {
  m_message = CutPart(function) + "\n" + CutPart(message) + "\n" + CutPart(text);
}

void QM_ErrorReport::SetErrorOnce(const char* function, const char* message, const char* text,
                                  std::int32_t code) {
  if (!AlreadyReported(code)) SetError(function, message, text);
}

bool QM_ErrorReport::AlreadyReported(std::int32_t code) {
  if (m_numberOfCodes >= kMaxCodes) return false;
  for (std::int32_t i = 0; i < m_numberOfCodes; ++i) {
    if (m_reportedCodes[i] == code) return true;
  }
  m_reportedCodes[m_numberOfCodes++] = code;
  return false;
}

const char* QM_ErrorReport::GetErrorText() {
  std::memset(m_textCopy, 0, sizeof m_textCopy);
  std::size_t length = m_message.size();
  if (length > sizeof m_textCopy) length = sizeof m_textCopy;
  std::memcpy(m_textCopy, m_message.data(), length);
  m_textCopy[kTextCopySize - 1] = '\0';
  return m_textCopy;
}
