#!/bin/sh
# Runs a window test program in views of its own: a network with only the
# loopback interface (the station binds ports 7000 and 7001), a private
# /dev/shm (the station attaches to "VisualInterface") and a private X socket
# folder /tmp/.X11-unix (an X server started here must never replace or
# remove the socket of a display that runs on the machine; its lock file in
# /tmp still keeps it off display numbers in use). The rest of /tmp stays
# shared: the build and the checkout may live there. Needs root.
mkdir -p /tmp/.X11-unix 2>/dev/null
exec unshare --net --mount --ipc --propagation private sh -c '
  mount -t tmpfs -o mode=1777 tmpfs /dev/shm &&
  mount -t tmpfs -o mode=1777 tmpfs /tmp/.X11-unix &&
  ip link set lo up &&
  exec "$@"' netns-run "$@"
