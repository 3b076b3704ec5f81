#pragma once

#include "items.h"

#include <array>

// What the panel keeps in which location: locations 0..21 hold the assignment codes of the
// 22 items, 22..24 the three intensity codes, in that order. The panel read and the panel
// write walk this one table, so both always visit the same locations in the same order.
struct PanelLocation {
    int address;
    const AssignmentItem* item; // the item stored here, or nullptr
    int intensityIndex;         // the row of the intensity stored here, or -1
};

using LocationTable = std::array<PanelLocation, 25>;
const LocationTable& configurationLocations();

// The values of locations 0..24, in location order, as a read found them or as a write would
// send them.
using PanelValues = std::array<int, std::tuple_size<LocationTable>::value>;
