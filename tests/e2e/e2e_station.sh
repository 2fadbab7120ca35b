#!/usr/bin/env bash
# The whole station end to end: the simulator stand-in flies its demo into
# the shared segment, the station runs its real window under Xvfb, Connect
# is pressed with real X input, and the ViewSync monitor checks what a
# receiver gets. Runs in private network, /dev/shm and /tmp views (see
# tests/gui/netns-run.sh), so ports 7000/7001 and the segment are its own.
#   e2e_station.sh <bin folder> <source folder>
set -u
bin=$1
src=$2
source "$src/scripts/lib.sh"

work=$(mktemp -d)
fail=0
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
}
trap cleanup EXIT
check() {  # description, condition...
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; fail=1; fi
}

cp "$src/config/Offsets.dat" "$work/"
address=$(station_host_address)
case "$address" in
  127.*) ;;
  *) ip addr add "$address/32" dev lo ;;  # the host's name resolves elsewhere: make it local here
esac

start_xvfb 77 || { echo "FAILED: Xvfb did not start"; exit 1; }
pids+=("$xvfb_pid")

"$bin/visim" --demo --rate 60 >"$work/visim.log" 2>&1 &
visim_pid=$!
pids+=("$visim_pid")
wait_for 5 "$bin/visim" --dump >/dev/null 2>&1 || { echo "FAILED: visim did not create the segment"; exit 1; }

"$bin/viewsync-monitor" --bind "$address" --port 7001 --duration 25 --csv "$work/viewsync.csv" \
  --kml "$work/flight.kml" >"$work/monitor.log" 2>&1 &
monitor_pid=$!
pids+=("$monitor_pid")
wait_for 5 grep -q '^listening on ' "$work/monitor.log" || { echo "FAILED: monitor"; cat "$work/monitor.log"; exit 1; }

users_before=$("$bin/visim" --dump | sed -n 's/^user_count=//p')
(cd "$work" && exec "$bin/tavrion") >"$work/station.log" 2>&1 &
station_pid=$!
pids+=("$station_pid")

window=$(find_station_window 20) || { echo "FAILED: the station window did not come up"; cat "$work/station.log"; exit 1; }
press_connect "$window" || { echo "FAILED: could not press Connect"; exit 1; }

# Ten seconds of the demo flight.
sleep 10.5
"$bin/visim" --dump >"$work/dump-10s.txt"
# A view change in the record: the demo stops writing, the crew picks the
# left window, and the station must turn the camera 90 degrees left.
kill "$visim_pid"
wait "$visim_pid" 2>/dev/null
users_running=$("$bin/visim" --dump | sed -n 's/^user_count=//p')
"$bin/visim" --set view=1 >/dev/null
sleep 2
view_changed_at=$(date +%s.%N)
sleep 1

close_station "$window"
station_status=0
wait_with_timeout 5 "$station_pid" || station_status=$?
kill -TERM "$monitor_pid" 2>/dev/null
wait "$monitor_pid" 2>/dev/null
users_after=$("$bin/visim" --dump | sed -n 's/^user_count=//p')

echo "--- monitor summary"
tail -n 1 "$work/monitor.log"
read -r _ received _ malformed _ gaps _ rate _ _ p50 _ _ p99 _ _ max _ _ first _ last < <(tail -n 1 "$work/monitor.log")

# The CSV has a header and one row a datagram (arrival_s, unix_time_s,
# length, status, counter, latitude, longitude, altitude, heading, ...).
awk -F, -v changed="$view_changed_at" '
  NR == 1 || $4 != "ok" { next }
  {
    n++; t = $1 + 0
    if (n == 1) { t0 = t; latMin = latMax = $6; lonMin = lonMax = $7; altMin = altMax = $8 }
    if (n > 1 && $5 + 0 <= lastCounter) repeats++
    lastCounter = $5 + 0
    if (t - t0 < 10.0) {
      first10++
      if ($6 < latMin) latMin = $6; if ($6 > latMax) latMax = $6
      if ($7 < lonMin) lonMin = $7; if ($7 > lonMax) lonMax = $7
      if ($8 < altMin) altMin = $8; if ($8 > altMax) altMax = $8
    }
    if ($2 < changed - 2.5) headingBefore = $9
    if ($2 > changed - 0.5) headingAfter = $9
  }
  END {
    print "in_first_10s", first10 + 0
    print "lat_moved", (latMax - latMin > 1e-5) ? 1 : 0
    print "lon_moved", (lonMax - lonMin > 1e-5) ? 1 : 0
    print "repeats", repeats + 0
    print "alt_min", altMin + 0
    print "alt_max", altMax + 0
    turn = headingBefore - headingAfter; while (turn < 0) turn += 360; while (turn >= 360) turn -= 360
    print "heading_turn", turn
  }' "$work/viewsync.csv" >"$work/csv-checks.txt"
cat "$work/csv-checks.txt"
value() { sed -n "s/^$1 //p" "$work/csv-checks.txt"; }

agl=$(sed -n 's/^height_agl_m=//p' "$work/dump-10s.txt")
check "the station ended with status 0 after closing" [ "$station_status" -eq 0 ]
check "no malformed datagram" [ "$malformed" = 0 ]
check "first counter 1510" [ "$first" = 1510 ]
check "no counter gaps" [ "$gaps" = 0 ]
check "no repeated counter" [ "$(value repeats)" = 0 ]
check "at least 280 datagrams in the first 10 s ($(value in_first_10s))" [ "$(value in_first_10s)" -ge 280 ]
check "rate 30 +- 0.5 Hz ($rate)" awk -v r="$rate" 'BEGIN { exit !(r >= 29.5 && r <= 30.5) }'
# Lined up on a west-facing runway, the take-off roll moves the longitude.
check "the position follows the demo flight" [ "$(value lat_moved)$(value lon_moved)" != 00 ]
check "altitude follows the record's height above ground ($agl m)" \
  awk -v lo="$(value alt_min)" -v hi="$(value alt_max)" -v agl="$agl" \
  'BEGIN { exit !(lo >= 0 && hi <= agl + 50 && hi >= agl - 50) }'
check "the left-window selection turned the camera 90 degrees left ($(value heading_turn))" \
  awk -v turn="$(value heading_turn)" 'BEGIN { exit !(turn > 89.0 && turn < 91.0) }'
# The path as Google Earth opens it: well-formed, a track with one point per
# camera received, and one mark, where the camera turned to the left window.
kml_count() { xmllint --xpath "count($1)" "$work/flight.kml" 2>/dev/null; }
points=$(kml_count "//*[local-name()='Track']/*[local-name()='coord']")
tracks=$(kml_count "//*[local-name()='Placemark']/*[local-name()='MultiTrack']/*[local-name()='Track']")
marks=$(kml_count "//*[local-name()='Placemark'][*[local-name()='Point']]")
check "the KML path is well-formed" xmllint --noout "$work/flight.kml"
check "the KML path has a point for each of the $((received - malformed)) cameras ($points)" \
  [ "$points" = "$((received - malformed))" ]
check "the KML path is a track ($tracks track elements)" [ "${tracks:-0}" -ge 1 ]
check "the KML path marks the turn to the left window and nothing else ($marks marks)" \
  test "$marks" = 1 -a "$(grep -c '<name>heading -90.0 deg</name>' "$work/flight.kml")" = 1
# The demo's own attachment ended when it was stopped; the station's must end
# with the station.
check "the station attached once and detached on closing ($users_before, $users_running -> $users_after)" \
  test "$users_running" = "$users_before" -a "$users_after" = "$((users_running - 1))"

if [ "$fail" -ne 0 ]; then
  echo "--- station log"; cat "$work/station.log"
  echo "--- monitor log (last 20 lines)"; tail -n 20 "$work/monitor.log"
fi
rm -rf "$work"
exit "$fail"
