#include "WebService.h"

#include <httplib.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "ChangeRequest.h"
#include "JsonReader.h"
#include "OperatorToken.h"
#include "StationBoard.h"
#include "StationSet.h"
#include "WebJson.h"
#include "WebLog.h"

namespace {

constexpr char kJson[] = "application/json";
constexpr char kTokenHeader[] = "X-Tavrion-Token";
// The page loads its own script, style and nothing else, and no other page
// may frame it (its buttons are the operator's).
constexpr char kPagePolicy[] =
    "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' data:; "
    "connect-src 'self'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'";

// The library's own thread pool type is replaced by ours (its queue would
// grow without bound); it is handed a queue that forwards to the pool.
class PoolQueue : public httplib::TaskQueue {
 public:
  explicit PoolQueue(ConnectionPool& pool) : m_pool(pool) {}
  void enqueue(std::function<void()> fn) override { m_pool.Take(std::move(fn)); }
  void shutdown() override { m_pool.Finish(); }

 private:
  ConnectionPool& m_pool;
};

// The listening socket: the address may be taken again at once after a
// restart, and a connection reaches a thread only once it has sent
// something (one that sends nothing holds none).
void ListeningOptions(socket_t sock) {
  int on = 1;
  setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  int seconds = WebService::kIoSeconds;
  setsockopt(sock, IPPROTO_TCP, TCP_DEFER_ACCEPT, &seconds, sizeof seconds);
}

// The words of the statuses the library answers by itself.
const char* StatusWords(int status) {
  switch (status) {
    case 400:
      return "the request is malformed";
    case 404:
      return "nothing is served here";
    case 405:
      return "not served with this method";
    case 413:
      return "the request's body is over 4 KiB";
    case 414:
      return "the request's address is too long";
    case 416:
      return "the range asked for is not there";
    default:
      return "the request could not be served";
  }
}

void Answer(httplib::Response& res, int status, const std::string& json) {
  res.status = status;
  res.set_content(json, kJson);
}

}  // namespace

WebService::WebService(const Setup& setup, std::map<std::string, PageFile> files,
                       const OperatorToken& token, StationBoard& board, StationSet& stations,
                       WebLog& log)
    : m_setup(setup),
      m_files(std::move(files)),
      m_token(token),
      m_board(board),
      m_stations(stations),
      m_log(log),
      m_pool(setup.browsers + kOtherWorkers, kMostWaiting),
      m_server(std::make_unique<httplib::Server>()) {
  httplib::Server& server = *m_server;
  server.new_task_queue = [this] { return new PoolQueue(m_pool); };
  server.set_socket_options(ListeningOptions);
  server.set_payload_max_length(kMostBody);
  server.set_read_timeout(kIoSeconds, 0);
  server.set_write_timeout(kIoSeconds, 0);
  server.set_keep_alive_timeout(kKeepAliveSeconds);
  server.set_keep_alive_max_count(kMostRequestsPerConnection);
  server.set_tcp_nodelay(true);
  server.set_default_headers({{"X-Content-Type-Options", "nosniff"},
                              {"Referrer-Policy", "no-referrer"},
                              {"X-Frame-Options", "DENY"}});
  // Every error the library answers by itself (400, 404, 413, ...) says so
  // in JSON, as ours do.
  server.set_error_handler(
      httplib::Server::HandlerWithResponse([](const httplib::Request&, httplib::Response& res) {
        if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
        res.set_content(JsonRefusal(StatusWords(res.status)), kJson);
        return httplib::Server::HandlerResponse::Handled;
      }));
  Route();
}

WebService::~WebService() {
  Stop();
  m_pool.Finish();
}

void WebService::Route() {
  httplib::Server& server = *m_server;
  for (const auto& file : m_files) {
    const PageFile* page = &file.second;
    const bool html = file.first == "/";
    server.Get(file.first, [page, html](const httplib::Request&, httplib::Response& res) {
      res.set_header("Cache-Control", "no-cache");
      if (html) res.set_header("Content-Security-Policy", kPagePolicy);
      res.set_content(page->body, page->type);
    });
  }
  server.Get("/api/stations",
             [this](const httplib::Request&, httplib::Response& res) { Stations(res); });
  server.Get("/api/events",
             [this](const httplib::Request& req, httplib::Response& res) { Events(req, res); });
  const char* change = R"(/api/stations/([^/]+)/command)";
  server.Post(change,
              [this](const httplib::Request& req, httplib::Response& res) { Change(req, res); });
  server.Get(change, [](const httplib::Request&, httplib::Response& res) {
    res.set_header("Allow", "POST");
    Answer(res, 405, JsonRefusal("a change is a POST"));
  });
}

bool WebService::Bind(std::string* error) {
  errno = 0;
  if (m_server->bind_to_port(m_setup.host, m_setup.port)) return true;
  *error = errno != 0 ? std::strerror(errno) : "cannot listen there";
  return false;
}

bool WebService::Serve() {
  return m_server->listen_after_bind();
}

void WebService::Stop() {
  // The accepting thread may wait for room in the pool: it must come back
  // to see the listening socket closed.
  m_pool.Release();
  m_server->stop();
}

void WebService::Stations(httplib::Response& res) const {
  res.set_header("Cache-Control", "no-store");
  const std::string lookingIn = m_setup.lookingIn.empty() ? "null" : JsonQuoted(m_setup.lookingIn);
  Answer(res, 200,
         std::string("{\"changes\":") + (m_token.IsSet() ? "true" : "false") +
             ",\"looking_in\":" + lookingIn + "," + m_board.StationsJson() + "}");
}

void WebService::Events(const httplib::Request& req, httplib::Response& res) {
  std::shared_ptr<StationBoard::Subscriber> subscriber = m_board.Subscribe();
  if (!subscriber) {
    res.set_header("Retry-After", "10");
    Answer(res, 503,
           JsonRefusal("the page is served live to " + std::to_string(m_setup.browsers) +
                       " browsers at once: try again later"));
    return;
  }
  const std::string address = req.remote_addr;
  res.set_header("Cache-Control", "no-store");
  res.set_chunked_content_provider(
      "text/event-stream",
      [this, subscriber](std::size_t, httplib::DataSink& sink) {
        std::string text;
        if (!m_board.Next(*subscriber, &text, kHeartbeatMs)) return false;
        // A comment now and then: a browser gone without a word is found
        // out by the write that fails.
        if (text.empty()) text = ": still here\n\n";
        return sink.write(text.data(), text.size());
      },
      [this, subscriber, address](bool) {
        if (m_board.WasDropped(*subscriber)) {
          m_log.Say("browser " + address + " dropped: it fell 256 KiB behind the stations' lines");
        }
        m_board.Unsubscribe(subscriber);
      });
}

std::string WebService::ChangeRefusal(const httplib::Request& req, int* status) const {
  *status = 403;
  const std::string host = req.get_header_value("Host");
  if (host.empty()) return "a change must name the server in its Host header";
  if (req.has_header("Origin") && req.get_header_value("Origin") != "http://" + host) {
    return "a change from another page (" + req.get_header_value("Origin").substr(0, 100) +
           ") is refused";
  }
  const std::string site = req.get_header_value("Sec-Fetch-Site");
  if (!site.empty() && site != "same-origin" && site != "none") {
    return "a change from another page (" + site.substr(0, 20) + ") is refused";
  }
  if (!m_token.IsSet()) {
    return "changes are off: tavrion-web was started without --token-file, the page only "
           "watches";
  }
  *status = 401;
  if (!req.has_header(kTokenHeader)) return "a change needs the operator's token";
  if (!m_token.Matches(req.get_header_value(kTokenHeader))) {
    return "the operator's token is wrong";
  }
  *status = 415;
  if (req.get_header_value("Content-Type").compare(0, 16, kJson) != 0) {
    return "a change is sent as application/json";
  }
  return std::string();
}

void WebService::Change(const httplib::Request& req, httplib::Response& res) {
  const std::string name = req.matches[1];
  const std::string from = "from " + req.remote_addr;
  int status = 0;
  std::string refusal = ChangeRefusal(req, &status);
  std::string line;
  if (refusal.empty() && !ReadChangeRequest(req.body, &line, &refusal)) status = 400;
  StationLink* station = refusal.empty() ? m_stations.Find(name) : nullptr;
  if (refusal.empty() && station == nullptr) {
    status = 404;
    refusal = "no station '" + name.substr(0, 64) + "' is served here";
  }
  if (!refusal.empty()) {
    m_log.Say("change " + from + " refused (" + std::to_string(status) + "): " + refusal);
    if (status == 401) res.set_header("WWW-Authenticate", "X-Tavrion-Token");
    Answer(res, status, JsonRefusal(refusal));
    return;
  }
  const StationAnswer answer = station->Send(line);
  JsonValue reply;
  std::string fault;
  switch (answer.kind) {
    case StationAnswer::Kind::kReplied:
      if (!ReadJson(answer.text, &reply, &fault) || reply.type != JsonValue::Type::kObject) {
        status = 502;
        Answer(res, status, JsonRefusal(name + "'s reply is not JSON: " + fault));
      } else {
        status = reply.FlagOf("ok") ? 200 : 409;
        Answer(res, status, answer.text);
      }
      break;
    case StationAnswer::Kind::kNoAnswer:
      status = 504;
      Answer(res, status, JsonRefusal(answer.text));
      break;
    default:
      status = 503;
      Answer(res, status, JsonRefusal(answer.text));
  }
  const std::string outcome = status == 200
                                  ? "done"
                                  : "refused (" + std::to_string(status) +
                                        "): " + (status == 409 ? reply.TextOf("error") : res.body);
  m_log.Say(name + ": " + line + " " + from + ": " + outcome);
}
