#pragma once
// The human form of the station's replies and watch lines.

#include <cstdio>
#include <string>

#include "JsonReader.h"

// The reply to `command`, as lines for a person (nothing for a plain "done").
void PrintReply(std::FILE* out, const std::string& command, const JsonValue& reply);
// One line of a watch: an event, or the status once a second.
void PrintWatchLine(std::FILE* out, const JsonValue& line);
