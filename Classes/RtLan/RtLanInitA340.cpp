// The A340's packages: name, bytes on the wire, source and destination
// computer, and the block in the simulator data area.

#include "RtLan.h"

namespace {

using namespace RtLan;

const PackageDefinition kA340Packages[kPackageCount] = {
    {"Invalid", 0, 0, 0, kBlockNone},
    {"Pfd left", 268, 0, 3, kBlockPfdLeft},
    {"ND left", 488, 0, 5, kBlockNdLeft},
    {"Pfd Right", 268, 0, 4, kBlockPfdRight},
    {"ND Right", 488, 0, 6, kBlockNdRight},
    {"Ewd", 244, 0, 7, kBlockEwd},
    {"System Display", 488, 0, 8, kBlockSystemDisplay},
    {"FMA L", 340, 0, 3, kBlockFmaLeft},
    {"FMA R", 340, 0, 4, kBlockFmaRight},
    {"Aircraft", 48, 0, 9, kBlockAircraft},
    {"ECAM LEFT", 268, 0, 7, kBlockEcamLeft},
    {"ECAM RIGHT", 268, 0, 7, kBlockEcamRight},
    {"FMC Steer", 304, 10, 0, kBlockFmcSteer},
    {"FMC In", 288, 0, 10, kBlockFmcIn},
    {"Flt Plan", 536, 10, 5, kBlockFlightPlan},
    {"Main->Ovhd", 376, 0, 12, kBlockOverheadIn},
    {"Ovhd->Main", 316, 12, 0, kBlockOverheadOut},
    {"Main->Front", 212, 0, 14, kBlockFrontIn},
    {"Front->Main", 200, 14, 0, kBlockFrontOut},
    {"Main->Pedestal", 192, 0, 13, kBlockPedestalIn},
    {"Pedestal->Main", 460, 13, 0, kBlockPedestalOut},
    {"Main->AuralQ", 460, 0, 15, kBlockAuralAndVisual},
    {"Main->Visual", 460, 0, 1, kBlockAuralAndVisual},
    {"Main->DU", 16, 0, 3, kBlockDuConfig},
    {"Main->MCDU_L", 700, 0, 13, kBlockMcduLeft},
    {"Main->MCDU_R", 700, 0, 13, kBlockMcduRight},
};

}  // namespace

const RtLan::PackageDefinition* RtLan::A340Packages() {
  return kA340Packages;
}
