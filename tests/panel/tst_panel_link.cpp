// Faults of the serial line itself: a port that cannot be opened, a device that vanishes, a
// window closed while an operation waits, and clicks that arrive during a wait.

#include "panel_rig.h"
#include "status_texts.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPort>
#include <QSignalSpy>

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

} // namespace

class TestPanelLink : public QObject {
    Q_OBJECT

private slots:
    void portCannotOpen_data();
    void portCannotOpen();
    void portInUse();
    void deviceVanishes_data();
    void deviceVanishes();
    void windowClosedDuringWait_data();
    void windowClosedDuringWait();
    void clicksDuringWaitStartNothing();
};

void TestPanelLink::portCannotOpen_data() {
    QTest::addColumn<bool>("write");
    QTest::newRow("read") << false;
    QTest::newRow("write") << true;
}

void TestPanelLink::portCannotOpen() {
    QFETCH(bool, write);
    PanelRig rig;
    const QString missing = QStringLiteral("/dev/nvx-no-such-port");
    rig.port->setPortName(missing);
    showAllNotAssigned(*rig.form);
    rig.form->Text(2)->setText(QStringLiteral("LOBBY"));

    if (write)
        rig.operations->WRITE_CONFIG_Click();
    else
        rig.operations->READ_CONFIG_Click();

    QCOMPARE(rig.messages.shown.size(), 1);
    const QString text = rig.messages.shown[0].text;
    QVERIFY2(text.contains(missing), qPrintable(text));
    QVERIFY2(text.contains(QLatin1String("DOES NOT EXIST")), qPrintable(text));
    QCOMPARE(rig.messages.shown[0].title, QString::fromLatin1(texts::portTitle));
    QCOMPARE(rig.form->statusText(), QString::fromLatin1(texts::portUnavailable));
    QCOMPARE(rig.form->statusColour(), Form1::red);
    QVERIFY(!rig.port->portOpen());
    QVERIFY(rig.sim.received().isEmpty());
    QVERIFY(!rig.form->operationRunning());
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

    // Once the other program lets go, the port works again.
    other.close();
    rig.messages.shown.clear();
    rig.sim.setModel(71);
    rig.operations->READ_CONFIG_Click();
    QCOMPARE(rig.sim.received(), wakeUps(1) + reads({63}));
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
    QVERIFY(!rig.port->portOpen());
    QVERIFY(rig.messages.shown.isEmpty());
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
    QTest::newRow("read") << false;
    QTest::newRow("write") << true;
}

// Closing the window while an operation waits ends the wait at once; the operation stops
// sending, closes the port, and the window closes after it.
void TestPanelLink::windowClosedDuringWait() {
    QFETCH(bool, write);
    PanelRig rig;
    showAllNotAssigned(*rig.form);
    rig.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
    const int closeAt = 4;
    QObject::connect(&rig.sim, &PanelSim::commandReceived, rig.form.get(), [&](int number) {
        if (number == closeAt)
            rig.form->close();
    });

    if (write)
        rig.operations->WRITE_CONFIG_Click();
    else
        rig.operations->READ_CONFIG_Click();

    QCOMPARE(rig.sim.commandCount(), closeAt);
    QCOMPARE(rig.form->statusText(), QString::fromLatin1(texts::abandoned));
    QVERIFY(!rig.port->portOpen());
    QVERIFY(rig.messages.shown.isEmpty());
    QTRY_VERIFY(!rig.form->isVisible());
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
        ++clicks;
        QCOMPARE(rig.form->statusText(), QString::fromLatin1(texts::communicationsOk));
    });

    rig.form->READ_CONFIG->click();

    QCOMPARE(clicks, 1);
    QCOMPARE(rig.sim.received(), wakeUps(1) + reads({63, 0, 1, 2}));
    QCOMPARE(rig.form->statusText(), QString::fromLatin1(texts::badData));
    QVERIFY(!rig.port->portOpen());
    QVERIFY(!rig.form->operationRunning());
}

QTEST_MAIN(TestPanelLink)
#include "tst_panel_link.moc"
