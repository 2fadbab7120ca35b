// tavrion-click-latency: how soon the frame loop hands a click to its
// handler. A window with one button runs the station's frame loop (60 frames
// a second, the window's message pump, the machine's clock); a second thread
// clicks the button through the X server's test extension at random moments
// of the frame period, and queues a wx event to it, and each time takes the
// time from the moment the input left to the moment the handler ran.
//   tavrion-click-latency [--busy-wait] [--time-slice US] [--final-poll US|auto] [--clicks N]

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <getopt.h>
#include <time.h>
#include <wx/app.h>
#include <wx/button.h>
#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/init.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "Clock.h"
#include "RTLoop.h"
#include "TavrionDlg.h"
#include "ThreadScheduling.h"
#include "WxMessagePump.h"

namespace {

constexpr char kUsage[] =
    "Usage: tavrion-click-latency [--busy-wait] [--time-slice US] [--final-poll US|auto] [--clicks "
    "N]\n";
constexpr char kTitle[] = "tavrion click latency";

double NowMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

struct Options {
  bool busyWait = false;
  int timeSlice = kDefaultTimeSliceMicroseconds;
  int finalPoll = kDefaultFinalPollMicroseconds;
  bool learnLead = false;  // --final-poll auto
  int clicks = 200;
};

// 0 to go on, else the exit status.
int ReadOptions(int argc, char** argv, Options& options) {
  static const option kLong[] = {{"busy-wait", no_argument, nullptr, 'b'},
                                 {"clicks", required_argument, nullptr, 'n'},
                                 {"time-slice", required_argument, nullptr, 's'},
                                 {"final-poll", required_argument, nullptr, 'p'},
                                 {"help", no_argument, nullptr, 'h'},
                                 {"version", no_argument, nullptr, 'V'},
                                 {nullptr, 0, nullptr, 0}};
  int code = 0;
  while ((code = getopt_long(argc, argv, "", kLong, nullptr)) != -1) {
    char* end = nullptr;
    switch (code) {
      case 'b':
        options.busyWait = true;
        break;
      case 'n':
        options.clicks = static_cast<int>(std::strtol(optarg, &end, 10));
        if (*optarg == '\0' || *end != '\0' || options.clicks < 1 || options.clicks > 100000) {
          std::fprintf(stderr,
                       "tavrion-click-latency: --clicks: a count of 1 to 100000 is needed\n");
          return 2;
        }
        break;
      case 'p':
        if (std::strcmp(optarg, "auto") == 0) {
          options.finalPoll = 0;
          options.learnLead = true;
          break;
        }
        [[fallthrough]];
      case 's': {
        const long value = std::strtol(optarg, &end, 10);
        if (*optarg == '\0' || *end != '\0' || value < 0 || value > (code == 's' ? 100000 : 1000)) {
          std::fprintf(stderr, "tavrion-click-latency: --%s: microseconds, 0 to %d\n",
                       code == 's' ? "time-slice" : "final-poll", code == 's' ? 100000 : 1000);
          return 2;
        }
        (code == 's' ? options.timeSlice : options.finalPoll) = static_cast<int>(value);
        if (code == 'p') options.learnLead = false;
        break;
      }
      case 'h':
        std::printf(
            "%s"
            "Clicks a button whose window runs the station's frame loop and prints how\n"
            "long each click and each wx event queued from another thread took to reach\n"
            "its handler: count, p50, p99 and max in milliseconds.\n"
            "  --busy-wait  the loop polls between frames instead of sleeping\n"
            "  --time-slice US, --final-poll US|auto  the loop's waiting, as tavrion's\n"
            "  --clicks N   clicks and queued events to measure (200)\n"
            "Needs an X display with the XTEST extension (DISPLAY).\n",
            kUsage);
        return -1;
      case 'V':
        std::printf("tavrion-click-latency 1.0\n");
        return -1;
      default:
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
  }
  if (optind < argc) {
    std::fprintf(stderr, "tavrion-click-latency: unexpected argument \"%s\"\n", argv[optind]);
    return 2;
  }
  return 0;
}

// Runs nothing in its frames: only the waiting between them is measured.
class IdleFrames : public RTLoop {
 public:
  using RTLoop::RTLoop;
  int Execute(int /*frameIndex*/, int /*state*/) override { return 0; }
};

// What the clicking thread and the window share.
struct Probe {
  std::atomic<double> sentAt{0.0};
  std::atomic<bool> handled{true};
  std::vector<double> clickMs;
  std::vector<double> eventMs;
  std::atomic<bool> measuringClicks{true};
};

void Report(const char* what, std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  const std::size_t n = samples.size();
  if (n == 0) {
    std::printf("%s n 0\n", what);
    return;
  }
  std::printf("%s n %zu p50 %.3f p99 %.3f max %.3f ms\n", what, n, samples[n / 2],
              samples[std::min(n - 1, n * 99 / 100)], samples[n - 1]);
}

// Waits until the handler took the last input, then a random part of a frame
// period and more, so that inputs land at every moment of the period.
bool NextMoment(Probe& probe, std::mt19937& random) {
  for (int i = 0; i < 5000 && !probe.handled; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  std::uniform_int_distribution<int> micros(20000, 37000);
  std::this_thread::sleep_for(std::chrono::microseconds(micros(random)));
  return probe.handled;
}

// The clicking thread: the pointer onto the button, then clicks, then wx
// events queued to the button.
void Inject(Probe& probe, int count, int x, int y, wxButton* button, RTLoop* loop) {
  Display* display = XOpenDisplay(nullptr);
  std::mt19937 random(17);
  XTestFakeMotionEvent(display, -1, x, y, 0);
  XSync(display, False);
  for (int i = 0; i < count && NextMoment(probe, random); ++i) {
    probe.handled = false;
    XTestFakeButtonEvent(display, 1, True, 0);
    XTestFakeButtonEvent(display, 1, False, 0);
    probe.sentAt = NowMs();
    XFlush(display);
  }
  NextMoment(probe, random);
  probe.measuringClicks = false;
  for (int i = 0; i < count && NextMoment(probe, random); ++i) {
    probe.handled = false;
    probe.sentAt = NowMs();
    button->CallAfter([&probe] {
      probe.eventMs.push_back(NowMs() - probe.sentAt);
      probe.handled = true;
    });
  }
  NextMoment(probe, random);
  XCloseDisplay(display);
  button->CallAfter([loop] { loop->Stop(); });
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  const int status = ReadOptions(argc, argv, options);
  if (status != 0) {
    return status < 0 ? 0 : status;
  }
  setenv("GDK_GL", "disable", 0);
  wxApp::SetInstance(new wxApp);
  if (!wxEntryStart(argc, argv)) {
    std::fprintf(stderr, "tavrion-click-latency: the toolkit did not start (DISPLAY \"%s\")\n",
                 std::getenv("DISPLAY") != nullptr ? std::getenv("DISPLAY") : "");
    return 1;
  }
  // After the toolkit's own connection: one opened and closed before it
  // keeps the toolkit from starting.
  int xtestEvent = 0, xtestError = 0, major = 0, minor = 0;
  Display* probeDisplay = XOpenDisplay(nullptr);
  const bool xtest = probeDisplay != nullptr &&
                     XTestQueryExtension(probeDisplay, &xtestEvent, &xtestError, &major, &minor);
  if (probeDisplay != nullptr) {
    XCloseDisplay(probeDisplay);
  }
  if (!xtest) {
    std::fprintf(stderr, "tavrion-click-latency: the display has no XTEST extension\n");
    wxEntryCleanup();
    return 1;
  }
  Probe probe;
  {
    auto* frame = new wxFrame(nullptr, wxID_ANY, kTitle, wxPoint(0, 0), wxSize(240, 120));
    auto* button = new wxButton(frame, wxID_ANY, "Click");
    button->Bind(wxEVT_BUTTON, [&probe](wxCommandEvent&) {
      if (probe.measuringClicks) {
        probe.clickMs.push_back(NowMs() - probe.sentAt);
      }
      probe.handled = true;
    });
    frame->Show();
    wxGUIEventLoop eventLoop;
    wxEventLoopActivator active(&eventLoop);
    WxMessagePump pump;
    IdleFrames loop(60, Platform::SystemClock(), pump);
    loop.SetBusyWait(options.busyWait);
    if (options.finalPoll > 0) {
      loop.SetWakeAhead(static_cast<std::int64_t>(options.finalPoll) * 1000, true);
    } else {
      loop.SetWakeAhead(RTLoop::kDeadlineWakeAheadNanoseconds, false);
      loop.LearnWakeLead(options.learnLead);
    }
    Platform::ThreadScheduling scheduling;
    if (options.timeSlice > 0 && !options.busyWait) {
      scheduling.RequestShortSlice(static_cast<std::int64_t>(options.timeSlice) * 1000);
      std::printf("%s\n", scheduling.SliceText());
    }
    // Settles the window on the display before the first click.
    const double settle = NowMs() + 500.0;
    while (NowMs() < settle) {
      if (!pump.DispatchOne()) {
        pump.WaitForMessage(10 * 1000 * 1000);
      }
    }
    const wxPoint centre =
        button->ClientToScreen(wxPoint(button->GetSize().x / 2, button->GetSize().y / 2));
    std::thread injector(Inject, std::ref(probe), options.clicks, centre.x, centre.y, button,
                         &loop);
    loop.Start();
    loop.Run();
    injector.join();
    scheduling.Restore();
    frame->Destroy();
    while (pump.DispatchOne()) {
    }
  }
  wxEntryCleanup();
  std::printf("loop %s\n", options.busyWait ? "busy-wait" : "waiting");
  Report("click", probe.clickMs);
  Report("queued-event", probe.eventMs);
  // A click or event not handled within seconds is left out of the figures;
  // the counts show it.
  return probe.clickMs.empty() || probe.eventMs.empty() ? 1 : 0;
}
