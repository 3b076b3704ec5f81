// The program as wired: the command line, and a whole day's work through the window's own
// buttons: read a panel, save the file, open it again, write it into a blank panel.
#include "appearance.h"
#include "close_on_signal.h"
#include "config_sheet.h"
#include "location_table.h"
#include "panel_sim.h"
#include "program.h"
#include "screen_reader.h"
#include "scripted_file_dialog.h"
#include "scripted_messages.h"
#include "status_texts.h"
#include "trace_file.h"
#include "widgets.h"
#include "work_log.h"

#include <QAccessible>
#include <QApplication>
#include <QCommandLineParser>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QLoggingCategory>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>
#include <csignal>
#include <future>
#include <thread>

Q_DECLARE_METATYPE(CommandLine::Action)

// The link's pauses where the panel is another process or paced like a real line, short to keep
// the tests quick; its answers get a second, so that a busy machine never makes one late.
constexpr int shortPeriod = 50;
constexpr int replyWait = 1000;

namespace {

const PortSource noPorts = [] { return QList<SerialPortEntry>{}; };
const PortSource builtIn2AndAdapter = [] {
    QList<SerialPortEntry> ports{{}, {}};
    ports[0].portName = "ttyS1";
    ports[1].portName = "ttyUSB5";
    ports[1].usb = true;
    for (SerialPortEntry& port : ports)
        port.systemLocation = "/dev/" + port.portName;
    return ports;
};

// The entry every list shows.
QList<int> listRows(const Form1& form) {
    QList<int> rows;
    for (int n = 1; n <= 46; ++n)
        rows << form.List(n)->currentRow();
    rows << form.List(49)->currentRow();
    return rows;
}

QStringList boxTexts(const Form1& form) {
    QStringList shown;
    for (int n = 2; n <= 22; ++n)
        shown << form.Text(n)->text();
    return shown;
}

QString sample(const char* name) {
    return QDir(QStringLiteral(NVX_EXAMPLES)).filePath(QLatin1String(name));
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The sheet's preview answered by the test: it keeps the text of each sheet shown.
class ScriptedSheetPreview : public SheetPreview {
public:
    void show(QTextDocument& sheet) override { shown << sheet.toPlainText(); }
    QStringList shown;
};

// The rows of a work log as a spreadsheet reads them, after the byte-order mark: quoted
// cells, their quotes doubled, CR LF after each row.
QList<QStringList> logRows(const QString& path) {
    const QByteArray bytes = fileBytes(path);
    QList<QStringList> rows;
    QStringList row;
    QByteArray cell;
    bool quoted = false;
    for (qsizetype i = bytes.startsWith("\xEF\xBB\xBF") ? 3 : bytes.size(); i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '"' && quoted && bytes.mid(i + 1, 1) == "\"")
            cell += bytes[++i];
        else if (c == '"')
            quoted = !quoted;
        else if (quoted || (c != ',' && c != '\r'))
            cell += c;
        else if (row << QString::fromUtf8(std::exchange(cell, {})); c == '\r' && ++i)
            rows << std::exchange(row, {});
    }
    return rows;
}

} // namespace

class TestProgram : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        appearance::installFontSubstitutes();
        QCoreApplication::setApplicationName("nvx10config");
    }
    void commandLine_data();
    void commandLine();
    void fileAtStart_data();
    void fileAtStart();
    void simulatorHoldsAFile_data();
    void simulatorHoldsAFile();
    void traceFile();
    void panelToFileToPanel();
    void practicePanel();
    void statusTextsFitTheStatusLine_data();
    void statusTextsFitTheStatusLine();
    void signalsCloseAsTheWindowDoes_data();
    void signalsCloseAsTheWindowDoes();
    void signalDismissesAWaitingBox();
};

void TestProgram::commandLine_data() {
    using A = CommandLine::Action;
    using L = QStringList;
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<CommandLine::Action>("action");
    QTest::addColumn<QStringList>("ports");
    QTest::addColumn<QString>("trace");
    QTest::addColumn<QString>("printed"); // a piece of what is printed
    QTest::addColumn<QString>("file");
    QTest::newRow("no port named: the window chooses") << L{} << A::Run << L{} << ""
                                                       << ""
                                                       << "";
    QTest::newRow("--port NAME") << L{"--port", "/dev/ttyUSB0"} << A::Run << L{"/dev/ttyUSB0"} << ""
                                 << ""
                                 << "";
    QTest::newRow("--port=NAME, --trace FILE")
        << L{"--port=/dev/pts/7", "--trace", "/tmp/nvx.trace"} << A::Run << L{"/dev/pts/7"}
        << "/tmp/nvx.trace"
        << ""
        << "";
    // Each one listed; the first is the one chosen at start, so it must stay first.
    QTest::newRow("--port three times, in the order given")
        << L{"--port", "/dev/ttyUSB1", "--port=/tmp/ttyNVX", "--port", "ttyS0"} << A::Run
        << L{"/dev/ttyUSB1", "/tmp/ttyNVX", "ttyS0"} << ""
        << ""
        << "";
    QTest::newRow("Qt's own options pass to the window system")
        << L{"-platform", "offscreen", "-style=fusion", "-reverse", "--port", "ttyS1"} << A::Run
        << L{"ttyS1"} << ""
        << ""
        << "";
    QTest::newRow("--help") << L{"--help"} << A::Help << L{} << ""
                            << "--trace <FILE>"
                            << "";
    QTest::newRow("--help says --port may be repeated") << L{"--help"} << A::Help << L{} << ""
                                                        << "every port given is listed"
                                                        << "";
    QTest::newRow("-h after other options") << L{"--port", "ttyS1", "-h"} << A::Help << L{} << ""
                                            << "Usage: "
                                            << "";
    QTest::newRow("--version") << L{"--version"} << A::Version << L{} << ""
                               << "nvx10config 9.8.7\n"
                               << "";
    QTest::newRow("--port without a name") << L{"--port"} << A::Error << L{} << ""
                                           << "nvx10config: Missing value after '--port'."
                                           << "";
    QTest::newRow("--trace without a file") << L{"--trace"} << A::Error << L{} << ""
                                            << "Missing value after '--trace'."
                                            << "";
    QTest::newRow("unknown option with the usage") << L{"--baud", "19200"} << A::Error << L{} << ""
                                                   << "Unknown option 'baud'.\n\nUsage: "
                                                   << "";
    QTest::newRow("a file to open")
        << L{"--port", "ttyS1", "lobby.qcf"} << A::Run << L{"ttyS1"} << ""
        << "" << QDir::current().absoluteFilePath("lobby.qcf");
    QTest::newRow("a file after Qt's options")
        << L{"-style", "fusion", "/srv/site/hall.qcf"} << A::Run << L{} << ""
        << ""
        << "/srv/site/hall.qcf";
    QTest::newRow("two files") << L{"a.qcf", "b.qcf"} << A::Error << L{} << ""
                               << "nvx10config: Only one configuration file can be opened, not 2."
                               << "";
    // The practice panel is chosen ahead of the adapter and of any port named; a file after
    // --practice is the window's (--practice=FILE: simulatorHoldsAFile).
    const QString practice = "PRACTICE PANEL (SIMULATED)";
    QTest::newRow("--practice, --port NAME, a file to open")
        << L{"--port", "ttyS1", "--practice", "hall.qcf"} << A::Run << L{practice, "ttyS1"} << ""
        << "" << QDir::current().absoluteFilePath("hall.qcf");
    QTest::newRow("--work-log naming a configuration file")
        << L{"--work-log", "/srv/site/Hall.QCF"} << A::Error << L{} << ""
        << "nvx10config: --work-log: a configuration file (.qcf) is never a work log."
        << "";
    QTest::newRow("--help names the work log's place") << L{"--help"} << A::Help << L{} << ""
                                                       << "$XDG_STATE_HOME/nvx10config/work-log.csv"
                                                       << "";
    QTest::newRow("--practice= without a file")
        << L{"--practice="} << A::Error << L{} << ""
        << "nvx10config: --practice= names no configuration file.\n\nUsage: "
        << "";
}

void TestProgram::commandLine() {
    QFETCH(QStringList, arguments);
    QFETCH(CommandLine::Action, action);
    QFETCH(QStringList, ports);
    QFETCH(QString, trace);
    QFETCH(QString, printed);
    QFETCH(QString, file);
    QCoreApplication::setApplicationVersion("9.8.7");
    const CommandLine commandLine = parseCommandLine(QStringList{"nvx10config"} + arguments);
    QCOMPARE(commandLine.action, action);
    QCOMPARE(commandLine.exitStatus(), action == CommandLine::Action::Error ? 2 : 0);
    if (action == CommandLine::Action::Run) {
        QCOMPARE(commandLine.ports, ports);
        QCOMPARE(commandLine.trace, trace);
        QCOMPARE(commandLine.file, file);
        QVERIFY(commandLine.text.isEmpty());
        // The window, on a system that reports built-in port 2 and one USB adapter, lists
        // every port named and starts on the first one, else on the adapter.
        ScriptedMessages messages;
        ScriptedFileDialog dialog;
        Program program(commandLine.ports, messages, dialog, builtIn2AndAdapter);
        const PortSelector& selector = program.panel.portSelector();
        const auto listedAs = [&selector](const QString& name) {
            for (const SerialPortEntry& port : selector.listed()) {
                if (port.systemLocation == name || port.portName == name)
                    return port.systemLocation;
            }
            return QString();
        };
        for (const QString& port : ports)
            QVERIFY2(!listedAs(port).isEmpty(), qPrintable(port));
        QCOMPARE(selector.current(), listedAs(ports.value(0, "ttyUSB5")));
        QCOMPARE(program.port.portName(), selector.current());
    } else {
        QVERIFY2(commandLine.text.contains(printed), qPrintable(commandLine.text));
    }
}

// A file named on the command line opens once the window is up, exactly as OPEN CONFIGURATION
// FILE opens it: the same window afterwards, the same boxes, and the dialog offers it next.
void TestProgram::fileAtStart_data() {
    QTest::addColumn<QByteArray>("bytes"); // what the file holds; null: there is no file
    QTest::addColumn<QString>("title");    // of the one box shown, empty for none
    QTest::addColumn<QString>("cause");
    const QByteArray lobby = fileBytes(sample("lobby.qcf"));
    QVERIFY(!lobby.isEmpty());
    QTest::newRow("a sample") << lobby << ""
                              << "";
    QTest::newRow("a damaged file") << lobby.left(lobby.lastIndexOf(',')) << "FILE/MODEL MIS-MATCH"
                                    << "THE FILE HOLDS 51 FIELDS; A CONFIGURATION FILE HOLDS 52";
    QTest::newRow("no such file") << QByteArray() << "READ CONFIGURATION FILE"
                                  << "";
}

void TestProgram::fileAtStart() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, title);
    QFETCH(QString, cause);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("site.qcf");
    if (!bytes.isNull()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }

    ScriptedMessages startMessages;
    ScriptedFileDialog startDialog;
    Program started({}, startMessages, startDialog, noPorts);
    started.form.show();
    started.openAtStart(path);
    QVERIFY(startMessages.shown.isEmpty()); // not before the event loop runs
    QTRY_VERIFY(startDialog.FileName == path);

    ScriptedMessages buttonMessages;
    ScriptedFileDialog buttonDialog;
    Program clicked({}, buttonMessages, buttonDialog, noPorts);
    buttonDialog.choose = path;
    clicked.form.show();
    ScreenReader reader; // the window holds back once the dialog has gone, then settles
    clicked.form.READ_FILE->click();
    QVERIFY2(reader.count() <= 50, qPrintable(QString::number(reader.count())));

    QCOMPARE(startMessages.shown.size(), title.isEmpty() ? 0 : 1);
    QCOMPARE(buttonMessages.shown.size(), startMessages.shown.size());
    if (!title.isEmpty()) {
        QCOMPARE(startMessages.shown[0].title, title);
        QCOMPARE(startMessages.shown[0].cause, cause);
        QCOMPARE(startMessages.shown[0].text, buttonMessages.shown[0].text);
        QCOMPARE(startMessages.shown[0].cause, buttonMessages.shown[0].cause);
    }
    QCOMPARE(listRows(started.form), listRows(clicked.form));
    QCOMPARE(boxTexts(started.form), boxTexts(clicked.form));
    QCOMPARE(started.form.ProgressBar1->format(), clicked.form.ProgressBar1->format());
    // The table shows what the window holds: the file's designations and assignments.
    const LocationTableModel& table = started.form.locationTable();
    QCOMPARE(table.text(10, LocationTableModel::Designation),
             title.isEmpty() ? "ENTRANCE" : "DESIGNATION ");
    QCOMPARE(table.text(20, LocationTableModel::Window), title.isEmpty() ? "B 9" : "NOT SET");
    // A screen reader is told of an opened file as the bar tells of it; of a refused one the box
    // tells.
    QCOMPARE(QAccessible::queryAccessibleInterface(started.form.findChild<Announcer*>())
                 ->child(0)
                 ->text(QAccessible::Name),
             title.isEmpty() ? started.form.ProgressBar1->format() : QString());
    QVERIFY(startDialog.shown.isEmpty());
}

// nvx10-panel-sim --config FILE starts with the file's values: a read then shows what opening
// the file shows. A file the program refuses stops the simulator with the same cause. The
// practice panel holds a file given with --practice=FILE the same way, or refuses it on one
// line before any window.
void TestProgram::simulatorHoldsAFile_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("refusal"); // on standard error; empty: the simulator runs
    const QDir examples(QStringLiteral(NVX_EXAMPLES));
    for (const QString& name : examples.entryList({QStringLiteral("*.qcf")}, QDir::Files))
        QTest::newRow(qPrintable(name)) << examples.filePath(name) << "";
    QTest::newRow("a file of another model")
        << QStringLiteral(NVX_FUZZ_CORPUS "/lower-case-model.qcf")
        << "lower-case-model.qcf is refused:\nTHE FILE IS FOR MODEL \"51-20417-mdl or "
           "51-20426-mdl\"; THIS PROGRAM OPENS FILES FOR \"51-20417-MDL or 51-20426-MDL\"\n";
    QTest::newRow("a negative code") << QStringLiteral(NVX_FUZZ_CORPUS "/negative-code.qcf")
                                     << "FIELD 8 (SW3 CODE) HOLDS -1; AN ASSIGNMENT CODE IS "
                                        "NEVER NEGATIVE\n";
    QTest::newRow("no such file") << "/nonexistent/site.qcf"
                                  << "cannot read /nonexistent/site.qcf: ";
}

void TestProgram::simulatorHoldsAFile() {
    QFETCH(QString, file);
    QFETCH(QString, refusal);
    const CommandLine practising = parseCommandLine({"nvx10config", "--practice=" + file});
    QCOMPARE(practising.action == CommandLine::Action::Error, !refusal.isEmpty());
    QVERIFY(practising.text.contains(QString(refusal).replace(":\n", ": ")) &&
            practising.text.count('\n') == (refusal.isEmpty() ? 0 : 1));
    QProcess sim;
    sim.start(QStringLiteral(NVX_PANEL_SIM), {"--config", file});
    QVERIFY2(sim.waitForStarted(), qPrintable(sim.errorString()));
    if (!refusal.isEmpty()) {
        QVERIFY(sim.waitForFinished(10000));
        QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
        QVERIFY(sim.exitCode() != 0);
        const QString printed = QString::fromUtf8(sim.readAllStandardError());
        QVERIFY2(printed.contains(refusal), qPrintable(printed));
        QVERIFY(sim.readAllStandardOutput().isEmpty());
        return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(sim.canReadLine(), 10000);
    const QString device = QString::fromLocal8Bit(sim.readLine()).trimmed();

    ScriptedMessages readMessages;
    ScriptedFileDialog readDialog;
    Program read({device}, readMessages, readDialog, noPorts);
    read.panel.link().setPeriodForTests(shortPeriod, replyWait);
    read.form.READ_CONFIG->click();
    sim.terminate();
    QVERIFY(sim.waitForFinished(10000));
    QCOMPARE(read.form.statusText(), QStringLiteral("SWITCH PANEL DATA READ SUCCESSFUL"));

    ScriptedMessages openMessages;
    ScriptedFileDialog openDialog;
    Program opened({}, openMessages, openDialog, noPorts);
    opened.files.openFile(file);
    QCOMPARE(listRows(read.form), listRows(opened.form));
    QVERIFY(readMessages.shown.isEmpty());
    QVERIFY(openMessages.shown.isEmpty());
    Program practice(practising.ports, readMessages, readDialog, noPorts);
    QVERIFY(practising.practiceHolds);
    practice.panel.practicePanel().hold(*practising.practiceHolds);
    practice.panel.link().setPeriodForTests(shortPeriod, replyWait);
    practice.form.READ_CONFIG->click();
    QCOMPARE(listRows(practice.form), listRows(opened.form));
}

// --trace FILE: the trace of an operation lands in the file, one line per event, even with
// the category off in the logging rules; once the file is closed, nothing more is traced.
void TestProgram::traceFile() {
    PanelSim sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("serial.trace");
    QString error;
    {
        TraceFile trace;
        QVERIFY(!trace.open(dir.filePath("no-such-folder/serial.trace"), error));
        QVERIFY2(error.contains("no-such-folder"), qPrintable(error));
    }
    ScriptedMessages messages;
    ScriptedFileDialog dialog;
    Program program({sim.devicePath()}, messages, dialog, [] { return QList<SerialPortEntry>{}; });
    sim.setModel(71);
    // A work log that cannot be written (a folder) stops nothing: the bar's tooltip says so
    // after the first operation, and no more in that run.
    program.keepWorkLog(WorkLog(dir.path()));
    QLoggingCategory::setFilterRules("nvx.serial.debug=false");
    {
        TraceFile trace;
        QVERIFY2(trace.open(path, error), qPrintable(error));
        program.form.READ_CONFIG->click();
    }
    const QString notLogged = QStringLiteral("WORK LOG NOT WRITTEN: %1: ").arg(dir.path());
    QVERIFY2(program.form.ProgressBar1->toolTip().endsWith(notLogged + "Is a directory"),
             qPrintable(program.form.ProgressBar1->toolTip()));
    program.form.READ_CONFIG->click();
    QVERIFY(!program.form.ProgressBar1->toolTip().contains(notLogged));
    // The usual place: under XDG_STATE_HOME, made for its owner alone; else under the home.
    qputenv("XDG_STATE_HOME", dir.filePath("state").toLocal8Bit());
    QVERIFY(WorkLog(WorkLog::defaultPath()).append({"READ"}, {"TIME"}, error));
    QCOMPARE(logRows(dir.filePath("state/nvx10config/work-log.csv")).size(), 2);
    QCOMPARE(QFileInfo(dir.filePath("state/nvx10config")).permissions() & 0x0777, 0x0700);
    // Never written into a file that is not a work log: a configuration file stays as it was.
    QVERIFY(QFile::copy(sample("lobby.qcf"), dir.filePath("site.csv")));
    QVERIFY(!WorkLog(dir.filePath("site.csv")).append({"READ"}, {"TIME"}, error));
    QCOMPARE(error, QString("It is not a work log of this program."));
    QCOMPARE(fileBytes(dir.filePath("site.csv")), fileBytes(sample("lobby.qcf")));
    // Nor into one shorter than a log's first line: the start of a header is no log.
    const QByteArray cut = WorkLog::start().left(5);
    QVERIFY(writeFile(dir.filePath("cut.csv"), cut));
    QVERIFY(!WorkLog(dir.filePath("cut.csv")).append({"READ"}, {"TIME"}, error));
    QCOMPARE(error, QString("It is not a work log of this program."));
    QCOMPARE(fileBytes(dir.filePath("cut.csv")), cut);
    qunsetenv("XDG_STATE_HOME");
    const QDateTime marquesas(QDate(2026, 12, 9), QTime(7, 41, 58), Qt::OffsetFromUTC, -34200);
    QCOMPARE(WorkLog::timeText(marquesas), QString("2026-12-09T07:41:58-09:30"));
    QCOMPARE(WorkLog::defaultPath(), QDir::homePath() + "/.local/state/nvx10config/work-log.csv");
    QLoggingCategory::setFilterRules(QString());

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    QVERIFY2(lines.value(0).startsWith("nvx10config "), qPrintable(lines.value(0)));
    QCOMPARE(lines.size(), 1 + 7); // begin, open, A and its answer, 63 and its reply, end
    QVERIFY(lines[1].endsWith(" ms  READ CONFIGURATION FROM SWITCH PANEL"));
    QVERIFY(lines[3].endsWith(" ms  > A"));
    QVERIFY(lines[6].endsWith(" ms  < 0710\\r"));
    QVERIFY2(
        lines[7].endsWith(" ms  end: COMMUNICATIONS OK; A MODEL 71 PANEL ANSWERED \u2014 NOT READ"),
        qPrintable(lines[7]));
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
    Program program({sim.devicePath()}, messages, dialog);
    program.panel.link().setPeriodForTests(shortPeriod, replyWait);
    Form1& form = program.form;
    QTemporaryDir logDir;
    program.keepWorkLog(WorkLog(logDir.filePath("work-log.csv")));

    program.form.READ_CONFIG->click();
    QCOMPARE(form.statusText(), QString("SWITCH PANEL DATA READ SUCCESSFUL"));
    QCOMPARE(form.statusColour(), Form1::green);
    QCOMPARE(form.List(3)->currentItem()->text(), QString("B"));
    QCOMPARE(form.List(4)->currentItem()->text(), QString("2"));
    QCOMPARE(form.List(45)->currentItem()->text(), QString("90"));
    QCOMPARE(form.List(46)->currentItem()->text(), QString("50"));
    QCOMPARE(form.List(5)->currentItem()->text(), QString("N/A"));
    QCOMPARE(form.ProgressBar1->format(), QString("ALL 25 LOCATIONS READ"));

    // Save it (the window offers no control for this; the routine is called directly).
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    form.Text(2)->setText("LOBBY");
    dialog.choose = dir.filePath("east-wing.qcf");
    program.files.save_config_file();
    QVERIFY(QFile::exists(dialog.choose));
    QCOMPARE(dialog.shown.last().proposed, QString("LOBBY.qcf"));

    // A blank panel and a window showing something else.
    for (int address = 0; address <= 24; ++address)
        sim.setValue(address, 0);
    for (int n = 1; n <= 43; n += 2)
        QVERIFY(form.select(form.List(n), 0));

    // Open the file through the button: the dialog offers the file just saved. The bar says
    // the window now holds a file the panel does not, naming it as the file system does. The
    // table of all 25 locations, chosen now, stays through everything that follows.
    form.Option3->click();
    program.form.READ_FILE->click();
    QCOMPARE(dialog.shown.last().proposed, dialog.choose);
    QCOMPARE(form.Text(2)->text(), QString("LOBBY"));
    QCOMPARE(form.List(19)->currentItem()->text(), QString("D"));
    QCOMPARE(form.List(20)->currentItem()->text(), QString("8"));
    const QString opened = QStringLiteral("OPENED east-wing.qcf \u2014 NOT WRITTEN TO THE PANEL");
    QCOMPARE(form.ProgressBar1->format(), opened);
    QCOMPARE(form.ProgressBar1->value(), 0);
    QCOMPARE(form.ProgressBar1->toolTip(), QDir::toNativeSeparators(dialog.choose));

    // A file that is refused changes nothing in the window, the bar included.
    const QString damaged = dir.filePath("damaged.qcf");
    QFile junk(damaged);
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("\"51-20417-MDL\",\"SHORT\"\r\n");
    junk.close();
    dialog.choose = damaged;
    program.form.READ_FILE->click();
    QCOMPARE(messages.shown.size(), 1);
    messages.shown.clear();
    QCOMPARE(form.ProgressBar1->format(), opened);

    // A read that fails before any list changes leaves the window holding the file: the bar
    // says so again, with the failure ahead of the path in its tooltip. A panel of another
    // model is a result: the bar names it, and the file's notice joins its tooltip.
    dialog.choose = dir.filePath("east-wing.qcf");
    sim.setModel(71);
    program.form.READ_CONFIG->click();
    messages.shown.clear();
    QCOMPARE(form.ProgressBar1->format(), QString("A MODEL 71 PANEL ANSWERED \u2014 NOT READ"));
    QVERIFY(form.ProgressBar1->toolTip().endsWith(opened));
    sim.setModel(70);
    sim.setSilent(true);
    program.form.READ_CONFIG->click();
    QCOMPARE(form.ProgressBar1->format(), opened);
    QCOMPARE(form.ProgressBar1->toolTip(),
             QStringLiteral("STOPPED AT THE WAKE-UP: %1\n%2")
                 .arg(QLatin1String(texts::noResponse), QDir::toNativeSeparators(dialog.choose)));
    // One that stops part-way leaves a mix that is never written; opening the file ends it.
    sim.setSilent(false);
    sim.setShortReply(8, 3);
    program.form.READ_CONFIG->click();
    QCOMPARE(form.ProgressBar1->format(),
             QString("PARTLY READ: LOCATIONS 1 TO 8, THE REST AS BEFORE"));
    QVERIFY(form.ProgressBar1->toolTip().startsWith(
        QStringLiteral("STOPPED AT LOCATION 9 OF 25: %1\n").arg(QLatin1String(texts::badData))));
    const LocationTableModel& table = form.locationTable();
    QCOMPARE(table.text(8, LocationTableModel::Note), QString("NOT READ \u2014 AS BEFORE"));
    sim.clearReceived();
    program.form.WRITE_CONFIG->click();
    QCOMPARE(form.statusText(), QString("READ THE PANEL AGAIN OR OPEN A FILE BEFORE WRITING"));
    QCOMPARE(form.statusColour(), Form1::red);
    QVERIFY(sim.received().isEmpty());
    QVERIFY(form.ProgressBar1->format().startsWith(QStringLiteral("PARTLY READ:")));
    sim.setShortReply(8, 5);
    // The blank panel differs from the file, which is still not in it; opening a file takes
    // the marks away.
    program.form.READ_FILE->click();
    QVERIFY(table.text(8, LocationTableModel::Note).isEmpty());
    program.form.COMPARE_PANEL->click();
    QVERIFY(form.ProgressBar1->toolTip().endsWith(opened));
    QVERIFY(form.isMarked(19));
    QCOMPARE(table.text(9, LocationTableModel::Panel), QString("A 1"));
    // The sheet of what the window shows: the file, the model and port of the comparison,
    // and the table with what the panel holds where it differs.
    ScriptedSheetPreview preview;
    program.setSheetPreview(preview);
    form.PRINT_SHEET->click();
    for (const QString& line : QStringList{
             "PANEL NAME: LOBBY", "FILE: " + dialog.choose, "MODEL: 70",
             "PORT: " + sim.devicePath(), QStringLiteral("\n10\nSW10\n\nD 8\nA 1\nDIFFERS\n"),
             QStringLiteral("\n25\nDIMMED BACKLIGHTING AND INDICATOR\n\n50 %\n0 (NO CODE)\n")})
        QVERIFY2(preview.shown.value(0).contains(line), qPrintable(preview.shown.value(0)));
    program.form.READ_FILE->click();
    QVERIFY(!form.isMarked(19));
    QVERIFY(table.text(9, LocationTableModel::Panel).isEmpty() && !table.differs(9));
    QCOMPARE(form.ProgressBar1->format(), opened);

    // A write that stops at location 8 has sent locations 1 to 8.
    sim.setAckReply(7, "D0X0D");
    program.form.WRITE_CONFIG->click();
    sim.setAckReply(7, "D000D");
    program.form.WRITE_CONFIG->click();
    QCOMPARE(form.statusText(), QString("SWITCH PANEL HAS BEEN PROGRAMMED"));
    QCOMPARE(form.statusColour(), Form1::green);
    QCOMPARE(form.ProgressBar1->format(), QString("ALL 25 LOCATIONS VERIFIED"));
    QVERIFY(form.ProgressBar1->toolTip().isEmpty());
    for (int address = 0; address <= 24; ++address)
        QCOMPARE(sim.value(address), panel[address]);
    QVERIFY(!program.port.portOpen());
    QVERIFY(messages.shown.isEmpty());
    QVERIFY(form.Option3->isChecked() && !form.Grid1->isHidden() && form.List(1)->isHidden());

    // The panel holds the file now: a read that fails leaves the bar where it stopped.
    sim.setSilent(true);
    program.form.READ_CONFIG->click();
    QCOMPARE(form.ProgressBar1->format(), QString("STOPPED AT THE WAKE-UP"));
    // No panel named a model at the last operation: the sheet names none, nor a port.
    form.PRINT_SHEET->click();
    QVERIFY(!preview.shown.last().contains("MODEL") && !preview.shown.last().contains("PORT"));

    // The work log: a row for each read, write and comparison, refusals included, with what the
    // table showed of each location the operation read, sent or found.
    const char* const partly = "PARTLY READ: LOCATIONS 1 TO 8, THE REST AS BEFORE";
    // clang-format off
    struct LogRow { const char *operation, *model; bool file; const char *status, *bar;
                    int locations; const char *sw2, *dimmed; }; // file: the window shows it
    const LogRow expected[] = {
        {"READ", "70", false, "SWITCH PANEL DATA READ SUCCESSFUL", "ALL 25 LOCATIONS READ", 25, "B 2", "50 %"},
        {"READ", "71", true, "COMMUNICATIONS OK", "A MODEL 71 PANEL ANSWERED \u2014 NOT READ", 0, "", ""},
        {"READ", "", true, texts::noResponse, "OPENED east-wing.qcf \u2014 NOT WRITTEN TO THE PANEL", 0, "", ""},
        {"READ", "70", false, texts::badData, partly, 8, "A 1", ""},
        {"WRITE", "", false, "READ THE PANEL AGAIN OR OPEN A FILE BEFORE WRITING", partly, 0, "", ""},
        {"COMPARE", "70", true, "", "THE PANEL DIFFERS AT 24 OF 25 LOCATIONS", 25, "A 1", "0 (NO CODE)"},
        {"WRITE", "70", true, texts::badData, "HALF WRITTEN: 1 TO 7 NEW, 8 IN DOUBT \u2014 WRITE AGAIN", 8, "B 2", ""},
        {"WRITE", "70", true, texts::programmed, "ALL 25 LOCATIONS VERIFIED", 25, "B 2", "50 %"},
        {"READ", "", true, texts::noResponse, "STOPPED AT THE WAKE-UP", 0, "", ""},
    };
    // clang-format on
    const QList<QStringList> log = logRows(logDir.filePath("work-log.csv"));
    QCOMPARE(log.size(), 1 + int(std::size(expected)));
    QCOMPARE(log[0].mid(8, 3), QStringList({"STATUS LINE", "BAR", "SW1"}));
    const QString sha256 =
        QCryptographicHash::hash(fileBytes(dialog.choose), QCryptographicHash::Sha256).toHex();
    static const QRegularExpression isoTime(
        "^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[+-]\\d\\d:\\d\\d$");
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const LogRow& want = expected[i];
        const QStringList& row = log[int(i) + 1];
        QCOMPARE(row.size(), 10 + 25);
        QVERIFY2(isoTime.match(row[0]).hasMatch(), qPrintable(row[0]));
        const QString file = want.file ? dialog.choose : QString();
        QCOMPARE(row.mid(1, 9),
                 QStringList({want.operation, sim.devicePath(), "", want.model, file,
                              want.file ? sha256 : "", want.file ? "LOBBY" : "",
                              QString::fromUtf8(want.status), QString::fromUtf8(want.bar)}));
        QCOMPARE(row.mid(10).indexOf(""), want.locations == 25 ? -1 : want.locations);
        QCOMPARE(row[11], QString::fromUtf8(want.sw2));
        QCOMPARE(row.last(), QString::fromUtf8(want.dimmed));
    }
}

// nvx10config --practice: a round without hardware on the panel simulated inside the program,
// which holds the sample corridor.qcf and keeps what a write puts into it. The bar says it is
// the practice panel whatever it shows.
void TestProgram::practicePanel() {
    const CommandLine commandLine = parseCommandLine({"nvx10config", "--practice"});
    ScriptedMessages messages;
    ScriptedFileDialog dialog;
    Program program(commandLine.ports, messages, dialog, builtIn2AndAdapter);
    program.panel.link().setPeriodForTests(shortPeriod, replyWait);
    Form1& form = program.form;
    // The work log of earlier runs, two of which began it at the same moment, tried 20 times:
    // the header came once, first, and each row whole. Cells a spreadsheet would run as
    // formulas stay text.
    QTemporaryDir logDir;
    const QStringList header = WorkLog::header(form);
    WorkLog log;
    for (int round = 0; round < 20; ++round) {
        log = WorkLog(logDir.filePath(QStringLiteral("work-log-%1.csv").arg(round)));
        std::promise<void> go;
        const std::shared_future<void> started = go.get_future().share();
        std::vector<std::thread> runs;
        for (int run = 0; run < 2; ++run)
            runs.emplace_back([&log, &header, started] {
                started.wait();
                QString error;
                for (int row = 0; row < 50; ++row)
                    log.append({"=1+1", "x,\"y\"\r\n", "-", "\u00c9"}, header, error);
            });
        go.set_value();
        for (std::thread& run : runs)
            run.join();
        QCOMPARE(logRows(log.path()).count(header), 1);
    }
    program.keepWorkLog(log);
    // A sheet before anything filled the window: no file, no panel name, no model asked for.
    ScriptedSheetPreview preview;
    program.setSheetPreview(preview);
    form.PRINT_SHEET->click();
    QVERIFY(preview.shown.value(0).contains("PANEL NAME: NONE\nFILE: NONE\nTIME: "));
    QVERIFY(!preview.shown.value(0).contains("MODEL") && !preview.shown.value(0).contains("PORT"));
    QCOMPARE(form.Combo1->currentIndex(), form.Combo1->count() - 1);
    QCOMPARE(form.Combo1->currentText(), QString("PRACTICE PANEL (SIMULATED)"));
    QVERIFY(form.Combo1->toolTip().startsWith("A SWITCH PANEL SIMULATED INSIDE THIS PROGRAM") &&
            form.Combo1->toolTip().contains("IT HOLDS A SAMPLE CONFIGURATION"));
    QCOMPARE(form.ProgressBar1->format(), QString("PRACTICE PANEL"));
    const auto opened = [&dialog, &form](const char* name) {
        dialog.choose = sample(name);
        form.READ_FILE->click();
        return listRows(form);
    };
    const QList<int> corridor = opened("corridor.qcf");
    const QList<int> lobby = opened("lobby.qcf");
    form.READ_CONFIG->click();
    QCOMPARE(form.statusText(), QString("SWITCH PANEL DATA READ SUCCESSFUL"));
    QCOMPARE(form.ProgressBar1->format(), QString("PRACTICE PANEL \u2014 ALL 25 LOCATIONS READ"));
    QCOMPARE(listRows(form), corridor);
    QCOMPARE(opened("lobby.qcf"), lobby);
    QCOMPARE(form.ProgressBar1->format(),
             QString("PRACTICE PANEL \u2014 OPENED lobby.qcf \u2014 NOT WRITTEN TO THE PANEL"));
    form.WRITE_CONFIG->click();
    QCOMPARE(form.statusText(), QString("SWITCH PANEL HAS BEEN PROGRAMMED"));
    opened("corridor.qcf");
    form.READ_CONFIG->click();
    QCOMPARE(listRows(form), lobby);
    // Another port chosen, the mark goes; the practice panel chosen again, it comes back.
    form.Combo1->setCurrentIndex(0);
    QCOMPARE(form.ProgressBar1->format(), QString("ALL 25 LOCATIONS READ"));
    form.Combo1->setCurrentIndex(form.Combo1->count() - 1);
    QCOMPARE(form.ProgressBar1->format(), QString("PRACTICE PANEL \u2014 ALL 25 LOCATIONS READ"));

    form.Text(2)->setText("@ROOF");
    form.COMPARE_PANEL->click();
    const QList<QStringList> rows = logRows(log.path());
    QCOMPARE(rows.size(), 1 + 100 + 4);
    QCOMPARE(rows.first(), header);
    QCOMPARE(rows[100], QStringList({"'=1+1", "x,\"y\"\r\n", "'-", "\u00c9"}));
    QCOMPARE(rows.last().mid(1, 2), QStringList({"COMPARE", "PRACTICE PANEL (SIMULATED)"}));
    QCOMPARE(rows.last()[7], QString("'@ROOF"));
    QCOMPARE(rows.last()[9],
             QString("PRACTICE PANEL \u2014 THE PANEL HOLDS WHAT THE WINDOW SHOWS"));
}

void TestProgram::statusTextsFitTheStatusLine_data() {
    QTest::addColumn<QString>("text");
    for (const char* text :
         {texts::startingRead, texts::startingWrite, texts::communicationsOk, texts::outOfRange,
          texts::corrupted, texts::failedToVerify, texts::noResponse, texts::badData,
          texts::readSuccessful, texts::programmed, texts::switchesIncomplete,
          texts::lightingIncomplete, texts::portUnavailable, texts::noPortChosen,
          texts::connectionLost, texts::abandoned, texts::partlyReadNotWritten,
          FileOperations::switchesIncomplete, FileOperations::lightingIncomplete})
        QTest::newRow(text) << QString::fromLatin1(text);
}

// Every text the status line shows is readable whole: its lines, as laid out in the status
// font, fit inside the box with the document's margins, the last line included.
void TestProgram::statusTextsFitTheStatusLine() {
    QFETCH(QString, text);
    ScriptedMessages messages;
    ScriptedFileDialog dialog;
    Program program({}, messages, dialog, [] { return QList<SerialPortEntry>{}; });
    QPlainTextEdit* status = program.form.Text1;
    program.form.setStatusVisible(true);
    program.form.setStatusText(text);
    program.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&program.form));
    const QTextLayout* layout = status->document()->firstBlock().layout();
    const qreal needed = 2 * status->document()->documentMargin() + layout->boundingRect().height();
    QVERIFY2(layout->lineCount() <= 3, qPrintable(QString::number(layout->lineCount())));
    QVERIFY2(needed <= status->viewport()->height(),
             qPrintable(QStringLiteral("%1 px needed, %2 px inside the box")
                            .arg(needed)
                            .arg(status->viewport()->height())));
}

void TestProgram::signalsCloseAsTheWindowDoes_data() {
    QTest::addColumn<int>("signal");
    QTest::addColumn<QString>("button"); // what runs when the signal comes, empty for nothing
    QTest::addColumn<QString>("status");
    const QString programmed = QString::fromLatin1(texts::programmed);
    QTest::newRow("SIGTERM during a write") << SIGTERM << "WRITE_CONFIG" << programmed;
    QTest::newRow("SIGHUP during a write") << SIGHUP << "WRITE_CONFIG" << programmed;
    QTest::newRow("SIGINT during a write") << SIGINT << "WRITE_CONFIG" << programmed;
    QTest::newRow("SIGTERM during a read")
        << SIGTERM << "READ_CONFIG" << QString::fromLatin1(texts::abandoned);
    QTest::newRow("SIGINT with nothing running") << SIGINT << ""
                                                 << "";
}

// A logout, a kill or Ctrl+C in the terminal closes the window as its close button does, with
// a panel paced as a real line: a write runs to its end, so the panel holds all 25 new values;
// a read is abandoned at once; with nothing running the window closes at once.
void TestProgram::signalsCloseAsTheWindowDoes() {
    QFETCH(int, signal);
    QFETCH(QString, button);
    QFETCH(QString, status);
    PanelSim sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    sim.setPacing(true);
    ScriptedMessages messages;
    ScriptedFileDialog dialog;
    Program program({sim.devicePath()}, messages, dialog, [] { return QList<SerialPortEntry>{}; });
    program.panel.link().setPeriodForTests(shortPeriod, replyWait);
    Form1& form = program.form;
    for (const AssignmentItem& item : assignmentItems()) {
        QVERIFY(form.select(form.List(item.moduleList), 3));  // C
        QVERIFY(form.select(form.List(item.channelList), 5)); // channel 6
    }
    const CloseOnSignal closer(form);
    QVERIFY(closer.installed());
    QCOMPARE(closer.exitStatus(3), 3); // nothing asked yet: the program's own status
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QObject::connect(&sim, &PanelSim::commandReceived, &form, [signal](int number) {
        if (number == 10)
            std::raise(signal);
    });

    if (button.isEmpty())
        std::raise(signal);
    else
        form.findChild<QPushButton*>(button)->click();

    QTRY_VERIFY(!form.isVisible());
    QCOMPARE(closer.received(), signal);
    QCOMPARE(closer.exitStatus(0), 128 + signal); // as a shell tells a signal's end
    if (button.isEmpty())
        return;
    QCOMPARE(form.statusText(), status);
    const int written = status == QString::fromLatin1(texts::programmed) ? 22 : 0;
    for (int address = 0; address < 22; ++address)
        QCOMPARE(sim.value(address), address < written ? 25 : 160);
    // A write: the wake-up, the model, 25 writes with their read-backs and the 25 reads of
    // the check, and the model once more.
    QCOMPARE(sim.commandCount(), written ? 2 + 2 * 25 + 25 + 1 : 10);
}

// A box waiting for an answer (a port that cannot be opened) does not keep the program open
// after a logout or a kill: it is dismissed, the read ends and the window closes.
void TestProgram::signalDismissesAWaitingBox() {
    QtMessageBoxes messages;
    ScriptedFileDialog dialog;
    Program program({QStringLiteral("/dev/nvx-no-such-port")}, messages, dialog,
                    [] { return QList<SerialPortEntry>{}; });
    messages.setParent(&program.form);
    const CloseOnSignal closer(program.form);
    program.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&program.form));
    bool boxSeen = false;
    QTimer::singleShot(200, [&boxSeen] {
        boxSeen = QApplication::activeModalWidget() != nullptr;
        std::raise(SIGTERM);
    });
    // Should the box stay, the test must still end: it is closed by hand, late, and noted.
    bool stayed = false;
    QTimer::singleShot(3000, [&stayed] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            stayed = true;
            box->close();
        }
    });
    program.form.READ_CONFIG->click();
    QVERIFY(boxSeen);
    QVERIFY(!stayed);
    QCOMPARE(program.form.statusText(), QString::fromLatin1(texts::portUnavailable));
    QTRY_VERIFY(!program.form.isVisible());
    QCOMPARE(closer.received(), SIGTERM);
}

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
