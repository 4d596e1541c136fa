#pragma once
// Region failures of the headless stand-in on request. Only tests include this header.

#include "platform/headless/fault.h"

namespace headless {

// See fault.h for the patterns of failure.
struct RegionFaults {
    Fault createRectRgn;    // CreateRectRgn and CreateRectRgnIndirect return null
    Fault extCreateRegion;  // ExtCreateRegion returns null
    Fault combineRgn;       // CombineRgn returns ERROR and leaves the target as it was
};
RegionFaults& regionFaults();
void resetRegionFaults();

}  // namespace headless
