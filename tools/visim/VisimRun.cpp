#include "VisimRun.h"

#include <cmath>
#include <cstring>
#include <string>

#include "BaseSharedMemory.h"
#include "CommandLine.h"
#include "SharedSegment.h"
#include "TavrionVersion.h"
#include "VisimDemo.h"
#include "VisimOptions.h"
#include "VisimRecorder.h"
#include "VisualShm.h"

namespace {

double Seconds(Platform::Clock& clock) {
  return static_cast<double>(clock.ReadNanoseconds()) / 1e9;
}

void SleepUntil(Platform::Clock& clock, double seconds) {
  const double wait = seconds - Seconds(clock);
  clock.SleepNanoseconds(wait > 0.0 ? std::llround(wait * 1e9) : 0);
}

}  // namespace

bool VisimDemoSource::FieldsAt(double seconds, VisimFields* fields) {
  *fields = VisimDemo::At(seconds);
  return true;
}

bool VisimReplaySource::FieldsAt(double seconds, VisimFields* fields) {
  *fields = VisimFields();
  const auto& rows = m_track.Rows();
  while (m_next < rows.size() && rows[m_next].time <= seconds) {
    fields->Merge(rows[m_next].fields);
    ++m_next;
  }
  return m_next < rows.size();
}

long RunVisimFrames(VisimSource& source, VisualInterfaceRecord* record, double rate,
                    double duration, Platform::Clock& clock, const volatile std::sig_atomic_t* stop,
                    bool* recordLost) {
  if (recordLost != nullptr) *recordLost = false;
  if (!(rate > 0.0)) return 0;
  auto stopped = [stop] { return stop != nullptr && *stop != 0; };
  double start = Seconds(clock);
  long frames = 0;
  for (long n = 0;; ++n) {
    double due = static_cast<double>(n) / rate;
    double late = Seconds(clock) - start - due;
    if (late > 1.0) {
      n = static_cast<long>(std::floor((due + late) * rate));
      due = static_cast<double>(n) / rate;
    }
    if (duration > 0.0 && due > duration) break;
    SleepUntil(clock, start + due);
    if (stopped()) break;
    VisimFields fields;
    bool more = source.FieldsAt(due, &fields);
    if (!WriteVisimFields(fields, record)) {
      if (recordLost != nullptr) *recordLost = true;
      break;
    }
    ++frames;
    if (!more) break;
  }
  return frames;
}

namespace {

// A look at the segment that neither creates it nor counts as a user.
class SegmentPeek : public BaseSharedMemory {
 public:
  explicit SegmentPeek(const char* name) { SetName(name); }
  ~SegmentPeek() { Release(); }
};

int Dump(const char* segment, std::FILE* out, std::FILE* err) {
  SegmentPeek peek(segment);
  if (!peek.Open()) {
    std::fprintf(err, "visim: cannot open segment \"%s\": %s (Code: %d)\n", segment,
                 Platform::SharedSegmentErrorText(peek.GetLastErrorCode()),
                 peek.GetLastErrorCode());
    return 1;
  }
  std::fprintf(out, "segment=%s\nsize=%zu\n", segment, peek.GetViewSize());
  // A copy, taken in one go: the segment may shrink while it is read.
  static VisualInterfaceRecord record;
  if (peek.GetViewSize() < sizeof record || !peek.ReadView(0, &record, sizeof record)) {
    std::fprintf(err, "visim: segment \"%s\" holds %zu bytes, the record needs %d\n", segment,
                 peek.GetCurrentSize(), kVisualInterfaceSize);
    return 1;
  }
  PrintVisimRecord(record, out);
  return 0;
}

int Remove(const char* segment, std::FILE* out, std::FILE* err) {
  int code = Platform::RemoveSharedSegment(segment);
  if (code != 0) {
    std::fprintf(err, "visim: cannot remove segment \"%s\": %s (Code: %d)\n", segment,
                 Platform::SharedSegmentErrorText(code), code);
    return 1;
  }
  std::fprintf(out, "visim: removed segment \"%s\"\n", segment);
  return 0;
}

// The reason in a failure text, on one line: the failing operation's name
// (the part before the first line end) left out, the other parts joined by
// ": ".
std::string FailureReason(const char* text) {
  const char* reason = std::strchr(text, '\n');
  std::string line = reason != nullptr ? reason + 1 : text;
  for (std::size_t at = line.find('\n'); at != std::string::npos; at = line.find('\n', at)) {
    line.replace(at, 1, ": ");
  }
  return line;
}

// --set, then --demo or --replay, through one counted attachment.
int Write(const VisimOptions& options, const VisimTrack& track, std::FILE* err,
          Platform::Clock& clock, const volatile std::sig_atomic_t* stop) {
  CVisShm shm(options.segment);
  if (!shm.IsUsable()) {
    std::fprintf(err, "visim: cannot use segment \"%s\": %s\n", options.segment,
                 FailureReason(shm.GetErrorText()).c_str());
    return 1;
  }
  bool lost = !WriteVisimFields(options.sets, shm.GetRecord());
  if (!lost && options.demo) {
    VisimDemoSource demo;
    RunVisimFrames(demo, shm.GetRecord(), options.rate, options.duration, clock, stop, &lost);
  } else if (!lost && options.Replays()) {
    VisimReplaySource replay(track);
    RunVisimFrames(replay, shm.GetRecord(), options.rate, options.duration, clock, stop, &lost);
  }
  if (lost) {
    std::fprintf(err,
                 "visim: segment \"%s\" shrank to %zu bytes under visim, the record needs %d: "
                 "stopped writing\n",
                 options.segment, shm.GetCurrentSize(), kVisualInterfaceSize);
    return 1;
  }
  return 0;
}

// --record: the segment looked at, never attached to.
int Record(const VisimOptions& options, std::FILE* err, Platform::Clock& clock,
           const volatile std::sig_atomic_t* stop) {
  VisimSegmentReader segment;
  if (!segment.Open(options.segment)) {
    std::fprintf(err, "visim: %s\n", segment.GetErrorText());
    return 1;
  }
  VisimTrackWriter track;
  if (!track.Open(options.recordFile)) {
    std::fprintf(err, "visim: %s\n", track.GetErrorText());
    return 1;
  }
  const char* error = "";
  int status =
      RunVisimRecorder(segment, track, options.rate, options.duration, clock, stop, &error);
  if (status != 0) std::fprintf(err, "visim: %s\n", error);
  return status;
}

}  // namespace

int VisimMain(int argc, const char* const* argv, std::FILE* out, std::FILE* err,
              Platform::Clock& clock, const volatile std::sig_atomic_t* stop) {
  VisimOptions options;
  char error[512];
  if (!ParseVisimOptions(argc, argv, &options, error, sizeof error)) {
    Platform::PrintUsageFault(err, "visim", error);
    return 2;
  }
  if (options.help) {
    std::fputs(VisimUsage(), out);
    return 0;
  }
  if (options.version) {
    PrintTavrionVersion(out, "visim");
    return 0;
  }
  if (options.remove) return Remove(options.segment, out, err);
  if (options.Records()) return Record(options, err, clock, stop);

  VisimTrack track;
  if (options.Replays() && !track.Load(options.replayFile)) {
    std::fprintf(err, "visim: %s\n", track.GetErrorText());
    return track.CouldNotRead() ? 1 : 2;
  }
  if (options.Writes()) {
    int status = Write(options, track, err, clock, stop);
    if (status != 0) return status;
  }
  return options.dump ? Dump(options.segment, out, err) : 0;
}
