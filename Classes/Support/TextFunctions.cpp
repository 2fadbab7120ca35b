#include "TextFunctions.h"

#include <cstdarg>
#include <cstring>

#include "NumericText.h"

char* SafeCopy(char* destination, const char* source, int size) {
  if (destination == nullptr || source == nullptr || size < 0) return nullptr;
  if (size == 0) return destination;
  std::size_t limit = static_cast<std::size_t>(size) - 1;
  std::size_t length = strnlen(source, limit);
  std::memcpy(destination, source, length);
  std::memset(destination + length, 0, static_cast<std::size_t>(size) - length);
  return destination;
}

int SafeFormat(char* buffer, int size, const char* format, ...) {
  if (buffer == nullptr) return 0;
  if (size <= 0 || format == nullptr) return size <= 0 ? -1 : 0;
  std::memset(buffer, 0, static_cast<std::size_t>(size));
  std::va_list args;
  va_start(args, format);
  int full = Platform::FormatC(buffer, static_cast<std::size_t>(size), format, args);
  va_end(args);
  // Report the length when the whole text fits in size characters, else -1.
  int report = (full >= 0 && full <= size) ? full : -1;
  if (report < 0 || report >= size) {
    buffer[size - 1] = '\0';
  } else {
    buffer[report] = '\0';
  }
  return report;
}

char* CutAtNewline(char* text) {
  return CutAtChar(text, '\n');
}

char* CutAtChar(char* text, char character) {
  if (text == nullptr) return nullptr;
  char* found = std::strchr(text, character);
  if (found != nullptr && character != '\0') *found = '\0';
  return text;
}

char* SkipLeadingSpaces(char* text) {
  if (text == nullptr) return nullptr;
  while (*text == ' ') ++text;
  return text;
}

char* RemoveSpaces(char* text) {
  if (text == nullptr) return nullptr;
  // Works on at most the first 1023 characters, as its working copy holds.
  constexpr std::size_t kWorking = 1023;
  std::size_t out = 0;
  for (std::size_t in = 0; in < kWorking && text[in] != '\0'; ++in) {
    if (text[in] != ' ') text[out++] = text[in];
  }
  text[out] = '\0';
  return text;
}

char* TabsToSpaces(char* text) {
  if (text == nullptr) return nullptr;
  for (char* p = text; *p != '\0'; ++p) {
    if (*p == '\t') *p = ' ';
  }
  return text;
}

bool SameIgnoringSpaces(const char* text, const char* name) {
  if (text == nullptr || name == nullptr) return false;
  // Only the first 999 characters of each side count.
  constexpr int kLooked = 999;
  int i = 0;
  int j = 0;
  for (;;) {
    while (i < kLooked && text[i] == ' ') ++i;
    while (j < kLooked && name[j] == ' ') ++j;
    bool textEnded = i >= kLooked || text[i] == '\0';
    bool nameEnded = j >= kLooked || name[j] == '\0';
    if (textEnded || nameEnded) return textEnded && nameEnded;
    if (text[i] != name[j]) return false;
    ++i;
    ++j;
  }
}

int TokeniseMax(char* text, const char* delimiters, char** tokens, int maximum) {
  if (text == nullptr || tokens == nullptr) return 0;
  if (delimiters == nullptr) delimiters = "";
  char* position = nullptr;
  tokens[0] = strtok_r(text, delimiters, &position);
  int count = 1;
  for (;;) {
    tokens[count] = strtok_r(nullptr, delimiters, &position);
    if (tokens[count] == nullptr) return count;
    // The slot at index maximum holds the first token that is not counted.
    if (count == maximum) return count;
    ++count;
  }
}

int Tokenise(char* text, const char* delimiters, char** tokens) {
  return TokeniseMax(text, delimiters, tokens, -1);
}

char* TextModeLineEnd(char* line) {
  if (line == nullptr) return nullptr;
  std::size_t length = std::strlen(line);
  if (length >= 2 && line[length - 2] == '\r' && line[length - 1] == '\n') {
    line[length - 2] = '\n';
    line[length - 1] = '\0';
  }
  return line;
}

double TextToDouble(const char* text) {
  return Platform::AtofC(text);
}
