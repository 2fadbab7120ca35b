// The A340's packages: the A340 carries exactly the A330's packages, with
// the same sizes, computers and data area blocks.

#include "RtLan.h"

const RtLan::PackageDefinition* RtLan::A340Packages() { return A330Packages(); }
