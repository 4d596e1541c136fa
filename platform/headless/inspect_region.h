#pragma once
// Region failures of the headless stand-in on request. Only tests include this header.

namespace headless {

// Each counter, when non-zero, makes that many of the next calls fail and counts down; -1 makes
// every call fail until reset.
struct RegionFaults {
    int createRectRgn = 0;    // CreateRectRgn and CreateRectRgnIndirect return null
    int extCreateRegion = 0;  // ExtCreateRegion returns null
    int combineRgn = 0;       // CombineRgn returns ERROR and leaves the target as it was
};
RegionFaults& regionFaults();
void resetRegionFaults();

}  // namespace headless
