#include "AirportManager.h"

#include "AirportTable.h"
#include "ConfigControl.h"
#include "TextFunctions.h"

// Revisions of the component's units, registered once per process.
extern const char kReadAirportDataRevision[];

namespace {

const char kAirportManagerRevision[] =
    "%Z% AirportManager QM2137 AirportManager.cpp $Revision: 1.5 $";
bool s_registered = false;

}  // namespace

static_assert(AirportManager::kTableSize == AirportTable::kSlots, "one table size");
static_assert(AirportManager::kCountLimit == AirportTable::kCountLimit, "one count limit");

AirportManager::AirportManager()
    : m_currentIndex(0), m_lineBuffer{}, m_writtenFileName{}, m_report(), m_loadedWhole(true) {
  RegisterClassOnce(
      s_registered, "AirportManager",
      {kAirportManagerRevision, kAirportManagerHeaderRevision, kReadAirportDataRevision});
}

AirportManager::~AirportManager() = default;

bool AirportManager::FindAirport(const char* ident, AirportRecord& airport) {
  int slot = AirportTable::Instance().FindLast(ident);
  if (slot < 0) return false;
  m_currentIndex = slot;
  return GetAirport(slot, airport);
}

bool AirportManager::GetAirport(int index, AirportRecord& airport) const {
  const AirportRecord* slot = AirportTable::Instance().Slot(index);
  if (slot == nullptr) return false;
  airport = *slot;
  return true;
}

int AirportManager::GetNumberOfAirports() const {
  return AirportTable::Instance().Count();
}

void AirportManager::SetDatumOffset(int index, double offset) {
  if (index < 0 || index >= kTableSize) return;
  AirportTable::Instance().SetDatumOffset(index, offset);
}

int AirportManager::AddAirport(const char* ident, const char* name, double offset) {
  AirportTable& table = AirportTable::Instance();
  if (ident == nullptr || table.Count() >= kCountLimit) return -1;
  AirportRecord record{};
  int length = 0;
  for (const char* c = ident; *c != '\0'; ++c) {
    if (*c == ' ') continue;
    if (length == AirportRecord::kIdentSize - 1) return -1;
    record.ident[length++] = *c;
  }
  if (length == 0) return -1;
  SafeCopy(record.name, name != nullptr ? name : "", AirportRecord::kNameSize);
  record.datumOffset = offset;
  const int slot = table.Count();
  table.Append(record);
  return slot;
}

void AirportManager::ClearTable() {
  AirportTable::Instance().Clear();
}
