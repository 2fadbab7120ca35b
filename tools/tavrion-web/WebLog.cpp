#include "WebLog.h"

void WebLog::Say(const std::string& line) {
  // A browser's words (an Origin, a station's name in an address) may hold
  // control characters: none reaches the journal as such.
  std::string shown = line;
  for (char& c : shown) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  }
  std::lock_guard<std::mutex> lock(m_mutex);
  std::fprintf(m_out, "tavrion-web: %s\n", shown.c_str());
  std::fflush(m_out);
}
