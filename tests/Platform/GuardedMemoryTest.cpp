// Shared memory that its owner shrinks under the mapping: the guarded calls
// report the lost pages, any other access still dies of the bus error.

#include <gtest/gtest.h>

#include <cstring>

#include "GuardedMemory.h"
#include "SegmentResize.h"
#include "SharedSegment.h"
#include "SharedTestSegment.h"

namespace {

class MappedSegment : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Platform::CreateSharedSegment(m_name.Name(), kSize), 0);
    ASSERT_EQ(Platform::OpenSharedSegment(m_name.Name(), &m_handle), 0);
    ASSERT_EQ(Platform::MapSharedSegment(m_handle, &m_view, &m_length), 0);
  }
  void TearDown() override {
    Platform::UnmapSharedSegment(m_view, m_length);
    Platform::CloseSharedSegment(m_handle);
  }
  char* Bytes() { return static_cast<char*>(m_view); }

  static constexpr std::uint32_t kSize = 8192;
  SharedTestSegment m_name;
  Platform::SharedSegmentHandle m_handle = Platform::kNoSharedSegment;
  void* m_view = nullptr;
  std::size_t m_length = 0;
};
using MappedSegmentDeathTest = MappedSegment;

void TouchEveryPage(void* bytes) {
  volatile char* at = static_cast<char*>(bytes);
  at[0] = 1;
  at[4096] = at[0];
}

TEST_F(MappedSegment, GuardedAccessesToLostPagesFailInsteadOfEndingTheProgram) {
  std::memcpy(Bytes(), "before", 7);
  char copy[8] = {};
  ASSERT_TRUE(Platform::GuardedCopy(copy, Bytes(), sizeof copy));
  EXPECT_STREQ(copy, "before");
  EXPECT_TRUE(Platform::RunGuarded(TouchEveryPage, Bytes()));

  ASSERT_TRUE(ResizeSharedSegment(m_name.Name(), 0));
  EXPECT_FALSE(Platform::GuardedCopy(copy, Bytes(), sizeof copy));
  EXPECT_FALSE(Platform::GuardedCopy(Bytes() + 4096, "after", 6));
  EXPECT_FALSE(Platform::GuardedZero(Bytes(), 4096));
  EXPECT_FALSE(Platform::RunGuarded(TouchEveryPage, Bytes()));

  // Grown again (zero pages), the same view reads once more.
  ASSERT_TRUE(ResizeSharedSegment(m_name.Name(), kSize));
  EXPECT_TRUE(Platform::GuardedCopy(copy, Bytes(), sizeof copy));
  EXPECT_EQ(copy[0], '\0');
}

TEST_F(MappedSegmentDeathTest, ABusErrorOutsideAGuardedAccessStillEndsTheProgram) {
  ASSERT_TRUE(ResizeSharedSegment(m_name.Name(), 0));
  char copy[8];
  EXPECT_FALSE(Platform::GuardedCopy(copy, Bytes(), sizeof copy));  // the guard is in place
  volatile char* byte = Bytes();
  EXPECT_DEATH(*byte = 1, "");
}

}  // namespace
