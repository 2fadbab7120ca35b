// The airports' datum offsets in the running station: the airport the
// simulator reports brings its offset, trims go to its record (a new one when
// it has none), and Save writes the table back to the offsets file.

#include <cstring>
#include <filesystem>
#include <string>

#include "StationRig.h"
#include "Tolerance.h"

namespace {

const char kSavedHeader[] = ";\n;Airport ground level datum offsets for Google Earth \n\n";

class StationTrims : public StationRig {
 protected:
  void SetUp() override {
    Start();
    Sim().heightAgl = 100.0;
    Sim().altitude = 180.0;
    Sim().latitude = 51.4775;
    Sim().longitude = -0.461389;
  }
  double Altitude() { return Send().altitude; }
  int Airports() {
    AirportManager table;
    return table.GetNumberOfAirports();
  }
};

TEST_F(StationTrims, AirportChangesApplyTheirOffsetAndUnknownOnesKeepTheLast) {
  Send();  // "EGLL" from start-up
  EXPECT_METRES_NEAR(station->GetDatumOffset(), 12.0);
  EXPECT_METRES_NEAR(events.Of(StationEvent::kDatum).back().status.datumOffset, 12.0);

  SetAirport("EGKK");
  Send();
  EXPECT_METRES_NEAR(station->GetDatumOffset(), -3.5);
  EXPECT_METRES_NEAR(station->GetCamera().altitude, -3.5 + 100.0);

  // Blanks do not make another airport: the operator's trim stays.
  station->TrimStep(1);
  SetAirport(" EG KK ");
  Send();
  EXPECT_METRES_NEAR(station->GetDatumOffset(), -3.0);

  // Letter case does: "egll" is looked up, not found, and changes nothing.
  SetAirport("egll");
  Send();
  EXPECT_METRES_NEAR(station->GetDatumOffset(), -3.0);
  SetAirport("XXXX");
  Send();
  EXPECT_METRES_NEAR(station->GetDatumOffset(), -3.0);
  SetAirport("LFPG");
  Send();
  EXPECT_METRES_NEAR(station->GetDatumOffset(), 5.0);
  SetAirport("EGKK");
  Send();
  EXPECT_METRES_NEAR(station->GetDatumOffset(), -3.0);  // the trim was kept in the table
}

TEST_F(StationTrims, EightLetterIdentWithoutTerminatorIsReadWithinItsField) {
  Send();
  std::memcpy(Sim().airportIdent, "EGKKABCD", 8);  // all eight bytes, no terminator
  Sim().timeValue = 0x41414141;                    // "AAAA" right behind the field
  Send();
  EXPECT_METRES_NEAR(station->GetDatumOffset(), 12.0);  // no such airport: EGLL's offset stays
}

TEST_F(StationTrims, TrimStepsAreHalfAMetreAndSaveWritesTheTrimAfterABackup) {
  Send();  // EGLL, 12.0
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(station->TrimStep(1).ok);
  EXPECT_METRES_NEAR(station->GetDatumOffset(), 14.5);
  EXPECT_METRES_NEAR(Altitude(), 14.5 + 100.0);
  station->TrimStep(-3);  // an accelerated press
  EXPECT_METRES_NEAR(station->GetDatumOffset(), 13.0);

  EXPECT_TRUE(station->Save().ok);
  const std::string saved = folder.Read("Offsets.dat");
  EXPECT_NE(saved.find("EGLL|   13.0| London Heathrow\n"), std::string::npos) << saved;
  EXPECT_NE(saved.find("EGKK|   -3.5| London Gatwick\n"), std::string::npos) << saved;
  EXPECT_EQ(folder.Read("Offsets_old.Dat"), kOffsetsFile);
  EXPECT_TRUE(events.Boxes().empty());
}

TEST_F(StationTrims, SaveIsToldOnTheMessageLineAndAFailureRefusedWithTheReason) {
  EXPECT_TRUE(station->Save().ok);
  const std::string confirmation = Message();
  EXPECT_EQ(confirmation.rfind("Offsets saved: 4 airports in ", 0), 0u) << confirmation;
  EXPECT_NE(confirmation.find(folder.Path().string()), std::string::npos) << confirmation;
  ASSERT_EQ(events.Count(StationEvent::kSaved), 1);
  EXPECT_EQ(events.Of(StationEvent::kSaved)[0].text, confirmation);

  std::filesystem::remove_all(folder.Path());  // the folder went away
  const CommandResult saved = station->Save();
  EXPECT_FALSE(saved.ok);
  EXPECT_NE(std::string(saved.reason).find("No such file or directory"), std::string::npos)
      << saved.reason;
  EXPECT_EQ(events.Count(StationEvent::kSaved), 1);
  EXPECT_TRUE(events.Boxes().empty()) << "the face tells a refusal its own way";
}

TEST_F(StationTrims, ATrimAtAnAirportNotInTheTableGoesToANewRecordOfIt) {
  Send();  // EGLL, 12.0
  SetAirport("EDDF");
  EXPECT_METRES_NEAR(Altitude(), 112.0);  // unknown: EGLL's offset stays in force
  EXPECT_EQ(station->GetAirportIndex(), AirportTrims::kNoAirport);
  EXPECT_FALSE(station->GetStatus().airportInTable);
  station->TrimStep(1);
  station->TrimStep(1);
  EXPECT_METRES_NEAR(Altitude(), 113.0);
  ASSERT_TRUE(station->Save().ok);
  EXPECT_EQ(folder.Read("Offsets.dat"), std::string(kSavedHeader) +
                                            "ZZZZ|    0.0| Placeholder\n"
                                            "EGLL|   12.0| London Heathrow\n"
                                            "EGKK|   -3.5| London Gatwick\n"
                                            "LFPG|    5.0| Paris Charles de Gaulle\n"
                                            "EDDF|   13.0| \n");
  // Further trims move the same record; EGLL comes back with its own offset.
  station->TrimStep(-1);
  SetAirport("EGLL");
  EXPECT_METRES_NEAR(Altitude(), 112.0);
  SetAirport("EDDF");
  EXPECT_METRES_NEAR(Altitude(), 112.5);
  EXPECT_EQ(Airports(), 5);
}

TEST_F(StationTrims, TheFirstAirportOfTheFileIsTrimmedAndSaved) {
  SetAirport("ZZZZ");
  Send();
  EXPECT_EQ(station->GetAirportIndex(), 0);
  station->TrimStep(1);
  ASSERT_TRUE(station->Save().ok);
  EXPECT_NE(folder.Read("Offsets.dat").find("ZZZZ|    0.5| Placeholder\n"), std::string::npos);
}

TEST_F(StationTrims, AnAirportFoundAgainAfterAnUnknownOneTakesItsTrimsAgain) {
  Send();  // EGLL
  SetAirport("XXXX");
  Send();
  SetAirport("EGLL");
  Send();
  EXPECT_EQ(station->GetAirportIndex(), 1);
  station->TrimStep(1);
  ASSERT_TRUE(station->Save().ok);
  const std::string saved = folder.Read("Offsets.dat");
  EXPECT_NE(saved.find("EGLL|   12.5| London Heathrow\n"), std::string::npos) << saved;
  EXPECT_EQ(saved.find("XXXX"), std::string::npos) << saved;
}

TEST_F(StationTrims, ATrimBeforeAnyAirportIsReportedMovesTheCameraAlone) {
  station->TrimStep(1);
  EXPECT_METRES_NEAR(station->GetDatumOffset(), 0.5);
  EXPECT_EQ(Airports(), 4);
  EXPECT_METRES_NEAR(Altitude(), 112.0);  // the first send finds EGLL and its offset
}

}  // namespace
