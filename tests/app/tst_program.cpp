// The program as wired: the command line, and a whole day's work through the window's own
// buttons: read a panel, save the file, open it again, write it into a blank panel.
#include "appearance.h"
#include "panel_sim.h"
#include "program.h"
#include "scripted_file_dialog.h"
#include "scripted_messages.h"

#include <QCommandLineParser>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

class TestProgram : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { appearance::installFontSubstitutes(); }
    void commandLine_data();
    void commandLine();
    void panelToFileToPanel();
};

void TestProgram::commandLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("port");
    QTest::newRow("first serial port by default") << QStringList{} << true << "/dev/ttyS0";
    QTest::newRow("--port NAME") << QStringList{"--port", "/dev/ttyUSB0"} << true << "/dev/ttyUSB0";
    QTest::newRow("--port=NAME") << QStringList{"--port=/dev/pts/7"} << true << "/dev/pts/7";
    QTest::newRow("--port without a name") << QStringList{"--port"} << false << "";
    QTest::newRow("unknown option") << QStringList{"--baud", "19200"} << false << "";
}

void TestProgram::commandLine() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, accepted);
    QFETCH(QString, port);
    QCommandLineParser parser;
    addCommandLineOptions(parser);
    QCOMPARE(parser.parse(QStringList{"nvx10config"} + arguments), accepted);
    if (accepted)
        QCOMPARE(portName(parser), port);
}

void TestProgram::panelToFileToPanel() {
    PanelSim sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    // A panel with a few items tied, the rest not assigned, and non-default intensities.
    const QMap<int, int> configured{{0, 0},   {1, 11},  {9, 37}, {10, 159}, {19, 150},
                                    {20, 21}, {21, 34}, {22, 7}, {23, 10},  {24, 3}};
    for (auto it = configured.cbegin(); it != configured.cend(); ++it)
        sim.setValue(it.key(), it.value());
    QList<int> panel;
    for (int address = 0; address <= 24; ++address)
        panel << sim.value(address);

    ScriptedMessages messages;
    ScriptedFileDialog dialog;
    Program program(sim.devicePath(), messages, dialog);
    Form1& form = program.form;

    program.form.READ_CONFIG->click();
    QCOMPARE(form.statusText(), QString("SWITCH PANEL DATA READ SUCCESSFUL"));
    QCOMPARE(form.statusColour(), Form1::green);
    QCOMPARE(form.List(3)->currentItem()->text(), QString("B"));
    QCOMPARE(form.List(4)->currentItem()->text(), QString("2"));
    QCOMPARE(form.List(45)->currentItem()->text(), QString("90"));
    QCOMPARE(form.List(46)->currentItem()->text(), QString("50"));
    QCOMPARE(form.List(5)->currentItem()->text(), QString("N/A"));

    // Save it (the window offers no control for this; the routine is called directly).
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    form.Text(2)->setText("LOBBY");
    dialog.choose = dir.filePath("LOBBY.qcf");
    program.files.save_config_file();
    QVERIFY(QFile::exists(dialog.choose));
    QCOMPARE(dialog.shown.last().proposed, QString("LOBBY.qcf"));

    // A blank panel and a window showing something else.
    for (int address = 0; address <= 24; ++address)
        sim.setValue(address, 0);
    for (int n = 1; n <= 43; n += 2)
        QVERIFY(form.select(form.List(n), 0));

    // Open the file through the button: the dialog offers the file just saved.
    program.form.READ_FILE->click();
    QCOMPARE(dialog.shown.last().proposed, dialog.choose);
    QCOMPARE(form.Text(2)->text(), QString("LOBBY"));
    QCOMPARE(form.List(19)->currentItem()->text(), QString("D"));
    QCOMPARE(form.List(20)->currentItem()->text(), QString("8"));

    program.form.WRITE_CONFIG->click();
    QCOMPARE(form.statusText(), QString("SWITCH PANEL HAS BEEN PROGRAMMED"));
    QCOMPARE(form.statusColour(), Form1::green);
    for (int address = 0; address <= 24; ++address)
        QCOMPARE(sim.value(address), panel[address]);
    QVERIFY(!program.port.portOpen());
    QVERIFY(messages.shown.isEmpty());
}

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
