#pragma once
// Tests of the whole station need its fixed ports 7000 and 7001 and the
// segment "VisualInterface", which a simulator and a station may be using on
// this machine. Such tests run only in views of their own: a network with
// only the loopback interface, a private /dev/shm and a private X socket
// folder, made by tests/common/private-view.sh (as root), which says so to
// the programs it runs. Anywhere else they are skipped, with the reason.

#include <functional>
#include <string>

// True inside such a view; otherwise false, and `reason` says why the test
// has none.
bool InPrivateView(std::string& reason);

// Runs `body` in a child process inside a network of its own, where only the
// loopback interface is up, and gives its exit status; kNoPrivateNetwork
// (with the reason) when the system refuses such a network (not root).
constexpr int kNoPrivateNetwork = 77;
int RunInPrivateNetwork(const std::function<int()>& body, std::string& reason);
