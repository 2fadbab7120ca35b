#pragma once
// Storage of the process-wide airport table, with an index from each slot's
// blank-free identifier to the last slot holding it, so that a lookup costs a
// hash probe instead of 20,000 blank-removing comparisons. The frame step
// looks the simulator's airport up on every send while that airport is not in
// the table, so the lookup must stay cheap.
//
// Slots below 19,999 are written once, when the count passes them; only slot
// 19,999 is ever overwritten. The index therefore covers slots 0 to 19,998
// and only grows, and slot 19,999 is compared on its own.

#include <cstdint>

#include "AirportRecord.h"

class AirportTable {
 public:
  static constexpr int kSlots = 20000;
  static constexpr int kCountLimit = 19999;
  static constexpr int kOverflowSlot = 19999;
  // Only the first 999 characters of an identifier are compared.
  static constexpr int kComparedLength = 999;

  // The one table of the process.
  static AirportTable& Instance();

  // Stores the record at the count and counts it, or in slot 19,999 without
  // counting it once the count is 19,999.
  void Append(const AirportRecord& record);
  int Count() const { return m_count; }
  // Slot 0 to 19,999, counted or free; null for any other index.
  const AirportRecord* Slot(int index) const;
  // Slot 0 to 19,999; any other index is ignored.
  void SetDatumOffset(int index, double offset);
  // The last slot whose ident equals the identifier with all blanks removed
  // from both; -1 when none does. Free slots hold the empty identifier.
  int FindLast(const char* ident) const;
  void Clear();

  // The non-blank characters among the first 999 of `text`, packed into one
  // number (an ident never holds a NUL, so the packing is unique). False when
  // there are more than four: no stored ident can then be equal.
  static bool BlankFreeKey(const char* text, std::uint32_t& key);

 private:
  struct IndexEntry {
    std::uint32_t key;
    std::int32_t slotPlusOne;  // 0: entry unused
  };
  // A power of two well above the 19,999 keys the index can hold.
  static constexpr std::uint32_t kIndexSize = 32768;
  static constexpr int kIndexShift = 17;  // 32 - log2(kIndexSize)

  static std::uint32_t Home(std::uint32_t key);
  void Index(std::uint32_t key, int slot);
  int LastIndexed(std::uint32_t key) const;

  AirportRecord m_slots[kSlots];
  std::uint32_t m_keys[kSlots];
  IndexEntry m_index[kIndexSize];
  int m_count;
};
