#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "VisualInterfaceShm.h"

namespace {

// The simulator side knows the record only as bytes at agreed offsets:
// values put there must come out of the matching fields.
TEST(VisualInterfaceRecord, FieldsSitAtTheAgreedByteOffsets) {
  auto bytes = std::make_unique<unsigned char[]>(sizeof(VisualInterfaceRecord));
  std::memset(bytes.get(), 0, sizeof(VisualInterfaceRecord));
  auto putInt = [&](std::size_t offset, std::int32_t value) {
    std::memcpy(bytes.get() + offset, &value, sizeof value);
  };
  auto putDouble = [&](std::size_t offset, double value) {
    std::memcpy(bytes.get() + offset, &value, sizeof value);
  };
  std::memcpy(bytes.get() + 0, "QMXXXX", 6);
  putInt(72, 0xFFFFFF);
  std::memcpy(bytes.get() + 96, "EGKK", 4);
  putInt(104, -1);
  putDouble(112, 5.0);
  putDouble(120, 30.5);
  putDouble(128, 8.25);
  putDouble(136, -15.0);
  putDouble(144, 270.0);
  putDouble(152, 51.4775);
  putDouble(160, -0.4614);
  putInt(176, 3);
  putInt(184, 2);

  VisualInterfaceRecord record;
  std::memcpy(&record, bytes.get(), sizeof record);
  const VisualBlock& block = record.visualBlock;
  EXPECT_STREQ(record.version, "QMXXXX");
  EXPECT_EQ(record.stateWord, kStateWordLinkHeld);
  EXPECT_STREQ(block.airportIdent, "EGKK");
  EXPECT_EQ(block.timeValue, -1);
  EXPECT_EQ(block.heightAgl, 5.0);
  EXPECT_EQ(block.altitude, 30.5);
  EXPECT_EQ(block.pitch, 8.25);
  EXPECT_EQ(block.bank, -15.0);
  EXPECT_EQ(block.heading, 270.0);
  EXPECT_EQ(block.latitude, 51.4775);
  EXPECT_EQ(block.longitude, -0.4614);
  EXPECT_EQ(block.viewSelect, kSimViewLeftEyePoint);
  EXPECT_EQ(record.userCount, 2);
}

TEST(CopyFieldText, AnUnterminatedIdentIsReadNoFurtherThanItsEightBytes) {
  // Exactly eight bytes on the heap: a read past them is caught by ASan.
  auto field = std::make_unique<char[]>(8);
  std::memcpy(field.get(), "ABCDEFGH", 8);
  char text[32];
  std::memset(text, 'x', sizeof text);
  ASSERT_EQ(CopyFieldText(text, sizeof text, field.get(), 8), text);
  EXPECT_STREQ(text, "ABCDEFGH");
  EXPECT_EQ(text[31], '\0') << "the rest is zero-filled";

  // In the block, the bytes after the ident are the time value's.
  VisualBlock block{};
  std::memcpy(block.airportIdent, "EGLLXXXX", 8);
  block.timeValue = 0x41414141;
  char ident[kAirportIdentTextSize];
  CopyFieldText(ident, sizeof ident, block.airportIdent);
  EXPECT_STREQ(ident, "EGLLXXXX");
}

TEST(CopyFieldText, StopsAtTheFirstZeroOrTheDestinationSize) {
  const char field[8] = {'E', 'G', 'L', 'L', '\0', 'Z', 'Z', 'Z'};
  char text[kAirportIdentTextSize];
  CopyFieldText(text, sizeof text, field);
  EXPECT_STREQ(text, "EGLL");

  const char full[8] = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'};
  char four[5];
  CopyFieldText(four, sizeof four, full);
  EXPECT_STREQ(four, "ABCD");

  char one[1] = {'q'};
  CopyFieldText(one, 1, full);
  EXPECT_EQ(one[0], '\0');
  EXPECT_EQ(CopyFieldText(one, 0, full), nullptr);
  EXPECT_EQ(CopyFieldText(nullptr, 5, full), nullptr);
}

TEST(WriteFieldText, FillsTheFieldAndNeverItsNeighbour) {
  VisualBlock block{};
  block.timeValue = 77;
  WriteFieldText(block.airportIdent, "EGLL");
  EXPECT_EQ(std::memcmp(block.airportIdent, "EGLL\0\0\0\0", 8), 0);
  WriteFieldText(block.airportIdent, "TOOLONGIDENT");
  EXPECT_EQ(std::memcmp(block.airportIdent, "TOOLONGI", 8), 0);
  EXPECT_EQ(block.timeValue, 77);
  WriteFieldText(block.airportIdent, nullptr);
  EXPECT_EQ(std::memcmp(block.airportIdent, "\0\0\0\0\0\0\0\0", 8), 0);
}

}  // namespace
