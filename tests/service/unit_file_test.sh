#!/usr/bin/env bash
# systemd-analyze verify on the unit template, as the instance "left", with
# the built program in place of the installed one. Any line it prints (it
# warns and still ends with 0 for a setting it ignores) fails the test.
#   unit_file_test.sh SYSTEMD_ANALYZE UNIT_TEMPLATE PROGRAM
set -euo pipefail
analyze=$1 template=$2 program=$3
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
sed "s|/usr/bin/tavrion|$program|" "$template" >"$folder/tavrion@left.service"
said=$("$analyze" verify --man=no "$folder/tavrion@left.service" 2>&1) || {
  echo "$said"
  exit 1
}
if [ -n "$said" ]; then
  echo "systemd-analyze verify said:"
  echo "$said"
  exit 1
fi
grep -q '^Type=notify$' "$folder/tavrion@left.service"
grep -q '^WatchdogSec=5$' "$folder/tavrion@left.service"
grep -q '^RuntimeDirectory=tavrion/%i$' "$folder/tavrion@left.service"
grep -q '^RestrictAddressFamilies=.*AF_UNIX' "$folder/tavrion@left.service"
echo "unit file verified"
