#!/usr/bin/env bash
# A flight brought back to the lab: the demo flies, the station sends it to a
# receiver, and `visim --record` writes the segment down; then the record is
# replayed into a fresh segment and the station, started again, must send
# the same cameras in the same order (counters aside). The demo writes four
# frames a second, so that each eye point stands long enough for the station
# to send it in both runs. Runs in private network, /dev/shm and X socket
# views (tests/common/private-view.sh).
#   e2e_record.sh <bin folder> <source folder>
set -u
bin=$1
src=$2
source "$src/tests/common/script_test.sh"
require_private_view

mkdir "$scratch/work"
cp "$src/config/Offsets.dat" "$scratch/work/"
start_xvfb 88 || give_up "Xvfb did not start"
pids+=("$xvfb_pid")

# start_station NAME: the station sending to a monitor NAME, once it sends;
# stop_station ends both.
start_station() {
  start_monitor "$bin" 127.0.0.1 "$1"
  start_program "station-$1" "$bin/tavrion" -C "$scratch/work" -d 127.0.0.1 --connect
  station_pid=$started_pid
  wait_for 120 at_least "$1" 30 || give_up "the station did not send" "station-$1.log" "$1.log"
}
stop_station() {
  stop_program "$station_pid" TERM
  stop_program "$monitor_pid" TERM
}

# The flight, recorded while the station sends it.
start_program visim "$bin/visim" --demo --rate 4
demo_pid=$started_pid
wait_for 30 "$bin/visim" --dump >/dev/null 2>&1 || give_up "visim did not create the segment" visim.log
start_station flown
users=$(segment_users "$bin")
start_program recorder "$bin/visim" --record "$scratch/flight.csv"
recorder_pid=$started_pid
sent=$(rows flown)
check "the station sent eight seconds more" wait_for 120 at_least flown $((sent + 240))
stop_program "$recorder_pid" TERM
check "the recorder ended with status 0 at SIGTERM" [ $? -eq 0 ]
check "the recorder was no user of the segment ($users)" [ "$(segment_users "$bin")" = "$users" ]
stop_station
stop_program "$demo_pid" TERM
"$bin/visim" --remove >/dev/null

# The record replayed into a new segment, the station sending it again.
start_station replayed
start_program replay "$bin/visim" --replay "$scratch/flight.csv"
stop_program "$started_pid"
check "the replay ran to its end" [ $? -eq 0 ]
sent=$(rows replayed)
wait_for 60 at_least replayed $((sent + 30))
stop_station

# The cameras of each run, each one once in a row (the station sends an eye
# point as long as it stands), counters left out.
cameras() { awk -F, -v OFS=, '$4 == "ok" { print $6, $7, $8, $9, $10, $11, $12, $13 }' "$scratch/$1.csv" | uniq; }
cameras flown >"$scratch/flown.txt"
# The replayed run starts with the empty segment's camera: from the first
# camera the flight had.
cameras replayed | awk 'NR == FNR { flown[$0] = 1; next } started || ($0 in flown) { started = 1; print }' \
  "$scratch/flown.txt" - >"$scratch/replayed.txt"
count=$(wc -l <"$scratch/replayed.txt")
check "the replay sent the recorded flight's cameras ($count, $(wc -l <"$scratch/flight.csv") rows)" \
  [ "$count" -ge 25 ]
# One block of the flight's cameras: from where the replay's first one stands
# in the flight, line for line.
in_order() {
  awk 'NR == FNR { flown[NR] = $0; n = NR; next }
    FNR == 1 { for (i = 1; i <= n && !at; i++) if (flown[i] == $0) at = i }
    flown[at + FNR - 1] != $0 { bad = 1 }
    END { exit bad || !at }' "$1" "$2"
}
check "they are the flight's cameras, in the flight's order, none missing" \
  in_order "$scratch/flown.txt" "$scratch/replayed.txt"
finish_test flown.log replayed.log station-flown.log station-replayed.log recorder.log replay.log
