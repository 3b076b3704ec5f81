// The serial line around the operations: the port selector, a port that cannot be opened, a
// device that vanishes, a window closed while an operation waits, clicks that arrive during a
// wait, the progress bar and busy cursor, the serial trace, and the search for the panel
// across several ports.

#include "panel_rig.h"
#include "serial_trace.h"
#include "status_texts.h"
#include "widgets.h"

#include <QAccessible>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSemaphore>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include <sys/resource.h>

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void showAllNotAssigned(Form1& form) {
    for (const AssignmentItem& item : assignmentItems())
        QVERIFY(form.select(form.List(item.moduleList), 0));
}

// While the panel works: the busy cursor, and the selector locked.
void checkBusy(const PanelRig& rig) {
    QVERIFY(QGuiApplication::overrideCursor());
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::BusyCursor);
    QVERIFY(!rig.form->Combo1->isEnabled());
}

using Operation = void (PanelOperations::*)();
constexpr Operation read = &PanelOperations::READ_CONFIG_Click;
constexpr Operation write = &PanelOperations::WRITE_CONFIG_Click;
constexpr Operation compare = &PanelOperations::COMPARE_PANEL_Click;

QStringList traced;
// Runs on every trace line as it is written, for a test that acts at a point of the exchange.
std::function<void(const QString&)> onTraced;
void collectTrace(QtMsgType, const QMessageLogContext& context, const QString& message) {
    if (QByteArray(context.category) != "nvx.serial")
        return;
    traced << message;
    if (onTraced)
        onTraced(message);
}

// The serial trace of what `run` does, with the trace category on; the lines in `traced`.
template <typename Run> void traceOf(Run run) {
    const QtMessageHandler previous = qInstallMessageHandler(collectTrace);
    traced.clear();
    QLoggingCategory::setFilterRules(QStringLiteral("nvx.serial.debug=true"));
    run();
    QLoggingCategory::setFilterRules(QString());
    qInstallMessageHandler(previous);
}

// The events of a trace, without their time stamps.
QStringList traceEvents() {
    QStringList events;
    for (const QString& line : traced)
        events << line.section(QStringLiteral(" ms  "), 1);
    return events;
}

// One port on the list a search tries: a simulated panel set up as the row says, a port that
// does not exist, or a panel that another program holds open. A simulated panel may be one
// the system reports as a USB adapter, by its short name ("pts/3").
struct Peer {
    enum Kind { Sim, Missing, Held };
    Kind kind = Sim;
    SimSetup setup = [](PanelSim&) {};
    bool reported = false;
};
Peer panel(int model) {
    return {Peer::Sim, [model](PanelSim& s) { s.setModel(model); }};
}
Peer peer(SimSetup setup) {
    return {Peer::Sim, std::move(setup)};
}
const Peer silent = peer([](PanelSim& s) { s.setSilent(true); });
const Peer missing{Peer::Missing};
const Peer held{Peer::Held};

// A program in a process of its own that has `device` open (as its input) and does nothing.
std::unique_ptr<QProcess> holdElsewhere(const QString& device) {
    auto holder = std::make_unique<QProcess>();
    holder->setStandardInputFile(device);
    holder->start(QStringLiteral("sleep"), {QStringLiteral("60")});
    if (!holder->waitForStarted())
        qFatal("cannot start sleep");
    return holder;
}
// Reported ports come first in the list, before those only named.
Peer reported(Peer p) {
    p.reported = true;
    return p;
}

// The peers of a row, on real pseudo-terminals, the names the search opens them by and the
// names the bar gives them, and the ports the system reports among them.
struct Peers {
    std::vector<std::unique_ptr<PanelSim>> sims; // null for a missing port
    std::vector<std::unique_ptr<QSerialPort>> holders;
    QStringList paths;
    QStringList names;
    QList<SerialPortEntry> reported;

    explicit Peers(const QList<Peer>& peers) {
        for (const Peer& p : peers) {
            if (p.kind == Peer::Missing) {
                sims.emplace_back();
                paths << QStringLiteral("/dev/nvx-no-such-port-%1").arg(paths.size());
                names << paths.last();
                continue;
            }
            auto sim = std::make_unique<PanelSim>();
            if (!sim->start())
                qFatal("no pseudo-terminal: %s", qPrintable(sim->errorString()));
            p.setup(*sim);
            paths << sim->devicePath();
            if (p.reported)
                reported << adapterEntry(*sim);
            names << (p.reported ? reported.last().portName : paths.last());
            if (p.kind == Peer::Held) {
                holders.push_back(std::make_unique<QSerialPort>(sim->devicePath()));
                if (!holders.back()->open(QIODevice::ReadWrite))
                    qFatal("cannot hold %s", qPrintable(sim->devicePath()));
            }
            sims.push_back(std::move(sim));
        }
    }
    QByteArray received(int i) const { return sims[i] ? sims[i]->received() : QByteArray(); }
    // "{1}" in a row's text stands for the path of peer 1, or the name the bar gives it.
    QString fill(QString text, bool byName = false) const {
        for (int i = 0; i < paths.size(); ++i)
            text.replace(QStringLiteral("{%1}").arg(i), byName ? names[i] : paths[i]);
        return text;
    }
    QStringList fill(const QStringList& texts) const {
        QStringList out;
        for (const QString& t : texts)
            out << fill(t);
        return out;
    }
};

} // namespace

Q_DECLARE_METATYPE(Operation)
Q_DECLARE_METATYPE(Peer)

class TestPanelLink : public QObject {
    Q_OBJECT

private slots:
    void selectorChoosesThePort();
    void portCannotOpen_data();
    void portCannotOpen();
    void portInUse();
    void oneDeviceUnderTwoNames_data();
    void oneDeviceUnderTwoNames();
    void deviceVanishes_data();
    void deviceVanishes();
    void windowClosedDuringWait_data();
    void windowClosedDuringWait();
    void clicksDuringWaitStartNothing();
    void progress_data();
    void progress();
    void barTextsFit_data();
    void barTextsFit();
    void traceOfOneRead();
    void repliesInPieces_data();
    void repliesInPieces();
    void busyComputer_data();
    void busyComputer();
    void lineSettingsAsTheDeviceSeesThem();
    void nothingCarriedToTheNextOperation();
    void queuedCloseSparesTheNextOperation();
    void resourceErrorEndsTheOperation();
    void waitEndsWhenTheProgramExits();
    void lineFaults_data();
    void lineFaults();
    void echoingAdapter_data();
    void echoingAdapter();
    void findPanel_data();
    void findPanel();
    void traceOfOneSearch();
    void windowClosedDuringSearch();
};

// The port comes from the window's selector, which lists what the system reports afresh
// before each operation and keeps the chosen port even when it is gone.
void TestPanelLink::selectorChoosesThePort() {
    PanelRig rig;
    rig.operations->connectButtons();
    SerialPortEntry builtIn;
    builtIn.portName = QStringLiteral("nvx-ttyS9");
    builtIn.systemLocation = QStringLiteral("/dev/nvx-ttyS9"); // reported, but cannot open
    rig.reported = {builtIn, rig.simulatedAdapter()};
    rig.operations->portSelector().start({}); // the only USB adapter
    PortComboBox* combo = rig.form->Combo1;
    QCOMPARE(combo->count(), 3); // the practice panel last
    QCOMPARE(combo->currentText(), rig.simulatedAdapter().displayText());
    QVERIFY(combo->toolTip().contains(rig.sim.devicePath()));
    // A screen reader describes the selector by where its port is.
    QAccessibleInterface* selector = QAccessible::queryAccessibleInterface(combo);
    QVERIFY(selector->text(QAccessible::Description).contains(rig.sim.devicePath()));

    rig.sim.setValue(0, 37);
    rig.form->READ_CONFIG->click();
    QCOMPARE(rig.form->statusText(), QString::fromLatin1(texts::readSuccessful));
    QCOMPARE(rig.row(1), 4);

    // The other port, chosen by the user, cannot be opened: the box lists what exists.
    combo->setCurrentIndex(0);
    rig.sim.clearReceived();
    rig.form->WRITE_CONFIG->click();
    QCOMPARE(rig.form->statusText(), QString::fromLatin1(texts::portUnavailable));
    QVERIFY(rig.sim.received().isEmpty());
    QCOMPARE(rig.messages.shown.size(), 1);
    QVERIFY2(rig.messages.shown[0].text.contains(QStringLiteral("/dev/nvx-ttyS9")) &&
                 rig.messages.shown[0].text.contains(QStringLiteral("SIMULATED PANEL")),
             qPrintable(rig.messages.shown[0].text));

    // The adapter is pulled while chosen: it stays chosen, so the failure names it.
    combo->setCurrentIndex(1);
    rig.reported = {builtIn};
    combo->showPopup(); // the list is read afresh as it opens
    combo->hidePopup();
    QCOMPARE(combo->count(), 3);
    QCOMPARE(combo->currentData().toString(), rig.sim.devicePath());
    QVERIFY(combo->toolTip().contains(QStringLiteral("NOT REPORTED")));
    QVERIFY(selector->text(QAccessible::Description).contains(rig.sim.devicePath()));

    // It still answers here (a pseudo-terminal): the write goes to it.
    rig.form->WRITE_CONFIG->click();
    QCOMPARE(rig.form->statusText(), QString::fromLatin1(texts::programmed));
    QCOMPARE(rig.sim.value(0), 37);
    rig.checkIdle();

    // A port the system never listed, typed in: used, then listed as chosen.
    rig.reported = {builtIn};
    rig.operations->portSelector().start({});
    QCOMPARE(combo->currentData().toString(), builtIn.systemLocation);
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo->lineEdit(), rig.sim.devicePath());
    rig.form->READ_CONFIG->click();
    QCOMPARE(rig.form->statusText(), QString::fromLatin1(texts::readSuccessful));
    QCOMPARE(combo->count(), 3);
    QCOMPARE(combo->currentData().toString(), rig.sim.devicePath());

    // Listed beside the window, the ports come late: a read clicked before they are there
    // waits for them, sending nothing, then reads the port the start rule chose.
    QSemaphore listing;
    const QList<SerialPortEntry> late{builtIn, rig.simulatedAdapter()};
    Form1 window(rig.messages);
    SerialCommPort unnamed{QString()};
    PanelOperations operations(
        window, unnamed,
        [&] { return listing.tryAcquire(1, 10000) ? late : QList<SerialPortEntry>{}; }, {},
        PortSelector::Listing::InBackground);
    operations.link().setPeriodForTests(rig.period);
    QCOMPARE(window.Combo1->count(), 0);
    rig.sim.clearReceived();
    QTimer::singleShot(0, [&] {
        QCOMPARE(rig.sim.received(), QByteArray());
        listing.release(2); // the start's list, then the read's own
    });
    operations.READ_CONFIG_Click();
    QCOMPARE(window.statusText(), QString::fromLatin1(texts::readSuccessful));
    QCOMPARE(window.Combo1->currentData().toString(), rig.sim.devicePath());
    QCOMPARE(listing.available(), 0);

    // A start's list that comes after a later start is not taken; a selector that goes while
    // its ports are listed (the window closed at once) waits for the list, which lands nowhere.
    std::atomic<int> lists{0};
    const auto slowFirst = [&] {
        if (lists++ > 0)
            return late;
        QThread::msleep(50);
        return QList<SerialPortEntry>{builtIn};
    };
    {
        PortComboBox combo;
        PortSelector selector(combo, slowFirst);
        selector.start({}, PortSelector::Listing::InBackground);
        selector.start({});
        QCoreApplication::processEvents();
        QCOMPARE(selector.current(), rig.sim.devicePath());
        // A port chosen while the ports are listed is chosen from the list once it is there.
        lists = 0;
        selector.start({}, PortSelector::Listing::InBackground);
        selector.choose(practicePanelName);
        QCOMPARE(selector.current(), practicePanelName);
        lists = 0;
        selector.start({}, PortSelector::Listing::InBackground);
    }
    QCoreApplication::processEvents();
    QCOMPARE(lists, 1);
}

void TestPanelLink::portCannotOpen_data() {
    QTest::addColumn<bool>("write");
    QTest::addColumn<QString>("typed"); // into the selector; null: a missing port named at start
    QTest::newRow("read") << false << QString();
    QTest::newRow("write") << true << QString();
    // The box cleared: opened, a blank name would be the folder /dev.
    QTest::newRow("read, no port chosen") << false << "";
    QTest::newRow("write, a blank port name") << true << "   ";
}

void TestPanelLink::portCannotOpen() {
    QFETCH(bool, write);
    QFETCH(QString, typed);
    PanelRig rig;
    const QString missing = QStringLiteral("/dev/nvx-no-such-port");
    rig.operations->portSelector().start({missing});
    if (!typed.isNull())
        rig.form->Combo1->setEditText(typed);
    showAllNotAssigned(*rig.form);
    rig.form->Text(2)->setText(QStringLiteral("LOBBY"));

    if (write)
        rig.operations->WRITE_CONFIG_Click();
    else
        rig.operations->READ_CONFIG_Click();

    rig.checkIdle();
    QVERIFY(rig.sim.received().isEmpty());
    QCOMPARE(rig.form->statusColour(), Form1::red);
    if (!typed.isNull()) {
        QVERIFY(rig.messages.shown.isEmpty());
        QCOMPARE(rig.form->statusText(), QString::fromLatin1(texts::noPortChosen));
        QCOMPARE(rig.form->ProgressBar1->format(),
                 QStringLiteral("STOPPED: NO SERIAL PORT CHOSEN"));
        return;
    }
    QCOMPARE(rig.messages.shown.size(), 1);
    const QString text = rig.messages.shown[0].text;
    QVERIFY2(text.contains(missing), qPrintable(text));
    QVERIFY2(text.contains(QLatin1String("DOES NOT EXIST")), qPrintable(text));
    // The system's own words follow the reason.
    QVERIFY(!rig.port->errorString().isEmpty());
    QVERIFY2(text.contains(QLatin1Char('(') + rig.port->errorString() + QLatin1Char(')')),
             qPrintable(text));
    QVERIFY2(text.endsWith(QLatin1String("NO SERIAL PORT WAS FOUND ON THIS COMPUTER.")),
             qPrintable(text));
    QCOMPARE(rig.messages.shown[0].title, QString::fromLatin1(texts::portTitle));
    QCOMPARE(rig.form->statusText(), QString::fromLatin1(texts::portUnavailable));
    QCOMPARE(rig.form->ProgressBar1->format(), QStringLiteral("STOPPED: SERIAL PORT NOT OPENED"));
}

void TestPanelLink::portInUse() {
    PanelRig rig;
    QSerialPort other(rig.sim.devicePath());
    QVERIFY(other.open(QIODevice::ReadWrite));

    rig.operations->READ_CONFIG_Click();

    QCOMPARE(rig.messages.shown.size(), 1);
    const QString text = rig.messages.shown[0].text;
    QVERIFY2(text.contains(rig.sim.devicePath()), qPrintable(text));
    QVERIFY2(text.contains(QLatin1String("IN USE BY ANOTHER PROGRAM")), qPrintable(text));
    QCOMPARE(rig.form->statusText(), QString::fromLatin1(texts::portUnavailable));
    QCOMPARE(rig.form->statusColour(), Form1::red);
    QVERIFY(!rig.port->portOpen());

    // A program in another process that merely has the line open does not keep this one
    // out, but would take some of the panel's bytes: refused before anything is sent, named
    // in the box and on the bar, by a comparison (no box) on the bar, and by a search.
    other.close();
    const std::unique_ptr<QProcess> elsewhere = holdElsewhere(rig.sim.devicePath());
    const QString held = QStringLiteral("sleep (PROCESS %1)").arg(elsewhere->processId());
    showAllNotAssigned(*rig.form);
    for (const Operation operation : {read, compare}) {
        rig.messages.shown.clear();
        (rig.operations.get()->*operation)();
        QCOMPARE(rig.form->ProgressBar1->format(), "OPEN IN " + held + ": CLOSE IT, TRY AGAIN");
        const QString box = "THE PORT IS OPEN IN " + held + ": CLOSE IT, THEN TRY AGAIN.";
        QCOMPARE(rig.messages.texts().filter(box).size(), operation == read ? 1 : 0);
    }
    rig.operations->FIND_PANEL_Click();
    QCOMPARE(rig.form->ProgressBar1->toolTip(),
             rig.sim.devicePath() + ": NOT OPENED: OPEN IN " + held);
    QVERIFY(rig.sim.received().isEmpty());

    // Once the other program lets go, the port works again.
    elsewhere->kill();
    QVERIFY(elsewhere->waitForFinished());
    rig.messages.shown.clear();
    rig.sim.setModel(71);
    rig.operations->READ_CONFIG_Click();
    QCOMPARE(rig.sim.received(), wakeUps(1) + reads({63}));
}

void TestPanelLink::oneDeviceUnderTwoNames_data() {
    QTest::addColumn<bool>("linkFirst"); // the other program opened the link, we the device
    QTest::newRow("the link held, the device chosen") << true;
    QTest::newRow("the device held, the link chosen") << false;
}

// A device reached under two names (/dev/ttyUSB0 and its /dev/serial/by-id link) is one port:
// held under one name, it is in use under the other, for root too, whose opens the system
// does not refuse by itself.
void TestPanelLink::oneDeviceUnderTwoNames() {
    QFETCH(bool, linkFirst);
    PanelRig rig;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("usb-PANEL-if00"));
    QVERIFY(QFile::link(rig.sim.devicePath(), link));
    SerialCommPort other(linkFirst ? link : rig.sim.devicePath());
    QVERIFY(other.setPortOpen(true));
    const QString chosen = linkFirst ? rig.sim.devicePath() : link;
    rig.operations->portSelector().start({chosen});

    rig.operations->READ_CONFIG_Click();

    QCOMPARE(rig.form->statusText(), QString::fromLatin1(texts::portUnavailable));
    QCOMPARE(rig.messages.shown.size(), 1);
    const QString text = rig.messages.shown[0].text;
    QVERIFY2(text.contains(QStringLiteral("THE SERIAL PORT %1 COULD NOT BE OPENED").arg(chosen)),
             qPrintable(text));
    QVERIFY2(text.contains(QLatin1String("IN USE BY ANOTHER PROGRAM")), qPrintable(text));
    QVERIFY(rig.sim.received().isEmpty());
    rig.checkIdle();

    // Let go, the port works under the name chosen, and the trace names the device too.
    other.setPortOpen(false);
    rig.sim.setModel(71);
    traceOf([&] { rig.operations->READ_CONFIG_Click(); });
    QCOMPARE(rig.sim.received(), wakeUps(1) + reads({63}));
    const QString opened = linkFirst
                               ? QStringLiteral("open %1 at").arg(chosen)
                               : QStringLiteral("open %1 (%2) at").arg(link, rig.sim.devicePath());
    QVERIFY2(traced.join('\n').contains(opened), qPrintable(traced.join('\n')));
}

void TestPanelLink::deviceVanishes_data() {
    QTest::addColumn<bool>("write");
    QTest::addColumn<int>("answered");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("read, during the wake-up") << false << 0 << wakeUps(1);
    QTest::newRow("read, at location 1") << false << 3 << wakeUps(1) + reads({63, 0, 1});
    QTest::newRow("write, at the read-back of 1")
        << true << 5
        << wakeUps(1) + reads({63}) + protocol::writeCommand(0, 160) + reads({0}) +
               protocol::writeCommand(1, 160) + reads({1});
}

// The line drops in the middle of an operation (a pseudo-terminal closed, a USB adapter
// pulled): the operation ends at once with the port closed, and does not spin meanwhile.
void TestPanelLink::deviceVanishes() {
    QFETCH(bool, write);
    QFETCH(int, answered);
    QFETCH(QByteArray, wire);
    PanelRig rig;
    showAllNotAssigned(*rig.form);
    rig.sim.setHangUpAfter(answered);
    QSignalSpy hungUp(&rig.sim, &PanelSim::lineHungUp);
    // The device is opened by a name that goes with it, as a pulled adapter's does: the number
    // of a pseudo-terminal is soon another's.
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("ttyVANISHING"));
    QVERIFY(QFile::link(rig.sim.devicePath(), name));
    QObject::connect(&rig.sim, &PanelSim::lineHungUp, [&name] { QFile::remove(name); });
    rig.operations->portSelector().start({name});

    QElapsedTimer wall;
    wall.start();
    const double cpu = cpuSeconds();
    if (write)
        rig.operations->WRITE_CONFIG_Click();
    else
        rig.operations->READ_CONFIG_Click();
    const double cpuUsed = cpuSeconds() - cpu;
    const double elapsed = wall.nsecsElapsed() / 1e9;

    QCOMPARE(hungUp.size(), 1);
    QCOMPARE(rig.sim.received(), wire);
    QCOMPARE(rig.form->statusText(), QString::fromLatin1(texts::connectionLost));
    QCOMPARE(rig.form->statusColour(), Form1::red);
    QVERIFY(rig.port->deviceLost());
    QVERIFY(rig.messages.shown.isEmpty());
    rig.checkIdle();
    // Loose: a flood of errors would keep a core busy for the whole operation.
    QVERIFY2(cpuUsed < 0.5 * elapsed + 0.05,
             qPrintable(QStringLiteral("cpu %1 s in %2 s").arg(cpuUsed).arg(elapsed)));

    // The next attempt finds no port at all and says so.
    rig.operations->READ_CONFIG_Click();
    QCOMPARE(rig.form->statusText(), QString::fromLatin1(texts::portUnavailable));
    QCOMPARE(rig.messages.shown.size(), 1);
}

void TestPanelLink::windowClosedDuringWait_data() {
    QTest::addColumn<bool>("write");
    QTest::addColumn<int>("commands");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("bar");
    // A read is abandoned at once (at location 1, the second), which leaves the first read;
    // a write runs to its end: wake-up, model, 25 writes each read back, and the check with
    // the model location, the bar saying why the window stays open.
    QTest::newRow("read") << false << 4 << QString::fromLatin1(texts::abandoned)
                          << QStringLiteral("PARTLY READ: LOCATION 1, THE REST AS BEFORE");
    QTest::newRow("write") << true << 2 + 2 * 25 + 25 + 1 << QString::fromLatin1(texts::programmed)
                           << QStringLiteral("CLOSING \u2014 ALL 25 LOCATIONS VERIFIED");
}

// Closing the window while an operation waits: a read stops sending at once, a write never
// leaves the panel half written. Either way the port is closed and the window closes after.
void TestPanelLink::windowClosedDuringWait() {
    QFETCH(bool, write);
    QFETCH(int, commands);
    QFETCH(QString, status);
    QFETCH(QString, bar);
    PanelRig rig;
    for (const AssignmentItem& item : assignmentItems()) {
        QVERIFY(rig.form->select(rig.form->List(item.moduleList), 3));
        QVERIFY(rig.form->select(rig.form->List(item.channelList), 5));
    }
    rig.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
    // Closed at the read-back of the first location (the read of the second in a read);
    // closed again later, which changes nothing.
    const int closeAt = 4;
    const int closeAgainAt = 10;
    QStringList texts;
    const auto closer =
        QObject::connect(&rig.sim, &PanelSim::commandReceived, rig.form.get(), [&](int number) {
            if (number == closeAt || number == closeAgainAt) {
                rig.form->close();
                texts << rig.form->ProgressBar1->format();
            }
        });
    QObject::connect(rig.form->ProgressBar1, &QProgressBar::valueChanged,
                     [&] { texts << rig.form->ProgressBar1->format(); });

    if (write)
        rig.operations->WRITE_CONFIG_Click();
    else
        rig.operations->READ_CONFIG_Click();

    QCOMPARE(rig.sim.commandCount(), commands);
    QCOMPARE(rig.form->statusText(), status);
    QCOMPARE(rig.form->ProgressBar1->format(), bar);
    QVERIFY(rig.messages.shown.isEmpty());
    rig.checkIdle();
    if (write) {
        // From the close on, every step says the window closes once the write has ended.
        const QString closing = QStringLiteral("CLOSING AFTER THE WRITE \u2014 ");
        QStringList expected{QStringLiteral("WRITING LOCATION 1 OF 25"),
                             closing + QStringLiteral("LOCATION 1 OF 25")};
        for (int location = 2; location <= 25; ++location) {
            expected << closing + QStringLiteral("LOCATION %1 OF 25").arg(location);
            if (location == 4) // the second close, at the read-back of the fourth location
                expected << expected.last();
        }
        for (int location = 1; location <= 25; ++location)
            expected << closing + QStringLiteral("CHECKING LOCATION %1 OF 25").arg(location);
        expected << closing + QStringLiteral("CHECKING THE MODEL LOCATION")
                 << QStringLiteral("CLOSING \u2014 ALL 25 LOCATIONS VERIFIED");
        QCOMPARE(texts, expected);
    }
    if (write) {
        for (int address = 0; address < 22; ++address)
            QCOMPARE(rig.sim.value(address), 25); // C, channel 6
    }
    QTRY_VERIFY(!rig.form->isVisible());

    // The close has been carried out: shown again, the window works as before.
    QObject::disconnect(closer);
    rig.form->show();
    rig.operations->READ_CONFIG_Click();
    QCOMPARE(rig.form->statusText(), QString::fromLatin1(texts::readSuccessful));
}

// The buttons stay enabled; a click during a wait returns at once and sends nothing.
void TestPanelLink::clicksDuringWaitStartNothing() {
    PanelRig rig;
    rig.operations->connectButtons();
    rig.sim.setShortReply(2, 3);
    int clicks = 0;
    QObject::connect(&rig.sim, &PanelSim::commandReceived, rig.form.get(), [&](int number) {
        if (number != 3)
            return;
        rig.form->READ_CONFIG->click();
        rig.form->WRITE_CONFIG->click();
        rig.form->FIND_PANEL->click();
        ++clicks;
        QCOMPARE(rig.form->statusText(), QString::fromLatin1(texts::communicationsOk));
    });

    rig.form->READ_CONFIG->click();

    QCOMPARE(clicks, 1);
    QCOMPARE(rig.sim.received(), wakeUps(1) + reads({63, 0, 1, 2}));
    QCOMPARE(rig.form->statusText(), QString::fromLatin1(texts::badData));
    rig.checkIdle();
}

void TestPanelLink::progress_data() {
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<SimSetup>("setup");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<int>("reached"); // location steps shown, the 25 of a write's check included
    QTest::addColumn<int>("lastValue");
    QTest::addColumn<QString>("lastText");
    const SimSetup asItIs = [](PanelSim&) {};
    QTest::newRow("read") << read << asItIs << true << 25 << 26 << "ALL 25 LOCATIONS READ";
    QTest::newRow("write") << write << asItIs << true << 50 << 52 << "ALL 25 LOCATIONS VERIFIED";
    QTest::newRow("write failing at location 7")
        << write << SimSetup([](PanelSim& s) { s.setMismatch(7); }) << true << 8 << 8
        << "HALF WRITTEN: 1 TO 7 NEW, 8 IN DOUBT \u2014 WRITE AGAIN";
    QTest::newRow("write, the check failing at location 4")
        << write << SimSetup([](PanelSim& s) { s.setMisdirectedWrite(22, 3); }) << true << 29 << 29
        << "CHECK FAILED AT LOCATION 4 OF 25";
    // The items have been read, the intensities not: the window is a mix.
    QTest::newRow("read, intensity out of range")
        << read << SimSetup([](PanelSim& s) { s.setOutOfRange(24); }) << true << 25 << 0
        << "PARTLY READ: LOCATIONS 1 TO 22, THE REST AS BEFORE";
    QTest::newRow("panel silent") << read << SimSetup([](PanelSim& s) { s.setSilent(true); })
                                  << true << 0 << 0 << "STOPPED AT THE WAKE-UP";
    // After the mismatch box the bar names what answered, as a result, not a stop.
    QTest::newRow("another model") << write << SimSetup([](PanelSim& s) { s.setModel(71); }) << true
                                   << 0 << 52 << "A MODEL 71 PANEL ANSWERED \u2014 NOT WRITTEN";
    QTest::newRow("another device answers the wake-up")
        << read << SimSetup([](PanelSim& s) { s.setWakeReply("OK\r\n"); }) << true << 0 << 26
        << "AN ANSWER THAT IS NOT THE PANEL'S ON {port}";
    QTest::newRow("write refused: data incomplete")
        << write << asItIs << false << 0 << 0 << "NOTHING TO WRITE: READ A PANEL OR OPEN A FILE";
    // A comparison reads as a read does, and ends with a result.
    QTest::newRow("compare") << compare << asItIs << true << 25 << 26
                             << "THE PANEL HOLDS WHAT THE WINDOW SHOWS";
}

// The bar counts the model location and the 25 locations in order (a write's check after
// them), names the one being worked on (counted from 1), and stays where a failure stopped it
// until the next operation begins.
void TestPanelLink::progress() {
    QFETCH(Operation, operation);
    QFETCH(SimSetup, setup);
    QFETCH(bool, complete);
    QFETCH(int, reached);
    QFETCH(int, lastValue);
    QFETCH(QString, lastText);
    PanelRig rig;
    lastText.replace(QLatin1String("{port}"), rig.sim.devicePath());
    if (complete)
        showAllNotAssigned(*rig.form);
    setup(rig.sim);
    // What an earlier operation left must not survive the start of this one.
    rig.form->ProgressBar1->setFormat(QStringLiteral("STOPPED AT LOCATION 3 OF 25"));
    rig.form->ProgressBar1->setValue(1);
    QStringList steps;
    QObject::connect(rig.form->ProgressBar1, &QProgressBar::valueChanged, [&](int value) {
        steps << QStringLiteral("%1 %2").arg(value).arg(rig.form->ProgressBar1->format());
    });
    int busyChecks = 0;
    QObject::connect(&rig.sim, &PanelSim::commandReceived, rig.form.get(), [&] {
        checkBusy(rig);
        ++busyChecks;
    });

    (rig.operations.get()->*operation)();

    const bool reading = operation != write;
    QStringList expected{QStringLiteral("0 OPENING THE SERIAL PORT")};
    for (int step = 0; step < reached; ++step)
        expected << QStringLiteral("%1 %2 LOCATION %3 OF 25")
                        .arg(step + 1)
                        .arg(step >= 25 ? "CHECKING"
                             : reading  ? "READING"
                                        : "WRITING")
                        .arg(step % 25 + 1);
    int shown = reached;
    if (!reading && reached == 50) // the check ends at the model location
        expected << QStringLiteral("%1 CHECKING THE MODEL LOCATION").arg(++shown);
    if (lastValue != shown)
        expected << QStringLiteral("%1 %2").arg(lastValue).arg(lastText);
    QCOMPARE(steps, expected);
    QCOMPARE(rig.form->ProgressBar1->value(), lastValue);
    QCOMPARE(rig.form->ProgressBar1->maximum(), reading ? 26 : 52);
    QCOMPARE(rig.form->ProgressBar1->format(), lastText);
    // A screen reader is given the bar's words as well as its number.
    QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(rig.form->ProgressBar1);
    QCOMPARE(bar->text(QAccessible::Description).section('\n', 0, 0), lastText);
    QCOMPARE(bar->valueInterface()->currentValue().toInt(), lastValue);
    // The status line's outcome is what the reader is told, wherever its keyboard is; where
    // it holds none (a comparison, the mismatch box's yellow), the bar's. A panel left half
    // written is said too.
    const bool statusTells = operation != compare && rig.form->statusColour() != Form1::yellow;
    QString said = statusTells ? rig.form->statusText() : lastText;
    if (statusTells && lastText.startsWith(QLatin1String("HALF WRITTEN")))
        said += '\n' + rig.form->ProgressBar1->toolTip(); // PANEL HALF WRITTEN: ..., whole
    QCOMPARE(rig.announced(), said);
    QCOMPARE(busyChecks, rig.sim.commandCount());
    rig.checkIdle();
}

using ProgressSteps = std::function<void(OperationProgress&)>;
Q_DECLARE_METATYPE(ProgressSteps)
using Tone = OutcomeBar::Tone;
Q_DECLARE_METATYPE(Tone)

namespace {

// The contrast ratio of two colours as the accessibility guidelines (WCAG 2) define it.
double contrast(const QColor& a, const QColor& b) {
    const auto luminance = [](const QColor& c) {
        const auto linear = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

void TestPanelLink::barTextsFit_data() {
    using S = OperationProgress::Step;
    using K = OperationProgress::Kind;
    using T = OutcomeBar::Tone;
    QTest::addColumn<ProgressSteps>("steps");
    QTest::addColumn<QString>("text"); // a piece of what the bar must show whole
    QTest::addColumn<Tone>("tone");
    const auto at = [](K kind, S step, int address, bool closing, bool stop) {
        return ProgressSteps([=](OperationProgress& p) {
            p.begin(kind);
            p.at(step, address);
            if (closing)
                p.closing();
            if (stop)
                p.stopped();
        });
    };
    QTest::newRow("writing") << at(K::Write, S::Location, 24, false, false) << "25 OF 25"
                             << T::Neutral;
    QTest::newRow("stopped, port")
        << at(K::Read, S::OpeningPort, 0, false, true) << "NOT OPENED" << T::Attention;
    QTest::newRow("stopped, no port") << at(K::Write, S::ChoosingPort, 0, false, true)
                                      << "STOPPED: NO SERIAL PORT CHOSEN" << T::Attention;
    QTest::newRow("closing, model location") << at(K::Write, S::ModelLocation, 0, true, false)
                                             << "READING THE MODEL LOCATION" << T::Neutral;
    QTest::newRow("closing, wake-up")
        << at(K::Write, S::WakingPanel, 0, true, false) << "WAKING THE PANEL" << T::Neutral;
    QTest::newRow("closing, location 12") << at(K::Write, S::Location, 11, true, false)
                                          << "WRITE \u2014 LOCATION 12 OF 25" << T::Neutral;
    QTest::newRow("closing, stopped") << at(K::Write, S::Location, 24, true, true)
                                      << "CLOSING \u2014 HALF WRITTEN: 1 TO 24 NEW" << T::Attention;
    QTest::newRow("half written, three in doubt") << ProgressSteps([](OperationProgress& p) {
        p.begin(K::Write);
        p.at(S::Location, 22);
        p.written(24);
        p.stopped();
    }) << "HALF WRITTEN: 1 TO 22 NEW, 23 TO 25 IN DOUBT \u2014 WRITE AGAIN"
                                                  << T::Attention;
    QTest::newRow("closing, verified")
        << at(K::Write, S::Finished, 0, true, false) << "ALL 25 LOCATIONS VERIFIED" << T::Success;
    QTest::newRow("closing, checking") << at(K::Write, S::Checking, 24, true, false)
                                       << "WRITE \u2014 CHECKING LOCATION 25 OF 25" << T::Neutral;
    QTest::newRow("closing, check stopped") << at(K::Write, S::Checking, 24, true, true)
                                            << "CHECK STOPPED AT LOCATION 25 OF 25" << T::Attention;
    QTest::newRow("closing, check failed at the model") << ProgressSteps([](OperationProgress& p) {
        p.begin(K::Write);
        p.at(S::CheckingModel);
        p.closing();
        p.otherValue();
        p.stopped();
    }) << "CLOSING \u2014 CHECK FAILED AT THE MODEL LOCATION"
                                                        << T::Attention;
    QTest::newRow("partly read") << ProgressSteps([](OperationProgress& p) {
        p.partlyRead(22, "STOPPED AT LOCATION 24 OF 25");
    }) << "PARTLY READ: LOCATIONS 1 TO 22, THE REST AS BEFORE"
                                 << T::Attention;
    // A search's texts with a port name as long as a stable name of an adapter that is not
    // plugged in: the name is shortened, the words after it keep their line.
    const QString longName =
        QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    const auto looking = [longName](bool stop) {
        return ProgressSteps([=](OperationProgress& p) {
            p.begin(K::Find);
            p.lookingAt(p.barName(longName), 12, 12);
            if (stop)
                p.stopped();
        });
    };
    const auto searched = [longName](search::PortResult::Kind kind, int ports,
                                     CommPort::OpenFailure failure = CommPort::OpenFailure::None) {
        return ProgressSteps([=](OperationProgress& p) {
            p.begin(K::Find);
            QList<search::PortResult> results;
            for (int i = 0; i < ports; ++i) {
                search::PortResult port;
                port.port = longName;
                port.name = p.barName(longName);
                port.kind = kind;
                port.model = 255;
                port.failure = failure;
                results << port;
            }
            const search::Decision decision = search::decide(results);
            p.searched(decision.text, decision.toolTip, !decision.chosen.isEmpty());
        });
    };
    using R = search::PortResult::Kind;
    QTest::newRow("looking, long name") << looking(false) << ", 12 OF 12" << T::Neutral;
    QTest::newRow("search stopped, long name") << looking(true) << ", 12 OF 12" << T::Attention;
    QTest::newRow("found, long name")
        << searched(R::Found, 1) << "PANEL FOUND ON /dev/" << T::Success;
    QTest::newRow("another model, long name")
        << searched(R::OtherModel, 1) << "MODEL 255 PANEL" << T::Attention;
    QTest::newRow("no model number, long name")
        << searched(R::NoModel, 1) << "NUMBER ON /dev/" << T::Attention;
    QTest::newRow("12 ports, none opened")
        << searched(R::NotOpened, 12) << "ON 12 PORTS; REFUSED ON 12" << T::Attention;
    QTest::newRow("12 ports, permission denied")
        << searched(R::NotOpened, 12, CommPort::OpenFailure::NoPermission)
        << "ON 12 PORTS; PERMISSION DENIED ON 12" << T::Attention;
    QTest::newRow("a port another program has open") << ProgressSteps([](OperationProgress& p) {
        p.begin(K::Read);
        p.result("OPEN IN ModemManager (PROCESS 4194304): CLOSE IT, TRY AGAIN", T::Attention);
    }) << "OPEN IN ModemManager (PROCESS 4194304): CLOSE IT, TRY AGAIN"
                                                     << T::Attention;
    QTest::newRow("file opened") << ProgressSteps([](OperationProgress& p) {
        p.fileOpened("/home/tech/east-wing.qcf");
    }) << "OPENED east-wing.qcf \u2014 NOT WRITTEN TO THE PANEL"
                                 << T::Neutral;
    // A name longer than the bar is shortened in its middle; its ends stay.
    QTest::newRow("file with a long name opened") << ProgressSteps([](OperationProgress& p) {
        p.fileOpened("/srv/jobs/" + QString(80, 'x') + "-FLOOR-3-CONFERENCE-ROOM-B.qcf");
    }) << "ROOM-B.qcf \u2014 NOT WRITTEN TO THE PANEL"
                                                  << T::Neutral;
}

// Whatever the bar says is readable whole: at most two lines, inside the bar's margins, dark
// on light at 4.5:1 or more over its filled and its empty part; and a success never looks
// like anything else. Each text is laid out at its longest, marked as the practice panel's:
// without the mark ahead of it, it needs no more lines.
void TestPanelLink::barTextsFit() {
    QFETCH(ProgressSteps, steps);
    QFETCH(QString, text);
    QFETCH(Tone, tone);
    PanelRig rig;
    OutcomeBar* bar = rig.form->ProgressBar1;
    rig.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
    OperationProgress progress(*bar);
    progress.setPractice(true);
    steps(progress);
    QVERIFY2(bar->format().contains(text), qPrintable(bar->format()));
    QVERIFY(bar->format().startsWith(QStringLiteral("PRACTICE PANEL \u2014 ")));
    QCOMPARE(bar->tone(), tone);
    const OutcomeBar::Look look = OutcomeBar::look(tone);
    QVERIFY2(contrast(look.text, look.fill) >= 4.5, qPrintable(look.fill.name()));
    QVERIFY2(contrast(look.text, look.empty) >= 4.5, qPrintable(look.empty.name()));
    for (const Tone other : {Tone::Neutral, Tone::Success, Tone::Attention}) {
        const OutcomeBar::Look seen = OutcomeBar::look(other);
        if ((other == Tone::Success) != (tone == Tone::Success))
            QVERIFY(seen.fill != look.fill && seen.border != look.border);
    }
    // A result that is no success shows as one even with nothing of the bar filled.
    if (tone == Tone::Attention) {
        QVERIFY(look.empty != OutcomeBar::look(Tone::Success).empty);
        QVERIFY(look.borderWidth > OutcomeBar::look(Tone::Success).borderWidth);
    }
    const QRect inside = bar->textRect();
    const QFontMetrics metrics(bar->font());
    const QRect needed =
        metrics.boundingRect(inside, Qt::AlignCenter | Qt::TextWordWrap, bar->format());
    QVERIFY2(needed.width() <= inside.width() && needed.height() <= inside.height() &&
                 needed.height() < 3 * metrics.lineSpacing(),
             qPrintable(QStringLiteral("\"%1\" needs %2x%3 in %4x%5")
                            .arg(bar->format())
                            .arg(needed.width())
                            .arg(needed.height())
                            .arg(inside.width())
                            .arg(inside.height())));
}

// With the category on, the trace holds the port and its settings, exactly the commands and
// replies on the wire, each stamped with the time since the operation began, and the outcome.
// It is off by default.
void TestPanelLink::traceOfOneRead() {
    PanelRig rig;
    rig.sim.setValue(0, 37);
    const QtMessageHandler previous = qInstallMessageHandler(collectTrace);
    traced.clear();
    rig.operations->READ_CONFIG_Click();
    QVERIFY(traced.isEmpty());

    QLoggingCategory::setFilterRules(QStringLiteral("nvx.serial.debug=true"));
    rig.operations->READ_CONFIG_Click();
    QLoggingCategory::setFilterRules(QString());
    qInstallMessageHandler(previous);

    QStringList expected{
        QStringLiteral("READ CONFIGURATION FROM SWITCH PANEL"),
        QStringLiteral("open %1 at 9600,N,8,1, no flow control").arg(rig.sim.devicePath()),
        QStringLiteral("> A"),
        QStringLiteral("< D000D"),
        QStringLiteral("> V\\x00?00V"),
        QStringLiteral("< 0700\\r")};
    for (int address = 0; address <= 24; ++address) {
        const int value = address == 0 ? 37 : address < 22 ? 160 : 10;
        expected << QStringLiteral("> ") + escapedBytes(protocol::readCommand(address))
                 << QStringLiteral("< %1\\r").arg(value * 10, 4, 10, QLatin1Char('0'));
    }
    expected << QStringLiteral("end: SWITCH PANEL DATA READ SUCCESSFUL; ALL 25 LOCATIONS READ");
    QStringList events;
    qint64 last = 0;
    for (const QString& line : traced) {
        // "   105 ms  > A": milliseconds since the operation began, never going back.
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("^ *(\\d+) ms  (.*)$")).match(line);
        QVERIFY2(m.hasMatch(), qPrintable(line));
        QVERIFY(m.captured(1).toLongLong() >= last);
        last = m.captured(1).toLongLong();
        events << m.captured(2);
    }
    QCOMPARE(events, expected);
    // 27 pauses of a period each: the stamps count real time, not microseconds.
    QVERIFY2(last >= 26 * rig.period, qPrintable(traced.last()));

    // The practice panel, paced as a real line, is named before its line is opened, and at the
    // end by the bar's mark.
    rig.operations->link().setPeriodForTests(rig.period, 1000);
    rig.operations->portSelector().choose(QStringLiteral("PRACTICE PANEL (SIMULATED)"));
    traceOf([&] { rig.operations->READ_CONFIG_Click(); });
    QCOMPARE(traceEvents().mid(1, 2),
             QStringList({"PRACTICE PANEL (SIMULATED): a panel simulated inside this program, "
                          "paced as a 9600 baud line",
                          "open PRACTICE PANEL (SIMULATED) at 9600,N,8,1, no flow control"}));
    QVERIFY(traceEvents().last().endsWith("; PRACTICE PANEL \u2014 ALL 25 LOCATIONS READ"));
}

// Replies that do not arrive in one piece: a real 9600 baud line delivers a byte every
// millisecond, and an adapter may hand over part of a reply and the rest later. A wait ends on
// a whole reply, never on its first bytes.
void TestPanelLink::repliesInPieces_data() {
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<bool>("paced");
    QTest::addColumn<int>("splitAt");
    for (const auto& [name, operation] : {std::pair{"read", read}, std::pair{"write", write}}) {
        QTest::addRow("%s, paced at 9600 baud", name) << operation << true << 0;
        for (int at = 1; at <= 4; ++at)
            QTest::addRow("%s, split after %d bytes", name, at) << operation << false << at;
    }
}

void TestPanelLink::repliesInPieces() {
    QFETCH(Operation, operation);
    QFETCH(bool, paced);
    QFETCH(int, splitAt);
    // A paced panel takes about 12 ms for a command and its reply, a split one 3 ms between
    // the pieces: a generous reply wait keeps a busy computer from making them late.
    PanelRig rig(testPeriod, 20 * testPeriod);
    rig.sim.setPacing(paced);
    rig.sim.setReplySplit(splitAt, 3);
    QList<QByteArray> pieces;
    QObject::connect(&rig.sim, &PanelSim::lineWritten, [&](const QByteArray& b) { pieces << b; });
    for (int location = 0; location < 22; ++location) {
        rig.sim.setValue(location, (10 * location + location % 10) % 160);
        showCode(*rig.form, location, rig.sim.value(location));
    }

    (rig.operations.get()->*operation)();

    // Replies did come in pieces (a busy computer may join a few, not all).
    QVERIFY(paced || std::any_of(pieces.cbegin(), pieces.cend(),
                                 [splitAt](const QByteArray& b) { return b.size() == splitAt; }));
    const bool reading = operation == read;
    QCOMPARE(rig.form->statusText(),
             QString::fromLatin1(reading ? texts::readSuccessful : texts::programmed));
    QVERIFY(rig.messages.shown.isEmpty());
    rig.checkItemsAsThePanelHolds();
    rig.checkIdle();
}

// The settings the device itself holds while an operation runs, whatever the program's own
// trace says: 9600 baud, 8 data bits, no parity, 1 stop bit, no flow control of either kind.
void TestPanelLink::lineSettingsAsTheDeviceSeesThem() {
    PanelRig rig;
    QList<PanelSim::LineSettings> seen;
    QObject::connect(&rig.sim, &PanelSim::commandReceived, rig.form.get(),
                     [&] { seen << rig.sim.lineSettings(); });
    rig.sim.setModel(71);
    rig.operations->READ_CONFIG_Click();
    QCOMPARE(seen.size(), 2);
    for (const PanelSim::LineSettings& line : seen) {
        QCOMPARE(line.baud, 9600);
        QCOMPARE(line.dataBits, 8);
        QCOMPARE(line.parity, 'N');
        QCOMPARE(line.stopBits, 1);
        QVERIFY(!line.hardwareFlow);
        QVERIFY(!line.softwareFlow);
    }
}

// One operation's end leaves nothing behind for the next on the same window and port name: a
// failed location, or a device that vanished and came back.
void TestPanelLink::nothingCarriedToTheNextOperation() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString name = dir.filePath(QStringLiteral("ttyPANEL"));
    PanelRig rig;
    QVERIFY(QFile::link(rig.sim.devicePath(), name));
    rig.operations->portSelector().start({name});

    rig.sim.setShortReply(5, 2);
    rig.operations->READ_CONFIG_Click();
    QCOMPARE(rig.form->statusText(), QString::fromLatin1(texts::badData));
    rig.sim.setShortReply(5, 5);
    rig.operations->READ_CONFIG_Click();
    QCOMPARE(rig.form->statusText(), QString::fromLatin1(texts::readSuccessful));

    // The adapter is pulled during a read and plugged back in under the same name.
    rig.sim.setHangUpAfter(rig.sim.commandCount() + 3);
    rig.operations->READ_CONFIG_Click();
    QCOMPARE(rig.form->statusText(), QString::fromLatin1(texts::connectionLost));
    PanelSim replugged;
    QVERIFY(replugged.start());
    QVERIFY(QFile::remove(name) && QFile::link(replugged.devicePath(), name));
    replugged.setValue(3, 37);
    rig.operations->READ_CONFIG_Click();
    QCOMPARE(rig.form->statusText(), QString::fromLatin1(texts::readSuccessful));
    QCOMPARE(rig.row(7), 4);
    rig.checkIdle();
}

// A device that vanishes closes the port from the event loop, after the failure has been
// reported; by then the next operation may have opened the port again, even before the event
// loop turned. That open is left alone.
void TestPanelLink::queuedCloseSparesTheNextOperation() {
    PanelRig rig;
    rig.sim.setHangUpAfter(2);
    rig.operations->READ_CONFIG_Click();
    QCOMPARE(rig.form->statusText(), QString::fromLatin1(texts::connectionLost));

    PanelSim healthy;
    QVERIFY(healthy.start());
    rig.operations->portSelector().start({healthy.devicePath()});
    rig.operations->READ_CONFIG_Click();
    QCOMPARE(rig.form->statusText(), QString::fromLatin1(texts::readSuccessful));
    QCOMPARE(healthy.received(), wakeUps(1) + reads({63}) + readsFromTo(0, 24));
    rig.checkIdle();
}

// What a pulled USB adapter raises (a pseudo-terminal's hang-up raises another error): the
// operation ends at once, the port closed, and nothing more is sent.
void TestPanelLink::resourceErrorEndsTheOperation() {
    PanelRig rig;
    QObject::connect(&rig.sim, &PanelSim::commandReceived, rig.form.get(), [&](int number) {
        if (number == 4)
            emit rig.port->device().errorOccurred(QSerialPort::ResourceError);
    });
    showAllNotAssigned(*rig.form);
    rig.operations->WRITE_CONFIG_Click();
    QCOMPARE(rig.form->statusText(), QString::fromLatin1(texts::connectionLost));
    QCOMPARE(rig.sim.commandCount(), 4);
    QVERIFY(rig.port->deviceLost());
    rig.checkIdle();
}

// Once the program has been told to exit, an event loop returns at once without running
// anything: a wait can never end. The operation is abandoned instead of spinning for ever.
void TestPanelLink::waitEndsWhenTheProgramExits() {
    PanelRig rig;
    QObject::connect(&rig.sim, &PanelSim::commandReceived, rig.form.get(), [](int number) {
        if (number == 3)
            QCoreApplication::exit(0);
    });
    // Should the wait spin, it never returns to the test: end the test program instead.
    std::atomic<bool> done{false};
    std::thread watchdog([&done] {
        for (int i = 0; i < 200 && !done; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (!done)
            qFatal("the panel read did not end after the program was told to exit");
    });
    rig.operations->READ_CONFIG_Click();
    done = true;
    watchdog.join();

    QCOMPARE(rig.form->statusText(), QString::fromLatin1(texts::abandoned));
    QCOMPARE(rig.sim.commandCount(), 3);
    rig.checkIdle();
    // Event loops run again for the tests that follow.
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

namespace {

// Distinct codes for the 22 items, so that a value shifted by one location shows.
int codeAt(int location) {
    return (10 * location + location % 10 + 3) % 160;
}

// The panel and the window hold the same distinct configuration.
void distinctConfiguration(PanelRig& rig) {
    for (int location = 0; location < 22; ++location) {
        rig.sim.setValue(location, codeAt(location));
        showCode(*rig.form, location, codeAt(location));
    }
}

} // namespace

void TestPanelLink::lineFaults_data() {
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<SimSetup>("setup");
    QTest::addColumn<int>("strayAt"); // the read whose answer stray bytes follow, -1 for none
    QTest::addColumn<QByteArray>("stray");
    QTest::addColumn<int>("stopsAt");   // the location the operation ends red at, -1 for none
    QTest::addColumn<QString>("piece"); // a piece of the trace, or empty
    const SimSetup asItIs = [](PanelSim&) {};
    // The stray bytes follow the first two answers of strayAt, not only the first.
    const SimSetup twice = [](PanelSim& s) { s.setProperty("strays", 2); };
    const auto reply = [](int location) {
        return QByteArray::number(codeAt(location) * 10).rightJustified(4, '0') + '\r';
    };
    // Bytes that answer nothing, between two commands: dropped, and the operation is exact.
    QTest::newRow("read, a stray reply after 5")
        << read << asItIs << 5 << QByteArray("1600\r") << -1 << "discarded: 1600\\r";
    QTest::newRow("read, stray digits after 3")
        << read << asItIs << 3 << QByteArray("12") << -1 << "discarded: 12";
    QTest::newRow("read, noise after 21")
        << read << asItIs << 21 << QByteArray("\xff\x13") << -1 << "discarded: \\xFF\\x13";
    QTest::newRow("write, a stray reply after the read-back of 4")
        << write << asItIs << 4 << QByteArray("0450\r") << -1 << "discarded: 0450\\r";
    // A reply doubled as the next location is asked is taken as that location's answer; the
    // real one comes after it and puts it in doubt. Read again, it differs: the answer before
    // it may have been out of step too, and is read again as well. The read is exact.
    QTest::newRow("read, a reply doubled as the next location is asked")
        << read << SimSetup([](PanelSim& s) { s.setRepeatedLate(5); }) << -1 << QByteArray() << -1
        << "in doubt: the answer of location 5; asked again";
    QTest::newRow("read, the last reply doubled before the success")
        << read << asItIs << 24 << QByteArray("0100\r") << -1
        << "in doubt: the answer of location 24; asked again";
    QTest::newRow("write, stray bytes again after the read-back of 4 read once more")
        << write << twice << 4 << QByteArray("0450\r") << 4 << "in doubt again: location 4 fails";
    // Doubled ahead of an acknowledgement, it spoils the acknowledgement.
    QTest::newRow("write, a read-back doubled as the next location is written")
        << write << SimSetup([](PanelSim& s) { s.setRepeatedLate(7); }) << -1 << QByteArray() << 8
        << "";
    QTest::newRow("read, a digit lost at 9")
        << read << SimSetup([=](PanelSim& s) { s.setReadReply(9, reply(9).remove(1, 1)); }) << -1
        << QByteArray() << 9 << "";
    // Bytes inside an answer: the location fails, nothing after it is touched.
    QTest::newRow("read, a reply sent twice at 5")
        << read << SimSetup([](PanelSim& s) { s.setRepeatedReply(5); }) << -1 << QByteArray() << 5
        << "";
    QTest::newRow("read, stray bytes before the answer at 12")
        << read << SimSetup([=](PanelSim& s) { s.setReadReply(12, "\x13" + reply(12)); }) << -1
        << QByteArray() << 12 << "";
    QTest::newRow("read, stray digit after the answer at 20")
        << read << SimSetup([=](PanelSim& s) { s.setReadReply(20, reply(20) + '7'); }) << -1
        << QByteArray() << 20 << "";
    QTest::newRow("read, two answers at 24")
        << read << SimSetup([](PanelSim& s) { s.setReadReply(24, "0100\r0100\r"); }) << -1
        << QByteArray() << 24 << "";
    QTest::newRow("write, a read-back sent twice at 7")
        << write << SimSetup([](PanelSim& s) { s.setRepeatedReply(7); }) << -1 << QByteArray() << 7
        << "";
    QTest::newRow("write, an acknowledgement sent twice at 9")
        << write << SimSetup([](PanelSim& s) { s.setAckReply(9, "D000DD000D"); }) << -1
        << QByteArray() << 9 << "";
    QTest::newRow("write, noise before the acknowledgement at 15")
        << write << SimSetup([](PanelSim& s) { s.setAckReply(15, QByteArray("\x13") + "D000D"); })
        << -1 << QByteArray() << 15 << "";
    // Bytes once more after the answer read again, or while the answers before it are read
    // again, leave nothing that stands: the location fails.
    QTest::newRow("read, stray bytes again after the answer read once more at 7")
        << read << twice << 7 << QByteArray("\x13") << 7 << "in doubt again: location 7 fails";
    QTest::newRow("read, noise while the answer before 5 is read again")
        << read << SimSetup([](PanelSim& s) { s.setRepeatedLate(4), s.setProperty("strays", 2); })
        << 5 << QByteArray("\x13") << 5 << "in doubt again: location 5 fails";
    // A comparison reads as a read does: it compares only what it read whole.
    QTest::newRow("compare, a stray reply after 5, the dimmed intensity changed")
        << compare << SimSetup([](PanelSim& s) { s.setValue(24, 2); }) << 5 << QByteArray("1600\r")
        << -1 << "differs: DIMMED BACKLIGHTING AND INDICATOR: WINDOW 100 %, PANEL 40 %";
    QTest::newRow("compare, a digit lost at 9")
        << compare << SimSetup([=](PanelSim& s) { s.setReadReply(9, reply(9).remove(1, 1)); }) << -1
        << QByteArray() << 9 << "";
}

// A line that misbehaves as real lines do never ends green with a value the panel does not
// hold: a location with more than its answer fails there, and bytes between answers are
// dropped, not taken as the start of the next answer.
void TestPanelLink::lineFaults() {
    QFETCH(Operation, operation);
    QFETCH(SimSetup, setup);
    QFETCH(int, strayAt);
    QFETCH(QByteArray, stray);
    QFETCH(int, stopsAt);
    QFETCH(QString, piece);
    PanelRig rig;
    distinctConfiguration(rig);
    if (operation == read) {
        for (int list = 1; list <= 43; list += 2) // the window shows nothing before the read
            QVERIFY(rig.form->select(rig.form->List(list), -1));
    }
    setup(rig.sim);
    // Stray bytes arrive once the answer to the read of `strayAt` has been taken, before the
    // next command: whatever the timing of the computer, they belong to no command.
    const QString readCommand = QLatin1String("> ") + escapedBytes(protocol::readCommand(strayAt));
    bool armed = false;
    int injected = 0; // mostly once: the location read again finds the line quiet
    const int strays =
        rig.sim.property("strays").isValid() ? rig.sim.property("strays").toInt() : 1;
    onTraced = [&](const QString& line) {
        if (line.endsWith(readCommand))
            armed = injected < strays;
        else if (armed && line.contains(QLatin1String("  < "))) {
            rig.sim.inject(stray);
            armed = false;
            ++injected;
        }
    };
    traceOf([&] { (rig.operations.get()->*operation)(); });
    onTraced = nullptr;

    if (operation == compare) {
        // The status line is left alone; only a whole read is compared and marked.
        QVERIFY(rig.form->Text1->isHidden());
        QCOMPARE(rig.form->ProgressBar1->format(),
                 stopsAt < 0 ? QStringLiteral("THE PANEL DIFFERS AT 1 OF 25 LOCATIONS")
                             : QStringLiteral("STOPPED AT LOCATION %1 OF 25").arg(stopsAt + 1));
        QCOMPARE(rig.form->isMarked(46), stopsAt < 0); // the one difference, when read whole
    } else if (stopsAt < 0) {
        QCOMPARE(
            rig.form->statusText(),
            QString::fromLatin1(operation == read ? texts::readSuccessful : texts::programmed));
    } else {
        // A read says what it left; the intensities are shown only once all three are in.
        QCOMPARE(rig.form->statusText(), QString::fromLatin1(texts::badData));
        QCOMPARE(rig.form->ProgressBar1->format(),
                 operation == read
                     ? QStringLiteral("PARTLY READ: LOCATIONS 1 TO %1, THE REST AS BEFORE")
                           .arg(std::min(stopsAt, 22))
                     : QStringLiteral("HALF WRITTEN: 1 TO %1 NEW, %2 IN DOUBT \u2014 WRITE AGAIN")
                           .arg(stopsAt)
                           .arg(stopsAt + 1));
        // A write says what the panel now holds, whole, in the bar's tooltip and the trace.
        const QString whole = QStringLiteral("PANEL HALF WRITTEN: LOCATIONS 1 TO %1 NEW, %2 IN "
                                             "DOUBT, %3 TO 25 AS BEFORE \u2014 WRITE AGAIN");
        QVERIFY(operation == read || (rig.form->ProgressBar1->toolTip() ==
                                          whole.arg(stopsAt).arg(stopsAt + 1).arg(stopsAt + 2) &&
                                      traceEvents().contains(rig.form->ProgressBar1->toolTip())));
    }
    // Every location before the failing one, and all of them on success, as the panel holds it;
    // a comparison leaves the window showing them all. A read gives the rest back as they were,
    // a misplaced answer or one read again included.
    rig.checkItemsAsThePanelHolds(stopsAt < 0 || operation == compare ? 22 : std::min(stopsAt, 22));
    for (int location = stopsAt; operation == read && location >= 0 && location < 22; ++location)
        QCOMPARE(rig.row(assignmentItems()[location].moduleList), -1);
    const QString trace = traced.join(QLatin1Char('\n'));
    QVERIFY2(trace.contains(piece), qPrintable(trace));
    rig.checkIdle();
}

void TestPanelLink::busyComputer_data() {
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<bool>("echo");
    QTest::addColumn<bool>("practice");
    QTest::newRow("read") << read << false << false;
    QTest::newRow("write") << write << false << false;
    QTest::newRow("read, echoing adapter") << read << true << false;
    // The panel inside the program is held up with it, yet answers as one outside would have.
    QTest::newRow("read, the practice panel") << read << false << true;
    QTest::newRow("write, the practice panel") << write << false << true;
}

// A computer too busy to look at the port for two periods after the wake-up, the model read
// and every fifth command: each answer came in time, so the operation goes as on an idle
// computer. The program only sees the tick and the answer together. The practice panel runs in
// the program itself: the program stops in every reply wait, for longer than a pause.
void TestPanelLink::busyComputer() {
    QFETCH(Operation, operation);
    QFETCH(bool, echo);
    QFETCH(bool, practice);
    PanelRig rig;
    distinctConfiguration(rig);
    rig.sim.setEcho(echo);
    QObject::connect(&rig.sim, &PanelSim::commandReceived, rig.form.get(), [&](int number) {
        if (number <= 2 || number % 5 == 0)
            QThread::msleep(2 * rig.period);
    });
    int stops = 0;
    if (practice) {
        rig.operations->portSelector().choose(practicePanelName);
        onTraced = [&](const QString& line) {
            if (line.contains(QLatin1String("  > ")))
                QTimer::singleShot(0, [&] {
                    ++stops;
                    QThread::msleep(2 * rig.period + 10);
                });
        };
    }

    traceOf([&] { (rig.operations.get()->*operation)(); });
    onTraced = nullptr;

    QCOMPARE(rig.form->statusText(),
             QString::fromLatin1(operation == read ? texts::readSuccessful : texts::programmed));
    if (practice) {
        QCOMPARE(stops, operation == read ? 27 : 78);
        const PanelSim* held = rig.operations->practicePanel().panel();
        QVERIFY(held);
        rig.checkItemsAsThePanelHolds(22, held);
        QVERIFY(held->received().isEmpty()); // it keeps nothing of what it was sent
        // Whenever the port is looked at, what the line has delivered by then is waiting,
        // whether the event loop has run or not.
        PracticePanel& port = rig.operations->practicePanel();
        QVERIFY(port.setPortOpen(true));
        QElapsedTimer sent;
        sent.start();
        port.output(protocol::wakeUpCommand());
        for (int i = 0; i < 1000 && port.peek() != "D000D"; ++i)
            QThread::usleep(100);
        // Paced as the line: the answer is whole no sooner than six bytes after the "A" left.
        QVERIFY(sent.nsecsElapsed() >= 6 * PanelSim::byteTimeNs);
        QCOMPARE(port.inBufferCount(), 5);
        QCOMPARE(port.input(), QByteArray("D000D"));
        QCOMPARE(port.peek(), QByteArray());
        // Closed, the port hears nothing: an answer that falls due meanwhile is lost, and a
        // command sent to it goes nowhere.
        port.output(protocol::wakeUpCommand());
        QVERIFY(port.setPortOpen(false));
        QThread::msleep(20);
        QVERIFY(port.setPortOpen(true));
        QCOMPARE(port.peek(), QByteArray());
        QVERIFY(port.setPortOpen(false));
        port.output(protocol::wakeUpCommand());
        QVERIFY(port.setPortOpen(true));
        QThread::msleep(20);
        QCOMPARE(port.peek(), QByteArray());
        QVERIFY(port.setPortOpen(false));
        // Before it has started there is no panel to open.
        PracticePanel unstarted;
        QVERIFY(!unstarted.setPortOpen(true));
        QVERIFY(!unstarted.portOpen());
        QCOMPARE(unstarted.openFailure(), CommPort::OpenFailure::Other);
    } else {
        QVERIFY(rig.sim.received().startsWith(wakeUps(1) + reads({63})));
        rig.checkItemsAsThePanelHolds();
    }
    rig.checkIdle();
}

void TestPanelLink::echoingAdapter_data() {
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<int>("splitAt"); // the echo of a command in two pieces; 0: whole
    QTest::newRow("read") << read << 0;
    QTest::newRow("write") << write << 0;
    // Five bytes of a six-byte echo are as many as an answer: they must not end the wait.
    QTest::newRow("read, echo in pieces") << read << 5;
    QTest::newRow("write, echo in pieces") << write << 5;
}

// A half-duplex adapter hands every byte sent back ahead of the panel's answer: the echo is
// dropped and the operation goes as with any adapter; the panel receives the same bytes.
void TestPanelLink::echoingAdapter() {
    QFETCH(Operation, operation);
    QFETCH(int, splitAt);
    // A split echo's rest comes a while later: a generous reply wait for it.
    PanelRig rig(testPeriod, splitAt > 0 ? 20 * testPeriod : 0);
    distinctConfiguration(rig);
    rig.sim.setEcho(true);
    rig.sim.setEchoSplit(splitAt, 10);
    QList<QByteArray> pieces;
    QObject::connect(&rig.sim, &PanelSim::lineWritten, [&](const QByteArray& b) { pieces << b; });
    rig.sim.setWakeAfter(2); // the echo of a try that went unanswered must not count either
    (rig.operations.get()->*operation)();
    // Echoes did come as the row says (a busy computer may join a few pieces, not all).
    QVERIFY(std::any_of(pieces.cbegin(), pieces.cend(), [splitAt](const QByteArray& b) {
        return b.size() == (splitAt > 0 ? splitAt : 6) && (b[0] == 'V' || b[0] == 'S');
    }));
    const bool reading = operation == read;
    QCOMPARE(rig.form->statusText(),
             QString::fromLatin1(reading ? texts::readSuccessful : texts::programmed));
    QByteArray wire = wakeUps(2) + reads({63});
    for (int location = 0; location < 25; ++location) {
        const int value = rig.sim.value(location);
        wire += reading ? reads({location})
                        : protocol::writeCommand(location, value) + reads({location});
    }
    if (!reading)
        wire += readsFromTo(0, 24) + reads({63}); // the check
    QCOMPARE(rig.sim.received(), wire);
    rig.checkIdle();
}

void TestPanelLink::findPanel_data() {
    QTest::addColumn<QList<Peer>>("peers");
    QTest::addColumn<QList<QByteArray>>("wire"); // what each peer received, byte for byte
    QTest::addColumn<int>("found");              // the peer chosen; -1: the choice stays
    QTest::addColumn<QString>("bar");            // "{1}": the path of peer 1
    QTest::addColumn<QStringList>("toolTip");
    using Wire = QList<QByteArray>;
    const QByteArray silence = wakeUps(6);
    const QByteArray model = wakeUps(1) + reads({63});
    const QString noAnswer = QStringLiteral("NO ANSWER TO THE WAKE-UP");

    QTest::newRow("silent, missing, panel: the panel chosen")
        << QList<Peer>{silent, missing, panel(70)} << Wire{silence, "", model} << 2
        << "PANEL FOUND ON {2}"
        << QStringList{"{0}: " + noAnswer, "{1}: NOT OPENED: DOES NOT EXIST",
                       "{2}: A MODEL 70 PANEL, CHOSEN"};
    QTest::newRow("no panel anywhere")
        << QList<Peer>{silent, missing, silent} << Wire{silence, "", silence} << -1
        << "NO PANEL ANSWERED ON 3 PORTS; NO SUCH PORT ON 1"
        << QStringList{"{0}: " + noAnswer, "{1}: NOT OPENED: DOES NOT EXIST", "{2}: " + noAnswer};
    QTest::newRow("another model, a port in use, then a model 79 panel")
        << QList<Peer>{panel(71), held, panel(79)} << Wire{model, "", model} << 2
        << "PANEL FOUND ON {2}"
        << QStringList{"{0}: A MODEL 71 PANEL, NOT ONE THIS PROGRAM CONFIGURES",
                       "{1}: NOT OPENED: IN USE BY ANOTHER PROGRAM",
                       "{2}: A MODEL 79 PANEL, CHOSEN"};
    QTest::newRow("another model only: named, not chosen")
        << QList<Peer>{silent, panel(71)} << Wire{silence, model} << -1
        << "A MODEL 71 PANEL ANSWERED ON {1}"
        << QStringList{"{0}: " + noAnswer,
                       "{1}: A MODEL 71 PANEL, NOT ONE THIS PROGRAM CONFIGURES"};
    QTest::newRow("the first panel ends the search: the next port is never opened")
        << QList<Peer>{panel(70), panel(70)} << Wire{model, ""} << 0 << "PANEL FOUND ON {0}"
        << QStringList{"{0}: A MODEL 70 PANEL, CHOSEN", "{1}: NOT TRIED"};
    // The record's A still holds model 70 from an earlier read: a reply without a number must
    // not be taken for it.
    QTest::newRow("a model reply without a number")
        << QList<Peer>{peer([](PanelSim& s) { s.setShortReply(63, 3); }), silent}
        << Wire{model, silence} << -1 << "AN ANSWER WITHOUT A MODEL NUMBER ON {0}"
        << QStringList{"{0}: ANSWERED THE WAKE-UP, BUT GAVE NO MODEL NUMBER", "{1}: " + noAnswer};
    // A modem answers "OK" to every "A": something is there, but not a panel.
    QTest::newRow("a device that answers otherwise, then silence")
        << QList<Peer>{peer([](PanelSim& s) { s.setWakeReply("OK\r\n"); }), silent}
        << Wire{wakeUps(2), silence} << -1 << "AN ANSWER THAT IS NOT THE PANEL'S ON {0}"
        << QStringList{"{0}: AN ANSWER TO THE WAKE-UP THAT IS NOT THE PANEL'S", "{1}: " + noAnswer};
    QTest::newRow("a panel that wakes at the third try")
        << QList<Peer>{peer([](PanelSim& s) { s.setWakeAfter(3); })}
        << Wire{wakeUps(3) + reads({63})} << 0 << "PANEL FOUND ON {0}"
        << QStringList{"{0}: A MODEL 70 PANEL, CHOSEN"};
    QTest::newRow("a device that hangs up when tried, then a panel")
        << QList<Peer>{peer([](PanelSim& s) { s.setHangUpAfter(0); }), panel(70)}
        << Wire{wakeUps(1), model} << 1 << "PANEL FOUND ON {1}"
        << QStringList{"{0}: CONNECTION LOST", "{1}: A MODEL 70 PANEL, CHOSEN"};
    // Listed and named on the bar by their short names, they are opened and chosen by path.
    QTest::newRow("ports the system reports")
        << QList<Peer>{reported(silent), reported(panel(79))} << Wire{silence, model} << 1
        << "PANEL FOUND ON {1}" << QStringList{"{0}: " + noAnswer, "{1}: A MODEL 79 PANEL, CHOSEN"};
}

// FIND PANEL against several pseudo-terminals given as the user's ports: each port in the
// list's order gets READ's wake-up and model read and nothing else, the first panel of a
// served model is chosen, and a read then goes to it. The status line is never touched; the
// other buttons do nothing meanwhile.
void TestPanelLink::findPanel() {
    QFETCH(QList<Peer>, peers);
    QFETCH(QList<QByteArray>, wire);
    QFETCH(int, found);
    QFETCH(QString, bar);
    QFETCH(QStringList, toolTip);
    PanelRig rig;
    rig.operations->connectButtons();
    Peers line(peers);
    rig.reported = line.reported;
    PortSelector& selector = rig.operations->portSelector();
    selector.start(line.paths);
    // Every port named is listed, then the practice panel, and the first one named is chosen.
    QCOMPARE(rig.form->Combo1->count(), int(line.paths.size()) + 1);
    QCOMPARE(selector.current(), line.paths[0]);
    // The technician had chosen another port than the one to be found.
    const int before = found == 0 ? int(line.paths.size()) - 1 : 0;
    rig.operations->portSelector().choose(line.paths[before]);
    rig.form->r.A = 70;
    const QString status = rig.form->statusText();
    const QColor colour = rig.form->statusColour();

    int commands = 0;
    QList<QMetaObject::Connection> watching;
    for (std::size_t i = 0; i < line.sims.size(); ++i) {
        if (!line.sims[i])
            continue;
        watching << QObject::connect(
            line.sims[i].get(), &PanelSim::commandReceived, rig.form.get(), [&, i] {
                ++commands;
                checkBusy(rig);
                QCOMPARE(rig.form->ProgressBar1->format(),
                         QStringLiteral("LOOKING FOR THE PANEL: %1, %2 OF %3")
                             .arg(line.names[int(i)])
                             .arg(i + 1)
                             .arg(line.paths.size()));
                // The other buttons, and the search's own, start nothing while it waits.
                rig.form->READ_CONFIG->click();
                rig.form->WRITE_CONFIG->click();
                rig.form->FIND_PANEL->click();
            });
    }

    rig.form->FIND_PANEL->click();
    for (const auto& c : watching)
        QObject::disconnect(c);

    QVERIFY(commands > 0);
    for (int i = 0; i < wire.size(); ++i)
        QCOMPARE(line.received(i), wire[i]);
    QCOMPARE(rig.form->ProgressBar1->format(), line.fill(bar, true));
    QCOMPARE(rig.form->ProgressBar1->toolTip().split('\n'), line.fill(toolTip));
    QCOMPARE(rig.announced(), line.fill(bar, true)); // the status line is not the search's
    QCOMPARE(selector.current(), line.paths[found >= 0 ? found : before]);
    QCOMPARE(rig.form->statusText(), status);
    QCOMPARE(rig.form->statusColour(), colour);
    QVERIFY(rig.form->Text1->isHidden());
    QVERIFY(rig.messages.shown.isEmpty());
    rig.checkIdle();

    if (found < 0)
        return;
    // A read after the search goes to the port it found, and only there.
    for (const auto& sim : line.sims) {
        if (sim)
            sim->clearReceived();
    }
    rig.form->READ_CONFIG->click();
    QCOMPARE(rig.form->statusText(), QString::fromLatin1(texts::readSuccessful));
    for (int i = 0; i < wire.size(); ++i)
        QCOMPARE(line.received(i),
                 i == found ? wakeUps(1) + reads({63}) + readsFromTo(0, 24) : QByteArray());
}

// The trace of a search: every port opened or refused, its exchanges as on the wire, what it
// gave, and the bar's last text.
void TestPanelLink::traceOfOneSearch() {
    PanelRig rig;
    Peers line({silent, missing, panel(70)});
    rig.operations->portSelector().start(line.paths);
    traceOf([&] { rig.operations->FIND_PANEL_Click(); });

    QStringList events = traceEvents();
    // The system's own words for a missing device are its business.
    const QString refused = line.fill(QStringLiteral("open {1} failed: "));
    for (QString& event : events) {
        if (event.startsWith(refused))
            event = refused;
    }
    QStringList expected{QStringLiteral("FIND PANEL"),
                         QStringLiteral("open {0} at 9600,N,8,1, no flow control")};
    for (int i = 0; i < 6; ++i)
        expected << QStringLiteral("> A");
    expected << QStringLiteral("< (nothing)") << QStringLiteral("{0}: NO ANSWER TO THE WAKE-UP")
             << QStringLiteral("open {1} failed: ")
             << QStringLiteral("{1}: NOT OPENED: DOES NOT EXIST")
             << QStringLiteral("open {2} at 9600,N,8,1, no flow control") << QStringLiteral("> A")
             << QStringLiteral("< D000D") << QStringLiteral("> V\\x00?00V")
             << QStringLiteral("< 0700\\r") << QStringLiteral("{2}: A MODEL 70 PANEL, CHOSEN")
             << QStringLiteral("end: PANEL FOUND ON {2}");
    QCOMPARE(events, line.fill(expected));
}

// Closing the window ends a search at once: nothing more is sent, no other port is opened,
// the choice stays, and the window closes.
void TestPanelLink::windowClosedDuringSearch() {
    PanelRig rig;
    Peers line({silent, silent, panel(70)});
    rig.operations->portSelector().start(line.paths);
    rig.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
    QObject::connect(line.sims[0].get(), &PanelSim::commandReceived, rig.form.get(),
                     [&](int number) {
                         if (number == 4)
                             rig.form->close();
                     });

    rig.operations->FIND_PANEL_Click();

    QCOMPARE(line.received(0), wakeUps(4));
    QCOMPARE(line.received(1), QByteArray());
    QCOMPARE(line.received(2), QByteArray());
    QCOMPARE(rig.operations->portSelector().current(), line.paths[0]);
    QCOMPARE(rig.form->ProgressBar1->format(), line.fill("SEARCH STOPPED AT {0}, 1 OF 3"));
    QVERIFY(rig.form->Text1->isHidden());
    rig.checkIdle();
    QTRY_VERIFY(!rig.form->isVisible());
}

QTEST_MAIN(TestPanelLink)
#include "tst_panel_link.moc"
