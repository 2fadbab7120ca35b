#pragma once
// The monitor's lines of text. The summary is the last line the monitor
// prints and what scripts read; its shape is fixed:
//   received N malformed M gaps G rate R Hz p50 A ms p99 B ms max C ms first F last L
// A value that does not exist yet (no interval, no well-formed datagram) is
// written as "-". All numbers use "." as the decimal separator.

#include <cstddef>

#include "MonitorStatistics.h"
#include "ViewSyncParser.h"

constexpr int kReportLineSize = 1024;

int FormatSummary(const MonitorStatistics& statistics, char* buffer, int size);

// The once-a-second line: elapsed time, all counts, the rate over the last
// second, the spacing so far and the last well-formed camera.
int FormatProgress(const MonitorStatistics& statistics, double elapsedSeconds, double recentRateHz,
                   char* buffer, int size);

// The camera written back as the station writes it: nine fields, each with
// its comma, then the planet when there was one.
int FormatCamera(const ReceivedCamera& camera, char* buffer, int size);

// A datagram shown safely on one line: printable characters as they are,
// "\" and other bytes as \xNN, cut with "..." so it fits in size.
void FormatExcerpt(const char* data, std::size_t length, char* buffer, int size);
