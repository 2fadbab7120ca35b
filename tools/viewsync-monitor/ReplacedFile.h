#pragma once
// A file that its readers only ever find whole, however often it changes.
// Each version is written as a new file beside the name and renamed over
// it, so a reader that opened the version before reads that one, unchanged,
// to its end; nobody can catch a version half-written. The start that a
// version shares with the one before (`kept` bytes) is copied from it in the
// kernel (cheap, and shared blocks where the file system can share them),
// not held in memory.
//
// A name that is not a regular file (a pipe, a terminal, /dev/full) cannot
// be replaced: it is opened for writing once, and each version's new text
// is written on behind the text before.
//
// Failures are the system's error codes (errno), 0 for success; a failed
// version leaves the one before under the name and nothing beside it.

#include <cstddef>
#include <cstdint>
#include <string>

class ReplacedFile {
 public:
  ReplacedFile() = default;
  ~ReplacedFile();
  ReplacedFile(const ReplacedFile&) = delete;
  ReplacedFile& operator=(const ReplacedFile&) = delete;

  // Takes the name: a regular file, a name not there yet, or a symbolic
  // link (then the file it leads to) is replaced at each version; anything
  // else is opened for writing now. Nothing is written yet.
  int Open(const char* path);
  // Each version is a new file (false: the text goes on behind the last).
  bool Replaces() const { return m_stream < 0; }
  // The next version: the first `kept` bytes of the version before, then
  // `length` bytes of text. Without Replaces(), only the text is written.
  int Write(std::int64_t kept, const char* text, std::size_t length);
  // Lets go of the file; the last version stays under the name.
  void Close();

 private:
  int CreateBeside(std::string* temporary);

  std::string m_target;     // the name replaced: the path, or where its link leads
  bool m_keepMode = false;  // the file was there: each version gets its mode
  unsigned m_mode = 0;
  int m_current = -1;   // the version under the name now, read for the next
  int m_stream = -1;    // the target written on, when it cannot be replaced
  unsigned m_made = 0;  // files made beside the name, for unique names
};
