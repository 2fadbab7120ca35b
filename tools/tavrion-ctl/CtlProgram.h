#pragma once
// tavrion-ctl, apart from main(): a client of a station's control socket.
// It sends one command and prints the reply, in a short human form or as
// the station's JSON; `watch` goes on printing until the station closes the
// connection or `stop` is set (Ctrl-C).

#include <csignal>
#include <cstdio>

// Exit status: 0 done, 1 refused by the station (its reason on err), 2 a
// bad command line, 3 no station there (or it did not answer).
int CtlMain(int argc, const char* const* argv, std::FILE* out, std::FILE* err,
            const volatile std::sig_atomic_t* stop);
