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
    // startup-bench [RUNS] [--program PATH]...: RUNS turns of each (15), nvx10config of this
    // build unless one or more PATHs are given (an earlier build beside this one, say).
    const QStringList args = QCoreApplication::arguments();
    int runs = 15;
    QStringList programs;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--program") && i + 1 < args.size())
            programs << args[++i];
        else
            runs = std::max(1, args[i].toInt());
    }
    if (programs.isEmpty())
        programs << QCoreApplication::applicationDirPath() +
                        QStringLiteral("/../../src/app/nvx10config");

    // An X server and a session bus of its own, as a desktop has them: no window manager, no
    // other client drawing, and no bus started on demand by the first program that asks.
    QProcess server;
    server.start(QStringLiteral("Xvfb"),
                 {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                  QStringLiteral("0"), QStringLiteral("1600x1200x24"), QStringLiteral("-nolisten"),
                  QStringLiteral("tcp")});
    QProcess bus;
    bus.start(QStringLiteral("dbus-daemon"),
              {QStringLiteral("--session"), QStringLiteral("--nofork"),
               QStringLiteral("--print-address")});
    if (!server.waitForReadyRead(10000) || !bus.waitForReadyRead(10000)) {
        std::fprintf(stderr, "startup-bench: Xvfb or dbus-daemon did not start\n");
        return 2;
    }
    const QByteArray display = ':' + server.readLine().trimmed();
    const QString busAddress = QString::fromLocal8Bit(bus.readLine().trimmed());
    int status = 0;
    {
        Screen screen(display);
        if (!screen.ok()) {
            std::fprintf(stderr, "startup-bench: no connection to Xvfb on %s\n",
                         display.constData());
            status = 2;
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display));
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        struct Measured {
            QString name;
            QString path;
            QStringList arguments;
            std::vector<double> mapped, painted;
        };
        std::vector<Measured> measured{{QStringLiteral("bare Qt window"),
                                        QCoreApplication::applicationFilePath(),
                                        {QStringLiteral("--bare-window")},
                                        {},
                                        {}}};
        for (const QString& program : programs)
            measured.push_back({program, program, {}, {}, {}});
        // In turns, so that a change in the machine's load falls on all alike.
        for (int run = 1; run <= runs && status == 0; ++run) {
            for (Measured& m : measured) {
                QProcess process;
                process.setProcessEnvironment(environment);
                process.setProcessChannelMode(QProcess::ForwardedOutputChannel);
                process.setStandardErrorFile(QProcess::nullDevice());
                const std::optional<Times> times = screen.time(process, m.path, m.arguments);
                process.terminate();
                if (!process.waitForFinished(5000)) {
                    process.kill();
                    process.waitForFinished();
                }
                screen.settle();
                if (!times) {
                    std::fprintf(stderr, "startup-bench: %s showed no window\n",
                                 qPrintable(m.name));
                    status = 1;
                    break;
                }
                m.mapped.push_back(times->mapped);
                m.painted.push_back(times->painted);
                std::printf("%2d %s: mapped %6.1f ms, painted %6.1f ms\n", run, qPrintable(m.name),
                            times->mapped, times->painted);
            }
        }
        if (status == 0) {
            const double bare = median(measured[0].painted);
            std::printf("median of %d, until the first paint (until mapped):\n", runs);
            for (const Measured& m : measured)
                std::printf("  %6.1f ms (%6.1f) x%.2f  %s\n", median(m.painted), median(m.mapped),
                            median(m.painted) / bare, qPrintable(m.name));
        }
    }
    for (QProcess* process : {&server, &bus}) {
        process->terminate();
        process->waitForFinished(5000);
    }
    return status;
}
