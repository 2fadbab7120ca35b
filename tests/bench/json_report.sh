#!/usr/bin/env bash
# tavrion-bench's JSON report is JSON: the benchmarks that open LAN sockets
# (whose layer prints console lines) run, and the whole standard output
# parses.
#   json_report.sh <tavrion-bench>
set -u
source "$(dirname "$0")/../common/script_test.sh"
"$1" --benchmark_filter='BM_SendString|BM_ReceivePackageNothingWaiting' --benchmark_min_time=0.01 \
  --benchmark_format=json >"$scratch/report.json" 2>"$scratch/stderr.log"
check "tavrion-bench ran" [ $? -eq 0 ]
check "its report parses as JSON" python3 -m json.tool "$scratch/report.json" >/dev/null
check "the report holds both benchmarks" bash -c \
  '[ "$(grep -c "\"name\": \"BM_\(SendString\|ReceivePackageNothingWaiting\)\"" "$1")" -eq 2 ]' _ "$scratch/report.json"
finish_test report.json stderr.log
