#pragma once
// The record that the simulator's host publishes in the shared segment
// "VisualInterface": 15,944 bytes, little-endian, fields at fixed offsets.
// Both sides are built against this layout and stamp "QMXXXX" into
// `version`; bytes marked unused belong to the simulator side and are
// neither read nor written by the station (the creator zeroes them).
//
// Heights in metres; angles and positions in degrees.
//
// The simulator writes the record while the station reads it, without any
// lock: copy the block out (VisualBlock copy = record->visualBlock) and work
// on the copy. Text fields may be written by another program without a
// terminator: take text out only with CopyFieldText, which never reads past
// the field.

#include <cstddef>
#include <cstdint>

inline constexpr char kVisualInterfaceShmRevision[] =
    "%Z% QM_P_0001_02 QM1010 VisualInterfaceShm $Revision: 1.2.0";
// The layout's revision as the window caption shows it.
inline constexpr char kVisualInterfaceLayoutRevision[] = "$Revision: 1.2.0";

inline constexpr char kVisualInterfaceSegmentName[] = "VisualInterface";
inline constexpr char kVisualInterfaceVersion[] = "QMXXXX";
inline constexpr std::int32_t kVisualInterfaceSize = 15944;

// `stateWord` value that holds the link indication at LinkHeld.
inline constexpr std::int32_t kStateWordLinkHeld = 0xFFFFFF;

// `viewSelect`: the view chosen on the simulator side.
enum SimulatorView : std::int32_t {
  kSimViewForward = 0,
  kSimViewLeftWindow = 1,
  kSimViewRightWindow = 2,
  kSimViewLeftEyePoint = 3,
  kSimViewRightEyePoint = 4,
};

// The simulator's block, record bytes 80 to 183, copied whole on every send.
struct VisualBlock {
  char unused0[16];
  char airportIdent[8];    // ICAO identifier; may fill all 8 bytes unterminated
  std::int32_t timeValue;  // sent as the ViewSync time-span end
  std::int32_t unused28;
  double heightAgl;  // eye height above ground, m
  double altitude;   // eye altitude, m
  double pitch;      // deg
  double bank;       // deg
  double heading;    // deg
  double latitude;   // deg, north positive
  double longitude;  // deg, east positive
  char unused88[8];
  std::int32_t viewSelect;  // SimulatorView
  std::int32_t unused100;
};

struct VisualInterfaceRecord {
  char version[64];  // "QMXXXX", zero-padded; see CVisShm::VersionMatches
  char unused64[8];
  std::int32_t stateWord;  // kStateWordLinkHeld holds the link indication
  std::int32_t unused76;
  VisualBlock visualBlock;
  std::int32_t userCount;  // programs attached; kept by CVisShm
  char unused188[15756];
};

#if defined(__BYTE_ORDER__)
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the record is little-endian");
#endif
static_assert(sizeof(double) == 8, "the record holds 8-byte doubles");

static_assert(sizeof(VisualBlock) == 104, "VisualBlock layout");
static_assert(offsetof(VisualBlock, airportIdent) == 16, "VisualBlock layout");
static_assert(offsetof(VisualBlock, timeValue) == 24, "VisualBlock layout");
static_assert(offsetof(VisualBlock, heightAgl) == 32, "VisualBlock layout");
static_assert(offsetof(VisualBlock, altitude) == 40, "VisualBlock layout");
static_assert(offsetof(VisualBlock, pitch) == 48, "VisualBlock layout");
static_assert(offsetof(VisualBlock, bank) == 56, "VisualBlock layout");
static_assert(offsetof(VisualBlock, heading) == 64, "VisualBlock layout");
static_assert(offsetof(VisualBlock, latitude) == 72, "VisualBlock layout");
static_assert(offsetof(VisualBlock, longitude) == 80, "VisualBlock layout");
static_assert(offsetof(VisualBlock, viewSelect) == 96, "VisualBlock layout");

static_assert(sizeof(VisualInterfaceRecord) == kVisualInterfaceSize, "record layout");
static_assert(offsetof(VisualInterfaceRecord, version) == 0, "record layout");
static_assert(offsetof(VisualInterfaceRecord, stateWord) == 72, "record layout");
static_assert(offsetof(VisualInterfaceRecord, visualBlock) == 80, "record layout");
static_assert(offsetof(VisualInterfaceRecord, userCount) == 184, "record layout");

// Room for the whole airportIdent field as text: 8 characters and a terminator.
inline constexpr int kAirportIdentTextSize = sizeof(VisualBlock::airportIdent) + 1;

// Copies the text of a fixed-size record field: up to the field's first zero
// byte or its end, whichever comes first, and at most size - 1 characters;
// always terminates and zero-fills the rest of destination. Reads each field
// byte at most once and never past fieldSize. Null destination or field, or
// size below 1: nothing, returns null.
char* CopyFieldText(char* destination, int size, const char* field, std::size_t fieldSize);

template <std::size_t N>
char* CopyFieldText(char* destination, int size, const char (&field)[N]) {
  return CopyFieldText(destination, size, field, N);
}

// Writes text into a fixed-size record field: at most fieldSize characters,
// the rest zero. A text of fieldSize characters or more fills the field
// without a terminator. Null field: nothing; null text: all zero.
void WriteFieldText(char* field, std::size_t fieldSize, const char* text);

template <std::size_t N>
void WriteFieldText(char (&field)[N], const char* text) {
  WriteFieldText(field, N, text);
}
