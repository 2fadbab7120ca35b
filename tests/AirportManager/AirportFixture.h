#pragma once
// A fresh airport table and a temporary folder for each test.

#include <gtest/gtest.h>

#include <string>

#include "AirportManager.h"
#include "TempDir.h"

// The three lines Save writes before the records.
inline const std::string kSavedHeader =
    ";\n;Airport ground level datum offsets for Google Earth \n\n";

class AirportTest : public ::testing::Test {
 protected:
  void SetUp() override { AirportManager::ClearTable(); }
  void TearDown() override { AirportManager::ClearTable(); }

  // Writes "Offsets.dat" with the content and loads it.
  bool Load(const std::string& content) {
    return m_airports.ReadOffsetsFile(m_dir.Write("Offsets.dat", content).c_str());
  }
  // Loads data lines behind a heading line.
  bool LoadLines(const std::string& lines) { return Load("heading\n" + lines); }
  bool Save() { return m_airports.WriteOffsetsFile(m_dir.Path().c_str()); }
  AirportRecord Slot(int index) {
    AirportRecord record{};
    EXPECT_TRUE(m_airports.GetAirport(index, record));
    return record;
  }
  // Slot found for the identifier, -1 when FindAirport fails.
  int Find(const char* ident) {
    AirportRecord record{};
    return m_airports.FindAirport(ident, record) ? m_airports.GetCurrentIndex() : -1;
  }

  TempDir m_dir;
  AirportManager m_airports;
};
