#include "WebLog.h"

void WebLog::Say(const std::string& line) {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::fprintf(m_out, "tavrion-web: %s\n", line.c_str());
  std::fflush(m_out);
}
