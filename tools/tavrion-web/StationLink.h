#pragma once
// One station as tavrion-web reaches it through its control socket: one
// `watch` connection, kept by a thread of its own, whose every line goes to
// the board (and from there to every browser), taken up again with a
// growing pause (a quarter of a second, doubling to two seconds) whenever
// the station is not there, ends, refuses or falls silent; and the
// browsers' changes, each over a short connection of its own, one at a time,
// so that a reply always belongs to its command. The station therefore
// serves at most two of its client places to tavrion-web, however many
// browsers look.

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

class StationBoard;
class WebLog;

// What became of a command sent to the station.
struct StationAnswer {
  enum class Kind {
    kReplied,   // text: the station's reply line
    kNotThere,  // text: why it could not be reached
    kNoAnswer,  // text: it did not answer in time
    kBusy,      // text: another change still waits for its answer
  };
  Kind kind = Kind::kNotThere;
  std::string text;
};

class StationLink {
 public:
  // How long a command's answer may take; a watch without a line for
  // kSilentMs is taken up again (the station sends its status every second).
  static constexpr int kReplyMs = 5000;
  static constexpr int kSilentMs = 5000;
  static constexpr int kFirstRetryMs = 250;
  static constexpr int kMostRetryMs = 2000;

  StationLink(std::string name, std::string socket, StationBoard& board, WebLog& log);
  ~StationLink();  // Stop()
  StationLink(const StationLink&) = delete;
  StationLink& operator=(const StationLink&) = delete;

  const std::string& Name() const { return m_name; }
  const std::string& Socket() const { return m_socket; }

  // Starts the watch's thread; Stop() ends it (and waits for it).
  void Start();
  void Stop();

  // One command line (without its newline) and the station's answer.
  StationAnswer Send(const std::string& line);

 private:
  enum class Read { kLine, kClosed, kSilent, kTooLong, kStopped };

  void Watch();
  // One watch connection until it ends; whether the station was watched,
  // and why it ended.
  bool WatchOnce(std::string* reason);
  Read ReadLine(int fd, std::string& pending, std::string* line, int silentMs);
  void Down(const std::string& reason);
  bool Stopping();
  // Waits the pause, or less when stopped; false when stopped.
  bool Pause(int milliseconds);

  const std::string m_name;
  const std::string m_socket;
  StationBoard& m_board;
  WebLog& m_log;
  std::thread m_thread;
  std::mutex m_stopMutex;
  std::condition_variable m_stopWake;
  bool m_stopping;
  std::timed_mutex m_commandMutex;
  // The watch thread's own: what it last told, and whether the station ended.
  std::string m_told;
  bool m_ended;
};
