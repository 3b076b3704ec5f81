#pragma once

#include <array>

// The two number codes shared by the lists, the panel's locations and configuration files.
namespace codes {

// Assignment code of an item that is tied to no module (module entry "N/A").
constexpr int notAssigned = 160;

// clang-format off
// Module list: "N/A" then "A".."P", each carrying its module base.
struct Entry {
    const char* text;
    int value;
};

constexpr std::array<Entry, 17> moduleEntries{{{"N/A", 160},
                                               {"A", 0},
                                               {"B", 10},
                                               {"C", 20},
                                               {"D", 30},
                                               {"E", 40},
                                               {"F", 50},
                                               {"G", 60},
                                               {"H", 70},
                                               {"I", 80},
                                               {"J", 90},
                                               {"K", 100},
                                               {"L", 110},
                                               {"M", 120},
                                               {"N", 130},
                                               {"O", 140},
                                               {"P", 150}}};

// Channel list: "1".."10" carrying the channel offset 0..9.
constexpr std::array<Entry, 10> channelEntries{{{"1", 0},
                                                {"2", 1},
                                                {"3", 2},
                                                {"4", 3},
                                                {"5", 4},
                                                {"6", 5},
                                                {"7", 6},
                                                {"8", 7},
                                                {"9", 8},
                                                {"10", 9}}};

// Intensity list: percentages carrying the panel's intensity code. 100 % is 10, not 8.
constexpr std::array<Entry, 8> intensityEntries{{{"100", 10},
                                                 {"90", 7},
                                                 {"80", 6},
                                                 {"70", 5},
                                                 {"60", 4},
                                                 {"50", 3},
                                                 {"40", 2},
                                                 {"30", 1}}};
// clang-format on

// Entry position of an intensity code, or -1 for a value that is no intensity code.
constexpr int intensityPosition(int code) {
    if (code == 10)
        return 0;
    if (code >= 1 && code <= 7)
        return 8 - code;
    return -1;
}

// The code a panel or a file value stands for: itself when it is an intensity code, else 10
// (100 %), which is what such a value is shown as.
constexpr int normalisedIntensity(int code) {
    return intensityPosition(code) < 0 ? 10 : code;
}

} // namespace codes
