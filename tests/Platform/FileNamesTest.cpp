// A name resolved as on a file system that ignores letter case.

#include <gtest/gtest.h>

#include <string>

#include "FileNames.h"
#include "TempDir.h"

namespace {

std::string Resolve(const std::string& name, bool* found = nullptr) {
  char resolved[Platform::kFileNameSize];
  bool exists = Platform::ResolveFileName(name.c_str(), resolved, sizeof resolved);
  if (found != nullptr) *found = exists;
  return resolved;
}

}  // namespace

TEST(FileNames, AnotherCasingOnDiskIsTheFileMeant) {
  TempDir dir;
  dir.Write("offsets.DAT", "x");
  bool found = false;
  EXPECT_EQ(Resolve(dir.File("Offsets.dat"), &found), dir.File("offsets.DAT"));
  EXPECT_TRUE(found);
  // The exact spelling wins; among other casings the first in byte order.
  dir.Write("OFFSETS.dat", "x");
  EXPECT_EQ(Resolve(dir.File("Offsets.dat")), dir.File("OFFSETS.dat"));
  dir.Write("Offsets.dat", "x");
  EXPECT_EQ(Resolve(dir.File("Offsets.dat")), dir.File("Offsets.dat"));
  // Nothing of that name: as given. Only the file part is matched.
  EXPECT_EQ(Resolve(dir.File("Missing.dat"), &found), dir.File("Missing.dat"));
  EXPECT_FALSE(found);
  EXPECT_EQ(Resolve(dir.Path().string() + "/SUB/offsets.dat"),
            dir.Path().string() + "/SUB/offsets.dat");
}

TEST(FileNames, ANameWithoutFolderIsLookedUpInTheWorkingFolder) {
  TempDir dir;
  WorkingDirectory inside(dir.Path());
  dir.Write("OFFSETS_OLD.DAT", "x");
  EXPECT_EQ(Resolve("Offsets_old.Dat"), "OFFSETS_OLD.DAT");
  char small[8];
  Platform::ResolveFileName("Offsets_old.Dat", small, sizeof small);
  EXPECT_STREQ(small, "OFFSETS");
}
