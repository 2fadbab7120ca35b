#include "JsonReader.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr int kMostDepth = 32;

class Reader {
 public:
  explicit Reader(const std::string& text) : m_text(text), m_at(0) {}

  bool Whole(JsonValue* value, std::string* error) {
    if (!Value(value, 0) || (SkipBlanks(), m_at != m_text.size())) {
      if (m_fault.empty()) m_fault = "text after the value";
      *error = m_fault + " at byte " + std::to_string(m_at + 1);
      return false;
    }
    return true;
  }

 private:
  void SkipBlanks() {
    while (m_at < m_text.size() && std::strchr(" \t\r\n", m_text[m_at]) != nullptr) ++m_at;
  }
  bool Fail(const char* what) {
    if (m_fault.empty()) m_fault = what;
    return false;
  }
  bool Word(const char* word) {
    const std::size_t length = std::strlen(word);
    if (m_text.compare(m_at, length, word) != 0) return Fail("not a JSON value");
    m_at += length;
    return true;
  }

  bool Value(JsonValue* value, int depth) {
    if (depth > kMostDepth) return Fail("nested too deeply");
    SkipBlanks();
    if (m_at >= m_text.size()) return Fail("the text ends where a value is due");
    const char c = m_text[m_at];
    if (c == '{') return Object(value, depth);
    if (c == '[') return Array(value, depth);
    if (c == '"') {
      value->type = JsonValue::Type::kString;
      return String(&value->text);
    }
    if (c == 't' || c == 'f') {
      value->type = JsonValue::Type::kBool;
      value->flag = c == 't';
      return Word(c == 't' ? "true" : "false");
    }
    if (c == 'n') return Word("null");
    return Number(value);
  }

  bool Number(JsonValue* value) {
    const char* start = m_text.c_str() + m_at;
    char* end = nullptr;
    value->number = std::strtod(start, &end);
    if (end == start || !(*start == '-' || (*start >= '0' && *start <= '9'))) {
      return Fail("not a JSON value");
    }
    value->type = JsonValue::Type::kNumber;
    value->text.assign(start, static_cast<std::size_t>(end - start));
    m_at += static_cast<std::size_t>(end - start);
    return true;
  }

  bool String(std::string* text) {
    ++m_at;  // the opening quote
    while (m_at < m_text.size()) {
      const char c = m_text[m_at++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return Fail("a control character in a string");
      if (c != '\\') {
        *text += c;
        continue;
      }
      if (m_at >= m_text.size()) break;
      const char escaped = m_text[m_at++];
      static const char kEscapes[] = "\"\\/bfnrt";
      static const char kMeanings[] = "\"\\/\b\f\n\r\t";
      const char* plain = std::strchr(kEscapes, escaped);
      if (plain != nullptr && escaped != '\0') {
        *text += kMeanings[plain - kEscapes];
      } else if (escaped == 'u') {
        if (!CodePoint(text)) return false;
      } else {
        return Fail("an unknown escape in a string");
      }
    }
    return Fail("a string without its closing quote");
  }

  // \uXXXX (a surrogate pair too), written as UTF-8.
  bool CodePoint(std::string* text) {
    unsigned long code = 0;
    if (!Hex(&code)) return false;
    if (code >= 0xD800 && code <= 0xDBFF && m_text.compare(m_at, 2, "\\u") == 0) {
      m_at += 2;
      unsigned long low = 0;
      if (!Hex(&low)) return false;
      code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
    }
    if (code < 0x80) {
      *text += static_cast<char>(code);
    } else if (code < 0x800) {
      *text += static_cast<char>(0xC0 | (code >> 6));
      *text += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      *text += static_cast<char>(0xE0 | (code >> 12));
      *text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      *text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      *text += static_cast<char>(0xF0 | (code >> 18));
      *text += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      *text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      *text += static_cast<char>(0x80 | (code & 0x3F));
    }
    return true;
  }

  bool Hex(unsigned long* code) {
    if (m_at + 4 > m_text.size()) return Fail("a \\u escape cut short");
    const std::string digits = m_text.substr(m_at, 4);
    char* end = nullptr;
    *code = std::strtoul(digits.c_str(), &end, 16);
    if (end != digits.c_str() + 4) return Fail("a \\u escape that is not four hex digits");
    m_at += 4;
    return true;
  }

  bool Array(JsonValue* value, int depth) {
    value->type = JsonValue::Type::kArray;
    ++m_at;
    SkipBlanks();
    if (m_at < m_text.size() && m_text[m_at] == ']') return ++m_at, true;
    for (;;) {
      value->items.emplace_back();
      if (!Value(&value->items.back(), depth + 1)) return false;
      SkipBlanks();
      if (m_at < m_text.size() && m_text[m_at] == ',') {
        ++m_at;
        continue;
      }
      if (m_at < m_text.size() && m_text[m_at] == ']') return ++m_at, true;
      return Fail("an array without ',' or ']'");
    }
  }

  bool Object(JsonValue* value, int depth) {
    value->type = JsonValue::Type::kObject;
    ++m_at;
    SkipBlanks();
    if (m_at < m_text.size() && m_text[m_at] == '}') return ++m_at, true;
    for (;;) {
      SkipBlanks();
      if (m_at >= m_text.size() || m_text[m_at] != '"') return Fail("a member without its name");
      value->members.emplace_back();
      if (!String(&value->members.back().first)) return false;
      SkipBlanks();
      if (m_at >= m_text.size() || m_text[m_at] != ':') return Fail("a member without ':'");
      ++m_at;
      if (!Value(&value->members.back().second, depth + 1)) return false;
      SkipBlanks();
      if (m_at < m_text.size() && m_text[m_at] == ',') {
        ++m_at;
        continue;
      }
      if (m_at < m_text.size() && m_text[m_at] == '}') return ++m_at, true;
      return Fail("an object without ',' or '}'");
    }
  }

  const std::string& m_text;
  std::size_t m_at;
  std::string m_fault;
};

void AppendQuoted(std::string& out, const std::string& text) {
  out += '"';
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    out += c;
  }
  out += '"';
}

void Write(std::string& out, const JsonValue& value) {
  switch (value.type) {
    case JsonValue::Type::kNull:
      out += "null";
      break;
    case JsonValue::Type::kBool:
      out += value.flag ? "true" : "false";
      break;
    case JsonValue::Type::kNumber:
      out += value.text;
      break;
    case JsonValue::Type::kString:
      AppendQuoted(out, value.text);
      break;
    case JsonValue::Type::kArray:
      out += '[';
      for (std::size_t i = 0; i < value.items.size(); ++i) {
        if (i > 0) out += ',';
        Write(out, value.items[i]);
      }
      out += ']';
      break;
    case JsonValue::Type::kObject:
      out += '{';
      for (std::size_t i = 0; i < value.members.size(); ++i) {
        if (i > 0) out += ',';
        AppendQuoted(out, value.members[i].first);
        out += ':';
        Write(out, value.members[i].second);
      }
      out += '}';
      break;
  }
}

}  // namespace

const JsonValue* JsonValue::Find(const char* key) const {
  for (const auto& member : members) {
    if (member.first == key) return &member.second;
  }
  return nullptr;
}

std::string JsonValue::TextOf(const char* key, const char* fallback) const {
  const JsonValue* member = Find(key);
  return member != nullptr ? JsonText(*member) : fallback;
}

bool JsonValue::FlagOf(const char* key, bool fallback) const {
  const JsonValue* member = Find(key);
  return member != nullptr && member->type == Type::kBool ? member->flag : fallback;
}

bool ReadJson(const std::string& text, JsonValue* value, std::string* error) {
  *value = JsonValue();
  return Reader(text).Whole(value, error);
}

std::string JsonText(const JsonValue& value) {
  if (value.type == JsonValue::Type::kString) return value.text;
  std::string out;
  Write(out, value);
  return out;
}
