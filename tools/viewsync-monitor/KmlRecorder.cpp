#include "KmlRecorder.h"

#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <string>

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

void KmlRecorder::Put(const char* text) {
  if (m_file != nullptr && std::fputs(text, m_file) < 0 && m_errno == 0) m_errno = errno;
}

void KmlRecorder::PutFormatted(const char* format, ...) {
  char line[kLineSize];
  std::va_list args;
  va_start(args, format);
  Platform::FormatC(line, sizeof line, format, args);
  va_end(args);
  Put(line);
}

// The next text goes where the closing tags stand, so they are written over.
void KmlRecorder::Rewind() {
  if (m_closingTagsAt < 0 || m_file == nullptr) return;
  if (std::fseek(m_file, m_closingTagsAt, SEEK_SET) != 0 && m_errno == 0) m_errno = errno;
  m_closingTagsAt = -1;
}

bool KmlRecorder::Check(int failedErrno) {
  if (m_errno == 0) m_errno = failedErrno;
  if (m_errno == 0) return true;
  char text[1200];
  SafeFormat(text, sizeof text, "cannot write %s: %s", m_path, std::strerror(m_errno));
  SetError(text);
  RestoreWholeDocument();
  return false;
}

void KmlRecorder::RestoreWholeDocument() {
  if (m_file == nullptr) return;
  // The descriptor outlives the stream, whose buffer may still be written
  // out by fclose; the cut comes after that.
  int fd = m_seekable && m_wholeAt >= 0 ? dup(fileno(m_file)) : -1;
  std::fclose(m_file);
  m_file = nullptr;
  if (fd < 0) return;
  std::string tags = m_wholeEndsPath ? kPathEnd : "";
  tags += kDocumentEnd;
  if (ftruncate(fd, m_wholeAt) == 0) {
    ssize_t written = pwrite(fd, tags.data(), tags.size(), m_wholeAt);
    (void)written;  // the error already told is the one that counts
  }
  close(fd);
}

bool KmlRecorder::Open(const char* path, const char* source) {
  Close();
  SafeCopy(m_path, path, sizeof m_path);
  m_errno = 0;
  m_closingTagsAt = -1;
  m_wholeAt = -1;
  m_pathOpen = false;
  m_heldCount = 0;
  m_points = 0;
  m_changes = 0;
  m_detector = ViewChangeDetector();
  m_file = std::fopen(path, "w");
  if (m_file == nullptr) return Check(errno);
  m_seekable = std::fseek(m_file, 0, SEEK_CUR) == 0;
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
  return Flush();
}

bool KmlRecorder::Add(double unixSeconds, const ReceivedCamera& camera) {
  if (m_file == nullptr) return false;
  ViewChange change = m_detector.Follow(camera);
  if (change.Any()) {
    ClosePath();
    WriteChange(unixSeconds, camera, change);
  }
  if (!m_pathOpen) OpenPath(unixSeconds, camera);
  m_held[m_heldCount++] = {unixSeconds, camera.longitude, camera.latitude, camera.altitude};
  ++m_points;
  if (m_heldCount == kChunkPoints) WriteTrack();
  return Check(0);
}

bool KmlRecorder::Flush() {
  if (m_file == nullptr) return false;
  WriteTrack();
  if (m_seekable && m_closingTagsAt < 0) WriteClosingTags();
  if (!Check(std::fflush(m_file) != 0 ? errno : 0)) return false;
  m_wholeAt = m_closingTagsAt;
  m_wholeEndsPath = m_closingTagsEndPath;
  return true;
}

bool KmlRecorder::Close() {
  if (m_file == nullptr) return true;
  ClosePath();
  Rewind();
  Put(kDocumentEnd);
  bool flushed = Check(std::fflush(m_file) != 0 ? errno : 0);
  if (!flushed) return false;
  std::FILE* file = m_file;
  m_file = nullptr;
  if (std::fclose(file) != 0) {
    m_errno = errno;
    return Check(0);
  }
  return true;
}

void KmlRecorder::WriteTrack() {
  if (m_heldCount == 0) return;
  Rewind();
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
  Rewind();
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
  Rewind();
  Put(kPathEnd);
  m_pathOpen = false;
}

void KmlRecorder::WriteChange(double unixSeconds, const ReceivedCamera& camera,
                              const ViewChange& change) {
  Rewind();
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

// What a reader needs to see a whole document; what comes next starts where
// these tags start. It is never shorter than them (it ends with them again,
// or with the same tags at Close), so no old text is left behind.
void KmlRecorder::WriteClosingTags() {
  long at = std::ftell(m_file);
  if (at < 0) {
    if (m_errno == 0) m_errno = errno;
    return;
  }
  if (m_pathOpen) Put(kPathEnd);
  Put(kDocumentEnd);
  m_closingTagsAt = at;
  m_closingTagsEndPath = m_pathOpen;
}
