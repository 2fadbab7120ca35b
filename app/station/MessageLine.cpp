#include "MessageLine.h"

#include "TextFunctions.h"

MessageLine::MessageLine() : m_conditions{}, m_notice{} {}

void MessageLine::Raise(Condition condition, const char* text) {
  // A condition without words would hide the notice and show nothing.
  SafeCopy(m_conditions[condition], text != nullptr && text[0] != '\0' ? text : "?", kTextSize);
}

void MessageLine::Clear(Condition condition) {
  m_conditions[condition][0] = '\0';
}

bool MessageLine::Holds(Condition condition) const {
  return m_conditions[condition][0] != '\0';
}

void MessageLine::Notice(const char* text) {
  SafeCopy(m_notice, text != nullptr ? text : "", kTextSize);
}

const char* MessageLine::Text() const {
  for (const char* condition : m_conditions) {
    if (condition[0] != '\0') return condition;
  }
  return m_notice;
}
