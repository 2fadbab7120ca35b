// What the station tells its faces: events, boxes and reports, the message
// line, what start-up found in the offsets file, and the status value.

#include <cstring>

#include "FileNames.h"
#include "QMP0001_02_RtLan.h"
#include "Station.h"
#include "TextFunctions.h"

namespace {

const char kOffsetsFileName[] = "Offsets.dat";

// "3 lines with <what> (first at line 5)", or empty when there were none.
void DescribeSkippedLines(char (&text)[MessageLine::kTextSize], int count, int firstLine,
                          const char* what) {
  text[0] = '\0';
  if (count > 0) {
    SafeFormat(text, sizeof text, "%d line%s with %s (%s %d)", count, count == 1 ? "" : "s", what,
               count == 1 ? "line" : "first at line", firstLine);
  }
}

}  // namespace

void Station::Emit(StationEvent::Kind kind, const char* text, const char* caption, int style) {
  const StationEvent event{kind, text, caption, style};
  // An observer may remove itself: each is looked up afresh.
  for (std::size_t i = 0; i < m_observers.size(); ++i) {
    StationObserver* observer = m_observers[i];
    observer->OnStationEvent(event);
    if (i < m_observers.size() && m_observers[i] != observer) --i;
  }
}

void Station::InitialiseAirportDataBase() {
  char fileName[kNameSize];
  Platform::FileInFolder(m_workingFolder, kOffsetsFileName, fileName, kNameSize);
  if (!m_trims.Load(fileName)) {
    Tell(m_trims.Table().GetErrorText(), kAirportDataBaseCaption, kMessageBoxExclamation);
    return;
  }
  TellOffsetsFileReport();
}

void Station::TellOffsetsFileReport() {
  const OffsetsReadReport& report = m_trims.Table().GetReadReport();
  char text[MessageLine::kTextSize];
  if (report.recordsNotKept > 0) {
    // Told before any trim: Save will refuse, and why.
    SafeFormat(text, sizeof text,
               "%s holds %d airports; the table keeps %d.\n"
               "Save will not overwrite the file, so that none of its airports is lost.",
               kOffsetsFileName, report.records, report.records - report.recordsNotKept);
    Tell(text, kAirportDataBaseCaption, kMessageBoxExclamation);
  }
  if (report.notOffsetsFile) {
    SafeFormat(text, sizeof text,
               "%s is not an offsets file.\n"
               "Save will not overwrite it.",
               kOffsetsFileName);
    Tell(text, kAirportDataBaseCaption, kMessageBoxExclamation);
  }
  const struct {
    int count;
    int firstLine;
    const char* what;
  } skipped[] = {
      {report.badOffsetLines, report.firstBadOffsetLine,
       "an offset that is not a finite number or too large"},
      {report.shortLines, report.firstShortLine, "fewer than three fields"},
      {report.notANumberLines, report.firstNotANumberLine, "an offset that is not a number"},
      {report.longIdentLines, report.firstLongIdentLine, "an identifier over 4 characters"},
      {report.notTextLines, report.firstNotTextLine, "bytes that are not text"},
  };
  int length = SafeFormat(text, sizeof text, "%s: skipped ", kOffsetsFileName);
  const int heading = length;
  for (const auto& kind : skipped) {
    char part[MessageLine::kTextSize];
    DescribeSkippedLines(part, kind.count, kind.firstLine, kind.what);
    if (part[0] == '\0') continue;
    const int added = SafeFormat(text + length, static_cast<int>(sizeof text) - length, "%s%s",
                                 length > heading ? "; " : "", part);
    if (added < 0) {
      text[length] = '\0';  // the line is full: what is told stays whole
      break;
    }
    length += added;
  }
  if (length > heading) {
    Report(text, kAirportDataBaseCaption);
  }
}

void Station::Tell(const char* text, const char* caption, int style) {
  if (m_settings.connect) {
    Report(text, caption);
  } else {
    Emit(StationEvent::kBox, text, caption, style);
  }
}

void Station::Report(const char* text, const char* caption) {
  // One line: a box's line breaks become blanks.
  char line[MessageLine::kTextSize];
  SafeCopy(line, text, sizeof line);
  for (char& c : line) {
    if (c == '\n') c = ' ';
  }
  Notice(line, caption);
  if (!m_settings.connect) {
    return;
  }
  Emit(StationEvent::kReport, line, caption);
  m_link.LogLines(line);  // kept until the log is opened at Connect
}

void Station::ShowMessage(const char* text) {
  Notice(text, "");
}

void Station::Notice(const char* text, const char* caption) {
  m_messageLine.Notice(text);
  ShowMessageLine();
  Emit(StationEvent::kTold, text, caption);
}

void Station::RaiseCondition(MessageLine::Condition condition, const char* text) {
  // Told once when it begins; a new text while it lasts only shows.
  const bool begins = !m_messageLine.Holds(condition);
  m_messageLine.Raise(condition, text);
  ShowMessageLine();
  if (begins) {
    Emit(StationEvent::kTold, text);
  }
}

void Station::ClearCondition(MessageLine::Condition condition) {
  if (!m_messageLine.Holds(condition)) {
    return;
  }
  m_messageLine.Clear(condition);
  ShowMessageLine();
}

void Station::ShowMessageLine() {
  if (std::strcmp(m_shownMessage, m_messageLine.Text()) == 0) {
    return;
  }
  SafeCopy(m_shownMessage, m_messageLine.Text(), sizeof m_shownMessage);
  Emit(StationEvent::kMessageLine, m_shownMessage);
}

StationStatus Station::GetStatus() const {
  StationStatus status{};
  status.connected = m_link.IsOpen() && m_link.IsOk();
  status.running = m_running;
  status.ending = m_shuttingDown;
  status.counter = m_view.Camera().counter;
  status.frameCount = m_frameCount;
  status.sent = m_link.GetSent();
  status.left = m_link.GetLeft();
  status.held = m_link.GetHeld();
  status.rate = m_rate;
  status.leftRate = m_leftRate;
  status.lamp = m_link.GetStatus();
  status.destination = m_destination;
  status.remotePort = m_settings.remotePort;
  status.localPort = m_port;
  status.destinationLocked = IsDestinationLocked();
  status.destinationFailing = m_link.IsDestinationFailing();
  SafeCopy(status.destinationFailure, status.destinationFailing ? m_link.DestinationFailure() : "",
           sizeof status.destinationFailure);
  status.destinationFailures = m_link.GetDestinationFailures();
  SafeCopy(status.hostAddress, m_hostIpText, sizeof status.hostAddress);
  const ViewSyncReceivers& receivers = m_link.Receivers();
  status.receiverCount = receivers.Count();
  for (int i = 0; i < receivers.Count(); ++i) {
    status.receivers[i] = {receivers.At(i).address, receivers.At(i).port, receivers.IsFailing(i),
                           receivers.GetFailedSends(i), receivers.GetSentDatagrams(i)};
  }
  status.segment = m_simulator.IsLost()              ? SegmentState::kLost
                   : m_simulator.IsUnwritten()       ? SegmentState::kUnwritten
                   : m_simulator.Record() != nullptr ? SegmentState::kAttached
                                                     : SegmentState::kNone;
  SafeCopy(status.segmentName, m_simulator.Name(), sizeof status.segmentName);
  status.record = m_simulator.Record();
  status.dataFrozen = m_simulator.IsFrozen();
  status.counterKept = !m_link.IsCounterFailing();
  SafeCopy(status.counterFailure, status.counterKept ? "" : m_link.CounterFailure(),
           sizeof status.counterFailure);
  // A segment nobody wrote yet reports no airport: only the one stamped here.
  if (!m_simulator.IsUnwritten()) {
    CopyFieldText(status.airport, sizeof status.airport, m_simulator.Block().airportIdent);
  }
  status.airportInTable = m_trims.GetAirportIndex() != AirportTrims::kNoAirport;
  status.datumOffset = m_view.GetDatumOffset();
  status.altitudeSent = m_altitudeShown;
  status.view = m_view.GetViewMode();
  status.mapAltitude = m_view.GetMapAltitude();
  status.mapAltitudeShown = m_view.GetAltitude() + m_view.GetMapAltitude();
  status.slew = m_view.IsSlewing();
  status.aglBlend = m_aglBlend;
  SafeCopy(status.message, m_messageLine.Text(), sizeof status.message);
  return status;
}
