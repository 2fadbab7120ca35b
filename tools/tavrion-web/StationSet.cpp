#include "StationSet.h"

#include <cctype>
#include <filesystem>
#include <system_error>

#include "ControlProtocol.h"
#include "StationBoard.h"
#include "WebLog.h"

bool IsStationName(const std::string& name) {
  if (name.empty() || name.size() > 64) return false;
  for (const char c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '_' && c != '-' &&
        c != '@' && c != ':') {
      return false;
    }
  }
  return true;
}

StationSet::~StationSet() {
  StopAll();
}

void StationSet::Add(const std::string& name, const std::string& socket) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_links.count(name) != 0) return;
  if (static_cast<int>(m_links.size()) >= kMostStations) {
    if (m_passedOver.insert(name).second) {
      m_log.Say(name + ": not served: " + std::to_string(kMostStations) + " stations already");
    }
    return;
  }
  // On the page at once, as being reached.
  m_board.SetState(name, "connecting", "");
  auto link = std::make_unique<StationLink>(name, socket, m_board, m_log);
  link->Start();
  m_links[name] = std::move(link);
}

void StationSet::Look(const std::string& runFolder) {
  std::error_code error;
  std::filesystem::directory_iterator entries(runFolder, error);
  for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
    const std::filesystem::path socket = entries->path() / kControlSocketName;
    std::error_code seen;
    if (!std::filesystem::is_socket(socket, seen)) continue;
    const std::string name = entries->path().filename().string();
    if (!IsStationName(name)) {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_passedOver.insert(name).second) {
        m_log.Say(socket.string() +
                  ": passed over: a station's name is 1 to 64 of A-Z a-z 0-9 . _ - @ :");
      }
      continue;
    }
    Add(name, socket.string());
  }
}

StationLink* StationSet::Find(const std::string& name) {
  std::lock_guard<std::mutex> lock(m_mutex);
  const auto found = m_links.find(name);
  return found == m_links.end() ? nullptr : found->second.get();
}

void StationSet::StopAll() {
  std::lock_guard<std::mutex> lock(m_mutex);
  for (auto& entry : m_links) entry.second->Stop();
}
