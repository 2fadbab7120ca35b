#!/usr/bin/env bash
# A Google Earth that keeps running while the station is restarted: one
# ViewSync monitor listens across three runs of the station in the same
# working folder (closed normally, then killed outright, then closed again).
# Google Earth drops every datagram whose counter is not above the highest it
# has seen, so the monitor must never see the counter go backwards, and each
# run must start above the last counter of the run before. Runs in private
# network, /dev/shm and X socket views (see tests/common/private-view.sh).
#   e2e_restart.sh <bin folder> <source folder>
set -u
bin=$1
src=$2
source "$src/tests/common/script_test.sh"
require_private_view

start_demo_flight "$bin" 85
start_monitor "$bin" 127.0.0.1 viewsync

# run_station NUMBER SIGNAL: runs the station until some 90 more datagrams
# arrived, then ends it with the signal; the status of the station.
run_station() {
  local before
  before=$(rows viewsync)
  start_program "station-$1" "$bin/tavrion" -C "$scratch/work" -d 127.0.0.1 --connect
  check "run $1 sent 90 datagrams" wait_for 120 at_least viewsync $((before + 90))
  stop_program "$started_pid" "$2"
}

run_station 1 TERM
first_status=$?
run_station 2 KILL
run_station 3 TERM
last_status=$?
# The last run's close-down left its last counter in the file; the monitor
# has read everything once that datagram is in its record.
stored=$(last_counter_sent)
check "the monitor got the last counter sent, $stored" wait_for 60 has_counter viewsync "$stored"
stop_program "$monitor_pid" TERM

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

finish_test station-1.log station-2.log station-3.log work/QM_RT_LAN_Log.txt viewsync.log
