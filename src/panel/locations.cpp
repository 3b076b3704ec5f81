#include "locations.h"

static_assert(std::tuple_size<AssignmentTable>::value + std::tuple_size<IntensityTable>::value ==
                  std::tuple_size<LocationTable>::value,
              "every item and intensity has exactly one location");

const LocationTable& configurationLocations() {
    // Items lie at their row in the item table, intensities right after them.
    static const LocationTable table = [] {
        LocationTable t{};
        int address = 0;
        for (const auto& item : assignmentItems()) {
            t[address] = {address, &item, nullptr, -1};
            ++address;
        }
        const auto& intensities = intensityItems();
        for (int i = 0; i < int(intensities.size()); ++i) {
            t[address] = {address, nullptr, &intensities[i], i};
            ++address;
        }
        return t;
    }();
    return table;
}
