#include "items.h"

using R = ConfigRecord;
using K = AssignmentItem::Kind;

const AssignmentTable& assignmentItems() {
    // clang-format off
    static const AssignmentTable table{{
        {K::Switch, "SW1",  1,  2,  3,  &R::s1,  &R::s1m,  &R::s1c,  &R::s1w,  &R::s1desig,  1, true, 0, 0, 0},
        {K::Switch, "SW2",  3,  4,  4,  &R::s2,  &R::s2m,  &R::s2c,  &R::s2w,  &R::s2desig,  1, true, 0, 0, 0},
        {K::Switch, "SW3",  5,  6,  5,  &R::s3,  &R::s3m,  &R::s3c,  &R::s3w,  &R::s3desig,  1, true, 0, 0, 0},
        {K::Switch, "SW4",  7,  8,  6,  &R::s4,  &R::s4m,  &R::s4c,  &R::s4w,  &R::s4desig,  1, true, 0, 0, 0},
        {K::Switch, "SW5",  9,  10, 7,  &R::s5,  &R::s5m,  &R::s5c,  &R::s5w,  &R::s5desig,  1, true, 0, 0, 0},
        {K::Switch, "SW6",  11, 12, 8,  &R::s6,  &R::s6m,  &R::s6c,  &R::s6w,  &R::s6desig,  1, true, 0, 0, 0},
        {K::Switch, "SW7",  13, 14, 9,  &R::s7,  &R::s7m,  &R::s7c,  &R::s7w,  &R::s7desig,  1, true, 0, 0, 0},
        {K::Switch, "SW8",  15, 16, 10, &R::s8,  &R::s8m,  &R::s8c,  &R::s8w,  &R::s8desig,  1, true, 0, 0, 0},
        {K::Switch, "SW9",  17, 18, 11, &R::s9,  &R::s9m,  &R::s9c,  &R::s9w,  &R::s9desig,  1, true, 0, 0, 0},
        {K::Switch, "SW10", 19, 20, 12, &R::s10, &R::s10m, &R::s10c, &R::s10w, &R::s10desig, 1, true, 0, 0, 0},
        {K::Led, "LED1",  21, 22, 13, &R::led1,  &R::led1m,  &R::led1c,  &R::led1w,  &R::led1desig,  2, true, 0, 0, 0},
        {K::Led, "LED2",  23, 24, 14, &R::led2,  &R::led2m,  &R::led2c,  &R::led2w,  &R::led2desig,  2, true, 0, 0, 0},
        {K::Led, "LED3",  25, 26, 15, &R::led3,  &R::led3m,  &R::led3c,  &R::led3w,  &R::led3desig,  2, true, 0, 0, 0},
        {K::Led, "LED4",  27, 28, 16, &R::led4,  &R::led4m,  &R::led4c,  &R::led4w,  &R::led4desig,  2, true, 0, 0, 0},
        {K::Led, "LED5",  29, 30, 17, &R::led5,  &R::led5m,  &R::led5c,  &R::led5w,  &R::led5desig,  2, true, 0, 0, 0},
        {K::Led, "LED6",  31, 32, 18, &R::led6,  &R::led6m,  &R::led6c,  &R::led6w,  &R::led6desig,  2, true, 0, 0, 0},
        {K::Led, "LED7",  33, 34, 19, &R::led7,  &R::led7m,  &R::led7c,  &R::led7w,  &R::led7desig,  2, true, 0, 0, 0},
        {K::Led, "LED8",  35, 36, 20, &R::led8,  &R::led8m,  &R::led8c,  &R::led8w,  &R::led8desig,  2, true, 0, 0, 0},
        {K::Led, "LED9",  37, 38, 21, &R::led9,  &R::led9m,  &R::led9c,  &R::led9w,  &R::led9desig,  2, true, 0, 0, 0},
        {K::Led, "LED10", 39, 40, 22, &R::led10, &R::led10m, &R::led10c, &R::led10w, &R::led10desig, 2, true, 0, 0, 0},
        {K::Backlighting, "BACKLIGHTING", 41, 42, 0, &R::bl,    &R::blm,    &R::blc,    &R::bl,    nullptr, 2, true,  45, 15, 19},
        {K::Dimming,      "DIMMING",      43, 44, 0, &R::dimch, &R::dimchm, &R::dimchc, &R::dimch, nullptr, 2, false, 46, 16, 1},
    }};
    // clang-format on
    return table;
}

int itemOfList(int listNumber) {
    const auto& items = assignmentItems();
    for (int i = 0; i < int(items.size()); ++i) {
        if (items[i].moduleList == listNumber || items[i].channelList == listNumber)
            return i;
    }
    return -1;
}

const IntensityTable& intensityItems() {
    static const IntensityTable table{{
        {"NORMAL BACKLIGHTING", 45, 15, &R::blpercent, 49},
        {"NORMAL INDICATOR", 49, 17, &R::indpercent, 45},
        {"DIMMED BACKLIGHTING AND INDICATOR", 46, 16, &R::dindpercent, 0},
    }};
    return table;
}

int intensityOfList(int listNumber) {
    const auto& items = intensityItems();
    for (int i = 0; i < int(items.size()); ++i) {
        if (items[i].list == listNumber)
            return i;
    }
    return -1;
}
