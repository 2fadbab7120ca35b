#include <filesystem>
#include <string>

#include "AirportFixture.h"
#include "ProcessLimits.h"

namespace fs = std::filesystem;

namespace {

const std::string kPrevious = kSavedHeader + "EGLL|   12.5| London Heathrow\n";

}  // namespace

TEST_F(AirportTest, SaveAndLoadAgainKeepIdentsNamesAndOffsetsToOneDecimal) {
  ASSERT_TRUE(LoadLines(" EGL| 12.34| London Heathrow\nEGKK|-0.26|  Gatwick\nKJFK| 1e3| \n"));
  for (int generation = 0; generation < 3; ++generation) {
    ASSERT_TRUE(Save()) << m_airports.GetErrorText();
    AirportManager::ClearTable();
    ASSERT_TRUE(m_airports.ReadOffsetsFile(m_dir.File("Offsets.dat").c_str()));
  }
  EXPECT_EQ(m_dir.Read("Offsets.dat"), kSavedHeader +
                                           " EGL|   12.3| London Heathrow\n"
                                           "EGKK|   -0.3|  Gatwick\n"
                                           "KJFK| 1000.0| \n");
  ASSERT_EQ(m_airports.GetNumberOfAirports(), 3);
  EXPECT_STREQ(Slot(1).name, " Gatwick");
  EXPECT_EQ(Slot(2).datumOffset, 1000.0);
  // Nothing is left beside the two files.
  int entries = 0;
  for (const auto& entry : fs::directory_iterator(m_dir.Path())) entries += entry.exists() ? 1 : 0;
  EXPECT_EQ(entries, 2);
}

TEST_F(AirportTest, SaveWithNothingLoadedWritesTheHeaderAndBacksUpTheFileBefore) {
  m_dir.Write("Offsets.dat", kPrevious);
  m_dir.Write("Offsets_old.Dat", "older backup");
  ASSERT_TRUE(Save());
  EXPECT_EQ(m_dir.Read("Offsets.dat"), kSavedHeader);
  EXPECT_EQ(m_dir.Read("Offsets_old.Dat"), kPrevious);
}

TEST_F(AirportTest, AnOffsetTooWideForItsLineIsNotSavedAndBothFilesStayAsTheyWere) {
  // Cut to 127 characters the line would lose its name and newline, and no
  // other form of it would load again.
  ASSERT_TRUE(LoadLines("EGLL| 1| a\nEGKK| 2| b\nEGCC| 3| c\n"));
  m_dir.Write("Offsets_old.Dat", "older backup");
  const std::string before = m_dir.Read("Offsets.dat");
  m_airports.SetDatumOffset(1, -1e200);
  EXPECT_FALSE(Save());
  EXPECT_EQ(std::string(m_airports.GetErrorText()),
            "AirportManager::WriteOffsetsFile\nThe offset of EGKK cannot be written: not finite or "
            "too large\n" +
                m_dir.File("Offsets.dat.new"));
  EXPECT_EQ(m_dir.Read("Offsets.dat"), before);
  EXPECT_EQ(m_dir.Read("Offsets_old.Dat"), "older backup");
  EXPECT_FALSE(fs::exists(m_dir.File("Offsets.dat.new")));
}

TEST_F(AirportTest, ABackupThatCannotBeMadeWholeKeepsTheEarlierBackupAndStopsTheSave) {
  // The disk fills up while the backup is copied: a file size limit below
  // the offsets file's size stands in for a full disk.
  const std::string current =
      kSavedHeader + "EGLL|   12.5| London Heathrow\n" + std::string(200, ';') + "\n";
  ASSERT_TRUE(Load(current));
  m_dir.Write("Offsets_old.Dat", "older backup");
  bool saved = true;
  {
    FileSizeLimit limit(150);
    saved = Save();
  }
  EXPECT_FALSE(saved);
  EXPECT_EQ(std::string(m_airports.GetErrorText()),
            "AirportManager::WriteOffsetsFile\nBackup not made: File too large\n" +
                m_dir.File("Offsets_old.Dat"));
  EXPECT_EQ(m_dir.Read("Offsets_old.Dat"), "older backup");
  EXPECT_EQ(m_dir.Read("Offsets.dat"), current);
  EXPECT_FALSE(fs::exists(m_dir.File("Offsets_old.Dat.new")));
  EXPECT_FALSE(fs::exists(m_dir.File("Offsets.dat.new")));

  // With room again, the backup is the file as it was before this Save.
  ASSERT_TRUE(Save()) << m_airports.GetErrorText();
  EXPECT_EQ(m_dir.Read("Offsets_old.Dat"), current);
}

TEST_F(AirportTest, AReadOnlyFolderStopsTheSaveWithTheReasonAndChangesNothing) {
  ASSERT_TRUE(Load(kPrevious));
  m_dir.Write("Offsets_old.Dat", "older backup");
  m_airports.SetDatumOffset(0, 3.0);
  fs::permissions(m_dir.Path(), fs::perms::owner_all | fs::perms::group_read |
                                    fs::perms::group_exec | fs::perms::others_read |
                                    fs::perms::others_exec);
  fs::permissions(m_dir.Path(), fs::perms::owner_write, fs::perm_options::remove);
  std::string error;
  const bool saved = RunUnprivileged(
      [&](std::string& text) {
        const bool result = Save();
        text = m_airports.GetErrorText();
        return result;
      },
      error);
  fs::permissions(m_dir.Path(), fs::perms::owner_write, fs::perm_options::add);
  EXPECT_FALSE(saved);
  EXPECT_EQ(error, "SettingsFileClass::OpenFileForWriting\nPermission denied\n" +
                       m_dir.File("Offsets.dat.new"));
  EXPECT_EQ(m_dir.Read("Offsets.dat"), kPrevious);
  EXPECT_EQ(m_dir.Read("Offsets_old.Dat"), "older backup");
}

TEST_F(AirportTest, FailedSaveLeavesThePreviousFileWholeAndSaysWhy) {
  ASSERT_TRUE(Load(kPrevious));
  ASSERT_TRUE(LoadLines("EGKK| 2.0| Gatwick\n"));
  m_airports.SetDatumOffset(1, 99.0);
  m_dir.Write("Offsets.dat", kPrevious);

  // The new contents cannot be created: a folder is in the way.
  fs::create_directory(m_dir.File("Offsets.dat.new"));
  EXPECT_FALSE(Save());
  EXPECT_NE(std::string(m_airports.GetErrorText()).find("Offsets.dat.new"), std::string::npos);
  EXPECT_EQ(m_dir.Read("Offsets.dat"), kPrevious);
  fs::remove(m_dir.File("Offsets.dat.new"));

  // The disk fills up half-way.
  fs::create_symlink("/dev/full", m_dir.File("Offsets.dat.new"));
  EXPECT_FALSE(Save());
  EXPECT_NE(std::string(m_airports.GetErrorText()).find("No space left on device"),
            std::string::npos);
  EXPECT_EQ(m_dir.Read("Offsets.dat"), kPrevious);
  EXPECT_FALSE(fs::exists(fs::symlink_status(m_dir.File("Offsets.dat.new"))));

  // A folder is where the offsets file should be.
  fs::remove(m_dir.File("Offsets.dat"));
  fs::create_directories(m_dir.File("Offsets.dat") + "/inside");
  EXPECT_FALSE(Save());
  EXPECT_NE(std::string(m_airports.GetErrorText()).find("AirportManager::WriteOffsetsFile"),
            std::string::npos);
  EXPECT_TRUE(fs::is_directory(m_dir.File("Offsets.dat")));

  // Once the way is clear the trims are saved.
  fs::remove_all(m_dir.File("Offsets.dat"));
  ASSERT_TRUE(Save());
  EXPECT_EQ(m_dir.Read("Offsets.dat"), kPrevious + "EGKK|   99.0| Gatwick\n");
}

TEST_F(AirportTest, SaveKeepsTheFilesPermissions) {
  m_dir.Write("Offsets.dat", kPrevious);
  fs::permissions(m_dir.File("Offsets.dat"),
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ASSERT_TRUE(Save());
  EXPECT_EQ(fs::status(m_dir.File("Offsets.dat")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}
