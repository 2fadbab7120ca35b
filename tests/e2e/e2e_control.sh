#!/usr/bin/env bash
# A station without a window steered from a terminal: tavrion-ctl changes
# the view, the map view's height and the airport's datum offset of a
# running `tavrion --headless` while a ViewSync monitor on 127.0.0.1 checks
# that the datagrams change accordingly, and Save writes the trim into
# Offsets.dat. Runs in private network and /dev/shm views (see
# tests/common/private-view.sh), so ports 7000/7001 and the segment are its own.
#   e2e_control.sh <bin folder> <source folder>
set -u
bin=$1
src=$2
source "$src/tests/common/script_test.sh"
require_private_view

mkdir "$scratch/work" "$scratch/run"
cp "$src/config/Offsets.dat" "$scratch/work/"
# The aircraft stands still at Heathrow, 280 m above the ground.
"$bin/visim" --set lat=51.4775 --set lon=-0.4614 --set altitude_m=300 --set height_agl_m=280 \
  --set heading=270 --set airport=EGLL >/dev/null || give_up "visim could not write the record"
start_monitor "$bin" 127.0.0.1 monitor
start_program station "$bin/tavrion" --headless -C "$scratch/work" -d 127.0.0.1 \
  --control "$scratch/run/control"
station_pid=$started_pid
ctl() { "$bin/tavrion-ctl" --socket "$scratch/run/control" "$@"; }
wait_for 30 ctl status >/dev/null || give_up "the station's control socket did not answer" station.log

# The altitude and tilt of the newest datagram, once one came after the change.
latest() { awk -F, '$4 == "ok" { row = $8 " " $10 } END { print row }' "$scratch/monitor.csv"; }
sent_is() { [ "$(latest)" = "$1" ]; }

check "forward view at the ground's datum: 280 m, tilt 90" wait_for 20 sent_is "280.000000 90.000000"
check "trim set 40 is done" ctl trim set 40
check "the datagrams carry the trim: 320 m" wait_for 20 sent_is "320.000000 90.000000"
check "view map is done" ctl view map
check "map-altitude 3000 is done" ctl map-altitude 3000
check "the datagrams look straight down from 3000 m" wait_for 20 sent_is "3000.000000 0.000000"
ctl view nowhere 2>"$scratch/refused.err"
refused=$?
check "an unknown view is refused with the reason, status 1 ($(cat "$scratch/refused.err"))" \
  [ "$refused" -eq 1 -a "$(grep -c "'nowhere' is not a view" "$scratch/refused.err")" -eq 1 ]
check "save is done" ctl save
check "Offsets.dat holds EGLL's trim" grep -q '^EGLL|   40.0| ' "$scratch/work/Offsets.dat"
check "the status tells the view, height and offset" \
  bash -c '"$1" --socket "$2" --json status | grep -q "\"offset\":40.00,.*\"view\":\"map\",\"map_altitude\":3000"' \
  _ "$bin/tavrion-ctl" "$scratch/run/control"
check "the LAN log names who asked for each change" \
  [ "$(grep -c $'\tControl uid [0-9]* pid [0-9]*: ' "$scratch/work/QM_RT_LAN_Log.txt")" -eq 4 ]

stop_program "$station_pid" TERM
check "the station ended with status 0" [ "$?" -eq 0 ]
check "its control socket went with it" [ ! -e "$scratch/run/control" ]
"$bin/tavrion-ctl" --socket "$scratch/run/control" status 2>/dev/null
check "tavrion-ctl then finds no station there (status 3)" [ "$?" -eq 3 ]
finish_test station.log monitor.log
