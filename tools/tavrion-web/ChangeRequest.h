#pragma once
// A browser's change as the station's command line. The page posts
//   {"command":"trim","arguments":["up"]}
// and only the station's changing commands are taken (view, map-altitude,
// slew, trim, save, pause, resume: ControlProtocol.h marks them), with at
// most three arguments of a few plain characters each, so that nothing
// else can reach the station's socket; what the arguments mean the station
// itself checks, and its refusal goes back to the page.

#include <string>

// The command line for `body`; false with the reason for the browser.
bool ReadChangeRequest(const std::string& body, std::string* line, std::string* fault);
