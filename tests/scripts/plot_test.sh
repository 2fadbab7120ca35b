#!/usr/bin/env bash
# scripts/plot on monitor records written here: a picture of the asked kind
# and size from a small record, with the transport delay when the write log
# is given, and a clear message and status 1 for a record that is missing,
# empty or holds nothing to draw.
#   plot_test.sh <source folder>
set -u
src=$1
source "$src/tests/common/script_test.sh"
command -v gnuplot >/dev/null || skip "gnuplot is not installed (scripts/lib.sh installs gnuplot-nox)"

header="arrival_s,unix_time_s,length,status,counter,latitude,longitude,altitude,heading,tilt,roll,time_start,time_end,planet,reason,text"
{
  echo "$header"
  # Three seconds at 30 datagrams a second, climbing; then one malformed.
  awk 'BEGIN { for (i = 0; i < 90; i++)
    printf "%.6f,%.6f,70,ok,%d,51.477500,-0.461389,%.6f,270.000000,90.000000,0.000000,0,0,earth,,\"x\"\n",
      10 + i / 30, 1714564800 + i / 30, 1510 + i, 100 + i / 2 }'
  echo '13.000000,1714564803.0,3,malformed,,,,,,,,,,,"too few fields","abc"'
} >"$scratch/run.csv"

for out in run.png run.svg; do
  scripts_out=$("$src/scripts/plot" "$scratch/run.csv" "$scratch/$out" 2>"$scratch/plot.err")
  check "$out is drawn and named ($scripts_out)" [ "$scripts_out" = "$scratch/$out" ]
done
check "the PNG is 1200 x 900" bash -c 'file "$1" | grep -q "PNG image data, 1200 x 900"' _ "$scratch/run.png"
check "the SVG is an SVG" grep -q '<svg' "$scratch/run.svg"
check "the summary is in the title" grep -q "received 90 malformed 1 rate 30.00 Hz p50 33.333 ms" "$scratch/run.svg"
"$src/scripts/plot" "$scratch/run.csv" >/dev/null 2>&1
check "the PNG lands beside the record by default" [ -s "$scratch/run.png" ]

# The write log behind the record, made to the record's pattern: a write
# every 16 ms, a datagram every 32 ms carrying every second write 2 ms after
# it; the write between waits 18 ms for the next datagram.
{
  echo "realtime_ns,lat,lon,altitude_m,height_agl_m,pitch,bank,heading,view,time_value"
  awk 'BEGIN { for (i = 0; i < 180; i++)
    printf "%.0f,51.%06d,-0.461389,100,10,0,0,270,0,0\n", 1714564800e9 + i * 16e6 - 2e6, i }'
} >"$scratch/writes.csv"
awk -F, -v OFS=, 'NR > 1 && $4 == "ok" {
    i = $5 - 1510; $1 = sprintf("%.6f", 10 + i * 0.032); $2 = sprintf("%.6f", 1714564800 + i * 0.032)
    $6 = sprintf("51.%06d", 2 * i) }
  { print }' "$scratch/run.csv" >"$scratch/carried.csv"
"$src/scripts/plot" --write-log "$scratch/writes.csv" "$scratch/carried.csv" "$scratch/delay.svg" \
  >/dev/null 2>"$scratch/plot.err"
check "with the write log, the delays are in the title" \
  grep -q "transport delay of 178 writes: p50 2.000 ms p99 18.000 ms max 18.000 ms" "$scratch/delay.svg"
check "and drawn" grep -q "Transport delay of each write" "$scratch/delay.svg"
"$src/scripts/plot" --rate 30 "$scratch/run.csv" >/dev/null 2>"$scratch/plot.err"
check "an unknown option: status 2 and one line" \
  bash -c '[ "$1" = 2 ] && [ "$(cat "$2")" = "scripts/plot: unknown option --rate (see --help)" ]' _ "$?" "$scratch/plot.err"

: >"$scratch/empty.csv"
echo "$header" >"$scratch/header.csv"
echo "time_s,lat,lon" >"$scratch/track.csv"
while IFS='|' read -r file message; do
  "$src/scripts/plot" "$scratch/$file" "$scratch/out.png" >/dev/null 2>"$scratch/plot.err"
  status=$?
  check "$file: status 1 and \"$message\"" bash -c '[ "$1" = 1 ] && [ "$(cat "$2")" = "$3" ]' _ \
    "$status" "$scratch/plot.err" "scripts/plot: $scratch/$message"
done <<'CASES'
missing.csv|missing.csv: No such file or directory
empty.csv|empty.csv: empty, nothing to draw
header.csv|header.csv: 0 well-formed datagrams, nothing to draw
track.csv|track.csv: not a viewsync-monitor record (its first line is not the monitor's header)
CASES
finish_test plot.err
