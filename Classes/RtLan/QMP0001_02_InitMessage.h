#pragma once
// The initialisation message board: one slot of the simulator data area in
// which a station leaves its start-up messages and three status texts for
// the simulator's operator. Valid only for slots 1 to 40 and a data area;
// otherwise every operation does nothing.

#include <cstdint>

#include "QM_ErrorReport.h"
#include "RtLan.h"

class QMP0001_02_InitMessage : public QM_ErrorReport {
 public:
  QMP0001_02_InitMessage(RtLan::SimulatorData* data, int slot);

  // Counts the message, copies the name (99 characters at most) and the text
  // (512 at most) and sets the slot's flag word to 1, or to the given value.
  void Post(const char* name, const char* text);
  void Post(const char* name, const char* text, std::int32_t flag);
  // Copies the texts cut to 28, 24 and 24 characters, unless suppressed.
  void SetStatusTexts(const char* left, const char* centre, const char* right);

  void SetSuppress(bool suppress) { m_suppress = suppress; }
  bool IsValid() const { return m_valid; }
  int GetSlot() const { return m_slot; }

  static constexpr int kFirstSlot = 1;
  static constexpr int kLastSlot = RtLan::kBoardSlots;

 private:
  RtLan::BoardSlot* Slot();

  int m_slot;
  bool m_suppress;
  bool m_valid;
  RtLan::SimulatorData* m_data;
};
