// panel-bench: wall time and processor time of a whole panel read and a whole panel write
// against nvx10-panel-sim with 9600 baud byte pacing. A measurement, not a test.

#include "form1.h"
#include "messages.h"
#include "panel_operations.h"
#include "serial_comm_port.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <cstdio>
#include <sys/resource.h>

namespace {

class PrintedMessages : public MessageBoxes {
public:
    void message(const QString& text, const QString& title, const QString& cause) override {
        std::printf("message box: %s: %s\n", qPrintable(title), qPrintable(text));
        if (!cause.isEmpty())
            std::printf("    %s\n", qPrintable(cause));
    }
};

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

template <typename Run> void measure(const char* name, Form1& form, int rounds, Run run) {
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer wall;
        const double cpu0 = cpuSeconds();
        wall.start();
        run();
        const double elapsed = wall.nsecsElapsed() / 1e9;
        const double cpu = cpuSeconds() - cpu0;
        std::printf("%-6s %d: wall %.3f s, cpu %.3f s (%.1f %%), status \"%s\"\n", name, i + 1,
                    elapsed, cpu, 100.0 * cpu / elapsed, qPrintable(form.statusText()));
    }
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // panel-bench [ROUNDS] [--port PATH] [--no-port-scan]: without a port, starts its own
    // paced nvx10-panel-sim. --no-port-scan leaves out the reading of the system's port list
    // before each operation, to tell its cost from the rest.
    const QStringList args = QCoreApplication::arguments();
    int rounds = 3;
    QString path;
    bool scanPorts = true;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--port") && i + 1 < args.size())
            path = args[++i];
        else if (args[i] == QLatin1String("--no-port-scan"))
            scanPorts = false;
        else
            rounds = std::max(1, args[i].toInt());
    }

    QProcess sim;
    if (path.isEmpty()) {
        sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        sim.start(QCoreApplication::applicationDirPath() + QStringLiteral("/nvx10-panel-sim"),
                  {QStringLiteral("--pace"), QStringLiteral("--value"), QStringLiteral("0=37"),
                   QStringLiteral("--value"), QStringLiteral("19=159"), QStringLiteral("--value"),
                   QStringLiteral("22=5"), QStringLiteral("--value"), QStringLiteral("23=7")});
        if (!sim.waitForStarted() || !sim.waitForReadyRead(5000)) {
            std::fprintf(stderr, "panel-bench: nvx10-panel-sim did not start\n");
            return 2;
        }
        path = QString::fromLocal8Bit(sim.readLine()).trimmed();
        std::printf("nvx10-panel-sim on %s, 9600 baud pacing\n", qPrintable(path));
    }

    PrintedMessages messages;
    Form1 form(messages);
    SerialCommPort port(path);
    PanelOperations operations(form, port,
                               scanPorts ? PortSource(systemSerialPorts)
                                         : PortSource([] { return QList<SerialPortEntry>(); }));

    measure("read", form, rounds, [&] { operations.READ_CONFIG_Click(); });
    measure("write", form, rounds, [&] { operations.WRITE_CONFIG_Click(); });

    if (sim.state() != QProcess::NotRunning) {
        sim.terminate();
        sim.waitForFinished(3000);
    }
    return 0;
}
