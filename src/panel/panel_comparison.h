#pragma once

#include "locations.h"

#include <QList>
#include <QString>

// The comparison behind COMPARE WITH PANEL: the values a write would send now against the
// values a read found in the panel, location by location, each difference said in the
// window's terms. No port and no window here, so the comparison can be tested alone.
namespace comparison {

// One location where the panel holds another value than the window shows.
struct Difference {
    int address;
    QString name;   // the item or intensity as the window names it: "SW2"
    QString window; // what the window shows: "H 1", "N/A", "30 %"
    QString panel;  // what the panel holds, in the same terms
    // "SW2: WINDOW H 1, PANEL H 2"
    QString line() const;
};

// How many differences the bar's tooltip names; the table shows them all.
constexpr int toolTipDifferences = 2;

struct Result {
    QList<Difference> differences; // in location order
    QString text;                  // the bar's text
    // The count, the first differences, and where all of them are; empty when there are none.
    QString toolTip;
};

// `window` as a write would send it, `panel` as a whole read found it.
Result compare(const PanelValues& window, const PanelValues& panel);

// A location's value in the window's terms: module and channel ("H 2") or "N/A" for an item,
// the percentage ("50 %") for an intensity. A value that is no code of its location is named
// as the number it is: "161 (NO CODE)".
QString valueText(const PanelLocation& location, int value);

} // namespace comparison
