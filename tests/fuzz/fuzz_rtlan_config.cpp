// The LAN station's configuration as a whole, on the fake socket calls (no
// network traffic): the input's first byte chooses the ports (the defaults,
// or the next eight bytes as two ints), the rest is the ini file. Each input
// initialises a stand-alone and a networked station. Whatever the input, a
// station that initialises holds only values its settings allow.
//
// The fuzzer must never name a file for the traffic log to empty (it may run
// as root): the ini file's DEBUG_LOG section is made unfindable, and only the
// stand-alone station keeps a log, in a file of the harness's own.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "FuzzStation.h"
#include "ValueText.h"

namespace {

struct Harness {
  Platform::FakeSockets sockets;
  RtLan::SimulatorData data{};
  std::string iniFile = FuzzStation::WriteTempFile("");
  std::string logFile = FuzzStation::WriteTempFile("");

  Harness() {
    Platform::InstallSockets(&sockets);
    // The left PFD of the example A330 LAN.
    sockets.SetHost("fakehost", Platform::AddressFromOctets(10, 20, 0, 13));
    std::atexit([] {
      unlink(Instance().iniFile.c_str());
      unlink(Instance().logFile.c_str());
    });
  }

  static Harness& Instance() {
    static Harness harness;
    return harness;
  }
};

std::int32_t IntAt(const std::uint8_t* bytes) {
  std::uint32_t bits = 0;
  for (int i = 0; i < 4; ++i) bits |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
  std::int32_t value = 0;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

std::string WithoutLogSection(std::string text) {
  for (std::size_t at = text.find("[DEBUG_LOG]"); at != std::string::npos;
       at = text.find("[DEBUG_LOG]", at)) {
    text[at + 1] = 'd';
  }
  return text;
}

bool Check(bool condition) {
  if (!condition) __builtin_trap();
  return condition;
}

// What an initialised networked station may hold.
void CheckNetworked(QMP0001_02_RtLan& lan) {
  Check(lan.GetFrequency() >= 1 && lan.GetFrequency() <= RtLan::kMaximumFrequency);
  Check(lan.GetDeviceIndex() >= 0 && lan.GetDeviceIndex() < RtLan::kComputerCount);
  for (int i = 0; i < RtLan::kComputerCount; ++i) {
    const char* text = lan.GetComputerAddressText(i);
    std::uint32_t address = 0;
    Check(text[0] == '\0' ||
          Platform::ReadStoredAddress(text, &address) == Platform::AddressReading::kRead);
  }
  for (int i = 0; i < RtLan::kPackageCount; ++i) {
    const RtLan::PackageRow* row = lan.GetPackageRow(i);
    Check(row->rate >= RtLan::kMinimumPackageRate && row->rate <= RtLan::kMaximumPackageRate);
    Check(row->period >= 0);
  }
}

// A few frames of traffic, all of it into the fake socket calls.
void Exercise(QMP0001_02_RtLan& lan) {
  lan.PackageChannelSetup();
  for (int frame = 300; frame < 310; ++frame) {
    lan.TransmitDue(frame, true);
    lan.TransmitDueMulti(frame, true);
    lan.ReceiveAny(frame, true);
  }
  lan.SendString(0, "1510,51.4775,", Platform::AddressFromOctets(127, 0, 0, 2));
  lan.GetErrorText();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t size) {
  if (size < 1) return 0;
  Harness& harness = Harness::Instance();
  int localPort = FuzzStation::kLocalPort;
  int remotePort = FuzzStation::kRemotePort;
  std::size_t start = 1;
  if ((input[0] & 1) != 0 && size >= 9) {
    localPort = IntAt(input + 1);
    remotePort = IntAt(input + 5);
    start = 9;
  }
  std::string text(reinterpret_cast<const char*>(input + start), size - start);
  std::string ini = WithoutLogSection(text);
  FILE* file = std::fopen(harness.iniFile.c_str(), "wb");
  if (file == nullptr) std::abort();
  std::fwrite(ini.data(), 1, ini.size(), file);
  std::fclose(file);

  for (bool standalone : {true, false}) {
    QMP0001_02_RtLan lan(&harness.data);
    lan.SetIniFileName(harness.iniFile.c_str());
    lan.SetLocalPort(localPort);
    lan.SetRemotePort(remotePort);
    if (standalone) {
      lan.SetStandalone();
      lan.SetLogFileName(harness.logFile.c_str());
    }
    bool initialised = lan.Initialise((input[0] & 2) != 0);
    Check(initialised == lan.IsInitialised());
    if (initialised) {
      Check(RtLan::IsPortNumber(localPort) && RtLan::IsPortNumber(remotePort));
      if (!standalone) CheckNetworked(lan);
      Exercise(lan);
    }
  }
  harness.sockets.ClearSent();
  return 0;
}
