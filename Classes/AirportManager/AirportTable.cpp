#include "AirportTable.h"

#include <cstring>

#include "TextFunctions.h"

AirportTable& AirportTable::Instance() {
  // Zero-initialised static storage: every slot free, the count 0.
  static AirportTable table;
  return table;
}

bool AirportTable::BlankFreeKey(const char* text, std::uint32_t& key) {
  key = 0;
  int length = 0;
  for (int i = 0; i < kComparedLength && text[i] != '\0'; ++i) {
    if (text[i] == ' ') continue;
    if (length == 4) return false;
    key |= static_cast<std::uint32_t>(static_cast<unsigned char>(text[i])) << (8 * length);
    ++length;
  }
  return true;
}

void AirportTable::Append(const AirportRecord& record) {
  int slot = m_count < kCountLimit ? m_count : kOverflowSlot;
  AirportRecord& stored = m_slots[slot];
  SafeCopy(stored.ident, record.ident, AirportRecord::kIdentSize);
  SafeCopy(stored.name, record.name, AirportRecord::kNameSize);
  stored.datumOffset = record.datumOffset;

  std::uint32_t key = 0;
  BlankFreeKey(stored.ident, key);  // at most 4 characters: always fits
  m_keys[slot] = key;
  if (slot == kOverflowSlot) return;  // replaced, not counted
  Index(key, slot);
  ++m_count;
}

const AirportRecord* AirportTable::Slot(int index) const {
  if (index < 0 || index >= kSlots) return nullptr;
  return &m_slots[index];
}

void AirportTable::SetDatumOffset(int index, double offset) {
  if (index < 0 || index >= kSlots) return;
  m_slots[index].datumOffset = offset;
}

int AirportTable::FindLast(const char* ident) const {
  if (ident == nullptr) return -1;
  std::uint32_t key = 0;
  if (!BlankFreeKey(ident, key)) return -1;
  // Free slots hold the empty key too. Slot 19,999 is free whenever any slot
  // is (it is filled only once slots 0 to 19,998 are counted), so it is then
  // the last of them and its own comparison below covers them all.
  if (m_keys[kOverflowSlot] == key) return kOverflowSlot;
  return LastIndexed(key);
}

void AirportTable::Clear() {
  std::memset(m_slots, 0, sizeof m_slots);
  std::memset(m_keys, 0, sizeof m_keys);
  std::memset(m_index, 0, sizeof m_index);
  m_count = 0;
}

std::uint32_t AirportTable::Home(std::uint32_t key) {
  return (key * 2654435761u) >> kIndexShift;
}

void AirportTable::Index(std::uint32_t key, int slot) {
  // Linear probing; the index never holds more than 19,999 keys, so an
  // unused entry is always reached.
  for (std::uint32_t at = Home(key);; at = (at + 1) & (kIndexSize - 1)) {
    IndexEntry& entry = m_index[at];
    if (entry.slotPlusOne == 0 || entry.key == key) {
      // Slots are indexed in rising order: the newest is the last.
      entry.key = key;
      entry.slotPlusOne = slot + 1;
      return;
    }
  }
}

int AirportTable::LastIndexed(std::uint32_t key) const {
  for (std::uint32_t at = Home(key);; at = (at + 1) & (kIndexSize - 1)) {
    const IndexEntry& entry = m_index[at];
    if (entry.slotPlusOne == 0) return -1;
    if (entry.key == key) return entry.slotPlusOne - 1;
  }
}
