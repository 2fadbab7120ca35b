#!/usr/bin/env bash
# Three Google Earth displays from one station: ViewSync monitors on
# 127.0.0.1 (the window's destination), 127.0.0.2 and 127.0.0.3 (given with
# --receiver) must each get the same datagrams, text and counter, without a
# gap; a receiver that is down (127.0.0.4, nobody listening) and one that
# cannot be reached (127.0.0.5, a route that refuses it) must not disturb
# them. Runs in private network, /dev/shm and X socket views (see
# tests/common/private-view.sh), so ports 7000/7001 and the segment are its own.
#   e2e_receivers.sh <bin folder> <source folder>
set -u
bin=$1
src=$2
source "$src/tests/common/script_test.sh"
require_private_view

# Sends to 127.0.0.5 fail at once with "no route to the host"; nothing leaves
# this private network view in any case.
ip route add unreachable 127.0.0.5/32 table local || give_up "no unreachable route"
start_demo_flight "$bin" 81
monitors=(127.0.0.1 127.0.0.2 127.0.0.3)
monitor_pids=()
for address in "${monitors[@]}"; do
  start_monitor "$bin" "$address" "$address"
  monitor_pids+=("$monitor_pid")
done

start_program station "$bin/tavrion" -C "$scratch/work" -d 127.0.0.1 --connect -r 127.0.0.2 \
  -r 127.0.0.3:7001 -r 127.0.0.4 -r 127.0.0.5
station_pid=$started_pid
window=$(find_station_window 30) || give_up "the station window did not come up" station.log
caption=$(xdotool getwindowname "$window")

# Some ten seconds of the demo flight at the destination.
check "300 datagrams of the flight reached the destination's monitor" wait_for 120 at_least 127.0.0.1 300
stop_program "$station_pid" TERM
station_status=$?
# The close-down left the last counter sent in the working folder: each
# monitor has read everything once that datagram is in its record.
last=$(last_counter_sent)
for address in "${monitors[@]}"; do
  check "$address got the last counter sent, $last" wait_for 60 has_counter "$address" "$last"
done
for pid in "${monitor_pids[@]}"; do stop_program "$pid" TERM; done

# The datagram as each monitor read it: length, status, the nine fields and its text.
for address in "${monitors[@]}"; do
  tail -n +2 "$scratch/$address.csv" | cut -d, -f3- >"$scratch/$address.stream"
done
summary() { tail -n 1 "$scratch/$1.log"; }
lan_log="$scratch/work/QM_RT_LAN_Log.txt"

check "the station ended with status 0 ($station_status)" [ "$station_status" -eq 0 ]
check "the caption counts four receivers beside the destination ($caption)" \
  bash -c '[[ "$1" == "TVR v3 "*" 15944 + 4 receivers" ]]' _ "$caption"
for address in "${monitors[@]}"; do
  check "$address: $(summary "$address")" \
    [ "$(summary_field "$address" malformed)/$(summary_field "$address" gaps)/$(summary_field "$address" first)/$(summary_field "$address" last)" = "0/0/1510/$last" ]
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

finish_test station.log work/QM_RT_LAN_Log.txt 127.0.0.1.log 127.0.0.2.log 127.0.0.3.log
