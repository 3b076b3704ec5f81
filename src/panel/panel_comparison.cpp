#include "panel_comparison.h"

#include "codes.h"

#include <QStringList>

namespace comparison {

namespace {

QString name(const PanelLocation& location) {
    return QString::fromLatin1(location.item ? location.item->name
                                             : intensityItems()[location.intensityIndex].name);
}

QString noCode(int value) {
    return QStringLiteral("%1 (NO CODE)").arg(value);
}

} // namespace

QString Difference::line() const {
    return QStringLiteral("%1: WINDOW %2, PANEL %3").arg(name, window, panel);
}

QString valueText(const PanelLocation& location, int value) {
    if (!location.item) {
        const int position = codes::intensityPosition(value);
        if (position < 0)
            return noCode(value);
        return QStringLiteral("%1 %").arg(QLatin1String(codes::intensityEntries[position].text));
    }
    if (value == codes::notAssigned)
        return QString::fromLatin1(codes::moduleEntries[0].text);
    if (value < 0 || value > codes::notAssigned)
        return noCode(value);
    return QStringLiteral("%1 %2").arg(QLatin1String(codes::moduleEntries[1 + value / 10].text),
                                       QLatin1String(codes::channelEntries[value % 10].text));
}

Result compare(const PanelValues& window, const PanelValues& panel) {
    Result result;
    QStringList lines;
    for (const PanelLocation& location : configurationLocations()) {
        const int shown = window[location.address];
        const int held = panel[location.address];
        if (shown == held)
            continue;
        result.differences << Difference{location.address, name(location),
                                         valueText(location, shown), valueText(location, held)};
        lines << result.differences.last().line();
    }
    result.text = result.differences.isEmpty()
                      ? QStringLiteral("THE PANEL HOLDS WHAT THE WINDOW SHOWS")
                      : QStringLiteral("THE PANEL DIFFERS AT %1 OF %2 LOCATIONS")
                            .arg(result.differences.size())
                            .arg(panel.size());
    // A short tooltip: every difference stands in the table. With a file's notice after it,
    // it is still no longer than five lines.
    if (!lines.isEmpty())
        result.toolTip =
            (QStringList{result.text} + lines.mid(0, toolTipDifferences) +
             QStringList{QStringLiteral("ALL IN THE TABLE OF ALL %1 LOCATIONS").arg(panel.size())})
                .join(QLatin1Char('\n'));
    return result;
}

} // namespace comparison
