#!/bin/sh
# Runs a command in views of its own: a network with only the loopback
# interface (the station binds ports 7000 and 7001), a private /dev/shm (the
# station attaches to "VisualInterface") and a private X socket folder
# /tmp/.X11-unix (an X server started here must never replace or remove the
# socket of a display that runs on the machine; its lock file in /tmp still
# keeps it off display numbers in use). The rest of /tmp stays shared: the
# build and the checkout may live there. Needs root. The command finds
# TAVRION_PRIVATE_VIEW=1 in its environment.
#
#   private-view.sh [--or-skip] COMMAND [ARGUMENT...]
#     --or-skip  where the views cannot be made, run the command all the same,
#                with the reason in TAVRION_NO_PRIVATE_VIEW and without
#                TAVRION_PRIVATE_VIEW: the tests then skip what needs the
#                views (tests/common/PrivateView.h, require_private_view in
#                tests/common/script_test.sh). Without it the script ends
#                with status 1 and the reason.
or_skip=0
if [ "${1:-}" = --or-skip ]; then
  or_skip=1
  shift
fi

reason=
if [ "$(id -u)" -ne 0 ]; then
  reason="making network, /dev/shm and X socket views needs root"
elif ! said=$(unshare --net --mount --ipc --propagation private true 2>&1); then
  reason="unshare cannot make the views: $said"
fi
if [ -n "$reason" ]; then
  if [ "$or_skip" -eq 0 ]; then
    echo "private-view.sh: $reason" >&2
    exit 1
  fi
  unset TAVRION_PRIVATE_VIEW
  TAVRION_NO_PRIVATE_VIEW="no private view: $reason"
  export TAVRION_NO_PRIVATE_VIEW
  exec "$@"
fi

mkdir -p /tmp/.X11-unix 2>/dev/null
unset TAVRION_NO_PRIVATE_VIEW
exec unshare --net --mount --ipc --propagation private sh -c '
  mount -t tmpfs -o mode=1777 tmpfs /dev/shm &&
  mount -t tmpfs -o mode=1777 tmpfs /tmp/.X11-unix &&
  ip link set lo up &&
  export TAVRION_PRIVATE_VIEW=1 &&
  exec "$@"' private-view "$@"
