// Build tool: renders the application icon's SVG into a square PNG of one size, so the
// installed hicolor sizes come from the one drawing. An OUTPUT.ico gets the sizes Windows shows
// (16, 24, 32, 48 and 256 pixels, those up to SIZE), each stored as a PNG.
//
//   svg_to_png INPUT.svg SIZE OUTPUT.png|OUTPUT.ico
//
// Exit status: 0 done, 1 the SVG cannot be rendered or the image cannot be written, 2 bad
// arguments.
#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QPair>
#include <QString>
#include <QSvgRenderer>

#include <cstdio>

namespace {

// Large enough for any icon size a desktop asks for, small enough to catch a typo.
constexpr int maxSize = 4096;

int usage(const char* program) {
    std::fprintf(stderr, "usage: %s INPUT.svg SIZE OUTPUT.png|OUTPUT.ico\n", program);
    return 2;
}

// The drawing at `size` pixels square, as a PNG; empty when there is no memory for it.
QByteArray renderPng(QSvgRenderer& renderer, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        renderer.render(&painter, QRectF(0, 0, size, size));
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    return image.save(&buffer, "PNG") ? png : QByteArray();
}

void putLittleEndian(QByteArray& out, quint32 value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xffu));
}

// An icon file of PNG images, as Windows reads it since Vista: a directory of the images, then
// the images.
QByteArray iconFile(const QList<QPair<int, QByteArray>>& images) {
    QByteArray out;
    putLittleEndian(out, 0, 2); // reserved
    putLittleEndian(out, 1, 2); // an icon, not a cursor
    putLittleEndian(out, quint32(images.size()), 2);
    quint32 offset = quint32(6 + 16 * images.size());
    for (const auto& [size, png] : images) {
        const quint32 side = size >= 256 ? 0 : quint32(size); // 0 stands for 256
        putLittleEndian(out, side, 1);
        putLittleEndian(out, side, 1);
        putLittleEndian(out, 0, 1);  // no palette
        putLittleEndian(out, 0, 1);  // reserved
        putLittleEndian(out, 1, 2);  // colour planes
        putLittleEndian(out, 32, 2); // bits per pixel
        putLittleEndian(out, quint32(png.size()), 4);
        putLittleEndian(out, offset, 4);
        offset += quint32(png.size());
    }
    for (const auto& image : images)
        out += image.second;
    return out;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 4) {
        return usage(argv[0]);
    }
    const QString input = QString::fromLocal8Bit(argv[1]);
    const QString output = QString::fromLocal8Bit(argv[3]);
    const bool icon = output.endsWith(QLatin1String(".ico"), Qt::CaseInsensitive);

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

    QList<int> sizes;
    for (const int standard : {16, 24, 32, 48, 256}) {
        if (icon && standard <= size)
            sizes << standard;
    }
    if (!icon)
        sizes << size;
    QList<QPair<int, QByteArray>> images;
    for (const int each : sizes) {
        const QByteArray png = renderPng(renderer, each);
        if (png.isEmpty()) {
            std::fprintf(stderr, "%s: no memory for a %d x %d image\n", argv[0], each, each);
            return 1;
        }
        images.append({each, png});
    }
    if (images.isEmpty()) {
        std::fprintf(stderr, "%s: an icon file needs SIZE 16 or more\n", argv[0]);
        return 2;
    }
    const QByteArray bytes = icon ? iconFile(images) : images.front().second;
    QFile file(output);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[3]);
        return 1;
    }
    return 0;
}
