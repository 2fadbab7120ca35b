#include "WebJson.h"

#include <cstdio>

#include "JsonReader.h"

std::string JsonQuoted(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + '"';
}

bool IsOneJsonObjectLine(const std::string& line) {
  for (const char c : line) {
    if (static_cast<unsigned char>(c) < 0x20) return false;
  }
  JsonValue value;
  std::string fault;
  return ReadJson(line, &value, &fault) && value.type == JsonValue::Type::kObject;
}

std::string JsonRefusal(const std::string& reason) {
  return "{\"ok\":false,\"error\":" + JsonQuoted(reason) + "}";
}
