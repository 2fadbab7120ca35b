#pragma once
// Base of every service class: holds the text of the last failure.
// Operations of the derived classes return a bool and leave their text here;
// the caller reads it with GetErrorText and passes it on or shows it.

#include <cstdint>
#include <string>

class QM_ErrorReport {
 public:
  QM_ErrorReport();
  ~QM_ErrorReport();
  QM_ErrorReport(const QM_ErrorReport&) = default;
  QM_ErrorReport& operator=(const QM_ErrorReport&) = default;

  void SetError(const char* text);
  void SetError(const std::string& text);
  void SetError(const char* function, const char* message);
  void SetError(const char* function, const char* message, const char* text);
  // The three-part SetError, unless this object already reported the code.
  void SetErrorOnce(const char* function, const char* message, const char* text, std::int32_t code);
  // Remembers the code; true when it was remembered before. Once 50 codes
  // are held, always false, so every later report gets through.
  bool AlreadyReported(std::int32_t code);

  // The current text cut to 255 characters; valid until the next call on
  // this object or its destruction.
  const char* GetErrorText();
  // Length of the whole current text, before the 255-character cut.
  std::size_t GetMessageLength() const { return m_message.size(); }

  static constexpr int kTextCopySize = 256;
  static constexpr int kMaxCodes = 50;
  static constexpr std::size_t kPartLimit = 1024;

 private:
  char m_textCopy[kTextCopySize];
  std::string m_message;
  std::int32_t m_reportedCodes[kMaxCodes];
  std::int32_t m_numberOfCodes;
};
