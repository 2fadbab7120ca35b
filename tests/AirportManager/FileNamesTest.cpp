#include <filesystem>
#include <string>

#include "AirportFixture.h"
#include "FileNames.h"

namespace fs = std::filesystem;

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

TEST_F(AirportTest, OffsetsFileInAnotherCasingIsReadAndRewrittenInPlace) {
  m_dir.Write("offsets.DAT", "heading\nEGLL| 12.5| London Heathrow\n");
  m_dir.Write("OFFSETS_OLD.DAT", "old");
  {
    WorkingDirectory inside(m_dir.Path());
    ASSERT_TRUE(m_airports.ReadOffsetsFile(AirportManager::kReadFileName));
    m_airports.SetDatumOffset(0, 1.0);
    ASSERT_TRUE(m_airports.WriteOffsetsFile());
  }
  EXPECT_EQ(m_dir.Read("offsets.DAT"), kSavedHeader + "EGLL|    1.0| London Heathrow\n");
  EXPECT_EQ(m_dir.Read("OFFSETS_OLD.DAT"), "heading\nEGLL| 12.5| London Heathrow\n");
  int entries = 0;
  for (const auto& entry : fs::directory_iterator(m_dir.Path())) entries += entry.exists() ? 1 : 0;
  EXPECT_EQ(entries, 2);
}

TEST_F(AirportTest, ANewOffsetsFileGetsTheReadersSpelling) {
  ASSERT_TRUE(Save());
  EXPECT_TRUE(fs::exists(m_dir.File("Offsets.dat")));
  EXPECT_FALSE(fs::exists(m_dir.File("Offsets_old.Dat")));
}
