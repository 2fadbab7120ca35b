#include "ChangeRequest.h"

#include <cctype>

#include "ControlProtocol.h"
#include "JsonReader.h"

namespace {

constexpr std::size_t kMostArguments = 3;
constexpr std::size_t kMostArgumentLength = 24;

// Letters, digits, '.', '+', '-': names, on/off, up/down and numbers.
bool IsPlainWord(const std::string& word) {
  if (word.empty() || word.size() > kMostArgumentLength) return false;
  for (const char c : word) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '+' && c != '-') {
      return false;
    }
  }
  return true;
}

}  // namespace

bool ReadChangeRequest(const std::string& body, std::string* line, std::string* fault) {
  JsonValue request;
  std::string error;
  if (!ReadJson(body, &request, &error) || request.type != JsonValue::Type::kObject) {
    *fault = "the change is not a JSON object" + (error.empty() ? "" : " (" + error + ")");
    return false;
  }
  const JsonValue* command = request.Find("command");
  if (command == nullptr || command->type != JsonValue::Type::kString) {
    *fault = "the change names no \"command\"";
    return false;
  }
  const ControlCommandInfo* info = FindControlCommand(command->text.c_str());
  if (info == nullptr || !info->changes) {
    *fault = "'" + command->text.substr(0, 32) +
             "' is no change: view, map-altitude, slew, trim, save, pause or resume";
    return false;
  }
  *line = info->name;
  const JsonValue* arguments = request.Find("arguments");
  if (arguments == nullptr) return true;
  if (arguments->type != JsonValue::Type::kArray || arguments->items.size() > kMostArguments) {
    *fault = "\"arguments\" is a list of at most 3 words";
    return false;
  }
  for (const JsonValue& argument : arguments->items) {
    const bool word =
        argument.type == JsonValue::Type::kString || argument.type == JsonValue::Type::kNumber;
    if (!word || !IsPlainWord(argument.text)) {
      *fault = "an argument is a word of 1 to 24 letters, digits, '.', '+' or '-'";
      return false;
    }
    *line += ' ' + argument.text;
  }
  return true;
}
