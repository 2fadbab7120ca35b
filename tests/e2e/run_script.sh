#!/usr/bin/env bash
# scripts/run as a new user runs it beside a live simulator: headless, with a
# "VisualInterface" segment already there. The demo must run on its own
# segment and folder, leave that segment byte for byte as it was, clean up
# everything it started and end with status 0. Runs in private network,
# /dev/shm and X socket views (see tests/common/private-view.sh).
#   run_script.sh <bin folder> <source folder>
set -u
bin=$1
src=$2
source "$src/tests/common/script_test.sh"
require_private_view
mkdir "$scratch/tmp"

# The live simulator's segment: a stamped record with an eye point, left
# without any program attached.
"$bin/visim" --set lat=47.25 --set lon=11.35 --set airport=LOWI --set view=2 >/dev/null
cp /dev/shm/VisualInterface "$scratch/before"

env -u DISPLAY TMPDIR="$scratch/tmp" "$src/scripts/run" --bin "$bin" --duration 1.5 \
  >"$scratch/out" 2>&1
status=$?
summary=$(grep '^received ' "$scratch/out" | tail -n 1)
display=$(sed -n 's/.*runs under Xvfb on \(:[0-9]*\).*/\1/p' "$scratch/out")

check "a clean run with --duration 1.5 ends with status 0 ($status)" [ "$status" -eq 0 ]
check "the receiver's summary closes the output, nothing malformed ($summary)" \
  bash -c '[[ "$1" =~ ^received\ [0-9]+\ malformed\ 0\ .*\ first\ (1510|-)\  ]]' _ "$summary"
check "\"VisualInterface\" is byte for byte as it was" cmp -s "$scratch/before" /dev/shm/VisualInterface
check "no other segment is left ($(ls /dev/shm | tr '\n' ' '))" [ "$(ls /dev/shm)" = VisualInterface ]
check "the working folder is removed" [ -z "$(ls -A "$scratch/tmp")" ]
check "Xvfb on $display has ended" [ -n "$display" -a ! -e "/tmp/.X${display#:}-lock" ]
check "every program ended when told, none had to be killed" bash -c '! grep -q "was killed" "$1"' _ "$scratch/out"

# Ctrl-C once the receiver has datagrams: the terminal's SIGINT to the whole
# process group, as timeout passes the signal it gets on (its own time is
# only a guard against a run that hangs).
env -u DISPLAY TMPDIR="$scratch/tmp" timeout --preserve-status -s INT 300 "$src/scripts/run" \
  --bin "$bin" >"$scratch/out" 2>&1 &
run_pid=$!
check "the monitor's figures scroll with datagrams received" \
  wait_for 120 grep -qE '^t [0-9.]+ s received [1-9]' "$scratch/out"
kill -INT "$run_pid"
stop_program "$run_pid"
status=$?
progress=$(grep '^t ' "$scratch/out" | tail -n 1)
check "the receiver got every counter from 1510 on ($progress)" \
  awk '{ for (i = 1; i < NF; i++) v[$i] = $(i + 1); split(v["camera"], c, ",") }
       END { exit !(v["received"] >= 1 && v["malformed"] == 0 && v["gaps"] == 0 &&
                    c[1] == 1509 + v["received"]) }' <<<"$progress"
check "Ctrl-C ends it with status 0 ($status)" [ "$status" -eq 0 ]
check "and removes its segment and folder" \
  [ "$(ls /dev/shm)" = VisualInterface -a -z "$(ls -A "$scratch/tmp")" ]
# Told, not checked: the clean-up is bounded, and a program it had to kill is
# named in its output.
grep 'was killed' "$scratch/out" || true

for bad in "--duration 2,5" "--duration 0" "--duration" "--frobnicate"; do
  # shellcheck disable=SC2086 # the words are the arguments
  "$src/scripts/run" --bin "$bin" $bad >"$scratch/out" 2>&1
  status=$?
  check "'$bad' is refused with status 2 and a reason ($(head -n 1 "$scratch/out"))" \
    [ "$status" -eq 2 -a "$(grep -c "Try 'scripts/run --help'" "$scratch/out")" -eq 1 ]
done
check "a refused command line touched nothing" cmp -s "$scratch/before" /dev/shm/VisualInterface

# Started from the machine's own network (here this test's), the demo makes
# a network of its own: port 7001 here stays free while its monitor listens.
env -u DISPLAY -u TAVRION_PRIVATE_VIEW TMPDIR="$scratch/tmp" "$src/scripts/run" --bin "$bin" \
  --duration 2 >"$scratch/own.out" 2>&1 &
run_pid=$!
pids+=("$run_pid")
bound_here=0
while process_running "$run_pid"; do
  [ -z "$(ss -Hlun 'sport = :7001 or sport = :7000')" ] || bound_here=1
  in_background sleep 0.1
done
wait "$run_pid"
status=$?
check "the demo in a network of its own ends with status 0 ($status)" [ "$status" -eq 0 ]
check "its datagrams reached its own monitor ($(grep '^received ' "$scratch/own.out" | tail -n 1))" \
  grep -q '^received [1-9]' "$scratch/own.out"
check "nothing bound port 7000 or 7001 of the network it was started from" [ "$bound_here" -eq 0 ]

finish_test out
