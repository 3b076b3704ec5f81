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

Q_DECLARE_METATYPE(CommandLine::Action)

class TestProgram : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        appearance::installFontSubstitutes();
        QCoreApplication::setApplicationName("nvx10config");
    }
    void commandLine_data();
    void commandLine();
    void panelToFileToPanel();
};

void TestProgram::commandLine_data() {
    using A = CommandLine::Action;
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<CommandLine::Action>("action");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("printed"); // a piece of what is printed
    QTest::newRow("first serial port by default") << QStringList{} << A::Run << "/dev/ttyS0"
                                                  << "";
    QTest::newRow("--port NAME") << QStringList{"--port", "/dev/ttyUSB0"} << A::Run
                                 << "/dev/ttyUSB0"
                                 << "";
    QTest::newRow("--port=NAME") << QStringList{"--port=/dev/pts/7"} << A::Run << "/dev/pts/7"
                                 << "";
    QTest::newRow("Qt's own options pass to the window system")
        << QStringList{"-platform", "offscreen", "-style=fusion", "-reverse", "--port", "ttyS1"}
        << A::Run << "ttyS1"
        << "";
    QTest::newRow("--help") << QStringList{"--help"} << A::Help << ""
                            << "--port <NAME>";
    QTest::newRow("-h after other options") << QStringList{"--port", "ttyS1", "-h"} << A::Help << ""
                                            << "Usage: ";
    QTest::newRow("--version") << QStringList{"--version"} << A::Version << ""
                               << "nvx10config 9.8.7\n";
    QTest::newRow("--port without a name") << QStringList{"--port"} << A::Error << ""
                                           << "nvx10config: Missing value after '--port'.";
    QTest::newRow("unknown option with the usage")
        << QStringList{"--baud", "19200"} << A::Error << ""
        << "Unknown option 'baud'.\n\nUsage: ";
}

void TestProgram::commandLine() {
    QFETCH(QStringList, arguments);
    QFETCH(CommandLine::Action, action);
    QFETCH(QString, port);
    QFETCH(QString, printed);
    QCoreApplication::setApplicationVersion("9.8.7");
    const CommandLine commandLine = parseCommandLine(QStringList{"nvx10config"} + arguments);
    QCOMPARE(commandLine.action, action);
    QCOMPARE(commandLine.exitStatus(), action == CommandLine::Action::Error ? 2 : 0);
    if (action == CommandLine::Action::Run) {
        QCOMPARE(portName(commandLine), port);
        QVERIFY(commandLine.text.isEmpty());
    } else {
        QVERIFY2(commandLine.text.contains(printed), qPrintable(commandLine.text));
    }
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
