// tavrion-bench's entry point. The socket layer and the LAN object print
// their console lines ("Environment Set", failed sends) through C stdio to
// standard output; those lines would land inside the benchmark's own report
// and break --benchmark_format=json. The report keeps standard output, while
// C stdio writes to /dev/null for the whole run.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <ext/stdio_filebuf.h>
#include <iostream>

#include "goals.h"

namespace {

// Points the descriptor behind C stdio's stdout at /dev/null and returns a
// copy of the original one, or -1 when that is not possible (the console
// then stays where it was).
int SilenceConsole() {
  std::fflush(stdout);
  int report = dup(STDOUT_FILENO);
  int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (report < 0 || null < 0 || dup2(null, STDOUT_FILENO) < 0) {
    if (report >= 0) close(report);
    if (null >= 0) close(null);
    return -1;
  }
  close(null);
  return report;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  // The default display reporter follows --benchmark_format; the library keeps it.
  std::unique_ptr<benchmark::BenchmarkReporter> display =
      ReporterWithGoals(benchmark::CreateDefaultDisplayReporter());
  int report = SilenceConsole();
  if (report < 0) {
    benchmark::RunSpecifiedBenchmarks(display.get());
  } else {
    __gnu_cxx::stdio_filebuf<char> reportBuffer(report, std::ios::out);
    std::streambuf* console = std::cout.rdbuf(&reportBuffer);
    benchmark::RunSpecifiedBenchmarks(display.get());
    std::cout.flush();
    std::cout.rdbuf(console);
  }
  benchmark::Shutdown();
  return 0;
}
