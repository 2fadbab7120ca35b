#!/usr/bin/env bash
# Three Google Earth displays from one station: ViewSync monitors on
# 127.0.0.1 (the window's destination), 127.0.0.2 and 127.0.0.3 (given with
# --receiver) must each get the same datagrams, text and counter, without a
# gap; a receiver that is down (127.0.0.4, nobody listening) and one that
# cannot be reached (127.0.0.5, a route that refuses it) must not disturb
# them. Runs in private network, /dev/shm and X socket views (see
# tests/gui/netns-run.sh), so ports 7000/7001 and the segment are its own.
#   e2e_receivers.sh <bin folder> <source folder>
set -u
bin=$1
src=$2
source "$src/scripts/lib.sh"
source "$src/tests/common/checks.sh"
source "$src/tests/common/demo_flight.sh"

# Sends to 127.0.0.5 fail at once with "no route to the host"; nothing leaves
# this private network view in any case.
ip route add unreachable 127.0.0.5/32 table local || { echo "FAILED: no unreachable route"; exit 1; }
start_demo_flight "$bin" 81
monitors=(127.0.0.1 127.0.0.2 127.0.0.3)
monitor_pids=()
for address in "${monitors[@]}"; do
  start_monitor "$bin" "$address" "$address"
  monitor_pids+=("$monitor_pid")
done

"$bin/tavrion" -C "$scratch/work" -d 127.0.0.1 --connect -r 127.0.0.2 -r 127.0.0.3:7001 \
  -r 127.0.0.4 -r 127.0.0.5 >"$scratch/station.log" 2>&1 &
station_pid=$!
pids+=("$station_pid")
window=$(find_station_window 20) || { echo "FAILED: the station window did not come up"; cat "$scratch/station.log"; exit 1; }
caption=$(xdotool getwindowname "$window")

# Some ten seconds of the demo flight at every monitor.
wait_for 30 at_least 127.0.0.1 300 || echo "note: only $(rows 127.0.0.1) datagrams arrived"
kill -TERM "$station_pid"
station_status=0
wait_with_timeout 10 "$station_pid" || station_status=$?
# The close-down left the last counter sent in the working folder: each
# monitor has read everything once that datagram is in its record.
last=$(grep -v '^#' "$scratch/work/ViewSyncCounter.txt")
for address in "${monitors[@]}"; do
  wait_for 5 has_counter "$address" "$last" || echo "note: $address never got $last"
done
for pid in "${monitor_pids[@]}"; do kill -TERM "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done

# The datagram as each monitor read it: length, status, the nine fields and its text.
for address in "${monitors[@]}"; do
  tail -n +2 "$scratch/$address.csv" | cut -d, -f3- >"$scratch/$address.stream"
done
summary() { tail -n 1 "$scratch/$1.log"; }
field() { awk -v name="$2" '{ for (i = 1; i < NF; i++) if ($i == name) print $(i + 1) }' <<<"$(summary "$1")"; }
lan_log="$scratch/work/QM_RT_LAN_Log.txt"

check "the station ended with status 0 ($station_status)" [ "$station_status" -eq 0 ]
check "the caption counts four receivers beside the destination ($caption)" \
  bash -c '[[ "$1" == "TVR v3 "*" 15944 + 4 receivers" ]]' _ "$caption"
check "the destination's monitor got a flight's worth ($(wc -l <"$scratch/127.0.0.1.stream"))" \
  [ "$(wc -l <"$scratch/127.0.0.1.stream")" -ge 150 ]
for address in "${monitors[@]}"; do
  check "$address: $(summary "$address")" \
    [ "$(field "$address" malformed)/$(field "$address" gaps)/$(field "$address" first)" = 0/0/1510 ]
done
check "127.0.0.2 got exactly the destination's stream" cmp -s "$scratch/127.0.0.1.stream" "$scratch/127.0.0.2.stream"
check "127.0.0.3 got exactly the destination's stream" cmp -s "$scratch/127.0.0.1.stream" "$scratch/127.0.0.3.stream"
check "the LAN log names the four receivers" [ "$(grep -c $'\tReceiver [1-4] of 4: 127.0.0.[2-5]:7001$' "$lan_log")" -eq 4 ]
check "the unreachable receiver's failure is logged once" \
  [ "$(grep -c $'\tReceiver 127.0.0.5:7001: WSAEHOSTUNREACH::No route to the host$' "$lan_log")" -eq 1 ]
check "the receiver that is down costs nothing and is not logged" \
  [ "$(grep -c 'Receiver 127.0.0.4:7001:' "$lan_log")" -eq 0 ]

# A broadcast address is refused unless asked for, before any window opens.
"$bin/tavrion" -C "$scratch/work" -r 127.255.255.255 >"$scratch/refused.out" 2>&1
status=$?
check "--receiver 127.255.255.255 without --broadcast is a usage fault ($(head -n 1 "$scratch/refused.out"))" \
  [ "$status" -eq 2 -a "$(grep -c 'is a broadcast address: add --broadcast' "$scratch/refused.out")" -eq 1 ]

if [ "$fail" -ne 0 ]; then
  echo "--- station log"; cat "$scratch/station.log"
  echo "--- LAN log"; cat "$lan_log"
  for address in "${monitors[@]}"; do echo "--- monitor $address"; tail -n 3 "$scratch/$address.log"; done
fi
exit "$fail"
