#pragma once
// What the station's message line says (the window shows it). Two kinds of text meet there:
//  - a condition (the simulator's segment lost or not written yet, the
//    destination failing, datagrams held back, the counter file not kept, the
//    simulator's data frozen) shows for as long as it lasts; while several
//    hold, the most important one shows (the order below);
//  - a notice (Save's confirmation, what start-up found in the offsets file)
//    shows while no condition holds, until the next notice replaces it.
// So a notice that a condition covered comes back when the condition ends,
// and the line is empty when neither was ever given.

class MessageLine {
 public:
  // Most important first.
  enum Condition {
    kSegmentLost,         // the segment was let go, or cannot be used
    kSegmentUnwritten,    // the station made the segment: no simulator wrote it yet
    kDestinationFailing,  // the destination's sends fail
    kDatagramsHeld,       // values no receiver could read
    kCounterNotKept,      // the counter file cannot be written
    kDataFrozen,          // the simulator's data stands still
    kConditionCount
  };

  // The line's size, terminator included.
  static constexpr int kTextSize = 256;

  MessageLine();

  // Starts the condition, or changes its text while it lasts.
  void Raise(Condition condition, const char* text);
  void Clear(Condition condition);
  bool Holds(Condition condition) const;
  void Notice(const char* text);

  // The text the line shows now.
  const char* Text() const;

 private:
  char m_conditions[kConditionCount][kTextSize];
  char m_notice[kTextSize];
};
