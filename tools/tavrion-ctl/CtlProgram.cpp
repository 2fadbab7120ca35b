#include "CtlProgram.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "CommandLine.h"
#include "ControlProtocol.h"
#include "CtlForm.h"
#include "JsonReader.h"
#include "LocalSocket.h"
#include "TavrionVersion.h"

namespace {

constexpr char kProgram[] = "tavrion-ctl";
constexpr int kReplyMs = 5000;  // a station answers between two frames
constexpr int kStopLookMs = 200;

enum Exit { kDone = 0, kRefused = 1, kUsage = 2, kNoStation = 3 };

struct CtlOptions {
  std::string socket;
  bool json = false;
  bool help = false;
  bool version = false;
  std::vector<std::string> operands;
};

std::string Usage() {
  std::string text =
      "Usage: tavrion-ctl [OPTION]... [INSTANCE] COMMAND [ARGUMENT]...\n"
      "Steers a Tavrion station through its control socket: sends one command and\n"
      "prints the station's reply. INSTANCE names a station run by systemd\n"
      "(tavrion@INSTANCE): its socket is /run/tavrion/INSTANCE/control. Without\n"
      "INSTANCE or --socket, the one station running here is meant.\n"
      "\n"
      "  -s, --socket PATH   the station's control socket (tavrion --control PATH)\n"
      "  -j, --json          print the station's replies as they come, one JSON\n"
      "                      object a line\n"
      "  -h, --help          print this help and exit\n"
      "      --version       print the version and exit\n"
      "\n"
      "Commands:\n";
  for (const ControlCommandInfo& command : kControlCommands) {
    const std::string usage = std::string(command.name) + " " + command.arguments;
    char line[256];
    std::snprintf(line, sizeof line, "  %-22s %s\n", usage.c_str(), command.help);
    text += line;
  }
  text +=
      "\n"
      "`watch` prints until the station ends or Ctrl-C.\n"
      "\n"
      "Exit status: 0 done, 1 refused by the station (its reason on standard\n"
      "error), 2 a bad command line, 3 no station there.\n"
      "\n"
      "Environment: TAVRION_RUN_DIRECTORY instead of /run/tavrion.\n";
  return text;
}

bool ReadOptions(int argc, const char* const* argv, CtlOptions* options, char* fault,
                 int faultSize) {
  const Platform::CommandOption known[] = {{"socket", 's', true, 's'},
                                           {"json", 'j', false, 'j'},
                                           {"help", 'h', false, 'h'},
                                           {"version", 0, false, 'v'}};
  int first = argc;
  const bool read = Platform::ReadCommandLineAndOperands(
      argc, argv, known, 4,
      [options](int key, const char* value) {
        if (key == 's') options->socket = value;
        if (key == 'j') options->json = true;
        if (key == 'h') options->help = true;
        if (key == 'v') options->version = true;
        return true;
      },
      &first, fault, faultSize);
  for (int i = first; read && i < argc; ++i) options->operands.push_back(argv[i]);
  return read;
}

std::string RunFolder() {
  const char* folder = std::getenv("TAVRION_RUN_DIRECTORY");
  return folder != nullptr && folder[0] != '\0' ? folder : kControlRunFolder;
}

// The stations' sockets in the run folder.
std::vector<std::string> RunningStations() {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(RunFolder(), error)) {
    std::error_code seen;
    if (std::filesystem::is_socket(entry.path() / kControlSocketName, seen)) {
      names.push_back(entry.path().filename().string());
    }
  }
  return names;
}

struct Target {
  std::string socket;
  std::size_t command = 0;  // the command's operand
};

// Which socket and which command; the exit status when the line is wrong.
int ChooseTarget(const CtlOptions& options, Target* target, std::FILE* err) {
  const auto& words = options.operands;
  const bool instanceGiven =
      options.socket.empty() && !words.empty() && FindControlCommand(words[0].c_str()) == nullptr;
  target->command = instanceGiven ? 1 : 0;
  if (target->command >= words.size()) {
    Platform::PrintUsageFault(err, kProgram, "a COMMAND is needed");
    return kUsage;
  }
  if (FindControlCommand(words[target->command].c_str()) == nullptr) {
    const std::string fault = "'" + words[target->command] + "' is not a command";
    Platform::PrintUsageFault(err, kProgram, fault.c_str());
    return kUsage;
  }
  if (!options.socket.empty()) {
    target->socket = options.socket;
  } else if (instanceGiven) {
    if (words[0].find('/') != std::string::npos) {
      Platform::PrintUsageFault(err, kProgram, "an INSTANCE is a name, without '/'");
      return kUsage;
    }
    target->socket = RunFolder() + "/" + words[0] + "/" + kControlSocketName;
  } else {
    const std::vector<std::string> running = RunningStations();
    if (running.empty()) {
      std::fprintf(err, "%s: no station runs here (%s/*/%s): name its --socket\n", kProgram,
                   RunFolder().c_str(), kControlSocketName);
      return kNoStation;
    }
    if (running.size() > 1) {
      std::string names;
      for (const std::string& name : running) names += (names.empty() ? "" : ", ") + name;
      const std::string fault = "several stations run here (" + names + "): name one";
      Platform::PrintUsageFault(err, kProgram, fault.c_str());
      return kUsage;
    }
    target->socket = RunFolder() + "/" + running[0] + "/" + kControlSocketName;
  }
  return kDone;
}

// The next line from the station; false when it closed, broke or was silent.
bool ReadLine(int fd, std::string& pending, std::string* line, int waitMs,
              const volatile std::sig_atomic_t* stop) {
  for (;;) {
    const std::size_t end = pending.find('\n');
    if (end != std::string::npos) {
      *line = pending.substr(0, end);
      pending.erase(0, end + 1);
      return true;
    }
    if (stop != nullptr && *stop != 0) return false;
    const int ready = Platform::WaitReadable(fd, waitMs < 0 ? kStopLookMs : waitMs);
    if (ready == 0 && waitMs >= 0) return false;
    if (ready <= 0) continue;
    char buffer[4096];
    const long got = Platform::ReadSome(fd, buffer, sizeof buffer);
    if (got == Platform::kWouldBlock) continue;
    if (got <= 0) return false;
    pending.append(buffer, static_cast<std::size_t>(got));
  }
}

int Converse(int fd, const std::string& command, const std::string& line, bool json, std::FILE* out,
             std::FILE* err, const volatile std::sig_atomic_t* stop) {
  const std::string sent = line + "\n";
  if (Platform::WriteSome(fd, sent.data(), static_cast<long>(sent.size())) !=
      static_cast<long>(sent.size())) {
    std::fprintf(err, "%s: the station did not take the command\n", kProgram);
    return kNoStation;
  }
  std::string pending;
  std::string text;
  if (!ReadLine(fd, pending, &text, kReplyMs, nullptr)) {
    std::fprintf(err, "%s: no answer from the station within %d s\n", kProgram, kReplyMs / 1000);
    return kNoStation;
  }
  JsonValue reply;
  std::string fault;
  if (!ReadJson(text, &reply, &fault)) {
    std::fprintf(err, "%s: the station's reply is not JSON (%s): %s\n", kProgram, fault.c_str(),
                 text.c_str());
    return kNoStation;
  }
  if (json) std::fprintf(out, "%s\n", text.c_str());
  if (!reply.FlagOf("ok")) {
    std::fprintf(err, "%s: refused: %s\n", kProgram, reply.TextOf("error").c_str());
    return kRefused;
  }
  if (!json) PrintReply(out, command, reply);
  std::fflush(out);
  if (command != "watch") return kDone;
  while (ReadLine(fd, pending, &text, -1, stop)) {
    JsonValue event;
    if (json || !ReadJson(text, &event, &fault)) {
      std::fprintf(out, "%s\n", text.c_str());
    } else {
      PrintWatchLine(out, event);
    }
    std::fflush(out);
  }
  return kDone;
}

}  // namespace

int CtlMain(int argc, const char* const* argv, std::FILE* out, std::FILE* err,
            const volatile std::sig_atomic_t* stop) {
  CtlOptions options;
  char fault[256];
  if (!ReadOptions(argc, argv, &options, fault, sizeof fault)) {
    Platform::PrintUsageFault(err, kProgram, fault);
    return kUsage;
  }
  if (options.help) {
    std::fputs(Usage().c_str(), out);
    return kDone;
  }
  if (options.version) {
    PrintTavrionVersion(out, kProgram);
    return kDone;
  }
  Target target;
  const int chosen = ChooseTarget(options, &target, err);
  if (chosen != kDone) return chosen;
  std::string line;
  for (std::size_t i = target.command; i < options.operands.size(); ++i) {
    line += (line.empty() ? "" : " ") + options.operands[i];
  }
  if (line.size() >= static_cast<std::size_t>(kControlLineSize)) {
    Platform::PrintUsageFault(err, kProgram, "the command is longer than 511 bytes");
    return kUsage;
  }
  bool nobody = false;
  char error[256];
  const int fd = Platform::ConnectLocal(target.socket.c_str(), &nobody, error, sizeof error);
  if (fd < 0) {
    std::fprintf(err, "%s: %s: %s%s\n", kProgram, target.socket.c_str(), error,
                 nobody ? " (no station there)" : "");
    return kNoStation;
  }
  const int status =
      Converse(fd, options.operands[target.command], line, options.json, out, err, stop);
  Platform::CloseDescriptor(fd);
  return status;
}
