"""tavrion-web over HTTP on 127.0.0.1 against a real headless station and
its control socket, in private network and /dev/shm views
(tests/common/private-view.sh; skipped, 77, without them): the command
line, the stations found in the run folder, the page and the event stream,
every change with and without the token, the refusals (the station's own
passed through, the server's for another origin, a GET, a huge body, a
malformed request), the bounds (browsers served live, one watch per station
whatever the browsers, a flood of connections that costs the station
nothing), a station that goes away and comes back, and a second server,
watch-only without a token file, serving a station named with --station.

  web_http_test.py BIN_FOLDER SOURCE_FOLDER"""

import json
import os
import select
import socket
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import webtest  # noqa: E402
from webtest import (BASE, PORT, EventStream, change, get_status, is_state_of,  # noqa: E402
                     is_status_of, request, station_status, stations, wait_for)

test = webtest.Test(sys.argv[1], sys.argv[2])
test.require_private_view()
web_program = os.path.join(test.bin, "tavrion-web")
ctl_program = os.path.join(test.bin, "tavrion-ctl")
page_folder = os.path.join(test.src, "tools", "tavrion-web", "page")
BROWSERS = 4


def raw(data, port=PORT):
    """Sends bytes as they are and gives what the server answers first."""
    with socket.create_connection(("127.0.0.1", port), timeout=10) as connection:
        connection.sendall(data)
        try:
            return connection.recv(4096).decode(errors="replace")
        except OSError:
            return ""


def ctl_json(*command):
    """The station's own reply to a command, through tavrion-ctl."""
    _, out, _ = test.run([ctl_program, "--json", "--socket",
                          os.path.join(test.run_folder, "left", "control")] + list(command))
    return json.loads(out.splitlines()[0]) if out else {}


def lan_log_lines(text):
    try:
        with open(os.path.join(test.scratch, "work", "QM_RT_LAN_Log.txt"), errors="replace") as log:
            return [line.rstrip() for line in log if text in line]
    except OSError:
        return []


def proc_count(pid, what):
    if what == "threads":
        with open("/proc/%d/status" % pid) as status:
            return int([line for line in status if line.startswith("Threads:")][0].split()[1])
    return len(os.listdir("/proc/%d/fd" % pid))


# --- the command line ------------------------------------------------------------

status, out, err = test.run([web_program, "--help"])
test.check("--help prints the usage with --listen and --token-file, status 0",
           status == 0 and out.startswith("Usage: tavrion-web") and "--listen" in out and
           "--token-file" in out)
status, out, err = test.run([web_program, "--version"])
test.check("--version names the program and its version (%s)" % out.splitlines()[0],
           status == 0 and out.startswith("tavrion-web "))
for bad in (["--listen", "127.0.0.1"], ["--listen", "127.0.0.1:0"], ["--listen", "host:80"],
            ["--station", "left"], ["--station", "bad/name=/x"], ["--browsers", "0"],
            ["--frobnicate"], ["surplus"]):
    status, out, err = test.run([web_program] + bad)
    lines = err.splitlines()
    test.check("%s is a usage fault: status 2, one line and the hint (%s)" % (" ".join(bad), lines[:1]),
               status == 2 and len(lines) == 2 and lines[0].startswith("tavrion-web: ") and
               lines[1] == "Try 'tavrion-web --help' for more information.")
short_token = os.path.join(test.scratch, "short-token")
with open(short_token, "w") as file:
    file.write("short\n")
taken = socket.socket()
taken.bind(("127.0.0.1", PORT + 2))
taken.listen(1)
for options, said in (
        (["--token-file", "/nonexistent/token"], "/nonexistent/token: No such file or directory"),
        (["--token-file", short_token], short_token + ": the token's first line is 16 to 256"),
        (["--page-folder", "/nonexistent"], "/nonexistent/index.html: No such file or directory"),
        (["--listen", "127.0.0.1:%d" % (PORT + 2)], "127.0.0.1:%d: Address already in use" % (PORT + 2))):
    status, out, err = test.run([web_program, "--page-folder", page_folder] + options)
    test.check("%s cannot be used: status 1, named with the reason (%s)" % (" ".join(options), err.strip()),
               status == 1 and err.startswith("tavrion-web: " + said))
taken.close()

# --- the page, the stations, the event stream ------------------------------------

token = "http-test-token-" + "5" * 16
web = test.start_web("--token-file", test.write_token(token), "--browsers", str(BROWSERS))
listed = json.loads(get_status("/api/stations")[1])
test.check("before a station runs the list is empty and says where it looks (%s)" % listed,
           listed["stations"] == [] and listed["looking_in"] == test.run_folder and listed["changes"])

station = test.start_station()
test.soon("a station started later is found and watched", 30,
          lambda: station_status().get("counter", 0) > 0, lambda: str(stations().get("left")))

status, headers, body = request("GET", "/")
test.check("the page is served with a policy that keeps everything on this server",
           status == 200 and headers.get("Content-Type", "").startswith("text/html") and
           "default-src 'none'" in headers.get("Content-Security-Policy", "") and "page.js" in body)
for path, kind in (("/page.js", "text/javascript"), ("/page.css", "text/css")):
    status, headers, _ = request("GET", path)
    test.check("%s is served as %s" % (path, kind),
               status == 200 and headers.get("Content-Type", "").startswith(kind))

stream = EventStream()
first = stream.until(10, is_status_of("left"))
test.check("the event stream starts with the station's state and status",
           stream.status == 200 and first is not None)
second = stream.until(10, lambda event, data: is_status_of("left")(event, data) and
                      data["line"]["counter"] > first[1]["line"]["counter"])
test.check("the next status shows the counter moving",
           second is not None and second[1]["line"]["rate"] > 0)
figures = stream.until(10, lambda event, data: event == "line" and data["line"].get("event") == "figures")
test.check("the station's figures come through as it writes them (%s)" % (figures and figures[1]),
           figures is not None and "altitude" in figures[1]["line"])
stream.close()

# --- the changes, each without and with the token --------------------------------

changes = (
    ("view", ["map"], lambda s: s["view"] == "map"),
    ("view", ["forward"], lambda s: s["view"] == "forward"),
    ("map-altitude", ["2500"], lambda s: s["map_altitude"] == 2500),
    ("slew", ["on"], lambda s: s["slew"]),
    ("slew", ["off"], lambda s: not s["slew"]),
    ("trim", ["up"], lambda s: s["offset"] == 0.5),
    ("trim", ["down"], lambda s: s["offset"] == 0.0),
    ("pause", [], lambda s: not s["running"]),
    ("resume", [], lambda s: s["running"]),
    ("save", [], lambda s: True),
)
for command, arguments, done in changes:
    words = " ".join([command] + arguments)
    status, reply = change("left", command, arguments)
    test.check("%s without the token: 401, not sent to the station (%s)" % (words, reply.get("error")),
               status == 401 and "token" in reply.get("error", ""))
    status, reply = change("left", command, arguments, token)
    test.check("%s with the token: done (%s)" % (words, reply), status == 200 and reply.get("ok"))
    test.soon("and the station's status shows it", 10, lambda: done(station_status()))
logged = lan_log_lines("Control uid %d pid %d: " % (os.getuid(), web.pid))
test.check("the station logged the %d changes, no more, with tavrion-web's uid and pid (%d lines)" %
           (len(changes), len(logged)), len(logged) == len(changes))
test.check("tavrion-web logged each with the browser's address",
           "left: trim up from 127.0.0.1: done" in test.log("web.log"))
with open(os.path.join(test.scratch, "work", "Offsets.dat")) as offsets:
    test.check("save wrote Offsets.dat", any(line.startswith("EGLL|") for line in offsets))

for command, arguments in (("view", ["upward"]), ("map-altitude", ["100001"]), ("trim", ["sideways"])):
    status, reply = change("left", command, arguments, token)
    own = ctl_json(command, *arguments)
    test.check("%s: the station's refusal passed through with 409 (%s)" %
               (" ".join([command] + arguments), reply.get("error")),
               status == 409 and reply == own and own.get("ok") is False)

json_type = {"Content-Type": "application/json", "X-Tavrion-Token": token}
for what, path, body, headers, expected, said in (
        ("a wrong token", "left", {"command": "save"}, {"X-Tavrion-Token": "x" * 32}, 401, "wrong"),
        ("another origin", "left", {"command": "save"}, {"Origin": "http://elsewhere.example"}, 403,
         "another page"),
        ("another site as the browser tells", "left", {"command": "save"},
         {"Sec-Fetch-Site": "cross-site"}, 403, "another page"),
        ("a form's type", "left", {"command": "save"}, {"Content-Type": "text/plain"}, 415, "json"),
        ("no change", "left", {"command": "watch"}, {}, 400, "no change"),
        ("an argument of two words", "left", {"command": "view", "arguments": ["map now"]}, {}, 400,
         "argument"),
        ("no JSON", "left", "view map", {}, 400, "not a JSON object"),
        ("an unknown station", "right", {"command": "save"}, {}, 404, "no station 'right'"),
        ("the page's own origin", "left", {"command": "save"}, {"Origin": BASE}, 200, "")):
    sent = dict(json_type, **headers)
    text = body if isinstance(body, str) else json.dumps(body)
    status, answer_headers, answer = request("POST", "/api/stations/%s/command" % path, text, sent)
    test.check("%s: %d (%s)" % (what, expected, answer.strip()),
               status == expected and said in answer and answer.startswith("{"))
status, headers, answer = request("GET", "/api/stations/left/command")
test.check("a change as a GET: 405, POST allowed (%s)" % answer,
           status == 405 and headers.get("Allow") == "POST")
answer = raw(b"POST /api/stations/left/command HTTP/1.1\r\nHost: 127.0.0.1:8470\r\n"
             b"Content-Type: application/json\r\nContent-Length: 1048576\r\n\r\n{")
test.check("a body of 1 MiB is refused before it is read: 413 (%s)" % answer.splitlines()[:1],
           answer.startswith("HTTP/1.1 413 "))
answer = raw(b"GARBAGE\r\n\r\n")
test.check("a malformed request: 400 (%s)" % answer.splitlines()[:1], answer.startswith("HTTP/1.1 400 "))
test.check("none of these reached the station",
           len(lan_log_lines("Control uid %d pid %d: " % (os.getuid(), web.pid))) == len(changes) + 1)

# --- the bounds ------------------------------------------------------------------

browsers = [EventStream() for _ in range(BROWSERS)]
test.check("%d browsers get their event streams" % BROWSERS,
           all(b.status == 200 and b.until(10, is_status_of("left")) for b in browsers))
extra = EventStream()
test.check("one more is refused for a while: 503 (%s)" % extra.status, extra.status == 503)
extra.close()
said = subprocess.run(["ss", "-xp"], capture_output=True, text=True).stdout
watches = [line for line in said.splitlines() if "pid=%d," % web.pid in line]
test.check("%d browsers cost the station one watch: tavrion-web holds %d connection to it" %
           (BROWSERS, len(watches)), len(watches) == 1)
for browser in browsers:
    browser.close()

flood = []
for _ in range(400):
    connection = socket.socket()
    connection.setblocking(False)
    connection.connect_ex(("127.0.0.1", PORT))
    flood.append(connection)
_, writable, _ = select.select([], flood, [], 5)
for connection in writable:
    try:
        connection.send(b"GET /api/stations HTTP/1.1\r\nHost: 127.0.0.1\r\n")
    except OSError:
        pass
threads, descriptors = proc_count(web.pid, "threads"), proc_count(web.pid, "fd")
before = ctl_json("status").get("counter", 0)
test.check("under a flood of 400 slow connections the station answers its own clients",
           wait_for(10, lambda: ctl_json("status").get("counter", 0) > before))
# Its workers, the main and accepting threads, and one a station.
test.check("tavrion-web's threads stay within its bound: %d <= %d" % (threads, BROWSERS + 16 + 2 + 1),
           threads <= BROWSERS + 16 + 2 + 1)
test.check("and its descriptors: %d <= %d" % (descriptors, BROWSERS + 16 + 64 + 16),
           descriptors <= BROWSERS + 16 + 64 + 16)
for connection in flood:
    connection.close()
counter = station_status().get("counter", 0)
test.soon("after the flood the page is served and the station still watched", 30,
          lambda: station_status().get("counter", 0) > counter)

# --- a station that goes away and comes back -------------------------------------

stream = EventStream()
stream.until(10, is_status_of("left"))
test.check("the station ends with status 0", test.stop(station) == 0)
down = stream.until(15, is_state_of("left", "down"))
test.check("the browsers are told it ended (%s)" % (down and down[1]["reason"]),
           down is not None and down[1]["reason"] == "the station ended")
status, reply = change("left", "trim", ["up"], token)
test.check("a change meanwhile: 503 (%s)" % reply.get("error"),
           status == 503 and "not running" in reply.get("error", ""))
listed = stations().get("left", {})
test.check("the list shows it down, without an old status",
           listed.get("state") == "down" and listed.get("status") is None)
station = test.start_station()
test.check("started again, it is watched again", stream.until(30, is_state_of("left", "up")) is not None)
test.check("its status comes through", stream.until(10, is_status_of("left")) is not None)
status, reply = change("left", "trim", ["up"], token)
test.check("and takes a change (%s)" % reply, status == 200 and reply.get("offset") == 0.5)
stream.close()

# --- a station named on the command line, without a token file: watch only --------

other = "http://127.0.0.1:%d" % (PORT + 1)
watcher = test.start_web("--listen", "127.0.0.1:%d" % (PORT + 1), "--station",
                         "left=" + os.path.join(test.run_folder, "left", "control"),
                         name="watch-only", base=other)
test.soon("a station named with --station is watched, no run folder looked in", 30,
          lambda: station_status(base=other).get("counter", 0) > 0 and
          json.loads(get_status("/api/stations", other)[1])["looking_in"] is None)
listed = json.loads(get_status("/api/stations", other)[1])
test.check("a server without --token-file says changes are off", listed["changes"] is False)
status, reply = change("left", "save", [], token, base=other)
test.check("and refuses every change: 403 (%s)" % reply.get("error"),
           status == 403 and "changes are off" in reply.get("error", ""))
test.check("it stops on SIGTERM with status 0", test.stop(watcher) == 0)

stream = EventStream()
stream.until(10, is_status_of("left"))
test.check("tavrion-web stops on SIGTERM with status 0, a browser still connected",
           test.stop(web) == 0 and "tavrion-web: stopped" in test.log("web.log"))
stream.close()
test.finish("web.log", "station-left.log", "watch-only.log")
