#!/usr/bin/env bash
# The README's option tables agree with each program's --help: every option
# --help lists is in the program's table, and the table names no option the
# program does not have. A program's table is the first Markdown table after
# its heading or caption (`PROGRAM`, the heading "### `PROGRAM`, ..." or a
# table whose header cell is "`PROGRAM` option"). The check is also run on a
# copy of the README with one row taken out, which it must catch.
#   readme_options_test.sh README BIN_FOLDER PROGRAM...
set -u
readme=$1
bin=$2
shift 2
source "$(dirname "$0")/../common/script_test.sh"

# The long options a program's --help defines: its option lines, not the
# options its text merely mentions.
help_options() {
  "$bin/$1" --help | grep -oE '^ {1,8}(-[A-Za-z0-9], )?--[a-z][a-z0-9-]*' |
    grep -oE -- '--[a-z][a-z0-9-]*' | sort -u
}

# The options the README's table for the program names in its first column.
readme_options() {
  awk -v program="$1" '
    BEGIN { heading = "### `" program "`"; caption = "| `" program "` option" }
    !found && (index($0, heading) == 1 || index($0, caption) == 1) { found = 1 }
    found && /^\|/ { in_table = 1; split($0, cells, "|"); print cells[2]; next }
    found && in_table && !/^\|/ { exit }
  ' "$2" | grep -oE -- '--[a-z][a-z0-9-]*' | sort -u
}

# Whether the README's table and --help agree for the program; says how not.
agree() {
  local program=$1 file=$2 missing extra
  missing=$(comm -23 <(help_options "$program") <(readme_options "$program" "$file") | paste -sd ' ')
  extra=$(comm -13 <(help_options "$program") <(readme_options "$program" "$file") | paste -sd ' ')
  [ -z "$missing$extra" ] && return 0
  [ -z "$missing" ] || echo "  $program: --help lists, the README's table does not: $missing"
  [ -z "$extra" ] || echo "  $program: the README's table names, --help does not: $extra"
  return 1
}

for program in "$@"; do
  [ -x "$bin/$program" ] || { echo "skipped: $program is not built"; continue; }
  [ -n "$(readme_options "$program" "$readme")" ] || { check "$program has a table" false; continue; }
  check "the README's options of $program are those of its --help" agree "$program" "$readme"
done

# A planted difference: the row of tavrion's --rate taken out.
grep -v '^| `--rate N` |' "$readme" >"$scratch/planted.md"
# Caught: tavrion's table and --help disagree, for want of that row.
caught() { agree tavrion "$1" | grep -qE -- "the README's table does not: .*--rate( |\$)"; }
check "a README without tavrion's --rate row is caught" caught "$scratch/planted.md"
finish_test
