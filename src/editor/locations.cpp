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
            t[address] = {address, &item, -1};
            ++address;
        }
        for (int i = 0; i < int(intensityItems().size()); ++i) {
            t[address] = {address, nullptr, i};
            ++address;
        }
        return t;
    }();
    return table;
}
