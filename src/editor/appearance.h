#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPalette>
#include <QPixmap>

// Fonts, colours and pictures of the window, in the units the layout is drawn in:
// 15 twips to a pixel, that is 96 dots per inch.
namespace appearance {

// Twips to device-independent pixels.
constexpr int px(int twips) {
    return (twips + 7) / 15;
}

// Maps the window's font names to fonts that exist here, and adds the faces the program
// carries. The panel-era faces are not shipped on Linux; Liberation Sans has Arial's metrics,
// so captions keep their widths.
void installFontSubstitutes();

// A font sized in pixels at 96 dpi, so text keeps its proportion to the twip geometry
// whatever the screen reports.
QFont font(const char* family, double points, bool bold);
inline QFont sansSerif(bool bold) {
    return font("MS Sans Serif", 8.25, bold);
}
inline QFont arial(double points, bool bold) {
    return font("Arial", points, bold);
}

// A colour written as the toolkit's 32-bit value: 0x00bbggrr for a plain colour, 0x800000nn
// for system colour nn, taken from the nearest role of the given palette.
QColor colour(quint32 value, const QPalette& palette);

// The face plate drawing (286 x 493): a grey rounded plate with a darker rim, no text.
QPixmap panelPlate();
// The 40 x 40 window icon: the menu icon's drawing, rendered at that size.
QIcon windowIcon();

} // namespace appearance
