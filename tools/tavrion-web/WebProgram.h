#pragma once
// tavrion-web, apart from main(): reads its command line, the token and the
// page's files, serves the page and follows the stations until SIGTERM or
// SIGINT. Its lines go to `out` (the journal under systemd), its faults to
// `err`.

#include <cstdio>

// Exit status: 0 stopped, 1 something named could not be used (the token
// file, the page's files, the address), 2 a bad command line.
int WebMain(int argc, const char* const* argv, std::FILE* out, std::FILE* err);
