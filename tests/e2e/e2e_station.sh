#!/usr/bin/env bash
# The whole station end to end: the simulator stand-in flies its demo into
# the shared segment, the station runs its real window under Xvfb, Connect
# is pressed with real X input, and the ViewSync monitor checks what a
# receiver gets: every counter from 1510 on, once, in order, well-formed,
# and a camera that follows the flight and the crew's view. How fast the
# datagrams come is a figure (scripts/figures), not a check. Runs in private
# network, /dev/shm and X socket views (tests/common/private-view.sh), so
# ports 7000/7001 and the segment are its own.
#   e2e_station.sh <bin folder> <source folder>
set -u
bin=$1
src=$2
source "$src/tests/common/script_test.sh"
require_private_view

address=$(station_host_address)
case "$address" in
  127.*) ;;
  *) ip addr add "$address/32" dev lo ;;  # the host's name resolves elsewhere: make it local here
esac
start_demo_flight "$bin" 77
start_monitor "$bin" "$address" viewsync --kml "$scratch/flight.kml"
users_before=$(segment_users "$bin")

# As an operator starts it: in its working folder, without options.
start_program station env -C "$scratch/work" "$bin/tavrion"
station_pid=$started_pid
window=$(find_station_window 30) || give_up "the station window did not come up" station.log
press_connect "$window" || give_up "could not press Connect"

# The take-off roll: some ten seconds of the demo flight.
check "300 datagrams of the flight arrived" wait_for 120 at_least viewsync 300
# A view change in a record that stands still: the demo stops writing, the
# station goes on sending its last eye point, then the crew picks the left
# window and the camera must turn 90 degrees left.
stop_program "$visim_pid" TERM
users_running=$(segment_users "$bin")
"$bin/visim" --dump >"$scratch/dump-held.txt"
held=$(rows viewsync)
check "the station goes on sending the eye point that stands still" \
  wait_for 60 at_least viewsync $((held + 60))
"$bin/visim" --set view=1 >/dev/null
turned=$(rows viewsync)
check "the station goes on sending after the view changed" wait_for 60 at_least viewsync $((turned + 60))

close_station "$window"
stop_program "$station_pid"
station_status=$?
stop_program "$monitor_pid" TERM
users_after=$(segment_users "$bin")

echo "--- monitor summary"
tail -n 1 "$scratch/viewsync.log"
received=$(summary_field viewsync received)
malformed=$(summary_field viewsync malformed)

# The CSV has a header and one row a datagram (arrival_s, unix_time_s,
# length, status, counter, latitude, longitude, altitude, heading, ...), in
# arrival order. The view change is found in the stream itself: the last
# heading, and the one held before it.
awk -F, '
  NR == 1 || $4 != "ok" { next }
  {
    n++; counter = $5 + 0
    if (n == 1) { first = counter; latMin = latMax = $6; lonMin = lonMax = $7; altMin = altMax = $8 }
    else if (counter != last + 1) breaks++
    last = counter
    if ($6 < latMin) latMin = $6; if ($6 > latMax) latMax = $6
    if ($7 < lonMin) lonMin = $7; if ($7 > lonMax) lonMax = $7
    if ($8 < altMin) altMin = $8; if ($8 > altMax) altMax = $8
    heading[n] = $9 + 0
  }
  END {
    print "rows", n + 0
    print "first", first + 0
    print "last", last + 0
    print "breaks", breaks + 0
    print "lat_moved", (latMax - latMin > 1e-5) ? 1 : 0
    print "lon_moved", (lonMax - lonMin > 1e-5) ? 1 : 0
    print "alt_min", altMin + 0
    print "alt_max", altMax + 0
    i = n; while (i > 0 && heading[i] == heading[n]) i--
    print "rows_after_turn", n - i
    turn = heading[i] - heading[n]; while (turn < 0) turn += 360; while (turn >= 360) turn -= 360
    print "heading_turn", turn
  }' "$scratch/viewsync.csv" >"$scratch/csv-checks.txt"
cat "$scratch/csv-checks.txt"
value() { sed -n "s/^$1 //p" "$scratch/csv-checks.txt"; }

agl=$(sed -n 's/^height_agl_m=//p' "$scratch/dump-held.txt")
check "the station ended with status 0 after closing ($station_status)" [ "$station_status" -eq 0 ]
check "no malformed datagram ($malformed)" [ "$malformed" = 0 ]
check "first counter 1510 ($(summary_field viewsync first))" [ "$(summary_field viewsync first)" = 1510 ]
check "no counter gaps ($(summary_field viewsync gaps))" [ "$(summary_field viewsync gaps)" = 0 ]
check "each counter one above the one before, in arrival order" [ "$(value breaks)" = 0 ]
check "every counter from 1510 to the last arrived once ($received received, last $(value last))" \
  [ "$received" = "$(($(value last) - 1509))" -a "$(value rows)" = "$received" ]
# Lined up on a west-facing runway, the take-off roll moves the longitude.
check "the position follows the demo flight" [ "$(value lat_moved)$(value lon_moved)" != 00 ]
check "altitude follows the record's height above ground ($agl m)" \
  awk -v lo="$(value alt_min)" -v hi="$(value alt_max)" -v agl="$agl" \
  'BEGIN { exit !(lo >= 0 && hi <= agl + 50 && hi >= agl - 50) }'
check "the left-window selection turned the camera 90 degrees left ($(value heading_turn))" \
  awk -v turn="$(value heading_turn)" 'BEGIN { exit !(turn > 89.0 && turn < 91.0) }'
# The path as Google Earth opens it: well-formed, a track with one point per
# camera received, and one mark, where the camera turned to the left window.
kml_count() { xmllint --xpath "count($1)" "$scratch/flight.kml" 2>/dev/null; }
points=$(kml_count "//*[local-name()='Track']/*[local-name()='coord']")
tracks=$(kml_count "//*[local-name()='Placemark']/*[local-name()='MultiTrack']/*[local-name()='Track']")
marks=$(kml_count "//*[local-name()='Placemark'][*[local-name()='Point']]")
check "the KML path is well-formed" xmllint --noout "$scratch/flight.kml"
check "the KML path has a point for each of the $((received - malformed)) cameras ($points)" \
  [ "$points" = "$((received - malformed))" ]
check "the KML path is a track ($tracks track elements)" [ "${tracks:-0}" -ge 1 ]
check "the KML path marks the turn to the left window and nothing else ($marks marks)" \
  test "$marks" = 1 -a "$(grep -c '<name>heading -90.0 deg</name>' "$scratch/flight.kml")" = 1
# The demo's own attachment ended when it was stopped; the station's must end
# with the station.
check "the station attached once and detached on closing ($users_before, $users_running -> $users_after)" \
  test "$users_running" = "$users_before" -a "$users_after" = "$((users_running - 1))"

finish_test station.log viewsync.log
