// startup-bench: how long nvx10config takes from its start until its window is on the screen,
// against a bare Qt window (this program with --bare-window: a QApplication and an empty
// QWidget), in turns on an X server of its own. A measurement, not a test.
//
// "On the screen" is the first pixel the program paints: the root window is cleared to a
// colour no window paints, and the middle of the program's window is read until it is no
// longer that colour. Qt maps its windows without a background, so what shows there before
// the first paint is the root's colour.

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <QWidget>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

namespace {

constexpr quint32 marker = 0xff00ff; // magenta: painted by neither window
constexpr int timeoutMs = 10000;

struct Times {
    double mapped;  // the window is mapped, in ms from the start of the process
    double painted; // its first pixel is painted
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

class Screen {
public:
    explicit Screen(const QByteArray& display) {
        connection_ = xcb_connect(display.constData(), nullptr);
        if (xcb_connection_has_error(connection_))
            return;
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        const quint32 values[] = {marker, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY};
        xcb_change_window_attributes(connection_, root_, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK,
                                     values);
        xcb_clear_area(connection_, 0, root_, 0, 0, 0, 0);
        xcb_flush(connection_);
    }
    ~Screen() { xcb_disconnect(connection_); }
    bool ok() const { return xcb_connection_has_error(connection_) == 0; }

    // Times the program `run` starts, until its first window is mapped and painted.
    std::optional<Times> time(QProcess& process, const QString& program,
                              const QStringList& arguments) {
        QElapsedTimer clock;
        clock.start();
        process.start(program, arguments);
        const xcb_window_t window = mappedWindow(clock);
        if (window == XCB_NONE)
            return std::nullopt;
        Times times{clock.nsecsElapsed() / 1e6, 0};
        auto geometry = std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)>(
            xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, window), nullptr),
            &std::free);
        if (!geometry)
            return std::nullopt;
        while (clock.elapsed() < timeoutMs) {
            auto image = std::unique_ptr<xcb_get_image_reply_t, decltype(&std::free)>(
                xcb_get_image_reply(connection_,
                                    xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, window,
                                                  qint16(geometry->width / 2),
                                                  qint16(geometry->height / 2), 1, 1, ~0u),
                                    nullptr),
                &std::free);
            if (!image)
                return std::nullopt; // the window went
            quint32 pixel = 0;
            std::copy_n(xcb_get_image_data(image.get()),
                        std::min<int>(4, xcb_get_image_data_length(image.get())),
                        reinterpret_cast<uint8_t*>(&pixel));
            if ((pixel & 0xffffff) != marker) {
                times.painted = clock.nsecsElapsed() / 1e6;
                return times;
            }
            QThread::usleep(200);
        }
        return std::nullopt;
    }

    // Waits for the windows of the program that ended to go.
    void settle() {
        xcb_aux_sync();
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_))
            std::free(event);
    }

private:
    void xcb_aux_sync() {
        std::free(
            xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    }

    xcb_window_t mappedWindow(const QElapsedTimer& clock) {
        while (clock.elapsed() < timeoutMs) {
            xcb_generic_event_t* event = xcb_poll_for_event(connection_);
            if (!event) {
                if (xcb_connection_has_error(connection_))
                    return XCB_NONE;
                QThread::usleep(100);
                continue;
            }
            xcb_window_t window = XCB_NONE;
            if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY)
                window = reinterpret_cast<xcb_map_notify_event_t*>(event)->window;
            std::free(event);
            if (window != XCB_NONE)
                return window;
        }
        return XCB_NONE;
    }

    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = XCB_NONE;
};

int bareWindow(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.show();
    return app.exec();
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc > 1 && qstrcmp(argv[1], "--bare-window") == 0)
        return bareWindow(argc, argv);
    QCoreApplication app(argc, argv);
    // startup-bench [RUNS] [--program PATH]: RUNS turns of each (15), nvx10config of this
    // build unless PATH is given.
    const QStringList args = QCoreApplication::arguments();
    int runs = 15;
    QString program =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../../src/app/nvx10config");
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--program") && i + 1 < args.size())
            program = args[++i];
        else
            runs = std::max(1, args[i].toInt());
    }

    // An X server of its own: no window manager, no desktop, nothing else drawing.
    QProcess server;
    server.start(QStringLiteral("Xvfb"),
                 {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                  QStringLiteral("0"), QStringLiteral("1600x1200x24"), QStringLiteral("-nolisten"),
                  QStringLiteral("tcp")});
    if (!server.waitForReadyRead(10000)) {
        std::fprintf(stderr, "startup-bench: Xvfb did not start\n");
        return 2;
    }
    const QByteArray display = ':' + server.readLine().trimmed();
    int status = 0;
    {
        Screen screen(display);
        if (!screen.ok()) {
            std::fprintf(stderr, "startup-bench: no connection to Xvfb on %s\n",
                         display.constData());
            server.kill();
            server.waitForFinished();
            return 2;
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        const struct {
            const char* name;
            QString path;
            QStringList arguments;
        } programs[] = {
            {"bare Qt window",
             QCoreApplication::applicationFilePath(),
             {QStringLiteral("--bare-window")}},
            {"nvx10config", program, {}},
        };
        std::vector<double> mapped[2], painted[2];
        // In turns, so that a change in the machine's load falls on both alike.
        for (int run = 1; run <= runs && status == 0; ++run) {
            for (int p = 0; p < 2; ++p) {
                QProcess process;
                process.setProcessEnvironment(environment);
                process.setProcessChannelMode(QProcess::ForwardedChannels);
                const std::optional<Times> times =
                    screen.time(process, programs[p].path, programs[p].arguments);
                process.terminate();
                if (!process.waitForFinished(5000)) {
                    process.kill();
                    process.waitForFinished();
                }
                screen.settle();
                if (!times) {
                    std::fprintf(stderr, "startup-bench: %s showed no window\n", programs[p].name);
                    status = 1;
                    break;
                }
                mapped[p].push_back(times->mapped);
                painted[p].push_back(times->painted);
                std::printf("%2d %-15s mapped %6.1f ms, painted %6.1f ms\n", run, programs[p].name,
                            times->mapped, times->painted);
            }
        }
        if (status == 0) {
            const double bare = median(painted[0]), ours = median(painted[1]);
            std::printf("median of %d: bare Qt window %.1f ms (mapped %.1f), nvx10config %.1f ms "
                        "(mapped %.1f): x%.2f\n",
                        runs, bare, median(mapped[0]), ours, median(mapped[1]), ours / bare);
        }
    }
    server.terminate();
    server.waitForFinished(5000);
    return status;
}
