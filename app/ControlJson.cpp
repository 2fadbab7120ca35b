#include "ControlJson.h"

#include <cstdio>

#include "TextFunctions.h"
#include "ValueText.h"
#include "ViewChoices.h"
#include "ViewSync.h"

JsonObject::JsonObject(std::string& out) : m_out(out), m_first(true) {
  m_out += '{';
}

void JsonObject::Key(const char* key) {
  if (!m_first) m_out += ',';
  m_first = false;
  AppendJsonString(m_out, key);
  m_out += ':';
}

JsonObject& JsonObject::Text(const char* key, const char* value) {
  Key(key);
  AppendJsonString(m_out, value != nullptr ? value : "");
  return *this;
}

JsonObject& JsonObject::Number(const char* key, double value, int decimals) {
  Key(key);
  char text[64];
  // JSON has no NaN or infinity: a value that is not a number is null.
  if (value == value && value - value == 0.0) {
    SafeFormat(text, sizeof text, "%.*f", decimals, value);
  } else {
    SafeCopy(text, "null", sizeof text);
  }
  m_out += text;
  return *this;
}

JsonObject& JsonObject::Whole(const char* key, long long value) {
  Key(key);
  char text[32];
  SafeFormat(text, sizeof text, "%lld", value);
  m_out += text;
  return *this;
}

JsonObject& JsonObject::Flag(const char* key, bool value) {
  Key(key);
  m_out += value ? "true" : "false";
  return *this;
}

JsonObject& JsonObject::Raw(const char* key, const std::string& json) {
  Key(key);
  m_out += json;
  return *this;
}

void JsonObject::End() {
  m_out += '}';
}

namespace {

// The length of the well-formed UTF-8 sequence that starts at `c` (a byte
// above ASCII), or 0 when it is not one.
int Utf8Length(const unsigned char* c) {
  const int length = (*c & 0xE0) == 0xC0   ? 2
                     : (*c & 0xF0) == 0xE0 ? 3
                     : (*c & 0xF8) == 0xF0 ? 4
                                           : 0;
  if (length == 0 || (length == 2 && *c < 0xC2)) return 0;
  for (int i = 1; i < length; ++i) {
    if ((c[i] & 0xC0) != 0x80) return 0;
  }
  return length;
}

}  // namespace

void AppendJsonString(std::string& out, const char* text) {
  out += '"';
  for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c != 0; ++c) {
    switch (*c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (*c < 0x20 || *c == 0x7F) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", *c);
          out += escaped;
        } else if (*c >= 0x80) {
          // Text that is UTF-8 stands as it is; any other byte above ASCII
          // is taken as Latin-1, the station's 8-bit texts' own.
          const int length = Utf8Length(c);
          if (length > 0) {
            out.append(reinterpret_cast<const char*>(c), static_cast<std::size_t>(length));
            c += length - 1;
          } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", *c);
            out += escaped;
          }
        } else {
          out += static_cast<char>(*c);
        }
    }
  }
  out += '"';
}

const char* LampColour(int linkStatus) {
  switch (linkStatus) {
    case LinkUp:
      return "green";
    case LinkDown:
    case LinkHeld:
      return "orange";
    default:
      return "grey";
  }
}

const char* LinkState(int linkStatus) {
  switch (linkStatus) {
    case LinkUp:
      return "datagrams leave";
    case LinkDown:
      return "no datagram has left for a while";
    case LinkHeld:
      return "held by the simulator";
    default:
      return "not connected";
  }
}

const char* SegmentStateName(SegmentState state) {
  switch (state) {
    case SegmentState::kAttached:
      return "attached";
    case SegmentState::kLost:
      return "lost";
    case SegmentState::kUnwritten:
      return "unwritten";
    default:
      return "none";
  }
}

const char* ViewName(int mode) {
  const ViewChoice* choice = FindViewByMode(mode);
  return choice != nullptr ? choice->name : "?";
}

namespace {

std::string Address(std::uint32_t address, int port) {
  char text[32];
  Platform::FormatAddressAndPort(address, port, text, sizeof text);
  return text;
}

std::string ReceiversArray(const StationStatus& status) {
  std::string json = "[";
  for (int i = 0; i < status.receiverCount; ++i) {
    if (i > 0) json += ',';
    const ReceiverStatus& receiver = status.receivers[i];
    JsonObject object(json);
    object.Text("address", Address(receiver.address, receiver.port).c_str())
        .Flag("failing", receiver.failing)
        .Whole("sent", receiver.sentDatagrams)
        .Whole("failed", receiver.failedSends)
        .End();
  }
  return json + "]";
}

}  // namespace

void AddStatusMembers(JsonObject& object, const StationStatus& status) {
  object.Flag("connected", status.connected)
      .Flag("running", status.running)
      .Whole("counter", status.counter)
      .Whole("frames", status.frameCount)
      .Whole("sent", status.sent)
      .Whole("left", status.left)
      .Whole("held", status.held)
      .Number("rate", status.rate, 1)
      .Number("left_rate", status.leftRate, 1)
      .Text("lamp", LampColour(status.lamp))
      .Text("link", LinkState(status.lamp))
      .Text("segment", SegmentStateName(status.segment))
      .Text("segment_name", status.segmentName)
      .Flag("data_frozen", status.dataFrozen)
      .Flag("counter_kept", status.counterKept)
      .Text("counter_failure", status.counterFailure)
      .Text("airport", status.airport)
      .Flag("airport_in_table", status.airportInTable)
      .Number("offset", status.datumOffset, 2)
      .Number("altitude", status.altitudeSent, 1)
      .Text("view", ViewName(status.view))
      .Number("map_altitude", status.mapAltitude, 0)
      .Flag("slew", status.slew)
      .Text("destination", Address(status.destination, status.remotePort).c_str())
      .Flag("destination_locked", status.destinationLocked)
      .Flag("destination_failing", status.destinationFailing)
      .Text("destination_failure", status.destinationFailure)
      .Whole("destination_failed", status.destinationFailures)
      .Whole("local_port", status.localPort)
      .Raw("receivers", ReceiversArray(status))
      .Text("message", status.message);
}

std::string EventLine(const StationEvent& event, const StationStatus& status) {
  std::string line;
  JsonObject object(line);
  switch (event.kind) {
    case StationEvent::kMessageLine:
      object.Text("event", "message").Text("message", event.text);
      break;
    case StationEvent::kLamp:
      object.Text("event", "lamp")
          .Text("lamp", LampColour(status.lamp))
          .Text("link", LinkState(status.lamp));
      break;
    case StationEvent::kFigures:
      object.Text("event", "figures")
          .Whole("frames", status.frameCount)
          .Whole("counter", status.counter)
          .Number("altitude", status.altitudeSent, 1)
          .Text("airport", status.airport);
      break;
    case StationEvent::kViewShown:
      object.Text("event", "view").Text("view", ViewName(status.view));
      break;
    case StationEvent::kDatum:
      object.Text("event", "offset")
          .Text("airport", status.airport)
          .Number("offset", status.datumOffset, 2);
      break;
    case StationEvent::kMapAltitude:
      object.Text("event", "map-altitude").Number("map_altitude", status.mapAltitude, 0);
      break;
    case StationEvent::kSlew:
      object.Text("event", "slew").Flag("slew", status.slew);
      break;
    case StationEvent::kSegment:
      object.Text("event", "segment")
          .Text("segment", SegmentStateName(status.segment))
          .Text("message", status.message);
      break;
    case StationEvent::kPaused:
      object.Text("event", status.running ? "resumed" : "paused");
      break;
    case StationEvent::kSaved:
      object.Text("event", "saved").Text("message", event.text);
      break;
    case StationEvent::kReport:
      object.Text("event", "report").Text("caption", event.caption).Text("message", event.text);
      break;
    case StationEvent::kConnected:
      object.Text("event", "connected").Whole("local_port", status.localPort);
      break;
    case StationEvent::kEnded:
      object.Text("event", "ended");
      break;
    default:
      return std::string();
  }
  object.End();
  return line;
}
