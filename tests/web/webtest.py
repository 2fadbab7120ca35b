"""Shared by the tests of tavrion-web: named checks, a scratch folder, the
programs a test starts (each ends with the test), a skip for a test that
cannot have what it needs, a headless station with its control socket in a
run folder of the test's own, and HTTP to the web server on 127.0.0.1.

The tests pass or fail on statuses, texts and counts; the waits are only
guards against a program that hangs (wait_for polls until a deadline)."""

import atexit
import http.client
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import urllib.error
import urllib.request

SEGMENT = "WebTest"
PORT = 8470
BASE = "http://127.0.0.1:%d" % PORT


class Test:
    def __init__(self, bin_folder, src_folder):
        self.bin = bin_folder
        self.src = src_folder
        self.failed = False
        self.scratch = tempfile.mkdtemp(prefix="tavrion-web-test.")
        self.programs = []
        self.run_folder = os.path.join(self.scratch, "run")
        os.mkdir(self.run_folder)
        # The programs and the folder go however the test ends: a failure
        # that raises, or CTest's SIGTERM at its time-out, too.
        atexit.register(self.end)
        signal.signal(signal.SIGTERM, lambda number, frame: sys.exit(1))

    # --- checks ---------------------------------------------------------

    def check(self, what, ok):
        print(("ok: " if ok else "FAILED: ") + what, flush=True)
        if not ok:
            self.failed = True
        return ok

    def soon(self, what, seconds, predicate, shown=None):
        """A check that may take a while to come true: polled until the
        deadline; `shown` (called after the wait) tells what was seen."""
        ok = wait_for(seconds, predicate)
        return self.check(what + (" (%s)" % shown() if shown else ""), ok)

    def give_up(self, what, *logs):
        print("FAILED: " + what, flush=True)
        self.failed = True
        self.finish(*logs)

    def skip(self, reason):
        print("skipped: " + reason, flush=True)
        self.end()
        sys.exit(77)

    def require_private_view(self):
        if os.environ.get("TAVRION_PRIVATE_VIEW") != "1":
            self.skip(os.environ.get("TAVRION_NO_PRIVATE_VIEW",
                                     "not run in a private view (tests/common/private-view.sh)"))

    # --- programs -------------------------------------------------------

    def start(self, name, args, env=None):
        """Starts a program with its output in the scratch folder's NAME.log."""
        log = open(os.path.join(self.scratch, name + ".log"), "wb")
        program = subprocess.Popen(args, stdout=log, stderr=subprocess.STDOUT,
                                   env=dict(os.environ, **(env or {})))
        log.close()
        self.programs.append(program)
        return program

    def stop(self, program, sig=signal.SIGTERM):
        """Ends a program with the signal; its exit status (None: it hung and was killed)."""
        if program.poll() is None:
            program.send_signal(sig)
        try:
            return program.wait(timeout=60)
        except subprocess.TimeoutExpired:
            program.kill()
            program.wait()
            return None

    def run(self, args, env=None):
        """Runs a program to its end: (status, standard output, standard error)."""
        done = subprocess.run(args, capture_output=True, text=True, timeout=60,
                              env=dict(os.environ, **(env or {})))
        return done.returncode, done.stdout, done.stderr

    def log(self, name):
        try:
            with open(os.path.join(self.scratch, name), errors="replace") as text:
                return text.read()
        except OSError:
            return ""

    def end(self):
        """Every program started is ended and the scratch folder removed
        (once; later calls find nothing to do)."""
        for program in self.programs:
            if program.poll() is None:
                program.kill()
                program.wait()
        shutil.rmtree(self.scratch, ignore_errors=True)

    def finish(self, *logs):
        if self.failed:
            for name in logs:
                print("--- %s (last 20 lines)" % name)
                print("\n".join(self.log(name).splitlines()[-20:]))
        self.end()
        sys.exit(1 if self.failed else 0)

    # --- the station and the web server -----------------------------------

    def start_station(self, name="left"):
        """A headless station whose simulator holds still at EGLL, sending
        to 127.0.0.1:7001, its control socket at RUN/NAME/control; its
        working folder (Offsets.dat) at SCRATCH/work."""
        work = os.path.join(self.scratch, "work")
        if not os.path.isdir(work):
            os.mkdir(work)
            shutil.copy(os.path.join(self.src, "config", "Offsets.dat"), work)
            status, _, error = self.run([os.path.join(self.bin, "visim"), "--segment", SEGMENT,
                                         "--set", "lat=51.4775", "--set", "lon=-0.4614",
                                         "--set", "altitude_m=30", "--set", "height_agl_m=5",
                                         "--set", "heading=270", "--set", "airport=EGLL"])
            if status != 0:
                self.give_up("visim could not write the segment: " + error)
        folder = os.path.join(self.run_folder, name)
        os.makedirs(folder, exist_ok=True)
        return self.start("station-" + name,
                          [os.path.join(self.bin, "tavrion"), "--headless", "-s", SEGMENT,
                           "-C", work, "-d", "127.0.0.1",
                           "--control", os.path.join(folder, "control")])

    def write_token(self, token="a-token-of-the-operator-0123456789"):
        path = os.path.join(self.scratch, "token")
        with open(path, "w") as file:
            file.write(token + "\n")
        os.chmod(path, 0o600)
        return path

    def start_web(self, *options, name="web", base=BASE, env=None):
        """tavrion-web on 127.0.0.1:8470 (unless the options say otherwise)
        with the page from the source tree, looking in the test's run folder."""
        web = self.start(name, [os.path.join(self.bin, "tavrion-web"),
                                "--page-folder",
                                os.path.join(self.src, "tools", "tavrion-web", "page")] +
                         list(options),
                         env=dict({"TAVRION_RUN_DIRECTORY": self.run_folder}, **(env or {})))
        if not wait_for(30, lambda: get_status("/api/stations", base)[0] == 200 or web.poll() is not None):
            self.give_up("tavrion-web did not answer", name + ".log")
        if web.poll() is not None:
            self.give_up("tavrion-web ended at once", name + ".log")
        return web


def wait_for(seconds, predicate, every=0.1):
    """Polls until the predicate holds; False when the deadline passed."""
    deadline = time.monotonic() + seconds
    while True:
        if predicate():
            return True
        if time.monotonic() >= deadline:
            return False
        time.sleep(every)


def request(method, path, body=None, headers=None, base=BASE):
    """(status, headers, body text); status 0 when nothing answered."""
    data = body.encode() if isinstance(body, str) else body
    req = urllib.request.Request(base + path, data=data, method=method, headers=headers or {})
    try:
        with urllib.request.urlopen(req, timeout=15) as reply:
            return reply.status, reply.headers, reply.read().decode(errors="replace")
    except urllib.error.HTTPError as error:
        return error.code, error.headers, error.read().decode(errors="replace")
    except (OSError, http.client.HTTPException):
        return 0, {}, ""


def get_status(path, base=BASE):
    status, _, text = request("GET", path, base=base)
    return status, text


def stations(base=BASE):
    """The server's list of stations by name (empty when it did not answer)."""
    status, text = get_status("/api/stations", base)
    if status != 200:
        return {}
    return {station["name"]: station for station in json.loads(text)["stations"]}


def station_status(name="left", base=BASE):
    """The station's last status object, or {} while it is not watched."""
    return stations(base).get(name, {}).get("status") or {}


def change(name, command, arguments=(), token=None, headers=None, base=BASE):
    """Posts a change as the page does: (status, reply object)."""
    sent = {"Content-Type": "application/json"}
    if token is not None:
        sent["X-Tavrion-Token"] = token
    sent.update(headers or {})
    status, _, text = request("POST", "/api/stations/%s/command" % name,
                              json.dumps({"command": command, "arguments": list(arguments)}),
                              sent, base)
    try:
        return status, json.loads(text)
    except ValueError:
        return status, {"unreadable": text}


class EventStream:
    """A browser's event stream (/api/events), read message by message."""

    def __init__(self, port=PORT):
        self.connection = http.client.HTTPConnection("127.0.0.1", port, timeout=10)
        try:
            self.connection.request("GET", "/api/events")
            self.response = self.connection.getresponse()
            self.status = self.response.status
        except (OSError, http.client.HTTPException):
            self.response = None
            self.status = 0

    def next(self):
        """The next message as (event, data object); None at the stream's end
        or when nothing came for 10 s."""
        event, data = None, []
        try:
            while self.response is not None:
                line = self.response.readline()
                if not line:
                    return None
                line = line.decode(errors="replace").rstrip("\r\n")
                if line == "":
                    if data:
                        return event, json.loads("\n".join(data))
                    event = None
                    continue
                name, _, value = line.partition(":")
                value = value[1:] if value.startswith(" ") else value
                if name == "event":
                    event = value
                elif name == "data":
                    data.append(value)
        except (OSError, ValueError, http.client.HTTPException):
            return None
        return None

    def until(self, seconds, predicate):
        """Reads until a message fulfils predicate(event, data); that message,
        or None when the stream ended or the deadline passed."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            message = self.next()
            if message is None:
                return None
            if predicate(*message):
                return message
        return None

    def close(self):
        self.connection.close()


def is_status_of(name):
    return lambda event, data: (event == "line" and data["station"] == name and
                                data["line"].get("event") == "status")


def is_state_of(name, state):
    return lambda event, data: (event == "station" and data["station"] == name and
                                data["state"] == state)
