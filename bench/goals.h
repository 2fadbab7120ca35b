#pragma once
// Goals the station's figures are held to, told beside what a run of
// tavrion-bench measured, so that a slower build is seen before it lands.
// They fail nothing: the machine's speed varies over a day, and a figure is
// judged by a person reading it.

#include <benchmark/benchmark.h>

#include <memory>

// The benchmark function `name` (as BENCHMARK named it) should take at most
// `milliseconds` of real time a run. Returns true, so that a file can set its
// goals in the initialiser of a static.
bool SetGoal(const char* name, double milliseconds);

// A display reporter that passes everything on to `display` and, once the
// run is over, tells each goal whose benchmark ran on the error stream (a
// JSON or CSV report on standard output stays whole): the median of the
// repetitions when there are several, the one figure otherwise.
std::unique_ptr<benchmark::BenchmarkReporter> ReporterWithGoals(
    benchmark::BenchmarkReporter* display);
