#!/usr/bin/env bash
# systemd-analyze verify on a unit file, under the name given (a template as
# one of its instances, tavrion@left.service), with the built program in
# place of the installed one (/usr/bin/NAME of the program). Any line it
# prints (it warns and still ends with 0 for a setting it ignores) fails the
# test; so does a missing line of those the unit must have, or a line it
# must not have (a pattern given as !PATTERN).
#   unit_file_test.sh SYSTEMD_ANALYZE UNIT_FILE UNIT_NAME PROGRAM [[!]LINE_PATTERN...]
set -euo pipefail
analyze=$1 unit=$2 name=$3 program=$4
shift 4
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
sed "s|/usr/bin/$(basename "$program") |$program |" "$unit" >"$folder/$name"
said=$("$analyze" verify --man=no "$folder/$name" 2>&1) || {
  echo "$said"
  exit 1
}
if [ -n "$said" ]; then
  echo "systemd-analyze verify said:"
  echo "$said"
  exit 1
fi
for pattern in "$@"; do
  if [ "${pattern:0:1}" = '!' ]; then
    ! grep -q -- "${pattern:1}" "$folder/$name" || { echo "$name has a line ${pattern:1}"; exit 1; }
  else
    grep -q -- "$pattern" "$folder/$name" || { echo "$name has no line $pattern"; exit 1; }
  fi
done
echo "$name verified"
