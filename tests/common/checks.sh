# Shared by the shell tests: named checks and a scratch folder.
#   source tests/common/checks.sh
# check DESCRIPTION COMMAND...: runs the command, prints "ok:" or "FAILED:"
# with the description; a failure sets fail=1, which the test exits with.
fail=0
check() {
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; fail=1; fi
}

# A scratch folder, removed when the test ends.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
