#pragma once
// The airport table: per-airport ground-datum offsets for Google Earth, read
// from "Offsets.dat", looked up by ICAO identifier, trimmed by the operator
// and written back by Save.
//
// The table is process-wide: 20,000 record slots shared by every
// AirportManager object. Records are appended at the count; the count stops
// at 19,999, after which each further record read replaces the one in slot
// 19,999 without being counted. Slots at and beyond the count are free
// (empty ident and name, offset 0.0). Nothing clears the table.
//
// Use by the dialog:
//   AirportManager m_airports;                          // member
//   if (!m_airports.ReadOffsetsFile("Offsets.dat"))     // start-up, once
//     show m_airports.GetErrorText(), caption "InitialiseAirportDataBase"
//   if (m_airports.FindAirport(ident, record))          // reported airport changed
//     index = m_airports.GetCurrentIndex(), offset = record.datumOffset
//   m_airports.SetDatumOffset(index, newOffset);        // spin buttons
//   index = m_airports.AddAirport(ident, "", offset);   // first trim of an airport
//                                                       // that is not in the table
//   m_airports.WriteOffsetsFile(folder);                // Save; false: show the text

#include "AirportRecord.h"
#include "QM_ErrorReport.h"

inline constexpr char kAirportManagerHeaderRevision[] =
    "%Z% QM-P-0001-02 QM2137 AirportManager.h $Revision: 1.1 $";

// What the last ReadOffsetsFile met in the file. Line numbers count from 1,
// the heading included; 0 when there was no such line.
struct OffsetsReadReport {
  int records = 0;         // record lines read, kept or not
  int badOffsetLines = 0;  // skipped: offset not finite, or too large to write back
  int firstBadOffsetLine = 0;
  int shortLines = 0;  // skipped: not blank, but fewer than three fields
  int firstShortLine = 0;
  int recordsNotKept = 0;  // read once the count had stopped at 19,999
  // Skipped as nothing this file's format holds: an offset that is not a
  // number ("1,5", "2.5m"), an identifier longer than 4 characters, a byte
  // no text file holds.
  int notANumberLines = 0;
  int firstNotANumberLine = 0;
  int longIdentLines = 0;
  int firstLongIdentLine = 0;
  int notTextLines = 0;
  int firstNotTextLine = 0;
  // More than half of the lines that are neither comments nor blank were of
  // those kinds: this is not an offsets file, and Save will not replace it.
  bool notOffsetsFile = false;
};

class AirportManager : public QM_ErrorReport {
 public:
  static constexpr int kTableSize = 20000;   // slots 0 to 19,999
  static constexpr int kCountLimit = 19999;  // the count never passes this
  static constexpr int kLineSize = 1024;     // lines are read 1023 characters at a time

  // The reader's and the writer's spelling of the offsets file and the
  // backup's name. On Linux each is resolved ignoring letter case, so an
  // existing "offsets.DAT" is the file read and rewritten; Save looks the
  // file up by the reader's spelling, so it always rewrites the file that the
  // next start-up reads, and a new file is named "Offsets.dat".
  static constexpr const char* kReadFileName = "Offsets.dat";
  static constexpr const char* kWriteFileName = "Offsets.Dat";
  static constexpr const char* kBackupFileName = "Offsets_old.Dat";

  // Current index 0; registers the component once per process.
  AirportManager();
  ~AirportManager();
  AirportManager(const AirportManager&) = delete;
  AirportManager& operator=(const AirportManager&) = delete;

  // Appends the records of the file to the table. The first line is skipped
  // unread, ";" lines are comments, a line is split at runs of "|" and needs
  // three fields: ident (first 4 characters), offset (decimal, "." always),
  // name (one leading blank dropped, first 49 characters). True when the file
  // was opened and read to its end, even without any record; false with the
  // input file's error text when it cannot be opened or a read of it fails
  // (the records before the failure stay in the table, and Save refuses to
  // replace the file). The name is resolved ignoring case. A FIFO, device or
  // folder of that name is refused as it cannot be read.
  // Lines whose offset is not a finite number, or so large that the line
  // could not be written back, are skipped like lines with too few fields;
  // GetReadReport tells how many of each there were. So are lines whose
  // offset is not a number, whose identifier is too long, or that hold a byte
  // no text file holds; a file mostly made of those is not an offsets file
  // (notOffsetsFile), and Save refuses to replace it.
  bool ReadOffsetsFile(const char* fileName);
  const OffsetsReadReport& GetReadReport() const { return m_report; }
  // False when the file last read held more records than the table counts,
  // was not an offsets file, or exists but could not be read: Save then refuses to overwrite it, as
  // it would lose what it could not load.
  bool IsLoadedWhole() const { return m_loadedWhole; }

  // Looks the identifier up in every slot, free ones included, comparing with
  // all blanks removed from both sides (case counts, the first 999 characters
  // of the identifier count); the last matching slot wins. On a match the
  // current index becomes that slot, `airport` receives a copy of it, true.
  // No match: false, current index and `airport` untouched. An empty or
  // all-blank identifier matches the free slots.
  bool FindAirport(const char* ident, AirportRecord& airport);

  // Copies slot `index` (0 to 19,999, counted or free); false for any other
  // index, `airport` untouched.
  bool GetAirport(int index, AirportRecord& airport) const;

  // Slot of the airport FindAirport matched last; 0 until then.
  int GetCurrentIndex() const { return m_currentIndex; }

  // Number of counted records (0 to 19,999).
  int GetNumberOfAirports() const;

  // Stores the offset in slot `index`, 0 to 19,999; any other index is left
  // alone. The file's first airport is trimmed and saved like any other.
  void SetDatumOffset(int index, double offset);

  // Appends an airport the file did not hold, so that the operator's trims of
  // it are kept and saved as a new line. `ident` is stored with its blanks
  // removed, so that the lookup of the identifier as reported finds it. The
  // slot, or -1 when the identifier is empty or longer than 4 characters
  // without its blanks, or when the table has no counted slot left (a record
  // in the uncounted last slot would never be saved).
  int AddAirport(const char* ident, const char* name, double offset);

  // Save: writes the three header lines and one "%s| %6.1f| %s\n" line per
  // counted record into a new file beside the offsets file and flushes it to
  // disk; copies the offsets file whole to "Offsets_old.Dat" the same way (a
  // temporary copy renamed over the old backup); then renames the new file
  // over the offsets file. So each file always holds either its old or its
  // new complete contents. `folder` is where the files live; empty means the
  // working folder. False, with the reason in the error text and both files
  // as they were, when the new file or the backup could not be made, when a
  // record's line would not fit, or when the file last read was not loaded
  // whole (IsLoadedWhole).
  bool WriteOffsetsFile(const char* folder = "");
  // The offsets file the last successful WriteOffsetsFile wrote, as resolved
  // on disk; empty before.
  const char* GetWrittenFileName() const { return m_writtenFileName; }

  // Empties the process-wide table (tests and benchmarks only; the station
  // never clears it).
  static void ClearTable();

 private:
  bool WriteNewContents(const char* temporary);

  int m_currentIndex;
  char m_lineBuffer[kLineSize];
  char m_writtenFileName[kLineSize];
  OffsetsReadReport m_report;
  bool m_loadedWhole;
};
