#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "BaseSharedMemory.h"
#include "ConfigControl.h"
#include "SharedTestSegment.h"

namespace {

// The derived class's part: a name, a size, and the Release on destruction.
class Segment : public BaseSharedMemory {
 public:
  explicit Segment(const char* name, std::int32_t size = 4096) {
    SetName(name);
    SetSize(size);
  }
  ~Segment() { Release(); }
  unsigned char* Bytes() const { return static_cast<unsigned char*>(GetData()); }
};

TEST(BaseSharedMemory, OpenOfAMissingSegmentReportsFileNotFound) {
  SharedTestSegment name;
  Segment segment(name.Name());
  EXPECT_FALSE(segment.Open());
  EXPECT_STREQ(segment.GetErrorText(), "OpenFileMapping (Code: 2)");
  EXPECT_EQ(segment.GetLastErrorCode(), 2);
  EXPECT_EQ(segment.GetData(), nullptr);
  EXPECT_EQ(name.Size(), -1) << "a failed open must not create the segment";
}

TEST(BaseSharedMemory, CreateMakesTheSegmentAndASecondCreateMapsTheSameBytes) {
  SharedTestSegment name;
  Segment first(name.Name(), 5000);
  ASSERT_TRUE(first.Create()) << first.GetErrorText();
  EXPECT_EQ(name.Size(), 5000);
  ASSERT_GE(first.GetViewSize(), 5000u);
  first.Bytes()[4999] = 0x5A;

  Segment second(name.Name(), 5000);
  ASSERT_TRUE(second.Create()) << second.GetErrorText();
  EXPECT_NE(second.GetData(), first.GetData()) << "each object maps its own view";
  EXPECT_EQ(second.Bytes()[4999], 0x5A);
  second.Bytes()[0] = 0x11;
  EXPECT_EQ(first.Bytes()[0], 0x11);
}

TEST(BaseSharedMemory, CreateKeepsALargerExistingSegmentWhole) {
  SharedTestSegment name;
  Segment big(name.Name(), 8192);
  ASSERT_TRUE(big.Create());
  Segment small(name.Name(), 100);
  ASSERT_TRUE(small.Create());
  EXPECT_EQ(name.Size(), 8192);
  EXPECT_EQ(small.GetViewSize(), 8192u);
}

TEST(BaseSharedMemory, ASuccessDoesNotClearTheTextOfAnEarlierFailure) {
  SharedTestSegment name;
  Segment segment(name.Name());
  EXPECT_FALSE(segment.Open());
  EXPECT_TRUE(segment.Create());
  EXPECT_STREQ(segment.GetErrorText(), "OpenFileMapping (Code: 2)");
}

TEST(BaseSharedMemory, EachFailingStepNamesItselfWithTheSystemCode) {
  Segment badName("no/slashes");
  EXPECT_FALSE(badName.Create());
  EXPECT_STREQ(badName.GetErrorText(), "Creating Shared memory (Code: 22)");

  SharedTestSegment name;
  Segment segment(name.Name());
  EXPECT_FALSE(segment.MapView()) << "no handle yet";
  EXPECT_STREQ(segment.GetErrorText(), "MapViewOfFile (Code: 9)");
}

TEST(BaseSharedMemory, AnEmptySegmentCannotBeMappedAndCreateGrowsIt) {
  // What a creator leaves behind when it stops between naming and sizing.
  SharedTestSegment name;
  ASSERT_EQ(Platform::CreateSharedSegment(name.Name(), 0), 0);
  Segment segment(name.Name(), 3000);
  EXPECT_FALSE(segment.Open());
  EXPECT_STREQ(segment.GetErrorText(), "MapViewOfFile (Code: 22)");
  EXPECT_EQ(segment.GetData(), nullptr);

  ASSERT_TRUE(segment.Create()) << segment.GetErrorText();
  EXPECT_EQ(name.Size(), 3000);
  EXPECT_EQ(segment.GetViewSize(), 3000u);
}

TEST(BaseSharedMemory, ZeroFillClearsOnlyWhatItMayReach) {
  SharedTestSegment name;
  Segment segment(name.Name(), 4096);
  EXPECT_FALSE(segment.ZeroFill(16)) << "no view yet";
  ASSERT_TRUE(segment.Create());
  std::memset(segment.GetData(), 0xAB, 4096);

  EXPECT_FALSE(segment.ZeroFill(0));
  EXPECT_EQ(segment.Bytes()[0], 0xAB);

  EXPECT_FALSE(segment.ZeroFill(4097)) << "past the end of the view";
  EXPECT_EQ(segment.Bytes()[0], 0xAB);

  EXPECT_TRUE(segment.ZeroFill(10));
  EXPECT_EQ(segment.Bytes()[9], 0);
  EXPECT_EQ(segment.Bytes()[10], 0xAB);
  EXPECT_TRUE(segment.ZeroFill(4096));
  EXPECT_EQ(segment.Bytes()[4095], 0);
}

TEST(BaseSharedMemory, ReleaseLeavesNoViewAndMayBeRepeated) {
  SharedTestSegment name;
  Segment segment(name.Name());
  ASSERT_TRUE(segment.Create());
  segment.Release();
  EXPECT_EQ(segment.GetData(), nullptr);
  EXPECT_EQ(segment.GetViewSize(), 0u);
  segment.Release();
  EXPECT_EQ(name.Size(), 4096) << "releasing a view keeps the segment";
  EXPECT_TRUE(segment.Open());
}

TEST(BaseSharedMemory, RegistersItsRevisionsOncePerProcess) {
  { Segment first("unused"); }
  EXPECT_STREQ(ConfigControl::GetComponent(), "BaseSharedMemory");
  EXPECT_STREQ(ConfigControl::GetPartNumber(), "QM2082:01");
  EXPECT_STREQ(ConfigControl::GetRevision(), "1.7");
  ConfigControl::Clear();
  { Segment second("unused"); }
  EXPECT_STREQ(ConfigControl::GetComponent(), "");
}

}  // namespace
