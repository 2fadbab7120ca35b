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
// The file is a whole document after every Flush: the closing tags are
// written behind the path and written over by what comes next, so the file
// can be opened in Google Earth while it grows and survives the monitor
// being killed. A target that cannot seek (a pipe) gets the closing tags
// only from Close.
//
// A failure to open or write closes the file, with the error text
// "cannot write <file>: <reason>". A file that was a whole document before
// (a full disk, a size limit) is put back to it: cut where its closing tags
// stood and the same tags written again, which fit, since they were there.

#include <cstdint>
#include <cstdio>

#include "QM_ErrorReport.h"
#include "TextFunctions.h"
#include "ViewChange.h"
#include "ViewSyncParser.h"

class KmlRecorder : public QM_ErrorReport {
 public:
  static constexpr int kChunkPoints = 256;

  KmlRecorder() = default;
  ~KmlRecorder();
  KmlRecorder(const KmlRecorder&) = delete;
  KmlRecorder& operator=(const KmlRecorder&) = delete;

  // Creates (or empties) the file and writes an empty document; source names
  // where the cameras come from (the address listened on).
  bool Open(const char* path, const char* source);
  bool IsOpen() const { return m_file != nullptr; }
  // One camera as it arrived; unixSeconds is its arrival on the wall clock.
  bool Add(double unixSeconds, const ReceivedCamera& camera);
  // Writes the cameras held back and the closing tags, and flushes.
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

  void Put(const char* text);
  void PutFormatted(const char* format, ...) TAVRION_PRINTF_LIKE(2, 3);
  void Rewind();
  void WriteTrack();
  void OpenPath(double unixSeconds, const ReceivedCamera& camera);
  void ClosePath();
  void WriteChange(double unixSeconds, const ReceivedCamera& camera, const ViewChange& change);
  void WriteClosingTags();
  // False, with the error text, once a write has failed.
  bool Check(int failedErrno);
  // After a failed write: the file back to the last whole document.
  void RestoreWholeDocument();

  std::FILE* m_file = nullptr;
  char m_path[1024] = "";
  bool m_seekable = false;
  long m_closingTagsAt = -1;          // where the closing tags start; -1 when none stand there
  bool m_closingTagsEndPath = false;  // those tags end a path too
  // The last whole document on the disk: where its closing tags start (-1:
  // none yet) and whether they end a path.
  long m_wholeAt = -1;
  bool m_wholeEndsPath = false;
  bool m_pathOpen = false;
  int m_errno = 0;  // of the first failed write
  ViewChangeDetector m_detector;
  Point m_held[kChunkPoints] = {};
  int m_heldCount = 0;
  std::int64_t m_points = 0;
  std::int64_t m_changes = 0;
};
