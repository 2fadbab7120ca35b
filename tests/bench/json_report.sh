#!/usr/bin/env bash
# tavrion-bench's JSON report is JSON: the benchmarks that open LAN sockets
# (whose layer prints console lines) run, and the whole standard output
# parses. A figure with a goal is told beside it on standard error, whatever
# its value: the goal fails nothing.
#   json_report.sh <tavrion-bench>
set -u
source "$(dirname "$0")/../common/script_test.sh"
"$1" --benchmark_filter='BM_SendString|BM_ReceivePackageNothingWaiting|BM_LoadOffsets20000' --benchmark_min_time=0.01 \
  --benchmark_format=json >"$scratch/report.json" 2>"$scratch/stderr.log"
check "tavrion-bench ran" [ $? -eq 0 ]
check "its report parses as JSON" bash -c 'python3 -m json.tool "$1" >/dev/null' _ "$scratch/report.json"
check "the report holds the three benchmarks" bash -c \
  '[ "$(grep -c "\"name\": \"BM_\(SendString\|ReceivePackageNothingWaiting\|LoadOffsets20000\)\"" "$1")" -eq 3 ]' _ "$scratch/report.json"
check "the offsets load is told beside its goal" grep -qE \
  '^BM_LoadOffsets20000: [0-9.e+]+ ms, goal at most 12 ms: (met|MISSED)$' "$scratch/stderr.log"
finish_test report.json stderr.log
