#pragma once
// tavrion-web's own lines (its journal under systemd): what it serves,
// each station's link going up and down, every change asked for and from
// where. One line at a time from any thread.

#include <cstdio>
#include <mutex>
#include <string>

class WebLog {
 public:
  explicit WebLog(std::FILE* out) : m_out(out) {}
  WebLog(const WebLog&) = delete;
  WebLog& operator=(const WebLog&) = delete;

  // "tavrion-web: <line>", control characters shown as '?'.
  void Say(const std::string& line);

 private:
  std::mutex m_mutex;
  std::FILE* m_out;
};
