#pragma once
// Writes the cameras the monitor receives as a KML 2.2 document that Google
// Earth opens: the path flown, with its arrival times, and a mark wherever
// the view changed abruptly (see ViewChange.h).
//
//   <kml> <Document> name, description, styles "path" and "change"
//     <Placemark> "Path from counter N": <gx:MultiTrack>, altitudeMode
//       absolute, interpolated, of <gx:Track>s: altitudeMode absolute, then
//       a <when> per camera, then a <gx:coord> "lon lat alt" per camera
//     <Placemark> at an abrupt change: name, description, the <Camera> the
//       receiver showed, <TimeStamp>, a <Point>; then the next path
//     ...
//
// One point per well-formed datagram. A track's <when>s must all come before
// its <gx:coord>s, so the cameras are held back and written as one track at
// each Flush (and whenever kChunkPoints have gathered). Google Earth joins
// the tracks of a path, which ends only at an abrupt change: a jump is drawn
// as the gap it was.
//
// The file is a whole document after every Flush and Close: each is
// written as a new file that replaces the one before (ReplacedFile.h), so
// a reader (Google Earth reloading it every second through --kml-link) never
// finds it half-written, and a monitor that is killed leaves the last one.
// Since each copies the document so far (87 bytes a datagram, 19 MB an hour
// at 60 a second), a long flight would cost more and more: a Flush writes a
// new document only while the copying stays within publishBytes for each
// Flush since the last (4 MiB; at the monitor's Flush once a second: every
// second for the first 13 minutes at 60 datagrams a second, then every
// 5 s at an hour, every 18 s at four hours; bench/kml_bench.cpp). A target
// that cannot be replaced (a pipe) gets the text at every Flush and the
// closing tags only from Close.
//
// A failure to open or write closes the recorder, with the error text
// "cannot write <file>: <reason>"; the file keeps the last whole document
// (a full disk, a size limit).

#include <cstdint>
#include <string>

#include "QM_ErrorReport.h"
#include "ReplacedFile.h"
#include "TextFunctions.h"
#include "ViewChange.h"
#include "ViewSyncParser.h"

class KmlRecorder : public QM_ErrorReport {
 public:
  static constexpr int kChunkPoints = 256;
  static constexpr std::int64_t kPublishBytes = std::int64_t{4} << 20;

  explicit KmlRecorder(std::int64_t publishBytes = kPublishBytes) : m_publishBytes(publishBytes) {}
  ~KmlRecorder();
  KmlRecorder(const KmlRecorder&) = delete;
  KmlRecorder& operator=(const KmlRecorder&) = delete;

  // Creates (or replaces) the file with an empty document; source names
  // where the cameras come from (the address listened on).
  bool Open(const char* path, const char* source);
  bool IsOpen() const { return m_open; }
  // One camera as it arrived; unixSeconds is its arrival on the wall clock.
  bool Add(double unixSeconds, const ReceivedCamera& camera);
  // Writes the cameras held back; the whole document when it is due (see
  // above).
  bool Flush();
  // Ends the document and closes the file.
  bool Close();

  std::int64_t Points() const { return m_points; }
  std::int64_t Changes() const { return m_changes; }

 private:
  struct Point {
    double unixSeconds;
    double longitude;
    double latitude;
    double altitude;
  };

  void Put(const char* text) { m_pending += text; }
  void PutFormatted(const char* format, ...) TAVRION_PRINTF_LIKE(2, 3);
  void WriteTrack();
  void OpenPath(double unixSeconds, const ReceivedCamera& camera);
  void ClosePath();
  void WriteChange(double unixSeconds, const ReceivedCamera& camera, const ViewChange& change);
  // The text since the last document, with the closing tags when `last` or
  // when the file is replaced; false, closed, with the error text on failure.
  bool WriteOut(bool last);

  const std::int64_t m_publishBytes;
  ReplacedFile m_file;
  bool m_open = false;
  char m_path[1024] = "";
  std::string m_pending;       // the text since the last document written
  std::int64_t m_written = 0;  // the last document's text before its closing tags
  int m_flushesWaiting = 0;    // since the last document written
  bool m_pathOpen = false;
  ViewChangeDetector m_detector;
  Point m_held[kChunkPoints] = {};
  int m_heldCount = 0;
  std::int64_t m_points = 0;
  std::int64_t m_changes = 0;
};
