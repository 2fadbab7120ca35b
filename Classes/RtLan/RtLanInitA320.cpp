// The A320's packages: the A330's, except that its overhead and pedestal
// packages have their own sizes and their own blocks in the simulator data
// area (rows 15, 16 and 20).

#include "RtLan.h"

namespace {

using namespace RtLan;

struct A320Table {
  PackageDefinition rows[kPackageCount];

  A320Table() {
    const PackageDefinition* a330 = A330Packages();
    for (int row = 0; row < kPackageCount; ++row) rows[row] = a330[row];
    rows[15] = {"Main->Ovhd", 408, 0, 12, kBlockA320OverheadIn};
    rows[16] = {"Ovhd->Main", 324, 12, 0, kBlockA320OverheadOut};
    rows[20] = {"Pedestal->Main", 440, 13, 0, kBlockA320PedestalOut};
  }
};

}  // namespace

const RtLan::PackageDefinition* RtLan::A320Packages() {
  static const A320Table table;
  return table.rows;
}
