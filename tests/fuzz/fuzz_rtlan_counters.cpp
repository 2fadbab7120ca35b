// Package datagrams with arbitrary counters through the station's receivers,
// on the fake socket calls. Each record of the input is: operation byte,
// package byte, four counter bytes (little-endian). Whatever the counters,
// the statistics follow the rule: the last counter is the datagram's, and the
// gap count rises by one exactly when a counter is more than one above the
// one before it.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "FuzzStation.h"

namespace {

constexpr int kStation = 3;  // the left PFD
// Packages with a block: three addressed to this station, one to another.
constexpr int kPackages[] = {1, 7, 23, 2};

struct Harness {
  Platform::FakeSockets sockets;
  RtLan::SimulatorData data{};
  QMP0001_02_RtLan* lan = FuzzStation::LoopbackStation(sockets, &data, kStation);
};

Harness& Instance() {
  static Harness harness;
  return harness;
}

std::string Datagram(int package, std::int32_t counter, int size) {
  std::string bytes(static_cast<std::size_t>(size), 'c');
  std::int32_t identifier = package;
  std::memcpy(&bytes[0], &identifier, sizeof identifier);
  std::memcpy(&bytes[4], &counter, sizeof counter);
  return bytes;
}

int Receive(QMP0001_02_RtLan& lan, std::uint8_t operation, int package, int frame) {
  switch (operation % 3) {
    case 0:
      return lan.ReceivePackage(frame, package, true);
    case 1:
      return lan.ReceiveAny(frame, true);
    default:
      return lan.ReceiveDue(frame, true);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t size) {
  Harness& harness = Instance();
  QMP0001_02_RtLan& lan = *harness.lan;
  int frame = 300;
  for (std::size_t position = 0; position + 6 <= size; position += 6, ++frame) {
    int package = kPackages[input[position + 1] % 4];
    std::uint32_t bits = 0;
    for (int i = 0; i < 4; ++i)
      bits |= static_cast<std::uint32_t>(input[position + 2 + i]) << (8 * i);
    std::int32_t counter = 0;
    std::memcpy(&counter, &bits, sizeof counter);

    const std::int64_t previous = lan.GetLastCounter(package);
    const int gaps = lan.GetGapCount(package);
    harness.sockets.Deliver(FuzzStation::kRemotePort,
                            Datagram(package, counter, lan.GetPackageRow(package)->size));
    int received = Receive(lan, input[position], package, frame);
    if (received > 0) {
      int expected = gaps + (static_cast<std::int64_t>(counter) - previous > 1 ? 1 : 0);
      if (lan.GetLastCounter(package) != counter || lan.GetGapCount(package) != expected) {
        __builtin_trap();
      }
    } else if (lan.GetLastCounter(package) != previous || lan.GetGapCount(package) != gaps) {
      __builtin_trap();  // a datagram not taken leaves the statistics alone
    }
  }
  // ReceiveDue leaves a datagram of another station's package waiting: drain it.
  char raw[RtLan::kBufferSize];
  while (lan.ReceiveRaw(raw) > 0) {
  }
  return 0;
}
