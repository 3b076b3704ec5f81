// panel-bench: wall time and processor time of a whole panel read, a whole panel write and a
// panel-bench: wall time and processor time of a whole panel read, a whole panel write and a
// comparison of the panel with the window against nvx10-panel-sim with 9600 baud byte pacing
// (or the practice panel inside the program), and of FIND PANEL over ports where nothing
// answers; with --stop, how many of them still end green while the program is stopped now and
// then, as a busy computer stops it; or, with --soak, how comparisons end on a noisy line
// against a panel that holds what the window shows. A measurement, not a test.

#include "form1.h"
#include "messages.h"
#include "panel_operations.h"
#include "protocol.h"
#include "serial_comm_port.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QMap>
#include <QProcess>
#include <QProgressBar>

#include <algorithm>

#include <csignal>
#include <cstdio>
#include <ctime>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

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

// Rounds that ended green, of all rounds run.
int green = 0;
int ran = 0;

// `outcome` says how a round ended.
template <typename Run, typename Outcome>
void measure(const char* name, int rounds, const OutcomeBar& bar, Run run, Outcome outcome) {
    for (int i = 0; i < rounds; ++i, ++ran) {
        QElapsedTimer wall;
        const double cpu0 = cpuSeconds();
        wall.start();
        run();
        const double elapsed = wall.nsecsElapsed() / 1e9;
        const double cpu = cpuSeconds() - cpu0;
        if (bar.tone() == OutcomeBar::Tone::Success)
            ++green;
        std::printf("%-7s %d: wall %.3f s, cpu %.3f s (%.1f %%), %s\n", name, i + 1, elapsed, cpu,
                    100.0 * cpu / elapsed, qPrintable(outcome(elapsed)));
    }
}

// Starts nvx10-panel-sim with `arguments`; the path of its pseudo-terminal, or empty.
QString startSim(QProcess& sim, const QStringList& arguments) {
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(QCoreApplication::applicationDirPath() + QStringLiteral("/nvx10-panel-sim"),
              arguments);
    if (!sim.waitForStarted() || !sim.waitForReadyRead(5000))
        return QString();
    return QString::fromLocal8Bit(sim.readLine()).trimmed();
}

// A process of its own that stops this one for `ms` milliseconds about once a second, as a
// busy computer stops a program, until this one ends. The second varies by up to a third
// either way, so that the stops do not fall into step with the operation's own period and
// always hit the same point of it. Only async-signal-safe calls after fork.
void stopNowAndThen(int ms) {
    const pid_t program = ::getpid();
    if (::fork() != 0)
        return;
    const auto sleepMs = [](long t) {
        timespec d{t / 1000, (t % 1000) * 1000000};
        while (::nanosleep(&d, &d) != 0) {
        }
    };
    unsigned long seed = static_cast<unsigned long>(program);
    for (;;) {
        seed = seed * 1103515245UL + 12345UL;
        sleepMs(667 + long((seed >> 16) % 667) - ms);
        if (::getppid() != program || ::kill(program, SIGSTOP) != 0)
            ::_exit(0);
        sleepMs(ms);
        ::kill(program, SIGCONT);
    }
}

// The serial trace's events of the running round, counted by their first words.
QMap<QString, int> traced;
void countTrace(QtMsgType, const QMessageLogContext& context, const QString& message) {
    if (QByteArray(context.category) != "nvx.serial")
        return;
    const QString event = message.section(QStringLiteral(" ms  "), 1);
    for (const char* kind : {"in doubt again", "answers disagree", "in doubt:", "discarded"}) {
        if (event.startsWith(QLatin1String(kind))) {
            ++traced[QLatin1String(kind)];
            return;
        }
    }
}

// COMPARE WITH PANEL `rounds` times against a panel on a line of noise `rate` that holds what
// the window shows, read from the same panel on a quiet line first. No round may make up a
// difference: each ends holding, or stopped by a fault of the line.
int soak(int rounds, const QString& rate, const QStringList& values) {
    QProcess quiet;
    QProcess noisy;
    const QString quietPath = startSim(quiet, QStringList{QStringLiteral("--pace")} + values);
    const QString noisyPath = startSim(
        noisy, QStringList{QStringLiteral("--pace"), QStringLiteral("--noise"), rate} + values);
    if (quietPath.isEmpty() || noisyPath.isEmpty()) {
        std::fprintf(stderr, "panel-bench: nvx10-panel-sim did not start\n");
        return 2;
    }
    PrintedMessages messages;
    Form1 form(messages);
    SerialCommPort port(quietPath);
    PanelOperations operations(form, port, [] { return QList<SerialPortEntry>(); },
                               {quietPath, noisyPath});
    operations.READ_CONFIG_Click();
    std::printf("window read on a quiet line: %s\n", qPrintable(form.statusText()));
    operations.portSelector().choose(noisyPath);
    std::printf("%d comparisons with nvx10-panel-sim --noise %s\n", rounds, qPrintable(rate));
    QLoggingCategory::setFilterRules(QStringLiteral("nvx.serial.debug=true"));
    const QtMessageHandler previous = qInstallMessageHandler(countTrace);
    QMap<QString, int> outcomes;
    int askedAgain = 0;
    for (int i = 0; i < rounds; ++i) {
        traced.clear();
        operations.COMPARE_PANEL_Click();
        const QString bar = form.ProgressBar1->format();
        const QString outcome = bar.startsWith(QLatin1String("THE PANEL HOLDS")) ? "holds"
                                : bar.startsWith(QLatin1String("THE PANEL DIFFERS"))
                                    ? "made-up difference"
                                    : "stopped by the line";
        ++outcomes[outcome];
        askedAgain += traced.contains(QStringLiteral("in doubt:")) ? 1 : 0;
        std::printf("compare %3d: %-20s %s", i + 1, qPrintable(outcome), qPrintable(bar));
        for (auto it = traced.cbegin(); it != traced.cend(); ++it)
            std::printf("; %s %d", qPrintable(it.key()), it.value());
        std::printf("\n");
    }
    qInstallMessageHandler(previous);
    std::printf("%d comparisons: %d holds, %d made-up difference, %d stopped by the line; "
                "%d asked a location again\n",
                rounds, outcomes.value("holds"), outcomes.value("made-up difference"),
                outcomes.value("stopped by the line"), askedAgain);
    for (QProcess* sim : {&quiet, &noisy}) {
        sim->terminate();
        sim->waitForFinished(3000);
    }
    return outcomes.value("made-up difference") == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // panel-bench [ROUNDS] [--port PATH | --practice] [--no-port-scan] [--find N] [--stop MS]
    //             [--soak N [--noise RATE]]:
    // without a port, starts its own paced nvx10-panel-sim; --practice uses the practice panel
    // inside the program instead. --no-port-scan leaves out the reading of the system's port
    // list before each operation, to tell its cost from the rest. --find N also times FIND PANEL
    // over N simulated panels that answer nothing, and nothing else. --stop MS stops the
    // program for MS milliseconds about once a second throughout. --soak N only compares N times
    // on a noisy line (RATE, default 0.002) instead.
    const QStringList args = QCoreApplication::arguments();
    int rounds = 3;
    int silentPorts = 0;
    int stopMs = 0;
    QString path;
    bool scanPorts = true;
    bool practice = false;
    int soakRounds = 0;
    QString noise = QStringLiteral("0.002");
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--port") && i + 1 < args.size())
            path = args[++i];
        else if (args[i] == QLatin1String("--practice"))
            practice = true;
        else if (args[i] == QLatin1String("--stop") && i + 1 < args.size())
            stopMs = std::clamp(args[++i].toInt(), 1, 600);
        else if (args[i] == QLatin1String("--no-port-scan"))
            scanPorts = false;
        else if (args[i] == QLatin1String("--find") && i + 1 < args.size())
            silentPorts = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--soak") && i + 1 < args.size())
            soakRounds = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--noise") && i + 1 < args.size())
            noise = args[++i];
        else
            rounds = std::max(1, args[i].toInt());
    }

    const QStringList values{QStringLiteral("--value"), QStringLiteral("0=37"),
                             QStringLiteral("--value"), QStringLiteral("19=159"),
                             QStringLiteral("--value"), QStringLiteral("22=5"),
                             QStringLiteral("--value"), QStringLiteral("23=7")};
    if (soakRounds > 0)
        return soak(soakRounds, noise, values);
    QProcess sim;
    if (practice) {
        path = practicePanelName;
        std::printf("the practice panel inside the program\n");
    } else if (path.isEmpty()) {
        path = startSim(sim, QStringList{QStringLiteral("--pace")} + values);
        if (path.isEmpty()) {
            std::fprintf(stderr, "panel-bench: nvx10-panel-sim did not start\n");
            return 2;
        }
        std::printf("nvx10-panel-sim on %s, %d baud pacing\n", qPrintable(path),
                    protocol::line.baud);
    }

    PrintedMessages messages;
    Form1 form(messages);
    SerialCommPort port(path);
    const PortSource ports = scanPorts ? PortSource(systemSerialPorts)
                                       : PortSource([] { return QList<SerialPortEntry>(); });
    PanelOperations operations(form, port, ports);
    if (stopMs > 0) {
        // The window filled once first, so that a write and a comparison have something whole
        // to send even when every read is stopped part-way.
        operations.READ_CONFIG_Click();
        std::printf("stopped for %d ms about once a second\n", stopMs);
        std::fflush(stdout);
        stopNowAndThen(stopMs);
    }
    // Each round stands on its own: a read stopped part-way leaves the window a mix that a
    // write or a comparison refuses, but the mix is whole, and writing it is as good a round.
    const auto whole = [&form] {
        if (form.origin() == Form1::Origin::PartlyRead)
            form.setOrigin(Form1::Origin::Panel);
    };
    const auto status = [&form](double) {
        return QStringLiteral("status \"%1\"").arg(form.statusText());
    };
    const OutcomeBar& bar = *form.ProgressBar1;
    measure(
        "read", rounds, bar, [&] { operations.READ_CONFIG_Click(); }, status);
    measure(
        "write", rounds, bar,
        [&] {
            whole();
            operations.WRITE_CONFIG_Click();
        },
        status);
    // The panel now holds what the window shows.
    measure(
        "compare", rounds, bar,
        [&] {
            whole();
            operations.COMPARE_PANEL_Click();
        },
        [&form](double) { return QStringLiteral("bar \"%1\"").arg(form.ProgressBar1->format()); });
    std::printf("green: %d of %d\n", green, ran);

    std::vector<std::unique_ptr<QProcess>> silent;
    QStringList silentPaths;
    for (int i = 0; i < silentPorts; ++i) {
        silent.push_back(std::make_unique<QProcess>());
        silentPaths << startSim(*silent.back(), {QStringLiteral("--silent")});
        if (silentPaths.last().isEmpty()) {
            std::fprintf(stderr, "panel-bench: nvx10-panel-sim --silent did not start\n");
            return 2;
        }
    }
    if (silentPorts > 0) {
        // Only the silent panels are listed: the system's ports would add their own time.
        SerialCommPort searched;
        Form1 searchForm(messages);
        PanelOperations search(
            searchForm, searched, [] { return QList<SerialPortEntry>(); }, silentPaths);
        std::printf("FIND PANEL over %d ports where nothing answers\n", silentPorts);
        measure(
            "find", rounds, *searchForm.ProgressBar1, [&] { search.FIND_PANEL_Click(); },
            [&](double elapsed) {
                return QStringLiteral("%1 s a port, bar \"%2\"")
                    .arg(elapsed / silentPorts, 0, 'f', 3)
                    .arg(searchForm.ProgressBar1->format());
            });
    }

    if (sim.state() != QProcess::NotRunning) {
        sim.terminate();
        sim.waitForFinished(3000);
    }
    for (const auto& process : silent) {
        process->terminate();
        process->waitForFinished(3000);
    }
    return 0;
}
