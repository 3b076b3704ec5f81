#include "appearance.h"

#include <QDir>
#include <QFontDatabase>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace appearance {

void installFontSubstitutes() {
    // Faces the program carries (the Windows build does): the window is laid out for them, and
    // they come first, whatever faces of the same names the system has.
    const QDir carried(QStringLiteral(":/fonts"));
    for (const QString& file : carried.entryList(QDir::Files))
        QFontDatabase::addApplicationFont(carried.filePath(file));
    const QStringList metricArial{"Liberation Sans", "Arimo", "DejaVu Sans"};
    QFont::insertSubstitutions("MS Sans Serif", metricArial);
    QFont::insertSubstitutions("Arial", metricArial);
}

QFont font(const char* family, double points, bool bold) {
    // Liberation Sans first where it is: captions were fitted to its widths (Arial's). Where
    // it is missing, the family named and its substitutes.
    QFont f;
    f.setFamilies({QStringLiteral("Liberation Sans"), QString::fromLatin1(family)});
    f.setPixelSize(int(std::lround(points * 96.0 / 72.0)));
    f.setBold(bold);
    f.setStyleHint(QFont::SansSerif);
    return f;
}

QColor colour(quint32 value, const QPalette& palette) {
    if (value & 0x80000000u) {
        // System colours by number, mapped to the palette role that plays the same part.
        switch (value & 0xffu) {
        case 7: // menu text
        case 8: // window text
            return palette.color(QPalette::WindowText);
        case 5: // window background
            return palette.color(QPalette::Base);
        case 10: // active border
        case 11: // inactive border
        case 15: // button face
            return palette.color(QPalette::Window);
        case 13:
            return palette.color(QPalette::Highlight);
        case 16:
            return palette.color(QPalette::Dark);
        case 20:
            return palette.color(QPalette::Light);
        case 22: // 3-D light
            return palette.color(QPalette::Midlight);
        default:
            return palette.color(QPalette::Window);
        }
    }
    return QColor(int(value & 0xffu), int((value >> 8) & 0xffu), int((value >> 16) & 0xffu));
}

static void drawPlate(QPainter& p, const QRectF& area, qreal radius, qreal rim) {
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath outer;
    outer.addRoundedRect(area, radius, radius);
    p.fillPath(outer, QColor(96, 96, 100));
    const QRectF inner = area.adjusted(rim, rim, -rim, -rim);
    QPainterPath face;
    face.addRoundedRect(inner, radius - rim / 2, radius - rim / 2);
    QLinearGradient shade(inner.topLeft(), inner.bottomRight());
    shade.setColorAt(0, QColor(200, 200, 204));
    shade.setColorAt(1, QColor(168, 168, 172));
    p.fillPath(face, shade);
}

QPixmap panelPlate() {
    QImage image(286, 493, QImage::Format_RGB888);
    image.fill(QColor(212, 208, 200));
    QPainter p(&image);
    drawPlate(p, QRectF(1, 1, 284, 491), 22, 7);
    p.end();
    return QPixmap::fromImage(image);
}

QIcon windowIcon() {
    // Read as the PNG it is: left to guess its format, the reader first loads every image
    // format plugin installed (the SVG one brings Qt Svg with it) before the window can show.
    QImageReader reader(QStringLiteral(":/window-icon.png"), "png");
    reader.setAutoDetectImageFormat(false);
    return QIcon(QPixmap::fromImage(reader.read()));
}

} // namespace appearance
