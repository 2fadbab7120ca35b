// The offsets file and its backup in whatever letter case the folder holds them.

#include <filesystem>
#include <string>

#include "AirportFixture.h"

namespace fs = std::filesystem;

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
