#include "VisualInterfaceShm.h"

#include <cstring>

char* CopyFieldText(char* destination, int size, const char* field, std::size_t fieldSize) {
  if (destination == nullptr || field == nullptr || size < 1) return nullptr;
  std::size_t room = static_cast<std::size_t>(size) - 1;
  std::size_t limit = fieldSize < room ? fieldSize : room;
  std::size_t length = 0;
  // Byte by byte: the other side may be rewriting the field meanwhile, and
  // each byte is to be looked at once.
  while (length < limit) {
    char c = field[length];
    if (c == '\0') break;
    destination[length++] = c;
  }
  std::memset(destination + length, 0, static_cast<std::size_t>(size) - length);
  return destination;
}

void WriteFieldText(char* field, std::size_t fieldSize, const char* text) {
  if (field == nullptr) return;
  std::size_t length = text != nullptr ? strnlen(text, fieldSize) : 0;
  if (length > 0) std::memcpy(field, text, length);
  std::memset(field + length, 0, fieldSize - length);
}
