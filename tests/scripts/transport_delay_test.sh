#!/usr/bin/env bash
# scripts/transport-delay on write logs and monitor records made up here,
# whose delays are known: each case is a log, a record and the line the
# script must print; then the series it writes, and the faults it tells.
#   transport_delay_test.sh <source folder>
set -u
src=$1
source "$src/tests/common/script_test.sh"
command -v python3 >/dev/null || skip "python3 is not installed"
delay=$src/scripts/transport-delay

log_header="realtime_ns,lat,lon,altitude_m,height_agl_m,pitch,bank,heading,view,time_value"
monitor_header="arrival_s,unix_time_s,length,status,counter,latitude,longitude,altitude,heading,tilt,roll,time_start,time_end,planet,reason,text"
base=1714564800  # the runs' first second

# write MS LAT LON: one line of the write log, 100 + MS milliseconds into the run.
write() { awk -v ms="$1" -v b="$base" 'BEGIN { printf "%d%09d", b, (ms + 100) * 1e6 }'; echo ",$2,$3,100,10,0,0,270,0,0"; }
# datagram MS LAT LON [STATUS]: one line of the monitor's record.
datagram() {
  awk -v ms="$1" -v b="$base" 'BEGIN { ms += 100; printf "%.6f,%d.%06d", ms / 1e3, b, ms * 1e3 }'
  echo ",70,${4:-ok},1510,$2,$3,100.000000,270.000000,90.000000,0.000000,0,0,earth,,\"x\""
}

# Each case: the log's writes and the record's datagrams (W or D, then the
# arguments above), and the line expected. Every case starts with a write
# and its datagram 100 ms before: the write the first datagram carries is
# never measured (the station may not yet have been sending when it came).
run_case() {
  local name=$1 expected=$2 kind rest
  echo "$log_header" >"$scratch/$name.log.csv"
  echo "$monitor_header" >"$scratch/$name.csv"
  write -100 50.999999 -0.399999 >>"$scratch/$name.log.csv"
  datagram -60 50.999999 -0.399999 >>"$scratch/$name.csv"
  while read -r kind rest; do
    # shellcheck disable=SC2086 # the fields are words
    case "$kind" in
      W) write $rest >>"$scratch/$name.log.csv" ;;
      D) datagram $rest >>"$scratch/$name.csv" ;;
    esac
  done
  local said
  said=$("$delay" "$scratch/$name.log.csv" "$scratch/$name.csv" 2>&1)
  check "$name: $expected" [ "$said" = "$expected" ]
  [ "$said" = "$expected" ] || echo "   said: $said"
}

# Every write carried by a datagram of its own, 2, 3, 1 and 2 ms after it.
run_case each-write "writes 5 measured 4 indistinct 0 datagrams 5 unmatched 0 p50 2.000 p99 2.000 max 3.000 ms" <<'ROWS'
W 0 51.000001 -0.400001
D 2 51.000001 -0.400001
W 16 51.000002 -0.400002
D 19 51.000002 -0.400002
W 32 51.000003 -0.400003
D 33 51.000003 -0.400003
W 48 51.000004 -0.400004
D 50 51.000004 -0.400004
ROWS

# Datagrams at half the writes' rate: a write that no datagram carries
# waits for the one that carries the next write, 17 ms.
run_case every-second-write "writes 6 measured 5 indistinct 0 datagrams 4 unmatched 0 p50 1.000 p99 17.000 max 17.000 ms" <<'ROWS'
W 0 51.000001 -0.400001
D 1 51.000001 -0.400001
W 16 51.000002 -0.400002
W 32 51.000003 -0.400003
D 33 51.000003 -0.400003
W 48 51.000004 -0.400004
W 64 51.000005 -0.400005
D 65 51.000005 -0.400005
ROWS

# Rounded to six decimals the second write is the first one again: it is
# left out, and the datagram sent after it carries the first (delay 10.5 ms).
run_case rounded-alike "writes 4 measured 2 indistinct 1 datagrams 3 unmatched 0 p50 10.500 p99 10.500 max 10.500 ms" <<'ROWS'
W 0 51.0000011 -0.4000011
W 10 51.0000014 -0.4000014
D 10.5 51.000001 -0.400001
W 20 51.0000016 -0.4000016
D 30.5 51.000002 -0.400002
ROWS

# The eye comes back to where it was: the datagram goes to the latest write
# of those values before it (the third, so the second waited 15 ms). One
# datagram holds values no write had before it came, one values never
# written; a malformed one is no datagram.
run_case come-back "writes 4 measured 3 indistinct 0 datagrams 5 unmatched 2 p50 5.000 p99 5.000 max 15.000 ms" <<'ROWS'
W 0 51.000001 -0.400001
D 5 51.000002 -0.400002
D 5 51.000001 -0.400001
W 10 51.000002 -0.400002
W 20 51.000001 -0.400001
D 21 51.000009 -0.400009
D 22 51.000001 -0.400001 malformed
D 25 51.000001 -0.400001
ROWS

# The series: seconds from the first measured write, and its delay.
"$delay" --series "$scratch/series.txt" "$scratch/every-second-write.log.csv" "$scratch/every-second-write.csv" >/dev/null
check "the series holds each write's delay" [ "$(cat "$scratch/series.txt")" = "0.000000 1.000
0.016000 17.000
0.032000 1.000
0.048000 17.000
0.064000 1.000" ]

# Trimmed: the datagrams span -60 to 65 ms; 20 ms off each end leave the
# writes of 0, 16 and 32 ms.
said=$("$delay" --trim 0.02 "$scratch/every-second-write.log.csv" "$scratch/every-second-write.csv")
check "--trim leaves out the writes at either end ($said)" [ "$said" = \
  "writes 6 measured 3 indistinct 0 datagrams 4 unmatched 0 p50 1.000 p99 1.000 max 17.000 ms" ]

# Faults: status and the one line on standard error.
echo "$log_header" >"$scratch/empty.log.csv"
echo "time_s,lat,lon" >"$scratch/track.csv"
while IFS='|' read -r status message arguments; do
  # shellcheck disable=SC2086 # the arguments are words
  (cd "$scratch" && "$delay" $arguments) >/dev/null 2>"$scratch/fault.err"
  said=$?
  check "$arguments: status $status and \"$message\"" \
    bash -c '[ "$1" = "$2" ] && [ "$(cat "$3")" = "scripts/transport-delay: $4" ]' _ \
    "$said" "$status" "$scratch/fault.err" "$message"
done <<'CASES'
2|a write log and a monitor record are needed (see --help)|each-write.log.csv
2|unknown option --rate (see --help)|--rate 30 each-write.log.csv each-write.csv
2|--series needs a file (see --help)|each-write.log.csv each-write.csv --series
2|--trim: 'x' is not a number of seconds (see --help)|--trim x each-write.log.csv each-write.csv
1|each-write.csv: no write left to measure with 1 s left out at each end|--trim 1 each-write.log.csv each-write.csv
1|missing.csv: No such file or directory|each-write.log.csv missing.csv
1|track.csv: its first line is not the header arrival_s,unix_time_s,length,status,counter,...|each-write.log.csv track.csv
1|each-write.csv: no datagram carries a write of empty.log.csv: nothing to measure|empty.log.csv each-write.csv
CASES
finish_test
