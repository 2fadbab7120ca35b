#!/usr/bin/env bash
# systemd-analyze verify on the unit template, as the instance "left", with
# the built program in place of the installed one. Any line it prints (it
# warns and still ends with 0 for a setting it ignores) fails the test, and
# so does a setting the station relies on that is missing.
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
unit=$folder/tavrion@left.service
# has PATTERN WHY / lacks PATTERN WHY: a line of the unit that must (not) be.
has() { grep -q -- "$1" "$unit" || { echo "the unit has no line $1: $2"; exit 1; }; }
lacks() { ! grep -q -- "$1" "$unit" || { echo "the unit has a line $1: $2"; exit 1; }; }
has '^Type=notify$' "the station speaks the notify protocol"
has '^WatchdogSec=5$' "a hung frame loop is restarted"
has '^RuntimeDirectory=tavrion/%i$' "the control socket's folder"
has '^RestrictAddressFamilies=.*AF_UNIX' "the control socket"
# The frame loop's priority: the station's own request under an rtprio
# limit, with no capability and no policy for the whole process.
has '^ExecStart=.* --headless --realtime ' "the loop asks for its priority"
has '^LimitRTPRIO=10$' "the priority it may take"
has '^CapabilityBoundingSet=$' "no capability"
lacks '^CPUScheduling' "every thread would run at the priority"
lacks '^RestrictRealtime=yes' "the loop could take no priority"
echo "unit file verified"
