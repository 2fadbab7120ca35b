// Named shared segments as the simulator and the station share them: made
// once, grown when a creator stopped halfway, told apart when made anew.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

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

// The segment's permission bits as the system holds them; -1 when missing.
int ModeOf(const char* name) {
  const int fd = shm_open((std::string("/") + name).c_str(), O_RDONLY, 0);
  if (fd < 0) return -1;
  struct stat status {};
  const int mode = fstat(fd, &status) == 0 ? static_cast<int>(status.st_mode & 07777) : -1;
  close(fd);
  return mode;
}

TEST(SharedSegment, AMadeSegmentIsReadWriteForTheGroupWhateverTheCreationMask) {
  for (mode_t mask : {022, 077, 0, 027}) {
    char trace[16];
    std::snprintf(trace, sizeof trace, "umask %03o", static_cast<unsigned>(mask));
    SCOPED_TRACE(trace);
    SharedTestSegment name;
    const mode_t previous = umask(mask);
    const int code = Platform::CreateSharedSegment(name.Name(), 4096);
    umask(previous);
    ASSERT_EQ(code, 0);
    EXPECT_EQ(ModeOf(name.Name()), 0660);
  }
  // One made by another program keeps the mode it was given.
  SharedTestSegment existing;
  const int fd = shm_open((std::string("/") + existing.Name()).c_str(), O_RDWR | O_CREAT, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(fchmod(fd, 0600), 0);
  close(fd);
  ASSERT_EQ(Platform::CreateSharedSegment(existing.Name(), 4096), 0);
  EXPECT_EQ(ModeOf(existing.Name()), 0600);
  EXPECT_EQ(existing.Size(), 4096) << "grown to the size asked, as a creator stopped halfway";
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
