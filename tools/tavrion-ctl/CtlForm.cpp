#include "CtlForm.h"

#include <cstring>

namespace {

// "A: B" with the names in one column.
void Row(std::FILE* out, const char* name, const std::string& value) {
  std::fprintf(out, "%-14s %s\n", name, value.c_str());
}

std::string Receivers(const JsonValue& status) {
  const JsonValue* receivers = status.Find("receivers");
  if (receivers == nullptr || receivers->items.empty()) return "none";
  std::string text;
  for (const JsonValue& receiver : receivers->items) {
    if (!text.empty()) text += ", ";
    text += receiver.TextOf("address");
    if (receiver.FlagOf("failing")) text += " (failing, " + receiver.TextOf("failed") + " failed)";
  }
  return text;
}

void PrintStatus(std::FILE* out, const JsonValue& status) {
  Row(out, "Link",
      std::string(!status.FlagOf("connected") ? "not connected"
                  : status.FlagOf("running")  ? "sending"
                                              : "paused"));
  Row(out, "Counter",
      status.TextOf("counter") + " (" + status.TextOf("sent") + " sent, " + status.TextOf("held") +
          " held back)");
  Row(out, "Rate", status.TextOf("rate") + " datagrams/s");
  Row(out, "Lamp", status.TextOf("lamp") + ": " + status.TextOf("link"));
  Row(out, "Segment",
      status.TextOf("segment_name") + " " + status.TextOf("segment") +
          (status.FlagOf("data_frozen") ? ", data frozen" : ""));
  const std::string airport = status.TextOf("airport");
  Row(out, "Airport",
      (airport.empty() ? std::string("none reported") : airport) + ", datum offset " +
          status.TextOf("offset") + " m");
  Row(out, "Altitude sent", status.TextOf("altitude") + " m");
  Row(out, "View",
      status.TextOf("view") + ", map altitude " + status.TextOf("map_altitude") + " m, slew " +
          (status.FlagOf("slew") ? "on" : "off"));
  Row(out, "Destination",
      status.TextOf("destination") + " from port " + status.TextOf("local_port"));
  Row(out, "Receivers", Receivers(status));
  Row(out, "Message", status.TextOf("message"));
}

void PrintHelp(std::FILE* out, const JsonValue& reply) {
  const JsonValue* commands = reply.Find("commands");
  if (commands == nullptr) return;
  for (const JsonValue& command : commands->items) {
    const std::string usage = command.TextOf("command") + " " + command.TextOf("arguments");
    std::fprintf(out, "  %-24s %s\n", usage.c_str(), command.TextOf("help").c_str());
  }
}

// Every member but the reply's "ok" (and the event's name), as name=value.
std::string Members(const JsonValue& object) {
  std::string text;
  for (const auto& member : object.members) {
    if (member.first == "ok" || member.first == "event") continue;
    if (!text.empty()) text += ' ';
    text += member.first + "=" + JsonText(member.second);
  }
  return text;
}

}  // namespace

void PrintReply(std::FILE* out, const std::string& command, const JsonValue& reply) {
  if (command == "status") {
    PrintStatus(out, reply);
  } else if (command == "help") {
    PrintHelp(out, reply);
  } else if (command == "watch") {
    return;  // the lines that follow say it all
  } else {
    const std::string members = Members(reply);
    if (!members.empty()) std::fprintf(out, "%s\n", members.c_str());
  }
}

void PrintWatchLine(std::FILE* out, const JsonValue& line) {
  const std::string event = line.TextOf("event", "?");
  if (event == "status") {
    std::fprintf(out, "status: %s datagrams/s, counter %s, lamp %s, airport %s %s m, view %s\n",
                 line.TextOf("rate").c_str(), line.TextOf("counter").c_str(),
                 line.TextOf("lamp").c_str(), line.TextOf("airport").c_str(),
                 line.TextOf("offset").c_str(), line.TextOf("view").c_str());
    return;
  }
  std::fprintf(out, "%s: %s\n", event.c_str(), Members(line).c_str());
}
