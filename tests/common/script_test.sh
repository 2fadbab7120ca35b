# Shared by the shell tests:
#   source "$src/tests/common/script_test.sh"
# Named checks, a scratch folder, the programs a test starts (each ends with
# the test), a skip for a test that cannot have what it needs, and the demo
# flight and ViewSync monitors of the end-to-end tests. The tests pass or
# fail on counts, texts and order; the waits below are only guards against a
# program that hangs.
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib.sh"

# check DESCRIPTION COMMAND...: runs the command, prints "ok:" or "FAILED:"
# with the description; a failure sets fail=1, which the test exits with.
fail=0
check() {
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; fail=1; fi
}

# give_up DESCRIPTION [LOG...]: a step the rest of the test needs failed:
# says so, shows the logs (names in the scratch folder) and ends the test.
give_up() {
  echo "FAILED: $1"
  shift
  show_logs "$@"
  exit 1
}

# skip REASON: ends the test as skipped (CTest's SKIP_RETURN_CODE 77).
skip() {
  echo "skipped: $1"
  exit 77
}

# The test uses the station's own ports and segment: it runs only in views
# of its own (tests/common/private-view.sh), and is skipped anywhere else.
require_private_view() {
  [ "${TAVRION_PRIVATE_VIEW:-}" = 1 ] ||
    skip "${TAVRION_NO_PRIVATE_VIEW:-not run in a private view (tests/common/private-view.sh)}"
}

# A scratch folder; it and every program in `pids` go when the test ends.
scratch=$(mktemp -d)
pids=()
end_test() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$scratch"
}
trap end_test EXIT

# start_program NAME COMMAND...: runs the command in the background with
# its output in $scratch/NAME.log; its pid in started_pid.
start_program() {
  local name=$1
  shift
  "$@" >"$scratch/$name.log" 2>&1 &
  started_pid=$!
  pids+=("$started_pid")
}

# stop_program PID [SIGNAL]: sends the signal (none: the program is ending
# by itself) and waits for the end; the program's exit status, 124 when it
# hung and was killed.
stop_program() {
  [ -z "${2:-}" ] || kill "-$2" "$1" 2>/dev/null
  wait_with_timeout 60 "$1"
}

# show_logs NAME...: the last lines of the named files in the scratch folder.
show_logs() {
  local name
  for name in "$@"; do
    echo "--- $name (last 20 lines)"
    tail -n 20 "$scratch/$name" 2>/dev/null
  done
}

# finish_test [LOG...]: shows the logs when a check failed; ends the test
# with its result.
finish_test() {
  [ "$fail" -eq 0 ] || show_logs "$@"
  exit "$fail"
}

# --- the demo flight and its receivers ---------------------------------------

# start_demo_flight BIN DISPLAY_NUMBER: a working folder $scratch/work seeded
# with the sample offsets, Xvfb, and visim flying its demo into the view's
# own segment (its pid in visim_pid).
start_demo_flight() {
  local bin=$1
  mkdir "$scratch/work"
  cp "$src/config/Offsets.dat" "$scratch/work/"
  start_xvfb "$2" || give_up "Xvfb did not start"
  pids+=("$xvfb_pid")
  start_program visim "$bin/visim" --demo --rate 60
  visim_pid=$started_pid
  wait_for 30 "$bin/visim" --dump >/dev/null 2>&1 || give_up "visim did not create the segment" visim.log
}

# start_monitor BIN ADDRESS NAME [OPTION...]: a ViewSync monitor on
# ADDRESS:7001 that records into $scratch/NAME.csv and prints to
# $scratch/NAME.log; its pid in monitor_pid.
start_monitor() {
  local bin=$1 address=$2 name=$3
  shift 3
  start_program "$name" "$bin/viewsync-monitor" --bind "$address" --port 7001 --duration 600 \
    --csv "$scratch/$name.csv" "$@"
  monitor_pid=$started_pid
  wait_for 30 grep -qs '^listening on ' "$scratch/$name.log" || give_up "monitor on $address" "$name.log"
}

# segment_users BIN: the user count of the view's segment.
segment_users() { "$1/visim" --dump | sed -n 's/^user_count=//p'; }

# rows NAME: the well-formed datagrams in $scratch/NAME.csv so far (the
# monitor writes its record out once a second).
rows() { cat "$scratch/$1.csv" 2>/dev/null | awk -F, '$4 == "ok" { n++ } END { print n + 0 }'; }
# at_least NAME N: whether NAME's record holds N datagrams.
at_least() { [ "$(rows "$1")" -ge "$2" ]; }
# has_counter NAME N: whether NAME's record holds the datagram with counter N.
has_counter() { grep -q ",ok,$2," "$scratch/$1.csv" 2>/dev/null; }
# summary_field NAME FIELD: a figure of the monitor's closing line
# ("received N malformed M gaps G ... first F last L").
summary_field() {
  tail -n 1 "$scratch/$1.log" | awk -v name="$2" '{ for (i = 1; i < NF; i++) if ($i == name) print $(i + 1) }'
}
# last_counter_sent: the counter the station's close-down left in its working folder.
last_counter_sent() { grep -v '^#' "$scratch/work/ViewSyncCounter.txt"; }
