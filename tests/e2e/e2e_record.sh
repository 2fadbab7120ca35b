#!/usr/bin/env bash
# A flight brought back to the lab, everything at its default rate (the demo,
# the recorder and the replay 60 frames a second): the demo flies, the
# station sends it to a receiver, and `visim --record` writes the segment
# down; then the record is replayed into a fresh segment that the station,
# started again, sends from. The replay must write every recorded row in a
# frame of its own (its --write-log), the lab's segment must show them, in
# order (a second recorder polling it 1000 times a second, so that it sees
# each row stand for its frame), and the station must send the flight's
# positions in the flight's order. Runs in private network, /dev/shm and X
# socket views (tests/common/private-view.sh).
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
start_program visim "$bin/visim" --demo
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

# The record replayed into the segment the station makes when it starts
# first, the station sending it again and the lab's recorder watching the
# segment. Until the replay writes it, the station sends nothing: no camera
# from a record nobody wrote.
start_monitor "$bin" 127.0.0.1 replayed
start_program station-replayed "$bin/tavrion" -C "$scratch/work" -d 127.0.0.1 --connect \
  --control "$scratch/control"
station_pid=$started_pid
waits_unwritten() {
  "$bin/tavrion-ctl" --socket "$scratch/control" --json status 2>/dev/null |
    grep -q '"running":true,.*"sent":0,.*"segment":"unwritten"'
}
check "the station made the segment and sends nothing from it" wait_for 60 waits_unwritten
check "nothing reached the receiver meanwhile ($(rows replayed) datagrams)" [ "$(rows replayed)" -eq 0 ]
start_program lab "$bin/visim" --record "$scratch/lab.csv" --rate 1000
lab_pid=$started_pid
start_program replay "$bin/visim" --replay "$scratch/flight.csv" --write-log "$scratch/writes.csv"
stop_program "$started_pid"
check "the replay ran to its end" [ $? -eq 0 ]
stop_program "$lab_pid" TERM
sent=$(rows replayed)
wait_for 60 at_least replayed $((sent + 30))
stop_station

# The recorded states: lat to time_value, the record's fields but the state
# word (which the station sets), in the recorder's digits.
states() { awk -F, -v OFS=, 'NR > 1 { print $2, $3, $4, $5, $6, $7, $8, $9, $10, $11 }' "$scratch/$1"; }
recorded=$(states flight.csv | wc -l)
check "the flight was recorded ($recorded rows)" [ "$recorded" -ge 200 ]
# Every row written, in order, each once: the write log's values against the
# record's, as numbers (the two write the same doubles in their own digits).
check "the replay wrote each of the $recorded rows once, in order, with its values" \
  awk -F, 'NR == FNR { if (FNR > 1) { rows++; row[rows] = $2 " " $3 " " $4 " " $5 " " $6 " " $7 " " $8 " " $10 " " $11 }; next }
    FNR > 1 { lines++; split(row[lines], want, " ")
              n = split($2 " " $3 " " $4 " " $5 " " $6 " " $7 " " $8 " " $9 " " $10, got, " ")
              for (i = 1; i <= n; i++) if (got[i] + 0 != want[i] + 0) bad = 1 }
    END { exit bad || lines != rows }' "$scratch/flight.csv" "$scratch/writes.csv"
# What the lab's segment showed: the recorded states it held, in order.
states flight.csv | uniq >"$scratch/flown-states.txt"
states lab.csv | uniq | awk 'NR == FNR { at[$0] = NR; next } $0 in at { print at[$0] }' \
  "$scratch/flown-states.txt" - >"$scratch/seen.txt"
seen=$(wc -l <"$scratch/seen.txt")
flown=$(wc -l <"$scratch/flown-states.txt")
check "the lab's segment held the recorded states in order ($seen of $flown seen)" \
  awk -v flown="$flown" '$1 <= last { bad = 1 } { last = $1; n++ } END { exit bad || n < flown * 0.99 }' \
  "$scratch/seen.txt"

# The positions the station sent in each run, each once in a row (it sends a
# position as long as it stands), as the datagrams' six decimals.
positions() { awk -F, -v OFS=, '$4 == "ok" { print $6, $7 }' "$scratch/$1.csv" | uniq; }
awk -F, -v OFS=, 'NR > 1 { printf "%.6f,%.6f\n", $2, $3 }' "$scratch/flight.csv" | uniq \
  >"$scratch/flown-positions.txt"
# From the first position the flight had, each one's place in the flight.
positions replayed | awk 'NR == FNR { at[$0] = NR; next } started || ($0 in at) { started = 1; print at[$0] + 0 }' \
  "$scratch/flown-positions.txt" - >"$scratch/sent.txt"
count=$(wc -l <"$scratch/sent.txt")
check "the station sent the replayed flight ($count positions)" [ "$count" -ge 25 ]
check "they are the flight's positions, in the flight's order" \
  awk '$1 == 0 || $1 <= last { bad = 1 } { last = $1 } END { exit bad }' "$scratch/sent.txt"
finish_test flown.log replayed.log station-flown.log station-replayed.log recorder.log replay.log lab.log
