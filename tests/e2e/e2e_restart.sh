#!/usr/bin/env bash
# A Google Earth that keeps running while the station is restarted: one
# ViewSync monitor listens across three runs of the station in the same
# working folder (closed normally, then killed outright, then closed again).
# Google Earth drops every datagram whose counter is not above the highest it
# has seen, so the monitor must never see the counter go backwards, and each
# run must start above the last counter of the run before. Runs in private
# network, /dev/shm and X socket views (see tests/gui/netns-run.sh).
#   e2e_restart.sh <bin folder> <source folder>
set -u
bin=$1
src=$2
source "$src/scripts/lib.sh"
source "$src/tests/common/checks.sh"
source "$src/tests/common/demo_flight.sh"

start_demo_flight "$bin" 85
start_monitor "$bin" 127.0.0.1 viewsync

# run_station SIGNAL: runs the station until some 90 more datagrams (3 s)
# arrived, then ends it with the signal; the status of the station.
run_station() {
  local before
  before=$(rows viewsync)
  "$bin/tavrion" -C "$scratch/work" -d 127.0.0.1 --connect >>"$scratch/station.log" 2>&1 &
  local pid=$!
  pids+=("$pid")
  wait_for 30 at_least viewsync $((before + 90)) || echo "note: the run sent only $(($(rows viewsync) - before)) datagrams"
  kill "-$1" "$pid"
  wait_with_timeout 10 "$pid"
}

run_station TERM
first_status=$?
run_station KILL
run_station TERM
last_status=$?
# The last run's close-down left its last counter in the file; the monitor
# has read everything once that datagram is in its record.
stored=$(grep -v '^#' "$scratch/work/ViewSyncCounter.txt")
wait_for 5 has_counter viewsync "$stored" || echo "note: $stored never arrived"
kill -TERM "$monitor_pid"
wait "$monitor_pid" 2>/dev/null

backwards=$(grep -o 'backwards [0-9]*' "$scratch/viewsync.log" | tail -n 1)
# Counters in arrival order: one step up within a run, a jump between runs.
awk -F, 'NR > 1 && $4 == "ok" {
    c = $5 + 0
    if (n++ == 0) { print "first", c }
    else if (c <= last) back++
    else if (c > last + 1) { jumps++; print "run", jumps + 1, "starts", c, "after", last }
    last = c
  }
  END { print "backwards", back + 0; print "jumps", jumps + 0; print "last", last }' \
  "$scratch/viewsync.csv" >"$scratch/runs.txt"
cat "$scratch/runs.txt"
value() { awk -v name="$1" '$1 == name { print $2 }' "$scratch/runs.txt"; }

check "the normally closed runs ended with status 0 ($first_status, $last_status)" \
  [ "$first_status" -eq 0 -a "$last_status" -eq 0 ]
check "the monitor saw the counter go backwards never ($backwards)" [ "$backwards" = "backwards 0" ]
check "the first run started at 1510" [ "$(value first)" = 1510 ]
check "in arrival order no counter is at or below an earlier one" [ "$(value backwards)" = 0 ]
check "each restart started above the run before: two jumps forward" [ "$(value jumps)" = 2 ]
check "the last run's close-down left its last counter in the file ($stored)" [ "$stored" = "$(value last)" ]

if [ "$fail" -ne 0 ]; then
  echo "--- station log"; cat "$scratch/station.log"
  echo "--- LAN log"; cat "$scratch/work/QM_RT_LAN_Log.txt"
  echo "--- monitor log (last 5 lines)"; tail -n 5 "$scratch/viewsync.log"
fi
exit "$fail"
