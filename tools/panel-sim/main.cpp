// nvx10-panel-sim: a simulated switch panel on a pseudo-terminal. Prints the device path, then
// answers like the panel until it is stopped (Ctrl+C or a kill).

#include "panel_sim.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}

// "LOC" or "LOC=VALUE" / "LOC:VALUE"; false when it is not one.
bool parsePair(const QString& text, QChar separator, int& first, int& second, bool needSecond) {
    const QStringList parts = text.split(separator);
    bool ok = false;
    first = parts.value(0).toInt(&ok);
    if (!ok || first < 0 || first > 255 || parts.size() > 2)
        return false;
    if (parts.size() == 1)
        return !needSecond;
    second = parts[1].toInt(&ok);
    return ok;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("nvx10-panel-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A simulated 10-button switch panel on a pseudo-terminal.\n"
                       "Prints the terminal's device path on the first line of standard output,\n"
                       "then answers the panel protocol until stopped. Point the configuration\n"
                       "program at it with: nvx10config --port PATH\n"
                       "Locations 0..21 start at 160 (not assigned), 22..24 at 10 (100 %),\n"
                       "%1 holds the model (%2).")
            .arg(protocol::modelLocation)
            .arg(PanelSim::defaultModel));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption pace(QStringLiteral("pace"),
                                  QStringLiteral("Pace every byte as a %1 baud line does "
                                                 "(about %2 ms a byte).")
                                      .arg(protocol::line.baud)
                                      .arg(double(PanelSim::byteTimeNs) / 1e6, 0, 'f', 2));
    const QCommandLineOption model(QStringLiteral("model"),
                                   QStringLiteral("Model value in location %1 (default %2).")
                                       .arg(protocol::modelLocation)
                                       .arg(PanelSim::defaultModel),
                                   QStringLiteral("N"));
    const QCommandLineOption value(QStringLiteral("value"),
                                   QStringLiteral("Start value of a location; repeatable."),
                                   QStringLiteral("LOC=VAL"));
    const QCommandLineOption four(QStringLiteral("four"),
                                  QStringLiteral("Read replies of four digits, without the CR."));
    const QCommandLineOption silent(QStringLiteral("silent"),
                                    QStringLiteral("Fault: answer nothing at all."));
    const QCommandLineOption wakeAfter(
        QStringLiteral("wake-after"),
        QStringLiteral("Fault: answer the wake-up byte only from try N on."), QStringLiteral("N"));
    const QCommandLineOption corruptAck(
        QStringLiteral("corrupt-ack"),
        QStringLiteral("Fault: acknowledge a write to LOC with \"D001D\"; repeatable."),
        QStringLiteral("LOC"));
    const QCommandLineOption shortReply(
        QStringLiteral("short-reply"),
        QStringLiteral("Fault: cut the read reply of LOC to LEN bytes (default 3, 0 = no "
                       "reply); repeatable."),
        QStringLiteral("LOC[:LEN]"));
    const QCommandLineOption outOfRange(
        QStringLiteral("out-of-range"),
        QStringLiteral("Fault: reads of LOC answer 161 (\"1610\"); repeatable."),
        QStringLiteral("LOC"));
    const QCommandLineOption mismatch(
        QStringLiteral("mismatch"),
        QStringLiteral("Fault: a write to LOC stores the value plus one, so its read-back "
                       "differs; repeatable."),
        QStringLiteral("LOC"));
    const QCommandLineOption delay(QStringLiteral("delay"),
                                   QStringLiteral("Fault: send every reply MS milliseconds late."),
                                   QStringLiteral("MS"));
    const QCommandLineOption noise(
        QStringLiteral("noise"),
        QStringLiteral("Fault: a noisy line; each byte, either way, has one bit changed with "
                       "probability RATE (0.001: one byte in a thousand), drawn from SEED "
                       "(default 1)."),
        QStringLiteral("RATE[:SEED]"));
    const QCommandLineOption hangUp(
        QStringLiteral("hangup-after"),
        QStringLiteral("Fault: answer N commands, then hang up the line when the next arrives."),
        QStringLiteral("N"));
    const QCommandLineOption link(
        QStringLiteral("link"),
        QStringLiteral("Also make PATH a symbolic link to the device, replacing an earlier link "
                       "but never a file; removed on exit while it still leads to this panel."),
        QStringLiteral("PATH"));
    const QCommandLineOption trace(QStringLiteral("trace"),
                                   QStringLiteral("Print every command received on standard "
                                                  "error."));
    parser.addOptions({pace, model, value, four, silent, wakeAfter, corruptAck, shortReply,
                       outOfRange, mismatch, delay, noise, hangUp, link, trace});
    const QCommandLineOption config(
        QStringLiteral("config"),
        QStringLiteral("Start with the 25 values of a configuration file in locations 0..24, "
                       "read and checked as nvx10config opens it; a file it refuses stops the "
                       "simulator with the cause. --value options apply on top."),
        QStringLiteral("FILE.qcf"));
    parser.addOption(config);
    parser.process(app);

    PanelSim sim;
    const auto fail = [](const QString& text) {
        std::fprintf(stderr, "nvx10-panel-sim: %s\n", qPrintable(text));
        return 2;
    };
    const auto number = [&](const QCommandLineOption& option, int& out) {
        bool ok = false;
        out = parser.value(option).toInt(&ok);
        return ok;
    };
    int n = 0;
    int m = 0;
    sim.setPacing(parser.isSet(pace));
    sim.setFourCharacterReplies(parser.isSet(four));
    sim.setSilent(parser.isSet(silent));
    if (parser.isSet(model)) {
        if (!number(model, n))
            return fail(QStringLiteral("--model needs a number"));
        sim.setModel(n);
    }
    QString refusal;
    if (parser.isSet(config) && !sim.loadConfiguration(parser.value(config), refusal))
        return fail(refusal);
    for (const QString& v : parser.values(value)) {
        if (!parsePair(v, QLatin1Char('='), n, m, true))
            return fail(QStringLiteral("--value needs LOC=VAL, not \"%1\"").arg(v));
        sim.setValue(n, m);
    }
    if (parser.isSet(wakeAfter)) {
        if (!number(wakeAfter, n) || n < 1)
            return fail(QStringLiteral("--wake-after needs a number from 1"));
        sim.setWakeAfter(n);
    }
    for (const QString& v : parser.values(corruptAck)) {
        if (!parsePair(v, QLatin1Char(':'), n, m, false))
            return fail(QStringLiteral("--corrupt-ack needs a location, not \"%1\"").arg(v));
        sim.setAckReply(n, QByteArrayLiteral("D001D"));
    }
    for (const QString& v : parser.values(shortReply)) {
        m = 3;
        if (!parsePair(v, QLatin1Char(':'), n, m, false) || m < 0 || m > 3)
            return fail(QStringLiteral("--short-reply needs LOC[:LEN] with LEN 0..3"));
        sim.setShortReply(n, m);
    }
    for (const QString& v : parser.values(outOfRange)) {
        if (!parsePair(v, QLatin1Char(':'), n, m, false))
            return fail(QStringLiteral("--out-of-range needs a location, not \"%1\"").arg(v));
        sim.setOutOfRange(n);
    }
    for (const QString& v : parser.values(mismatch)) {
        if (!parsePair(v, QLatin1Char(':'), n, m, false))
            return fail(QStringLiteral("--mismatch needs a location, not \"%1\"").arg(v));
        sim.setMismatch(n);
    }
    if (parser.isSet(delay)) {
        if (!number(delay, n) || n < 0)
            return fail(QStringLiteral("--delay needs milliseconds"));
        sim.setDelay(n);
    }
    if (parser.isSet(noise)) {
        const QStringList parts = parser.value(noise).split(QLatin1Char(':'));
        bool rateOk = false;
        bool seedOk = parts.size() == 1;
        const double rate = parts[0].toDouble(&rateOk);
        const uint seed = parts.size() == 2 ? parts[1].toUInt(&seedOk) : 1;
        if (!rateOk || !seedOk || rate < 0 || rate > 1 || parts.size() > 2)
            return fail(QStringLiteral("--noise needs RATE[:SEED] with RATE from 0 to 1"));
        sim.setNoise(rate, seed);
    }
    if (parser.isSet(hangUp)) {
        if (!number(hangUp, n) || n < 0)
            return fail(QStringLiteral("--hangup-after needs a number"));
        sim.setHangUpAfter(n);
    }

    if (!sim.start())
        return fail(QStringLiteral("cannot open a pseudo-terminal: %1").arg(sim.errorString()));

    // The link may replace a link left by an earlier run, never a file: a mistyped name must
    // not cost anyone a configuration file.
    const QString linkPath = parser.value(link);
    if (!linkPath.isEmpty()) {
        const QFileInfo existing(linkPath);
        if (existing.exists() && !existing.isSymLink())
            return fail(QStringLiteral("%1 exists and is not a symbolic link; it is left as it is")
                            .arg(linkPath));
        if (existing.isSymLink())
            QFile::remove(linkPath);
        if (!QFile::link(sim.devicePath(), linkPath))
            return fail(QStringLiteral("cannot make the link %1").arg(linkPath));
    }
    std::printf("%s\n", qPrintable(sim.devicePath()));
    std::fflush(stdout);

    if (parser.isSet(trace)) {
        QObject::connect(&sim, &PanelSim::commandReceived, [&sim](int number, char kind, int a) {
            if (kind == 'A')
                std::fprintf(stderr, "%d: wake-up\n", number);
            else if (kind == 'S')
                std::fprintf(stderr, "%d: write %d = %d\n", number, a, sim.value(a));
            else if (kind == 'V')
                std::fprintf(stderr, "%d: read %d = %d\n", number, a, sim.value(a));
            else
                std::fprintf(stderr, "%d: malformed command\n", number);
        });
    }
    QObject::connect(&sim, &PanelSim::lineHungUp,
                     [] { std::fprintf(stderr, "nvx10-panel-sim: line hung up\n"); });

    // Stop cleanly on Ctrl+C or a kill, so the link goes away with us.
    if (::pipe(signalPipe) == 0) {
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        std::signal(SIGHUP, onSignal);
        auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    }
    const int status = app.exec();
    // Only while it is still ours: someone may have pointed it elsewhere meanwhile.
    if (!linkPath.isEmpty() && QFileInfo(linkPath).isSymLink() &&
        QFile::symLinkTarget(linkPath) == sim.devicePath())
        QFile::remove(linkPath);
    return status;
}
