// Build tool: renders the application icon's SVG into a square PNG of one size, so the
// installed hicolor sizes come from the one drawing.
//
//   svg_to_png INPUT.svg SIZE OUTPUT.png
//
// Exit status: 0 done, 1 the SVG cannot be rendered or the PNG cannot be written, 2 bad
// arguments.
#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

#include <cstdio>

namespace {

// Large enough for any icon size a desktop asks for, small enough to catch a typo.
constexpr int maxSize = 4096;

int usage(const char* program) {
    std::fprintf(stderr, "usage: %s INPUT.svg SIZE OUTPUT.png\n", program);
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 4) {
        return usage(argv[0]);
    }
    const QString input = QString::fromLocal8Bit(argv[1]);
    const QString output = QString::fromLocal8Bit(argv[3]);

    bool isNumber = false;
    const int size = QByteArray(argv[2]).toInt(&isNumber);
    if (!isNumber || size < 1 || size > maxSize) {
        std::fprintf(stderr, "%s: SIZE must be a whole number of pixels from 1 to %d, not \"%s\"\n",
                     argv[0], maxSize, argv[2]);
        return usage(argv[0]);
    }

    // Drawing a <text> element needs the font database, which aborts the program unless a
    // QGuiApplication exists. The offscreen platform lets the tool run on a build machine with
    // no display; the application sees only the program name, so no argument is taken for a
    // Qt option.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int appArgc = 1;
    const QGuiApplication app(appArgc, argv);

    QSvgRenderer renderer(input);
    if (!renderer.isValid()) {
        std::fprintf(stderr, "%s: %s is missing or not a valid SVG image\n", argv[0], argv[1]);
        return 1;
    }

    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        std::fprintf(stderr, "%s: no memory for a %d x %d image\n", argv[0], size, size);
        return 1;
    }
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        renderer.render(&painter, QRectF(0, 0, size, size));
    }

    if (!image.save(output, "PNG")) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[3]);
        return 1;
    }
    return 0;
}
