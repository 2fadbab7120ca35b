// Named shared segments as the simulator and the station share them: made
// once, grown when a creator stopped halfway, told apart when made anew.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "SegmentResize.h"
#include "SharedSegment.h"
#include "SharedTestSegment.h"

namespace {

TEST(SharedSegment, IsMadeOnceAndGrownOnlyWhenShorterThanAsked) {
  SharedTestSegment name;
  ASSERT_EQ(Platform::CreateSharedSegment(name.Name(), 15944), 0);
  EXPECT_EQ(name.Size(), 15944);
  EXPECT_EQ(Platform::CreateSharedSegment(name.Name(), 100), 0);
  EXPECT_EQ(name.Size(), 15944) << "an existing segment is kept as it is";
  ASSERT_TRUE(ResizeSharedSegment(name.Name(), 10));
  EXPECT_EQ(Platform::CreateSharedSegment(name.Name(), 15944), 0);
  EXPECT_EQ(name.Size(), 15944) << "one left short by its creator is grown";
}

TEST(SharedSegment, AMissingSegmentIsErrorTwoWithTheSystemsText) {
  SharedTestSegment name;
  Platform::SharedSegmentHandle handle = Platform::kNoSharedSegment;
  EXPECT_EQ(Platform::OpenSharedSegment(name.Name(), &handle), ENOENT);
  EXPECT_EQ(ENOENT, 2);
  EXPECT_STREQ(Platform::SharedSegmentErrorText(ENOENT), std::strerror(ENOENT));
  EXPECT_EQ(Platform::RemoveSharedSegment(name.Name()), ENOENT);
  EXPECT_EQ(Platform::CreateSharedSegment("a/b", 16), EINVAL) << "a name holds no slash";
}

TEST(SharedSegment, AnOpenHandleKeepsItsIdentityWhenTheNameIsMadeAnew) {
  SharedTestSegment name;
  ASSERT_EQ(Platform::CreateSharedSegment(name.Name(), 4096), 0);
  Platform::SharedSegmentHandle handle = Platform::kNoSharedSegment;
  ASSERT_EQ(Platform::OpenSharedSegment(name.Name(), &handle), 0);
  Platform::SharedSegmentIdentity open, named;
  ASSERT_EQ(Platform::SharedSegmentIdentityOf(handle, &open), 0);
  ASSERT_EQ(Platform::NamedSharedSegmentIdentity(name.Name(), &named), 0);
  EXPECT_TRUE(open.SameObject(named));
  EXPECT_EQ(open.size, 4096u);

  ASSERT_EQ(Platform::RemoveSharedSegment(name.Name()), 0);
  EXPECT_EQ(Platform::NamedSharedSegmentIdentity(name.Name(), &named), ENOENT);
  ASSERT_EQ(Platform::CreateSharedSegment(name.Name(), 4096), 0);
  ASSERT_EQ(Platform::NamedSharedSegmentIdentity(name.Name(), &named), 0);
  EXPECT_FALSE(open.SameObject(named));
  Platform::CloseSharedSegment(handle);
}

TEST(SharedSegment, ACommandLineNameIsPrintableWithoutBlanksOrSlashes) {
  EXPECT_TRUE(Platform::IsSegmentName("VisualInterface", 64));
  EXPECT_FALSE(Platform::IsSegmentName("", 64));
  EXPECT_FALSE(Platform::IsSegmentName("Visual Interface", 64));
  EXPECT_FALSE(Platform::IsSegmentName("/VisualInterface", 64));
  EXPECT_FALSE(Platform::IsSegmentName("Visual\tInterface", 64));
  EXPECT_FALSE(Platform::IsSegmentName("VisualInterface", 8));
}

}  // namespace
