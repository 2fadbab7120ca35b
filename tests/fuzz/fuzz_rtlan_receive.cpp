// Arbitrary datagrams through the LAN station's receivers, on the fake socket
// calls. Each record of the input is: operation byte, package byte (its top
// bit stamps the package as the datagram's identifier), two length bytes, the
// datagram. Whatever arrives, no package block may be written beyond its
// package's size.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "FuzzStation.h"

namespace {

constexpr int kRemotePort = FuzzStation::kRemotePort;
constexpr int kStation = 3;  // the left PFD

struct Harness {
  Platform::FakeSockets sockets;
  RtLan::SimulatorData data{};
  QMP0001_02_RtLan* lan = FuzzStation::LoopbackStation(sockets, &data, kStation);

  // Every byte of every block past its package's size is still zero (nothing
  // else writes there, so a stray write stays visible until checked).
  void CheckBlocks() const {
    static const char kZeros[RtLan::kBlockSize] = {};
    for (int package = 0; package < RtLan::kPackageCount; ++package) {
      const RtLan::PackageRow* row = lan->GetPackageRow(package);
      if (row->data == nullptr) continue;
      std::size_t rest = static_cast<std::size_t>(RtLan::kBlockSize - row->size);
      if (std::memcmp(row->data + row->size, kZeros, rest) != 0) __builtin_trap();
    }
  }
};

Harness& Instance() {
  static Harness harness;
  return harness;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t size) {
  Harness& harness = Instance();
  static char raw[RtLan::kBufferSize];
  std::size_t position = 0;
  int frame = 300;
  while (position + 4 <= size) {
    // operation, package, two length bytes, then the datagram
    std::uint8_t operation = input[position];
    std::uint8_t packageByte = input[position + 1];
    std::size_t length = static_cast<std::size_t>(input[position + 2]) |
                         static_cast<std::size_t>(input[position + 3]) << 8;
    position += 4;
    if (length > size - position) length = size - position;
    std::string datagram(reinterpret_cast<const char*>(input + position), length);
    position += length;

    int package = (packageByte & 0x7F) % (RtLan::kPackageCount + 2) - 1;  // -1 to 26
    if ((packageByte & 0x80) != 0 && datagram.size() >= 4) {
      // Stamp a plausible identifier, so that accepted datagrams are common.
      std::int32_t identifier = package;
      std::memcpy(&datagram[0], &identifier, sizeof identifier);
    }
    int channel = operation % 8 == 7 ? (package < 0 ? 0 : package % RtLan::kPackageCount) : 0;
    harness.sockets.Deliver(kRemotePort + channel, datagram);
    switch (operation % 8) {
      case 0:
      case 1:
        harness.lan->ReceivePackage(frame, package, true);
        break;
      case 2:
        harness.lan->ReceiveDue(frame, true);
        break;
      case 3:
      case 4:
        harness.lan->ReceiveAny(frame, true);
        break;
      case 5:
        harness.lan->ReceiveRaw(raw);
        break;
      case 6:
        harness.lan->TransmitDue(frame, true);
        break;
      default:
        harness.lan->ReceiveMulti(frame, true);
        break;
    }
    ++frame;
  }
  harness.CheckBlocks();
  // Drain what is left so that one input does not feed the next.
  while (harness.lan->ReceiveRaw(raw) > 0) {
  }
  for (int i = 0; i < RtLan::kPackageCount; ++i) harness.lan->ReceiveMulti(frame, true);
  harness.sockets.ClearSent();
  return 0;
}
