#pragma once
// The stations tavrion-web serves: those named on its command line, or
// those of the machine, found by their control sockets in the run folder
// (/run/tavrion/INSTANCE/control, as systemd's tavrion@INSTANCE makes
// them) and looked for again now and then, so that a station started later
// appears. A station once found stays on the page: one that stops is shown
// as not running until it is back.

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "StationLink.h"

class StationBoard;
class WebLog;

class StationSet {
 public:
  // More stations than this on one machine is no visual computer's.
  static constexpr int kMostStations = 32;

  StationSet(StationBoard& board, WebLog& log) : m_board(board), m_log(log) {}
  ~StationSet();  // StopAll()
  StationSet(const StationSet&) = delete;
  StationSet& operator=(const StationSet&) = delete;

  // A station and its socket, watched from now on; a name already there is
  // left as it is.
  void Add(const std::string& name, const std::string& socket);
  // Adds every INSTANCE/control socket of the folder not yet known.
  void Look(const std::string& runFolder);
  // The station of that name; null for none. Valid until StopAll().
  StationLink* Find(const std::string& name);
  void StopAll();

 private:
  StationBoard& m_board;
  WebLog& m_log;
  std::mutex m_mutex;
  std::map<std::string, std::unique_ptr<StationLink>> m_links;
  std::set<std::string> m_passedOver;  // told once: names not taken
};

// Whether `name` may name a station: 1 to 64 of A-Z a-z 0-9 . _ - @ : (a
// systemd instance name as the run folder holds it; it goes into the page's
// addresses).
bool IsStationName(const std::string& name);
