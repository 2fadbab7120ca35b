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
  if (!m_started) {
    m_started = true;
    m_haveRow = m_track.Next(&m_row);
  }
  if (!m_haveRow) return false;
  if (m_row.time <= seconds + m_halfFrame) {
    *fields = m_row.fields;
    if (seconds - m_row.time > m_lag) m_lag = seconds - m_row.time;
    m_haveRow = m_track.Next(&m_row);
  }
  return m_haveRow;
}

long RunVisimFrames(VisimSource& source, VisualInterfaceRecord* record, double rate,
                    double duration, Platform::Clock& clock, const volatile std::sig_atomic_t* stop,
                    bool* recordLost, VisimWriteLog* log) {
  if (recordLost != nullptr) *recordLost = false;
  if (!(rate > 0.0)) return 0;
  auto stopped = [stop] { return stop != nullptr && *stop != 0; };
  double start = Seconds(clock);
  double logFlushed = 0.0;
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
    VisimFields written;
    if (!WriteVisimFields(fields, record) ||
        (log != nullptr && fields.mask != 0 && !ReadVisimFields(record, &written))) {
      if (recordLost != nullptr) *recordLost = true;
      break;
    }
    ++frames;
    if (log != nullptr && fields.mask != 0) {
      log->Add(clock.ReadWallNanoseconds(), written);
      if (due - logFlushed >= 1.0) {
        if (!log->Flush()) break;
        logFlushed = due;
      }
    }
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

// The frames of --demo or --replay; false when the replay file could no
// longer be read (it changed since it was checked), with the reason told.
bool RunFrames(const VisimOptions& options, VisualInterfaceRecord* record, std::FILE* err,
               Platform::Clock& clock, const volatile std::sig_atomic_t* stop, bool* lost,
               VisimWriteLog* log) {
  if (options.demo) {
    VisimDemoSource demo;
    RunVisimFrames(demo, record, options.rate, options.duration, clock, stop, lost, log);
    return true;
  }
  VisimTrack track;
  if (!track.Open(options.replayFile)) {
    std::fprintf(err, "visim: %s\n", track.GetErrorText());
    return false;
  }
  VisimReplaySource replay(track, options.rate);
  RunVisimFrames(replay, record, options.rate, options.duration, clock, stop, lost, log);
  if (track.Failed()) {
    std::fprintf(err, "visim: %s\n", track.GetErrorText());
    return false;
  }
  if (replay.LagSeconds() > 1.0) {
    std::fprintf(err,
                 "visim: the replay ran up to %.1f s behind the file's times: its rows come more "
                 "often than --rate %g frames a second, each written in a frame of its own\n",
                 replay.LagSeconds(), options.rate);
  }
  return true;
}

// --set, then --demo or --replay, through one counted attachment; each
// write told to the write log when there is one.
int Write(const VisimOptions& options, std::FILE* err, Platform::Clock& clock,
          const volatile std::sig_atomic_t* stop) {
  VisimWriteLog log;
  VisimWriteLog* logging = options.Logs() ? &log : nullptr;
  if (logging != nullptr && !log.Open(options.writeLogFile)) {
    std::fprintf(err, "visim: %s\n", log.GetErrorText());
    return 1;
  }
  CVisShm shm(options.segment);
  if (!shm.IsUsable()) {
    std::fprintf(err, "visim: cannot use segment \"%s\": %s\n", options.segment,
                 FailureReason(shm.GetErrorText()).c_str());
    return 1;
  }
  VisimFields written;
  bool lost = !WriteVisimFields(options.sets, shm.GetRecord());
  if (!lost && logging != nullptr && options.sets.mask != 0) {
    lost = !ReadVisimFields(shm.GetRecord(), &written);
    log.Add(clock.ReadWallNanoseconds(), written);
  }
  bool replayed = true;
  if (!lost && (options.demo || options.Replays())) {
    replayed = RunFrames(options, shm.GetRecord(), err, clock, stop, &lost, logging);
  }
  if (lost) {
    std::fprintf(err,
                 "visim: segment \"%s\" shrank to %zu bytes under visim, the record needs %d: "
                 "stopped writing\n",
                 options.segment, shm.GetCurrentSize(), kVisualInterfaceSize);
    return 1;
  }
  if (logging != nullptr && !log.Close()) {
    std::fprintf(err, "visim: %s\n", log.GetErrorText());
    return 1;
  }
  return replayed ? 0 : 1;
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

  // The whole replay file is read once before anything is written.
  if (options.Replays()) {
    VisimTrack track;
    if (!track.Open(options.replayFile) || !track.ReadToEnd()) {
      std::fprintf(err, "visim: %s\n", track.GetErrorText());
      return track.CouldNotRead() ? 1 : 2;
    }
    if (track.Notice()[0] != '\0') std::fprintf(err, "visim: %s\n", track.Notice());
  }
  if (options.Writes()) {
    int status = Write(options, err, clock, stop);
    if (status != 0) return status;
  }
  return options.dump ? Dump(options.segment, out, err) : 0;
}
