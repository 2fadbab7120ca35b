#pragma once
// The HTTP side of tavrion-web (Debian's cpp-httplib): the page's files,
// the stations' list, the live event stream, and the changes.
//
//   GET  /, /page.css, /page.js       the page
//   GET  /api/stations                {"changes":..,"looking_in":..,"stations":[..]}
//   GET  /api/events                  the event stream (StationBoard.h)
//   POST /api/stations/NAME/command   a change, {"command":..,"arguments":[..]},
//                                     Content-Type application/json, the token
//                                     in X-Tavrion-Token
//
// A change is refused with 403 when it comes from another page (its Origin
// is not this server's own, as its Host names it) or changes are off (no
// token file), 401 without the right token, 415 when it is no JSON, 400
// when it is no change, 404 for an unknown station, 405 as a GET; the
// station's own refusal is 409 with the station's reply, 503 when the
// station is not there, 504 when it did not answer. Every change asked for
// is a line in the log with the browser's address.
//
// Bounds: a request's body at most 4 KiB (413 beyond), 5 s to read or write
// any part of a request or reply, a connection kept for at most 20 requests
// and 5 idle seconds, `browsers` event streams (503 beyond) and as many
// threads plus 16 for everything else, a connection waiting for a thread
// only while 64 wait (ConnectionPool.h). A browser's stream that falls
// behind by 256 KiB is ended.

#include <map>
#include <memory>
#include <string>

#include "ConnectionPool.h"
#include "PageFiles.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

class OperatorToken;
class StationBoard;
class StationSet;
class WebLog;

class WebService {
 public:
  static constexpr std::size_t kMostBody = 4096;
  static constexpr int kIoSeconds = 5;
  static constexpr int kKeepAliveSeconds = 5;
  static constexpr int kMostRequestsPerConnection = 20;
  static constexpr int kOtherWorkers = 16;
  static constexpr int kMostWaiting = 64;
  static constexpr std::size_t kMostQueuedBytes = 256 * 1024;
  static constexpr int kHeartbeatMs = 15000;

  struct Setup {
    std::string host;
    int port = 0;
    int browsers = 0;
    std::string lookingIn;  // the run folder looked in; empty with --station
  };

  WebService(const Setup& setup, std::map<std::string, PageFile> files, const OperatorToken& token,
             StationBoard& board, StationSet& stations, WebLog& log);
  ~WebService();
  WebService(const WebService&) = delete;
  WebService& operator=(const WebService&) = delete;

  // Binds the listening socket; false with the system's reason.
  bool Bind(std::string* error);
  // Serves on the calling thread until Stop(); false when the listening
  // socket failed instead.
  bool Serve();
  void Stop();

 private:
  void Route();
  void Stations(httplib::Response& res) const;
  void Events(const httplib::Request& req, httplib::Response& res);
  void Change(const httplib::Request& req, httplib::Response& res);
  // The reason a change must not be taken from this request; empty: none.
  std::string ChangeRefusal(const httplib::Request& req, int* status) const;

  const Setup m_setup;
  const std::map<std::string, PageFile> m_files;
  const OperatorToken& m_token;
  StationBoard& m_board;
  StationSet& m_stations;
  WebLog& m_log;
  ConnectionPool m_pool;
  std::unique_ptr<httplib::Server> m_server;
};
