#include "KmlRecorder.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>

#include "KmlText.h"
#include "NumericText.h"

namespace {

constexpr int kLineSize = 1024;
constexpr int kTimeSize = 40;

const char kPathEnd[] = "</gx:MultiTrack>\n</Placemark>\n";
const char kDocumentEnd[] = "</Document>\n</kml>\n";

}  // namespace

KmlRecorder::~KmlRecorder() {
  Close();
}

void KmlRecorder::PutFormatted(const char* format, ...) {
  char line[kLineSize];
  std::va_list args;
  va_start(args, format);
  Platform::FormatC(line, sizeof line, format, args);
  va_end(args);
  Put(line);
}

bool KmlRecorder::WriteOut(bool last) {
  std::string text = m_pending;
  if (last || m_file.Replaces()) {
    if (m_pathOpen) text += kPathEnd;
    text += kDocumentEnd;
  }
  const int code = m_file.Write(m_written, text.data(), text.size());
  if (code != 0) {
    char error[1200];
    SafeFormat(error, sizeof error, "cannot write %s: %s", m_path, std::strerror(code));
    SetError(error);
    m_file.Close();
    m_open = false;
    return false;
  }
  m_written += static_cast<std::int64_t>(m_pending.size());
  m_pending.clear();
  m_flushesWaiting = 0;
  return true;
}

bool KmlRecorder::Open(const char* path, const char* source) {
  Close();
  SafeCopy(m_path, path, sizeof m_path);
  m_pending.clear();
  m_written = 0;
  m_flushesWaiting = 0;
  m_pathOpen = false;
  m_heldCount = 0;
  m_points = 0;
  m_changes = 0;
  m_detector = ViewChangeDetector();
  const int code = m_file.Open(path);
  if (code != 0) {
    char error[1200];
    SafeFormat(error, sizeof error, "cannot write %s: %s", m_path, std::strerror(code));
    SetError(error);
    return false;
  }
  m_open = true;
  Put("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<kml xmlns=\"http://www.opengis.net/kml/2.2\" "
      "xmlns:gx=\"http://www.google.com/kml/ext/2.2\">\n<Document>\n");
  PutFormatted("<name>ViewSync cameras received on %s</name>\n", source);
  PutFormatted(
      "<description>Written by viewsync-monitor: the camera path with the arrival times of its "
      "datagrams, and a mark where the view changed abruptly (heading over %.0f deg, altitude "
      "over %.0f m off the vertical speed, position over %.0f m from one datagram to the "
      "next).</description>\n",
      kHeadingJumpDegrees, kAltitudeJumpMetres, kPositionJumpMetres);
  Put("<Style id=\"path\">\n<LineStyle>\n<color>ff00ffff</color>\n<width>3</width>\n"
      "</LineStyle>\n</Style>\n"
      "<Style id=\"change\">\n<IconStyle>\n<color>ff0000ff</color>\n</IconStyle>\n</Style>\n");
  return WriteOut(false);
}

bool KmlRecorder::Add(double unixSeconds, const ReceivedCamera& camera) {
  if (!m_open) return false;
  ViewChange change = m_detector.Follow(camera);
  if (change.Any()) {
    ClosePath();
    WriteChange(unixSeconds, camera, change);
  }
  if (!m_pathOpen) OpenPath(unixSeconds, camera);
  m_held[m_heldCount++] = {unixSeconds, camera.longitude, camera.latitude, camera.altitude};
  ++m_points;
  if (m_heldCount == kChunkPoints) WriteTrack();
  return true;
}

// A new document copies the one before: it is due once the copying comes
// to no more than publishBytes for each Flush since the last.
bool KmlRecorder::Flush() {
  if (!m_open) return false;
  WriteTrack();
  ++m_flushesWaiting;
  if (m_file.Replaces() && m_written > m_publishBytes * m_flushesWaiting) return true;
  return WriteOut(false);
}

bool KmlRecorder::Close() {
  if (!m_open) return true;
  ClosePath();
  const bool written = WriteOut(true);
  m_file.Close();
  m_open = false;
  return written;
}

void KmlRecorder::WriteTrack() {
  if (m_heldCount == 0) return;
  Put("<gx:Track>\n<altitudeMode>absolute</altitudeMode>\n");
  char when[kTimeSize];
  for (int i = 0; i < m_heldCount; ++i) {
    FormatKmlTime(m_held[i].unixSeconds, when, sizeof when);
    PutFormatted("<when>%s</when>\n", when);
  }
  for (int i = 0; i < m_heldCount; ++i) {
    PutFormatted("<gx:coord>%.6f %.6f %.3f</gx:coord>\n", m_held[i].longitude, m_held[i].latitude,
                 m_held[i].altitude);
  }
  Put("</gx:Track>\n");
  m_heldCount = 0;
}

void KmlRecorder::OpenPath(double unixSeconds, const ReceivedCamera& camera) {
  char when[kTimeSize];
  FormatKmlTime(unixSeconds, when, sizeof when);
  PutFormatted(
      "<Placemark>\n<name>Path from counter %d</name>\n<description>From %s</description>\n"
      "<styleUrl>#path</styleUrl>\n<gx:MultiTrack>\n<altitudeMode>absolute</altitudeMode>\n"
      "<gx:interpolate>1</gx:interpolate>\n",
      camera.counter, when);
  m_pathOpen = true;
}

void KmlRecorder::ClosePath() {
  WriteTrack();
  if (!m_pathOpen) return;
  Put(kPathEnd);
  m_pathOpen = false;
}

void KmlRecorder::WriteChange(double unixSeconds, const ReceivedCamera& camera,
                              const ViewChange& change) {
  char when[kTimeSize];
  FormatKmlTime(unixSeconds, when, sizeof when);
  char name[kLineSize / 4];
  char description[kLineSize / 2];
  char view[kLineSize / 2];
  FormatChangeName(change, name, sizeof name);
  FormatChangeDescription(change, camera, when, description, sizeof description);
  FormatKmlCamera(camera, view, sizeof view);
  PutFormatted("<Placemark>\n<name>%s</name>\n<description>%s</description>\n", name, description);
  Put(view);
  PutFormatted(
      "<TimeStamp>\n<when>%s</when>\n</TimeStamp>\n<styleUrl>#change</styleUrl>\n<Point>\n"
      "<altitudeMode>absolute</altitudeMode>\n<coordinates>%.6f,%.6f,%.3f</coordinates>\n"
      "</Point>\n</Placemark>\n",
      when, camera.longitude, camera.latitude, camera.altitude);
  ++m_changes;
}
