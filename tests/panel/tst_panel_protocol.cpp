// The panel's wire frames, the reading of reply values, the location map and the wording of
// port failures: the parts of the link that need no line.

#include "locations.h"
#include "panel_comparison.h"
#include "panel_link.h"
#include "panel_search.h"
#include "protocol.h"
#include "serial_comm_port.h"
#include "serial_ports.h"
#include "serial_trace.h"

#include "widgets.h"

#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

#ifdef Q_OS_LINUX
#include <unistd.h>
#endif

Q_DECLARE_METATYPE(std::optional<long long>)
Q_DECLARE_METATYPE(CommPort::OpenFailure)
Q_DECLARE_METATYPE(QSerialPort::SerialPortError)
Q_DECLARE_METATYPE(SerialPortEntry)
Q_DECLARE_METATYPE(search::PortResult)

class TestPanelProtocol : public QObject {
    Q_OBJECT

private slots:
    void frames_data();
    void frames();
    void replyValue_data();
    void replyValue();
    void locationMap_data();
    void locationMap();
    void openErrorClassification_data();
    void openErrorClassification();
    void openFailureMessage_data();
    void openFailureMessage();
    void firstSerialPort();
    void startPort_data();
    void startPort();
    void traceText_data();
    void traceText();
    void searchDecision_data();
    void searchDecision();
    void comparison_data();
    void comparison();
};

void TestPanelProtocol::frames_data() {
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("wake-up") << protocol::wakeUpCommand() << QByteArray("\x41", 1);
    QTest::newRow("read 63") << protocol::readCommand(63)
                             << QByteArray("\x56\x00\x3F\x30\x30\x56", 6);
    QTest::newRow("read 0") << protocol::readCommand(0)
                            << QByteArray("\x56\x00\x00\x30\x30\x56", 6);
    QTest::newRow("write 37 into 5")
        << protocol::writeCommand(5, 37) << QByteArray("\x53\x00\x05\x00\x25\x44", 6);
    QTest::newRow("write 160 into 24")
        << protocol::writeCommand(24, 160) << QByteArray("\x53\x00\x18\x00\xA0\x44", 6);
    QTest::newRow("write 0 into 0")
        << protocol::writeCommand(0, 0) << QByteArray("\x53\x00\x00\x00\x00\x44", 6);
}

void TestPanelProtocol::frames() {
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, bytes);
    QCOMPARE(frame, bytes);
}

void TestPanelProtocol::replyValue_data() {
    using V = std::optional<int>;
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<V>("value");
    // Rounding: tenths, halves to the even neighbour.
    QTest::newRow("1600") << QByteArray("1600\r") << V(160);
    QTest::newRow("1610") << QByteArray("1610\r") << V(161);
    QTest::newRow("0000") << QByteArray("0000\r") << V(0);
    QTest::newRow("9999") << QByteArray("9999\r") << V(1000);
    QTest::newRow("1605 down to even") << QByteArray("1605") << V(160);
    QTest::newRow("1615 up to even") << QByteArray("1615") << V(162);
    QTest::newRow("0705") << QByteArray("0705") << V(70);
    QTest::newRow("0795") << QByteArray("0795") << V(80);
    QTest::newRow("0015") << QByteArray("0015") << V(2);
    QTest::newRow("0025") << QByteArray("0025") << V(2);
    QTest::newRow("0789 up") << QByteArray("0789\r") << V(79);
    QTest::newRow("0704 down") << QByteArray("0704\r") << V(70);
    // The panel's form: four digits, then a CR, an LF or nothing.
    QTest::newRow("four digits, no CR") << QByteArray("0700") << V(70);
    QTest::newRow("LF") << QByteArray("0700\n") << V(70);
    // Anything else carries no value: a digit lost (70 would read as 7), bytes before the
    // digits, anything after them, a sign, two answers.
    QTest::newRow("three digits and CR") << QByteArray("070\r") << V();
    QTest::newRow("three digits") << QByteArray("070") << V();
    QTest::newRow("five digits") << QByteArray("07000") << V();
    QTest::newRow("CR LF") << QByteArray("0700\r\n") << V();
    QTest::newRow("plus sign") << QByteArray("+0700") << V();
    QTest::newRow("negative") << QByteArray("-010\r") << V();
    QTest::newRow("leading blanks") << QByteArray(" \t0700\r") << V();
    QTest::newRow("a stray byte before") << QByteArray("\x07"
                                                       "0700\r")
                                         << V();
    QTest::newRow("digits then letters") << QByteArray("0700X") << V();
    QTest::newRow("blank after digits") << QByteArray("0700 \r") << V();
    QTest::newRow("letter inside") << QByteArray("07A0") << V();
    QTest::newRow("decimal point") << QByteArray("070.5") << V();
    QTest::newRow("two answers") << QByteArray("0700\r0700\r") << V();
    QTest::newRow("an answer and an acknowledgement") << QByteArray("0700\rD000D") << V();
    QTest::newRow("acknowledgement") << QByteArray("D000D") << V();
    QTest::newRow("letters") << QByteArray("ABCD\r") << V();
    QTest::newRow("blanks only") << QByteArray("    ") << V();
    QTest::newRow("CR first") << QByteArray("\r0700") << V();
    QTest::newRow("empty") << QByteArray() << V();
    QTest::newRow("many leading zeros") << QByteArray("000000000000000000001605") << V();
}

void TestPanelProtocol::replyValue() {
    QFETCH(QByteArray, reply);
    QFETCH(std::optional<int>, value);
    QCOMPARE(protocol::replyValue(reply), value);
}

void TestPanelProtocol::locationMap_data() {
    QTest::addColumn<int>("address");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("moduleList");
    QTest::addColumn<int>("channelList");
    QTest::addColumn<int>("designation");
    QTest::addColumn<int>("intensityList");
    QTest::newRow("SW1") << 0 << "SW1" << 1 << 2 << 3 << 0;
    QTest::newRow("SW10") << 9 << "SW10" << 19 << 20 << 12 << 0;
    QTest::newRow("LED1") << 10 << "LED1" << 21 << 22 << 13 << 0;
    QTest::newRow("LED10") << 19 << "LED10" << 39 << 40 << 22 << 0;
    QTest::newRow("backlighting") << 20 << "BACKLIGHTING" << 41 << 42 << 0 << 0;
    QTest::newRow("dimming") << 21 << "DIMMING" << 43 << 44 << 0 << 0;
    QTest::newRow("normal backlighting") << 22 << "" << 0 << 0 << 0 << 45;
    QTest::newRow("normal indicator") << 23 << "" << 0 << 0 << 0 << 49;
    QTest::newRow("dimmed") << 24 << "" << 0 << 0 << 0 << 46;
}

void TestPanelProtocol::locationMap() {
    QFETCH(int, address);
    QFETCH(QString, name);
    QFETCH(int, moduleList);
    QFETCH(int, channelList);
    QFETCH(int, designation);
    QFETCH(int, intensityList);
    const LocationTable& map = configurationLocations();
    for (int i = 0; i < int(map.size()); ++i)
        QCOMPARE(map[i].address, i); // visited in ascending order, 0..24
    const PanelLocation& location = map[address];
    QCOMPARE(location.item != nullptr, moduleList != 0);
    QCOMPARE(location.intensityIndex >= 0, intensityList != 0);
    if (location.item) {
        QCOMPARE(QString::fromLatin1(location.item->name), name);
        QCOMPARE(location.item->moduleList, moduleList);
        QCOMPARE(location.item->channelList, channelList);
        QCOMPARE(location.item->designationText, designation);
    } else {
        QCOMPARE(intensityItems()[location.intensityIndex].list, intensityList);
        QCOMPARE(location.intensityIndex, address - 22); // after the 22 items
    }
}

void TestPanelProtocol::openErrorClassification_data() {
    QTest::addColumn<QSerialPort::SerialPortError>("error");
    QTest::addColumn<bool>("accessible");
    QTest::addColumn<CommPort::OpenFailure>("failure");
    using F = CommPort::OpenFailure;
    QTest::newRow("missing") << QSerialPort::DeviceNotFoundError << false << F::NotFound;
    QTest::newRow("node denies access") << QSerialPort::PermissionError << false << F::NoPermission;
    QTest::newRow("locked by another program") << QSerialPort::PermissionError << true << F::InUse;
    QTest::newRow("already open") << QSerialPort::OpenError << true << F::InUse;
    QTest::newRow("anything else") << QSerialPort::UnknownError << true << F::Other;
}

void TestPanelProtocol::openErrorClassification() {
    QFETCH(QSerialPort::SerialPortError, error);
    QFETCH(bool, accessible);
    QFETCH(CommPort::OpenFailure, failure);
    QCOMPARE(SerialCommPort::classifyOpenError(error, accessible), failure);
}

void TestPanelProtocol::openFailureMessage_data() {
    QTest::addColumn<CommPort::OpenFailure>("failure");
    QTest::addColumn<QString>("detail");
    QTest::addColumn<QStringList>("reported");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QStringList>("mustContain");
    using F = CommPort::OpenFailure;
    const QStringList none;
    const QStringList two{"ttyS0 (/dev/ttyS0)", "ttyUSB0 \u2014 FT232R USB UART (/dev/ttyUSB0)"};
    QTest::newRow("missing, no port at all")
        << F::NotFound << "No such file or directory" << none << ""
        << QStringList{"DOES NOT EXIST", "(No such file or directory)",
                       "\n\nNO SERIAL PORT WAS FOUND ON THIS COMPUTER."};
    QTest::newRow("missing, two others found")
        << F::NotFound << "No such file or directory" << two << ""
        << QStringList{"DOES NOT EXIST",
                       "\n\nSERIAL PORTS FOUND ON THIS COMPUTER:\nttyS0 "
                       "(/dev/ttyS0)\nttyUSB0 \u2014 FT232R USB UART (/dev/ttyUSB0)"};
    QTest::newRow("busy") << F::InUse << "Permission error while locking the device" << two << ""
                          << QStringList{"IN USE BY ANOTHER PROGRAM", "FT232R USB UART"};
#ifdef Q_OS_LINUX
    QTest::newRow("no permission, device of group dialout")
        << F::NoPermission << "Permission denied" << none << "dialout"
        << QStringList{"PERMISSION", "\"dialout\" GROUP", "usermod -aG dialout $USER"};
    QTest::newRow("no permission, device of group uucp")
        << F::NoPermission << "Permission denied" << none << "uucp"
        << QStringList{"\"uucp\" GROUP", "usermod -aG uucp $USER"};
    QTest::newRow("no permission, owner unknown")
        << F::NoPermission << "Permission denied" << none << "" << QStringList{"\"dialout\" GROUP"};
    // Only root may open it: joining its group would not do; a udev rule must give it to one.
    QTest::newRow("no permission, device of root")
        << F::NoPermission << "Permission denied" << none << "root"
        << QStringList{"ONLY root MAY OPEN THIS PORT", "udev RULE", "\"dialout\" GROUP"};
#endif
    QTest::newRow("settings") << F::BadSettings << "9600,N,8,1" << none << ""
                              << QStringList{"DOES NOT ACCEPT THE SETTINGS 9600,N,8,1"};
}

void TestPanelProtocol::openFailureMessage() {
    QFETCH(CommPort::OpenFailure, failure);
    QFETCH(QString, detail);
    QFETCH(QStringList, reported);
    QFETCH(QString, group);
    QFETCH(QStringList, mustContain);
    const QString text = PanelLink::openFailureMessage(QStringLiteral("/dev/ttyUSB7"), failure,
                                                       detail, reported, group);
    QVERIFY2(text.startsWith(QLatin1String("THE SERIAL PORT /dev/ttyUSB7 COULD NOT BE OPENED.")),
             qPrintable(text));
    for (const QString& part : mustContain)
        QVERIFY2(text.contains(part), qPrintable(text));
#ifdef Q_OS_LINUX
    // Where the root row's group comes from: a node its group may not both read and write.
    if (group != QLatin1String("root"))
        return;
    QTemporaryDir dir;
    const QString node = dir.filePath(QStringLiteral("ttyUSB7"));
    QCOMPARE(PanelLink::openingGroup(node), QString());
    QFile file(node);
    QVERIFY(file.open(QIODevice::WriteOnly));
    if (QFileInfo(node).groupId() == 0) // run by root: a group that is not root's own
        QCOMPARE(::chown(QFile::encodeName(node).constData(), uid_t(-1), gid_t(1)), 0);
    const QString owning = QFileInfo(node).group();
    QVERIFY(owning != QLatin1String("root"));
    const auto rw = QFile::ReadOwner | QFile::WriteOwner;
    QVERIFY(file.setPermissions(rw | QFile::ReadGroup | QFile::WriteGroup));
    QCOMPARE(PanelLink::openingGroup(node), owning);
    QVERIFY(file.setPermissions(rw | QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther));
    QCOMPARE(PanelLink::openingGroup(node), QStringLiteral("root"));
    QVERIFY(file.setPermissions(rw));
    QCOMPARE(PanelLink::openingGroup(node), QStringLiteral("root"));
#endif
}

void TestPanelProtocol::firstSerialPort() {
#ifdef Q_OS_WIN
    QCOMPARE(SerialCommPort::nameOfPort(1), QStringLiteral("COM1"));
#else
    QCOMPARE(SerialCommPort::nameOfPort(1), QStringLiteral("/dev/ttyS0"));
    QCOMPARE(SerialCommPort().portName(), QStringLiteral("/dev/ttyS0"));
#endif
}

namespace {

SerialPortEntry port(const char* name, bool usb = false) {
    SerialPortEntry p;
    p.portName = QString::fromLatin1(name);
    p.systemLocation = QStringLiteral("/dev/") + p.portName;
    p.usb = usb;
    return p;
}

} // namespace

// The port chosen at start, from the ports present and the one named with --port.
void TestPanelProtocol::startPort_data() {
    QTest::addColumn<QList<SerialPortEntry>>("present");
    QTest::addColumn<QString>("requested");
    QTest::addColumn<QString>("chosen");
    const SerialPortEntry s0 = port("ttyS0"), s1 = port("ttyS1");
    const SerialPortEntry usb0 = port("ttyUSB0", true), acm0 = port("ttyACM0", true);
    using Ports = QList<SerialPortEntry>;
    QTest::newRow("built-in port 1 present") << Ports{usb0, s0, s1} << ""
                                             << "/dev/ttyS0";
    // As the system lists them: ttyS0 ahead of the one adapter, which must not win.
    QTest::newRow("built-in port 1 first, one USB adapter") << Ports{s0, usb0} << ""
                                                            << "/dev/ttyS0";
    QTest::newRow("only one USB adapter") << Ports{s1, usb0} << ""
                                          << "/dev/ttyUSB0";
    QTest::newRow("two USB adapters: the first reported") << Ports{acm0, usb0} << ""
                                                          << "/dev/ttyACM0";
    QTest::newRow("two USB adapters and built-in port 2: the first reported")
        << Ports{s1, usb0, acm0} << ""
        << "/dev/ttyS1";
    QTest::newRow("no USB, no port 1: the first reported") << Ports{s1} << ""
                                                           << "/dev/ttyS1";
    QTest::newRow("no port at all: the practice panel") << Ports{} << ""
                                                        << "PRACTICE PANEL (SIMULATED)";
    // --practice names it ahead of any port, reported or named.
    QTest::newRow("--practice") << Ports{s0, usb0} << "PRACTICE PANEL (SIMULATED)"
                                << "PRACTICE PANEL (SIMULATED)";
    QTest::newRow("--port naming an absent device") << Ports{s0, usb0} << "/dev/ttyUSB3"
                                                    << "/dev/ttyUSB3";
    QTest::newRow("--port over the built-in port") << Ports{s0} << "ttyUSB0"
                                                   << "ttyUSB0";
}

void TestPanelProtocol::startPort() {
    QFETCH(QList<SerialPortEntry>, present);
    QFETCH(QString, requested);
    QFETCH(QString, chosen);
#ifdef Q_OS_WIN
    QSKIP("the table names Linux ports");
#endif
    QCOMPARE(::startPort(present, requested), chosen);

    // Listed beside the window, the ports come when the test lets them: nothing is chosen
    // before, the same port as soon as they are there.
    QSemaphore listing;
    PortComboBox combo;
    PortSelector selector(
        combo, [&] { return listing.tryAcquire(1, 10000) ? present : QList<SerialPortEntry>{}; });
    QSignalSpy started(&selector, &PortSelector::started);
    selector.start({requested}, PortSelector::Listing::InBackground);
    QVERIFY(selector.listing());
    QCOMPARE(combo.count(), 0);
    listing.release();
    QVERIFY(started.wait());
    QVERIFY(!selector.listing());
    QCOMPARE(selector.current(), chosen);
}

void TestPanelProtocol::traceText_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("read 63") << protocol::readCommand(63) << "V\\x00?00V";
    QTest::newRow("write 37 into 10") << protocol::writeCommand(10, 37) << "S\\x00\\n\\x00%D";
    QTest::newRow("reply") << QByteArray("0700\r") << "0700\\r";
    QTest::newRow("backslash, tab, high byte") << QByteArray("\\\t\xff\x7f") << "\\\\\\t\\xFF\\x7F";
    QTest::newRow("nothing") << QByteArray() << "";
}

void TestPanelProtocol::traceText() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(escapedBytes(bytes), text);
}

namespace {

search::PortResult tried(const char* name, search::PortResult::Kind kind, int model = 0,
                         CommPort::OpenFailure failure = CommPort::OpenFailure::None) {
    search::PortResult p;
    p.name = QString::fromLatin1(name);
    p.port = QStringLiteral("/dev/") + p.name;
    p.kind = kind;
    p.model = model;
    p.failure = failure;
    return p;
}

} // namespace

// What the ports of a search decide: the port chosen, the bar's text and the tooltip's lines.
void TestPanelProtocol::searchDecision_data() {
    using K = search::PortResult::Kind;
    using F = CommPort::OpenFailure;
    using Ports = QList<search::PortResult>;
    QTest::addColumn<Ports>("ports");
    QTest::addColumn<QString>("chosen"); // empty: the selection stays
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("toolTip");
    const auto silent = [](const char* name) { return tried(name, K::NoAnswer); };

    QTest::newRow("nothing listed") << Ports{} << ""
                                    << "NO SERIAL PORT TO TRY" << QStringList{};
    QTest::newRow("one port, silent: no plural")
        << Ports{silent("ttyS0")} << ""
        << "NO PANEL ANSWERED ON 1 PORT" << QStringList{"/dev/ttyS0: NO ANSWER TO THE WAKE-UP"};
    QTest::newRow("silent, missing, in use, denied: the first of three causes")
        << Ports{silent("ttyS0"), tried("ttyUSB3", K::NotOpened, 0, F::NotFound),
                 tried("ttyUSB0", K::NotOpened, 0, F::InUse),
                 tried("ttyACM0", K::NotOpened, 0, F::NoPermission)}
        << ""
        << "NO PANEL ANSWERED ON 4 PORTS; NO SUCH PORT ON 1"
        << QStringList{"/dev/ttyS0: NO ANSWER TO THE WAKE-UP",
                       "/dev/ttyUSB3: NOT OPENED: DOES NOT EXIST",
                       "/dev/ttyUSB0: NOT OPENED: IN USE BY ANOTHER PROGRAM",
                       "/dev/ttyACM0: NOT OPENED: PERMISSION DENIED"};
    QTest::newRow("a lost connection is a port tried, not one unopened")
        << Ports{tried("ttyUSB0", K::Lost), tried("ttyS4", K::NotOpened, 0, F::Other)} << ""
        << "NO PANEL ANSWERED ON 2 PORTS; REFUSED ON 1"
        << QStringList{"/dev/ttyUSB0: CONNECTION LOST",
                       "/dev/ttyS4: NOT OPENED: REFUSED BY THE SYSTEM"};
    QTest::newRow("a port that refuses the line setting")
        << Ports{tried("ttyS1", K::NotOpened, 0, F::BadSettings)} << ""
        << "NO PANEL ANSWERED ON 1 PORT; SETTINGS REFUSED ON 1"
        << QStringList{"/dev/ttyS1: NOT OPENED: REFUSES 9600,N,8,1"};
    // The bar names the cause most ports share, a port another program has open counted as
    // in use; the tooltip names the programs.
    search::PortResult held = tried("ttyUSB1", K::NotOpened, 0, F::HeldOpen);
    held.heldBy = QStringList{"socat (PROCESS 4242)", "cat (PROCESS 17)"};
    QTest::newRow("missing, held by two programs, in use, denied: the most common cause")
        << Ports{tried("ttyUSB0", K::NotOpened, 0, F::NotFound), held,
                 tried("ttyUSB2", K::NotOpened, 0, F::InUse),
                 tried("ttyUSB3", K::NotOpened, 0, F::NoPermission)}
        << ""
        << "NO PANEL ANSWERED ON 4 PORTS; IN USE ON 2"
        << QStringList{"/dev/ttyUSB0: NOT OPENED: DOES NOT EXIST",
                       "/dev/ttyUSB1: NOT OPENED: OPEN IN socat (PROCESS 4242), cat (PROCESS 17)",
                       "/dev/ttyUSB2: NOT OPENED: IN USE BY ANOTHER PROGRAM",
                       "/dev/ttyUSB3: NOT OPENED: PERMISSION DENIED"};
    QTest::newRow("a panel: chosen, the ports after it not tried")
        << Ports{silent("ttyS0"), tried("ttyUSB1", K::Found, 79), tried("ttyUSB2", K::NotTried)}
        << "/dev/ttyUSB1"
        << "PANEL FOUND ON ttyUSB1"
        << QStringList{"/dev/ttyS0: NO ANSWER TO THE WAKE-UP",
                       "/dev/ttyUSB1: A MODEL 79 PANEL, CHOSEN", "/dev/ttyUSB2: NOT TRIED"};
    QTest::newRow("another model first, then a panel: the panel is chosen")
        << Ports{tried("ttyUSB0", K::OtherModel, 71), tried("ttyUSB1", K::Found, 70)}
        << "/dev/ttyUSB1"
        << "PANEL FOUND ON ttyUSB1"
        << QStringList{"/dev/ttyUSB0: A MODEL 71 PANEL, NOT ONE THIS PROGRAM CONFIGURES",
                       "/dev/ttyUSB1: A MODEL 70 PANEL, CHOSEN"};
    QTest::newRow("two other models: the first named, none chosen")
        << Ports{silent("ttyS0"), tried("ttyUSB0", K::OtherModel, 71),
                 tried("ttyUSB1", K::OtherModel, 16)}
        << ""
        << "A MODEL 71 PANEL ANSWERED ON ttyUSB0"
        << QStringList{"/dev/ttyS0: NO ANSWER TO THE WAKE-UP",
                       "/dev/ttyUSB0: A MODEL 71 PANEL, NOT ONE THIS PROGRAM CONFIGURES",
                       "/dev/ttyUSB1: A MODEL 16 PANEL, NOT ONE THIS PROGRAM CONFIGURES"};
    QTest::newRow("a model named outranks an answer without one")
        << Ports{tried("ttyUSB0", K::NoModel), tried("ttyUSB1", K::OtherModel, 161)} << ""
        << "A MODEL 161 PANEL ANSWERED ON ttyUSB1"
        << QStringList{"/dev/ttyUSB0: ANSWERED THE WAKE-UP, BUT GAVE NO MODEL NUMBER",
                       "/dev/ttyUSB1: A MODEL 161 PANEL, NOT ONE THIS PROGRAM CONFIGURES"};
    QTest::newRow("an answer without a model number: not chosen, but named")
        << Ports{tried("ttyUSB0", K::NotOpened, 0, F::InUse), tried("ttyUSB1", K::NoModel)} << ""
        << "AN ANSWER WITHOUT A MODEL NUMBER ON ttyUSB1"
        << QStringList{"/dev/ttyUSB0: NOT OPENED: IN USE BY ANOTHER PROGRAM",
                       "/dev/ttyUSB1: ANSWERED THE WAKE-UP, BUT GAVE NO MODEL NUMBER"};
}

void TestPanelProtocol::searchDecision() {
    QFETCH(QList<search::PortResult>, ports);
    QFETCH(QString, chosen);
    QFETCH(QString, text);
    QFETCH(QStringList, toolTip);
    const search::Decision decision = search::decide(ports);
    QCOMPARE(decision.chosen, chosen);
    QCOMPARE(decision.text, text);
    QCOMPARE(decision.toolTip.split(QLatin1Char('\n'), Qt::SkipEmptyParts), toolTip);
}

// The window's values against the panel's: the bar's text, the locations that differ, and how,
// in the window's terms. The window shows each item on its own code, intensities 100, 90, 30 %;
// the rows change some values of the window and the panel (-1: every location).
using Values = QMap<int, int>;

void TestPanelProtocol::comparison_data() {
    QTest::addColumn<Values>("window");
    QTest::addColumn<Values>("panel");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines"); // the differences' lines, from the first on
    const QString one = "THE PANEL DIFFERS AT 1 OF 25 LOCATIONS";
    QTest::newRow("equal") << Values{} << Values{} << "THE PANEL HOLDS WHAT THE WINDOW SHOWS"
                           << QStringList{};
    QTest::newRow("one item") << Values{{1, 70}} << Values{{1, 71}} << one
                              << QStringList{"SW2: WINDOW H 1, PANEL H 2"};
    QTest::newRow("N/A against an assignment")
        << Values{{8, 160}} << Values{{8, 2}} << one << QStringList{"SW9: WINDOW N/A, PANEL A 3"};
    QTest::newRow("an intensity")
        << Values{{24, 1}} << Values{{24, 3}} << one
        << QStringList{"DIMMED BACKLIGHTING AND INDICATOR: WINDOW 30 %, PANEL 50 %"};
    // The last module and channel, a lighting item by its name, and values that are no code
    // named as the numbers they are: a read shows such an intensity as 100 %, but the panel
    // does not hold the 100 % a write sends.
    QTest::newRow("ends, a lighting item, no codes")
        << Values{{19, 0}, {21, 160}} << Values{{0, 161}, {19, 159}, {21, 44}, {22, 9}}
        << "THE PANEL DIFFERS AT 4 OF 25 LOCATIONS"
        << QStringList{"SW1: WINDOW A 1, PANEL 161 (NO CODE)", "LED10: WINDOW A 1, PANEL P 10",
                       "DIMMING: WINDOW N/A, PANEL E 5",
                       "NORMAL BACKLIGHTING: WINDOW 100 %, PANEL 9 (NO CODE)"};
    QTest::newRow("all 25") << Values{} << Values{{-1, 160}}
                            << "THE PANEL DIFFERS AT 25 OF 25 LOCATIONS"
                            << QStringList{"SW1: WINDOW A 1, PANEL N/A",
                                           "SW2: WINDOW A 8, PANEL N/A"};
}

void TestPanelProtocol::comparison() {
    QFETCH(Values, window);
    QFETCH(Values, panel);
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    PanelValues shown{};
    for (int address = 0; address < 22; ++address)
        shown[address] = address * 7;
    shown[22] = 10, shown[23] = 7, shown[24] = 1;
    PanelValues held = shown;
    for (auto [values, changes] : {std::pair{&shown, window}, std::pair{&held, panel}}) {
        for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
            if (it.key() < 0)
                values->fill(it.value());
            else
                (*values)[it.key()] = it.value();
        }
    }
    const comparison::Result result = comparison::compare(shown, held);
    QCOMPARE(result.text, text);
    QStringList toolTip;
    for (const comparison::Difference& difference : result.differences) {
        QVERIFY(shown[difference.address] != held[difference.address]);
        toolTip << difference.line();
    }
    QCOMPARE(toolTip.mid(0, lines.size()), lines);
    // The tooltip names the count, the first two and where they all are; none when equal.
    const QStringList shortened = toolTip.isEmpty()
                                      ? QStringList{}
                                      : QStringList{text} + toolTip.mid(0, 2) +
                                            QStringList{"ALL IN THE TABLE OF ALL 25 LOCATIONS"};
    QCOMPARE(result.toolTip, shortened.join('\n'));
}

QTEST_MAIN(TestPanelProtocol)
#include "tst_panel_protocol.moc"
