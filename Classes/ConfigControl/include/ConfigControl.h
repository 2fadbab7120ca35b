#pragma once
// Process-wide registry of the revision strings that every source unit
// carries ("%Z% <component> <part number> <file> $Revision: <number> $").
// Each registration overwrites the four fields; no list is kept.

#include <initializer_list>

class ConfigControl {
 public:
  static constexpr int kComponentSize = 100;
  static constexpr int kPartNumberSize = 32;
  static constexpr int kFileNameSize = 1024;
  static constexpr int kRevisionSize = 32;
  static constexpr int kMaxRevisionLength = 511;

  // Splits the string at spaces and records its fields; a string of one token
  // or none records nothing.
  static void RegisterRevision(const char* revision);
  // Opens a class's registration block; has no effect and returns 0.
  static int RegisterClassName(const char* displayName);
  // Closes a class's registration block; has no effect.
  static void EndClassRegistration();

  static const char* GetComponent();
  static const char* GetPartNumber();
  static const char* GetFileName();
  static const char* GetRevision();
  // Empties the four fields (tests only).
  static void Clear();
};

// Runs a class's registration block once per process: the display name,
// then its revision strings in order. `registered` is the class-wide flag.
//   static bool s_registered;
//   RegisterClassOnce(s_registered, "RTLoop Class ", {kHeaderRevision, kSourceRevision});
void RegisterClassOnce(bool& registered, const char* displayName,
                       std::initializer_list<const char*> revisions);
