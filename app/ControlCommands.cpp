#include "ControlCommands.h"

#include <cctype>
#include <cstring>
#include <functional>

#include "ControlJson.h"
#include "ControlProtocol.h"
#include "NumericText.h"
#include "Station.h"
#include "TextFunctions.h"
#include "ViewChoices.h"

namespace {

constexpr int kMostWords = 4;

// The words of a command line, blanks between them.
struct Words {
  char text[kControlLineSize];
  char* word[kMostWords];
  int count = 0;
};

void Split(const char* line, Words* words) {
  SafeCopy(words->text, line, sizeof words->text);
  char* next = words->text;
  while (*next != '\0') {
    while (*next == ' ' || *next == '\t' || *next == '\r') *next++ = '\0';
    if (*next == '\0') break;
    if (words->count == kMostWords) {
      ++words->count;  // one too many: the command says how many it takes
      break;
    }
    words->word[words->count++] = next;
    while (*next != '\0' && *next != ' ' && *next != '\t' && *next != '\r') ++next;
  }
}

// A decimal number as an operator types it: optional sign, digits, an
// optional fraction; nothing else.
bool ReadDecimal(const char* text, double* value) {
  const char* c = text;
  if (*c == '+' || *c == '-') ++c;
  int digits = 0;
  while (std::isdigit(static_cast<unsigned char>(*c))) ++c, ++digits;
  if (*c == '.') {
    ++c;
    while (std::isdigit(static_cast<unsigned char>(*c))) ++c, ++digits;
  }
  if (digits == 0 || *c != '\0' || c - text > 20) return false;
  *value = Platform::AtofC(text);
  return true;
}

class Command {
 public:
  Command(Station& station, const Platform::PeerCredentials& who, const Words& words)
      : m_station(station), m_who(who), m_words(words) {}

  ControlAnswer Run();

 private:
  ControlAnswer Done(const std::function<void(JsonObject&)>& members = nullptr);
  ControlAnswer Refused(const char* reason);
  ControlAnswer Result(const CommandResult& result, const char* changed);
  // The LAN log's line: who asked, and what changed.
  void Log(const char* changed);
  bool Takes(int words, const char* usage, ControlAnswer* refusal);

  ControlAnswer Status();
  ControlAnswer Help();
  ControlAnswer View();
  ControlAnswer MapAltitude();
  ControlAnswer Slew();
  ControlAnswer Trim();
  ControlAnswer Save();
  ControlAnswer Watch();

  Station& m_station;
  const Platform::PeerCredentials& m_who;
  const Words& m_words;
};

ControlAnswer Command::Done(const std::function<void(JsonObject&)>& members) {
  ControlAnswer answer;
  answer.ok = true;
  JsonObject object(answer.reply);
  object.Flag("ok", true);
  if (members) members(object);
  object.End();
  return answer;
}

ControlAnswer Command::Refused(const char* reason) {
  ControlAnswer answer;
  JsonObject object(answer.reply);
  object.Flag("ok", false).Text("error", reason).End();
  return answer;
}

ControlAnswer Command::Result(const CommandResult& result, const char* changed) {
  if (!result.ok) return Refused(result.reason);
  Log(changed);
  return Done();
}

void Command::Log(const char* changed) {
  char line[kControlLineSize];
  SafeFormat(line, sizeof line, "Control uid %d pid %d: %s", m_who.uid, m_who.pid, changed);
  m_station.Log(line);
}

bool Command::Takes(int words, const char* usage, ControlAnswer* refusal) {
  if (m_words.count == words) return true;
  char reason[128];
  SafeFormat(reason, sizeof reason, "%s takes %s", m_words.word[0], usage);
  *refusal = Refused(reason);
  return false;
}

ControlAnswer Command::Run() {
  if (m_words.count == 0) return Refused("no command: 'help' lists them");
  const char* name = m_words.word[0];
  if (FindControlCommand(name) == nullptr) {
    char reason[kControlLineSize];
    SafeFormat(reason, sizeof reason, "'%s' is not a command: 'help' lists them", name);
    return Refused(reason);
  }
  ControlAnswer refusal;
  if (std::strcmp(name, "status") == 0)
    return Takes(1, "nothing more", &refusal) ? Status() : refusal;
  if (std::strcmp(name, "help") == 0) return Takes(1, "nothing more", &refusal) ? Help() : refusal;
  if (std::strcmp(name, "watch") == 0)
    return Takes(1, "nothing more", &refusal) ? Watch() : refusal;
  if (std::strcmp(name, "save") == 0) return Takes(1, "nothing more", &refusal) ? Save() : refusal;
  if (std::strcmp(name, "pause") == 0) {
    return Takes(1, "nothing more", &refusal) ? Result(m_station.Pause(), "pause") : refusal;
  }
  if (std::strcmp(name, "resume") == 0) {
    return Takes(1, "nothing more", &refusal) ? Result(m_station.Resume(), "resume") : refusal;
  }
  if (std::strcmp(name, "view") == 0) return Takes(2, "one NAME", &refusal) ? View() : refusal;
  if (std::strcmp(name, "map-altitude") == 0) {
    return Takes(2, "one height in METRES", &refusal) ? MapAltitude() : refusal;
  }
  if (std::strcmp(name, "slew") == 0) return Takes(2, "on or off", &refusal) ? Slew() : refusal;
  return Trim();
}

ControlAnswer Command::Status() {
  const StationStatus status = m_station.GetStatus();
  return Done([&status](JsonObject& object) { AddStatusMembers(object, status); });
}

ControlAnswer Command::Help() {
  std::string list = "[";
  for (const ControlCommandInfo& command : kControlCommands) {
    if (list.size() > 1) list += ',';
    JsonObject object(list);
    object.Text("command", command.name)
        .Text("arguments", command.arguments)
        .Text("help", command.help)
        .End();
  }
  list += ']';
  return Done([&list](JsonObject& object) { object.Raw("commands", list); });
}

ControlAnswer Command::Watch() {
  ControlAnswer answer = Done([](JsonObject& object) { object.Flag("watching", true); });
  answer.watch = true;
  return answer;
}

ControlAnswer Command::View() {
  const ViewChoice* view = FindViewByName(m_words.word[1]);
  if (view == nullptr) {
    char reason[kControlLineSize];
    SafeFormat(reason, sizeof reason, "'%s' is not a view: %s", m_words.word[1], ViewNameList());
    return Refused(reason);
  }
  char changed[64];
  SafeFormat(changed, sizeof changed, "view %s", view->name);
  return Result(m_station.SelectView(view->mode), changed);
}

ControlAnswer Command::MapAltitude() {
  double metres = 0.0;
  if (!ReadDecimal(m_words.word[1], &metres)) {
    char reason[kControlLineSize];
    SafeFormat(reason, sizeof reason, "'%s' is not a number of metres", m_words.word[1]);
    return Refused(reason);
  }
  char changed[64];
  SafeFormat(changed, sizeof changed, "map altitude %.0f m", metres);
  return Result(m_station.SetMapAltitude(metres), changed);
}

ControlAnswer Command::Slew() {
  const char* setting = m_words.word[1];
  if (std::strcmp(setting, "on") != 0 && std::strcmp(setting, "off") != 0) {
    return Refused("slew takes on or off");
  }
  m_station.SetSlew(setting[1] == 'n');
  Log(setting[1] == 'n' ? "slew on" : "slew off");
  return Done();
}

ControlAnswer Command::Trim() {
  const bool step = m_words.count == 2 && (std::strcmp(m_words.word[1], "up") == 0 ||
                                           std::strcmp(m_words.word[1], "down") == 0);
  const bool set = m_words.count == 3 && std::strcmp(m_words.word[1], "set") == 0;
  if (!step && !set) return Refused("trim takes up, down, or set METRES");
  double metres = 0.0;
  if (set && !ReadDecimal(m_words.word[2], &metres)) {
    char reason[kControlLineSize];
    SafeFormat(reason, sizeof reason, "'%s' is not a number of metres", m_words.word[2]);
    return Refused(reason);
  }
  // A trim goes to the airport the simulator reports: without one there is
  // nothing to trim (the window's spin would move the camera alone).
  const StationStatus before = m_station.GetStatus();
  if (before.airport[0] == '\0') {
    return Refused("no airport is reported by the simulator: nothing to trim");
  }
  const CommandResult result =
      step ? m_station.TrimStep(m_words.word[1][0] == 'u' ? 1 : -1) : m_station.TrimTo(metres);
  if (!result.ok) return Refused(result.reason);
  const StationStatus after = m_station.GetStatus();
  char changed[128];
  SafeFormat(changed, sizeof changed, "trim %s: %s offset %.2f m (was %.2f)", m_words.word[1],
             after.airport, after.datumOffset, before.datumOffset);
  Log(changed);
  return Done([&after](JsonObject& object) {
    object.Text("airport", after.airport).Number("offset", after.datumOffset, 2);
  });
}

ControlAnswer Command::Save() {
  const CommandResult result = m_station.Save();
  if (!result.ok) return Refused(result.reason);
  Log(result.reason);
  return Done([&result](JsonObject& object) { object.Text("message", result.reason); });
}

}  // namespace

ControlAnswer RunControlCommand(Station& station, const char* line,
                                const Platform::PeerCredentials& who) {
  Words words;
  Split(line, &words);
  return Command(station, who, words).Run();
}
