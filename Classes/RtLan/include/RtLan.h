#pragma once
// What the stations of the simulator LAN share: the sixteen computers, the
// 26 packages, the package datagram header, and the simulator data area in
// which the package blocks and the initialisation message board live.

#include <cstddef>
#include <cstdint>

namespace RtLan {

constexpr int kComputerCount = 16;
constexpr int kPackageCount = 26;
constexpr int kAddressTextSize = 20;
constexpr int kKeySize = 40;
constexpr int kPackageNameSize = 50;
constexpr int kTextSize = 1024;
constexpr int kBufferSize = 40960;
constexpr int kDefaultLocalPort = 7000;
constexpr int kDefaultRemotePort = 7001;
constexpr int kDefaultFrequency = 20;
constexpr int kMaximumFrequency = 1000;
constexpr int kDefaultPackageRate = 10;
constexpr int kMinimumPackageRate = 1;
constexpr int kMaximumPackageRate = 60;
constexpr int kFirstDueFrame = 302;
constexpr int kRateChangeDueFrame = 52;
constexpr int kDeviceUnknown = -128;
constexpr int kDeviceNotAssigned = 16;

// The header of every package datagram, little-endian on the wire, followed
// by the package's payload.
struct PackageHeader {
  std::int32_t identifier;  // the package index, 0 to 25
  std::int32_t counter;     // one more for each transmission
};
constexpr int kHeaderSize = static_cast<int>(sizeof(PackageHeader));
static_assert(kHeaderSize == 8, "identifier and counter words");

// One row of the package table.
struct PackageRow {
  char name[kPackageNameSize];
  int size;         // bytes on the wire, header included; 0 for the invalid row
  char* data;       // the block in the simulator data area; null when none
  int rate;         // Hz
  int source;       // computer index
  int destination;  // computer index
  int sentCount;
  int nextDueFrame;
  int period;  // frames between transmissions
  std::int32_t* counterWord;
  std::int32_t* identifierWord;
  int identifier;  // equals the row's index
  int receivedCount;
};

// One row of the computer table.
struct ComputerRow {
  std::uint32_t address;  // network order
  int port;
  char key[kKeySize];
  int index;
};

// Per package: counters of the last accepted datagrams.
struct PackageStatistics {
  int lastCounter;
  int previousCounter;
  int gapCount;
};

// A package's definition as an aircraft's table gives it.
struct PackageDefinition {
  const char* name;
  int size;
  int source;
  int destination;
  int block;  // position of the package's block in the data area; -1 for none
};

// The computer table: ini key in COMPUTERS and display name (13 characters,
// blank-padded); null outside 0 to 15.
const char* ComputerKey(int index);
const char* ComputerDisplayName(int index);
// The package's key in the TRANSMITS, RECEIVES and RATES sections; null for
// the invalid package 0, for package 11, which has none, and outside 0 to 25.
const char* PackageKey(int index);

// A UDP port a socket can bind or address: 1 to 65535.
bool IsPortNumber(int port);

// The 26 package definitions of each aircraft.
const PackageDefinition* A320Packages();
const PackageDefinition* A330Packages();
const PackageDefinition* A340Packages();

// ---- The simulator data area ------------------------------------------------

// One package block: the datagram as it travels, header first. Every block has
// room for the largest package; a package uses its first `size` bytes.
constexpr int kBlockSize = 704;
struct PackageBlock {
  PackageHeader header;
  std::uint8_t payload[kBlockSize - kHeaderSize];
};
static_assert(sizeof(PackageBlock) == kBlockSize, "package blocks are 704 bytes");

// Block positions. Each package has its own block except that "Main->AuralQ"
// and "Main->Visual" share one; the A320's overhead and pedestal packages have
// blocks of their own, as their layout differs from the A330's and A340's.
enum BlockPosition : int {
  kBlockNone = -1,
  kBlockPfdLeft = 0,
  kBlockNdLeft,
  kBlockPfdRight,
  kBlockNdRight,
  kBlockEwd,
  kBlockSystemDisplay,
  kBlockFmaLeft,
  kBlockFmaRight,
  kBlockAircraft,
  kBlockEcamLeft,
  kBlockEcamRight,
  kBlockFmcSteer,
  kBlockFmcIn,
  kBlockFlightPlan,
  kBlockOverheadIn,
  kBlockOverheadOut,
  kBlockFrontIn,
  kBlockFrontOut,
  kBlockPedestalIn,
  kBlockPedestalOut,
  kBlockAuralAndVisual,
  kBlockDuConfig,
  kBlockMcduLeft,
  kBlockMcduRight,
  kBlockA320OverheadIn,
  kBlockA320OverheadOut,
  kBlockA320PedestalOut,
  kBlockCount
};

// One slot of the initialisation message board.
constexpr int kBoardSlots = 40;
constexpr int kBoardNameSize = 100;  // 99 characters and a terminator
constexpr int kBoardTextSize = 513;  // 512 characters and a terminator
constexpr int kStatusLeftSize = 29;  // 28 characters
constexpr int kStatusSize = 25;      // 24 characters
struct BoardSlot {
  std::int32_t messageCounter;
  char name[kBoardNameSize];
  char text[kBoardTextSize];
  char reserved1[3];
  std::int32_t flag;
  char statusLeft[kStatusLeftSize];
  char statusCentre[kStatusSize];
  char statusRight[kStatusSize];
  char reserved2[1];
};
static_assert(offsetof(BoardSlot, name) == 4, "board slot layout");
static_assert(offsetof(BoardSlot, text) == 104, "board slot layout");
static_assert(offsetof(BoardSlot, flag) == 620, "board slot layout");
static_assert(offsetof(BoardSlot, statusLeft) == 624, "board slot layout");
static_assert(offsetof(BoardSlot, statusCentre) == 653, "board slot layout");
static_assert(offsetof(BoardSlot, statusRight) == 678, "board slot layout");
static_assert(sizeof(BoardSlot) == 704, "board slots are 704 bytes");

// The area the simulator shares with the LAN: the message board (slot n at
// board[n - 1]) and the package blocks.
struct SimulatorData {
  BoardSlot board[kBoardSlots];
  PackageBlock blocks[kBlockCount];
};
static_assert(offsetof(SimulatorData, blocks) == 40 * 704, "package blocks follow the board");
static_assert(sizeof(SimulatorData) == 40 * 704 + kBlockCount * 704, "no padding");

}  // namespace RtLan
