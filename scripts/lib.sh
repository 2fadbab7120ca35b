# Shared by scripts/test, scripts/run and the shell tests (tests/common/script_test.sh).

tavrion_packages=(build-essential cmake libgtest-dev libgmock-dev libbenchmark-dev
  libwxgtk3.2-dev libglib2.0-dev pkg-config libx11-dev libxtst-dev xvfb xdotool x11-utils
  clang libclang-rt-14-dev iproute2 util-linux locales imagemagick git help2man dpkg-dev file
  libxml2-utils lintian gnuplot-nox python3 libsystemd-dev systemd
  libcpp-httplib-dev chromium chromium-driver python3-selenium)

# Installs the Debian packages the build and tests need; updates the package
# lists only when something is missing. apt's own output goes to a log, shown
# when it fails; the terminal gets a line now and then, so that a long
# installation shows how far it has come.
install_packages() {
  local missing=() package
  for package in "${tavrion_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$package")
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  echo "== installing ${#missing[@]} packages: ${missing[*]}"
  local sudo= log result=0
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  log=$(mktemp "${TMPDIR:-/tmp}/tavrion-apt.XXXXXX")
  echo "   updating the package lists"
  $sudo apt-get update >"$log" 2>&1 || result=$?
  if [ "$result" -eq 0 ]; then
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends \
      -o Dpkg::Use-Pty=0 "${missing[@]}" 2>&1 | tee -a "$log" | apt_progress ||
      result=${PIPESTATUS[0]}
  fi
  if [ "$result" -ne 0 ]; then
    echo "== installing failed (apt-get status $result); the end of its output:"
    tail -n 30 "$log"
  fi
  rm -f "$log"
  return "$result"
}

# apt_progress: apt-get install's output, shortened: how many packages it
# brings in with their dependencies, then every tenth downloaded and set up.
apt_progress() {
  awk '/ newly installed/ { total = $3; print "   " total " packages with their dependencies"; fflush() }
       /^Get:/ { if (++got % 10 == 0 || got == total) { printf "   downloaded %d of %d\n", got, total; fflush() } }
       /^Setting up / { if (++done % 10 == 0 || done == total) { printf "   set up %d of %d\n", done, total; fflush() } }'
}

# A comma-decimal locale, so the tests can show that numbers in the station's
# texts never follow the desktop's locale.
install_test_locale() {
  if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    localedef -i de_DE -f UTF-8 de_DE.UTF-8 >/dev/null 2>&1 || echo "note: could not generate de_DE.UTF-8"
  fi
}

# The station sends to the address its host name resolves to (IPv4, first).
station_host_address() {
  getent ahostsv4 "$(hostname)" 2>/dev/null | awk 'NR == 1 { print $1 }' | grep . || echo 127.0.0.1
}

# wait_for SECONDS COMMAND...: runs the command every 0.1 s until it succeeds.
wait_for() {
  local deadline=$((SECONDS + $1))
  shift
  until in_background "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    in_background sleep 0.1
  done
}

# in_background COMMAND...: runs the command as a job of its own and waits
# for it with the wait builtin. A script with a trap on Ctrl-C acts on it at
# once this way: while the shell waits for a command in the foreground, bash
# takes a Ctrl-C after which that command ends normally as handled by the
# command, and the trap never runs. The job ignores Ctrl-C itself, as every
# job started with & does here.
in_background() {
  "$@" &
  wait "$!"
}

# process_running PID: true while the process exists and has not ended (a
# process that has ended but is not yet collected counts as ended). Reads
# /proc with builtins only.
process_running() {
  local stat
  read -r stat 2>/dev/null <"/proc/$1/stat" || return 1
  stat=${stat##*) }
  case "${stat%% *}" in Z|X|'') return 1 ;; esac
}

# await_end SECONDS PID...: waits for each process to end, without the shell's
# own wait (which, in a signal's clean-up, can block for good on a child that
# has already been collected); true when all ended, false when one had to be
# killed after the time, named on standard error by its name in the
# associative array `program` where it has one.
await_end() {
  local deadline=$((SECONDS + $1)) pid result=0
  shift
  for pid in "$@"; do
    while process_running "$pid"; do
      if [ "$SECONDS" -ge "$deadline" ]; then
        kill -KILL "$pid" 2>/dev/null
        echo "${0##*/}: ${program[$pid]:-process $pid} did not end within the time and was killed" >&2
        result=1
        break
      fi
      in_background sleep 0.05
    done
  done
  return "$result"
}

# wait_with_timeout SECONDS PID: waits for a child; its status, or 124 after
# the time (the child is then killed).
wait_with_timeout() {
  if ! await_end "$1" "$2" 2>/dev/null; then
    wait "$2" 2>/dev/null
    return 124
  fi
  wait "$2"
}

# start_xvfb FIRST_NUMBER: starts Xvfb on the first free display from that
# number; sets DISPLAY and xvfb_pid. The server never resets: by default it
# resets when its last client leaves, and the readiness probe's leaving could
# then pull the display from under a station that is just connecting.
start_xvfb() {
  local number=$1
  while [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ]; do number=$((number + 1)); done
  # In a session of its own: a Ctrl-C to the caller's group must not take the
  # display away from a station that is still closing down on it; the caller
  # stops the server last.
  setsid Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$number"
  wait_for 10 xdpyinfo >/dev/null 2>&1
}

# find_station_window SECONDS: prints the id of the station's window (its
# caption starts "TVR v3 " once it is initialised) and leaves it in
# station_window.
find_station_window() {
  local deadline=$((SECONDS + $1)) ids
  ids=$(mktemp "${TMPDIR:-/tmp}/tavrion-window.XXXXXX")
  station_window=
  while [ "$SECONDS" -lt "$deadline" ]; do
    in_background xdotool search --name '^TVR v3 ' >"$ids" 2>/dev/null
    read -r station_window <"$ids"
    if [ -n "$station_window" ]; then
      rm -f "$ids"
      echo "$station_window"
      return 0
    fi
    in_background sleep 0.1
  done
  rm -f "$ids"
  return 1
}

# click_template WINDOW X Y: a real mouse click at a point of the dialog
# template given in dialog units (the client area is 241 x 219 units, with
# the template's 0,0 three units from its left edge).
click_template() {
  local window=$1 ux=$2 uy=$3
  local X Y WIDTH HEIGHT SCREEN
  eval "$(xdotool getwindowgeometry --shell "$window")"
  xdotool mousemove --sync "$((X + (ux + 3) * WIDTH / 241))" "$((Y + uy * HEIGHT / 219))" click 1
}

# press_connect WINDOW: clicks the middle of Connect (4, 20, 63 x 18 units).
press_connect() {
  click_template "$1" 35 29
}

# close_station WINDOW: Escape, which ends the station as the close box does.
close_station() {
  in_background xdotool windowfocus --sync "$1" 2>/dev/null || true
  in_background xdotool key Escape
}
