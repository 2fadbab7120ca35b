# Shared by the end-to-end tests that run the station on a demo flight in a
# private view (tests/gui/netns-run.sh):
#   source tests/common/demo_flight.sh    (after scripts/lib.sh and checks.sh)
# Everything started here or added to `pids` ends with the test, and the
# scratch folder goes with it.
pids=()
stop_demo_flight() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$scratch"
}
trap stop_demo_flight EXIT

# start_demo_flight BIN DISPLAY_NUMBER: a working folder $scratch/work seeded
# with the sample offsets, Xvfb, and visim flying its demo into the view's
# own segment; ends the test when any of them fails.
start_demo_flight() {
  local bin=$1
  mkdir "$scratch/work"
  cp "$src/config/Offsets.dat" "$scratch/work/"
  start_xvfb "$2" || { echo "FAILED: Xvfb did not start"; exit 1; }
  pids+=("$xvfb_pid")
  "$bin/visim" --demo --rate 60 >"$scratch/visim.log" 2>&1 &
  pids+=($!)
  wait_for 5 "$bin/visim" --dump >/dev/null 2>&1 || { echo "FAILED: visim did not create the segment"; exit 1; }
}

# start_monitor BIN ADDRESS NAME: a ViewSync monitor on ADDRESS:7001 that
# records into $scratch/NAME.csv and prints to $scratch/NAME.log; its pid in
# monitor_pid.
start_monitor() {
  "$1/viewsync-monitor" --bind "$2" --port 7001 --duration 300 --csv "$scratch/$3.csv" \
    >"$scratch/$3.log" 2>&1 &
  monitor_pid=$!
  pids+=("$monitor_pid")
  wait_for 5 grep -qs '^listening on ' "$scratch/$3.log" || { echo "FAILED: monitor on $2"; exit 1; }
}

# rows NAME: the well-formed datagrams in $scratch/NAME.csv so far.
rows() { cat "$scratch/$1.csv" 2>/dev/null | awk -F, '$4 == "ok" { n++ } END { print n + 0 }'; }
# at_least NAME N: whether NAME's record holds N datagrams.
at_least() { [ "$(rows "$1")" -ge "$2" ]; }
# has_counter NAME N: whether NAME's record holds the datagram with counter N.
has_counter() { grep -q ",ok,$2," "$scratch/$1.csv" 2>/dev/null; }
