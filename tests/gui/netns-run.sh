#!/bin/sh
# Runs a window test program in views of its own: a network with only the
# loopback interface (the station binds ports 7000 and 7001), and private
# /dev/shm and /tmp (the station attaches to "VisualInterface", and the X
# server keeps its sockets and locks in /tmp). Nothing that the test does
# reaches a station or display that runs on the machine. Needs root.
exec unshare --net --mount --ipc --propagation private sh -c '
  mount -t tmpfs -o mode=1777 tmpfs /dev/shm &&
  mount -t tmpfs -o mode=1777 tmpfs /tmp &&
  ip link set lo up &&
  exec "$@"' netns-run "$@"
