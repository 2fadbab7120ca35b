#include "QMP0001_02_InitMessage.h"

#include "TextFunctions.h"

QMP0001_02_InitMessage::QMP0001_02_InitMessage(RtLan::SimulatorData* data, int slot)
    : m_slot(slot),
      m_suppress(false),
      m_valid(slot >= kFirstSlot && slot <= kLastSlot),
      m_data(data) {}

RtLan::BoardSlot* QMP0001_02_InitMessage::Slot() {
  if (!m_valid || m_data == nullptr) return nullptr;
  return &m_data->board[m_slot - 1];
}

void QMP0001_02_InitMessage::Post(const char* name, const char* text) {
  Post(name, text, 1);
}

void QMP0001_02_InitMessage::Post(const char* name, const char* text, std::int32_t flag) {
  RtLan::BoardSlot* slot = Slot();
  if (slot == nullptr) return;
  ++slot->messageCounter;
  SafeCopy(slot->name, name != nullptr ? name : "", RtLan::kBoardNameSize);
  SafeCopy(slot->text, text != nullptr ? text : "", RtLan::kBoardTextSize);
  slot->flag = flag;
}

void QMP0001_02_InitMessage::SetStatusTexts(const char* left, const char* centre,
                                            const char* right) {
  RtLan::BoardSlot* slot = Slot();
  if (slot == nullptr || m_suppress) return;
  SafeCopy(slot->statusLeft, left != nullptr ? left : "", RtLan::kStatusLeftSize);
  SafeCopy(slot->statusCentre, centre != nullptr ? centre : "", RtLan::kStatusSize);
  SafeCopy(slot->statusRight, right != nullptr ? right : "", RtLan::kStatusSize);
}
