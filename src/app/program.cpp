#include "program.h"

#include "log_file.h"

#include "file_dialog.h"
#include "messages.h"
#include "panel_sim.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTextDocument>
#include <QTimer>

Program::Program(const QStringList& requestedPorts, MessageBoxes& messages, FileDialog& dialog,
                 PortSource ports, PortSelector::Listing listing)
    : form(messages), port(requestedPorts.value(0)),
      panel(form, port, std::move(ports), requestedPorts, listing), files(form, dialog) {
    panel.connectButtons();
    panel.setDoneHandler([this](const PanelOperations::Done& done) { logDone(done); });
    qtPreview_.setParent(&form);
    QObject::connect(form.PRINT_SHEET, &QPushButton::clicked, &form, [this] { printSheet(); });
    QObject::connect(form.READ_FILE, &QPushButton::clicked, &form,
                     [this] { files.READ_FILE_Click(); });
    // A file opened into the window is not in the panel yet: the bar says so until the next
    // panel operation, and a screen reader is told so once. Marks of a comparison with the
    // panel belong to what the window showed.
    files.setOpenedHandler([this](const QString& fileName) {
        QFile file(fileName);
        fileShown_ = {
            fileName,
            file.open(QIODevice::ReadOnly)
                ? QString::fromLatin1(
                      QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex())
                : QString()};
        form.clearMarks();
        panel.progress().fileOpened(fileName);
        form.announce(form.ProgressBar1->format());
    });
}

sheet::Facts Program::sheetFacts() const {
    sheet::Facts facts;
    if (form.origin() == Form1::Origin::File)
        facts.file = fileShown_.path;
    if (lastDone_ && lastDone_->model) {
        facts.model = QString::number(*lastDone_->model);
        facts.port = lastDone_->port;
    }
    facts.time = QDateTime::currentDateTime();
    return facts;
}

void Program::printSheet() {
    // Not while the panel is read or written: the sheet would show half of it.
    const Form1::Operation operation(form, false);
    if (!operation)
        return;
    const std::unique_ptr<QTextDocument> sheet = sheet::document(form, sheetFacts());
    preview_->show(*sheet);
}

void Program::logDone(const PanelOperations::Done& done) {
    lastDone_ = done;
    // The file only while the window shows it: a read replaces it.
    const bool fileShown = form.origin() == Form1::Origin::File;
    QString error;
    if (log_.append(WorkLog::row(form, done, fileShown ? fileShown_ : WorkLog::File{}),
                    WorkLog::header(form), error) ||
        logFailureTold_)
        return;
    logFailureTold_ = true;
    const QString told = QStringLiteral("WORK LOG NOT WRITTEN: %1: %2")
                             .arg(QDir::toNativeSeparators(log_.path()), error);
    const QString toolTip = form.ProgressBar1->toolTip();
    form.ProgressBar1->setToolTip(toolTip.isEmpty() ? told : toolTip + QLatin1Char('\n') + told);
}

void Program::openAtStart(const QString& fileName) {
    if (!fileName.isEmpty())
        QTimer::singleShot(0, &form, [this, fileName] { files.openFile(fileName); });
}

namespace {

// The options every Qt program takes (-platform xcb, -style fusion, ...). QApplication takes
// them from the command line itself; the parser only lets them pass, and --help-all lists them.
struct QtOption {
    const char* name;
    const char* value; // nullptr for a switch
    const char* help;
};
constexpr QtOption qtOptions[] = {
    {"platform", "NAME", "Window system plugin: xcb, wayland, offscreen."},
    {"platformpluginpath", "PATH", "Folder of window system plugins."},
    {"platformtheme", "NAME", "Desktop theme plugin."},
    {"plugin", "NAME", "Extra input plugin (for example evdevtouch)."},
    {"qwindowgeometry", "GEOMETRY", "Size and place of the window (WxH+X+Y)."},
    {"qwindowicon", "FILE", "Icon of the window."},
    {"qwindowtitle", "TITLE", "Title of the window."},
    {"session", "ID", "Session to restore."},
    {"display", "DISPLAY", "X display to use."},
    {"geometry", "GEOMETRY", "Size and place of the window (WxH+X+Y), on X."},
    {"style", "NAME", "Widget style: fusion, windows."},
    {"stylesheet", "FILE", "Qt style sheet applied to the window."},
    {"reverse", nullptr, "Lays the window out right to left."},
    {"widgetcount", nullptr, "Prints how many widgets were left undeleted at the end."},
    {"nograb", nullptr, "Never grabs the mouse or the keyboard, on X."},
    {"dograb", nullptr, "Grabs the mouse and keyboard even under a debugger, on X."},
    {"sync", nullptr, "Runs X in synchronous mode, for debugging."},
};

// The Qt options in the layout of the help text, for --help-all.
QString qtOptionsHelp() {
    QString text = QStringLiteral("\nQt options (taken by the window system, not by %1):\n")
                       .arg(QCoreApplication::applicationName());
    for (const QtOption& qt : qtOptions) {
        QString name = QStringLiteral("-%1").arg(QLatin1String(qt.name));
        if (qt.value)
            name += QStringLiteral(" <%1>").arg(QLatin1String(qt.value));
        text += QStringLiteral("  %1  %2\n").arg(name, -28).arg(QLatin1String(qt.help));
    }
    return text;
}

const QString portOption = QStringLiteral("port");
const QString traceOption = QStringLiteral("trace");
const QString workLogOption = QStringLiteral("work-log");
const QString sheetOption = QStringLiteral("sheet");

// `text` on one line: the lines of a box's text joined.
QString oneLine(QString text) {
    return text.replace(QLatin1String(":\n"), QLatin1String(": "))
        .replace(QLatin1Char('\n'), QLatin1String("; "));
}

// The boxes of an open without a window: the last one's text and cause are kept.
class KeptMessages : public MessageBoxes {
public:
    void message(const QString& text, const QString&, const QString& cause) override {
        last = cause.isEmpty() ? text : cause;
    }
    QString last;
};
const QString platformOption = QStringLiteral("platform");
const QString displayOption = QStringLiteral("display");
const QString practiceOption = QStringLiteral("practice");

// The parser knows no option whose value may be left out: --practice=FILE is taken apart here,
// and the parser is given --practice alone. `file` is what followed the "=".
QStringList practiceFileTaken(QStringList arguments, std::optional<QString>& file) {
    static const QRegularExpression withFile(QStringLiteral("^--?practice=(.*)$"),
                                             QRegularExpression::DotMatchesEverythingOption);
    for (qsizetype i = 1; i < arguments.size() && arguments[i] != QLatin1String("--"); ++i) {
        const QRegularExpressionMatch given = withFile.match(arguments[i]);
        if (given.hasMatch()) {
            file = given.captured(1);
            arguments[i] = QStringLiteral("--") + practiceOption;
        }
    }
    return arguments;
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Reads, shows and writes the configuration of a KDR NVX 10 button dimmable "
                       "switch panel on a serial port, and opens configuration files (.qcf)."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addOption(QCommandLineOption(
        portOption,
        QStringLiteral("Serial port of the panel, listed in the window even when the system "
                       "does not report it (for example /dev/ttyUSB0, or the /dev/pts/N path a "
                       "simulated panel prints). May be given more than once: every port given "
                       "is listed, FIND PANEL tries them too, and the first is chosen at start. "
                       "Without it the window starts on %1 when present, else on the one USB "
                       "adapter, else on the first port found, else on the practice panel.")
            .arg(SerialCommPort::nameOfPort(1)),
        QStringLiteral("NAME")));
    parser.addOption(QCommandLineOption(
        traceOption,
        QStringLiteral("Write a serial trace for support to FILE: the port and its settings, "
                       "every command and reply with the milliseconds since the operation "
                       "began, and each outcome. QT_LOGGING_RULES=\"nvx.serial.debug=true\" "
                       "sends the same to standard error."),
        QStringLiteral("FILE")));
    parser.addOption(QCommandLineOption(
        workLogOption,
        QStringLiteral("Append the work log, one CSV row for every READ, WRITE and COMPARE, to "
                       "FILE instead of %1.")
            .arg(logfile::usualPlaceText()),
        QStringLiteral("FILE")));
    parser.addOption(QCommandLineOption(
        sheetOption,
        QStringLiteral("Write the configuration sheet of FILE.qcf (its panel name, the file, the "
                       "time and the table of all 25 locations with their designations) to "
                       "OUT.pdf and end, without a window or a display."),
        QStringLiteral("OUT.pdf")));
    parser.addOption(QCommandLineOption(
        practiceOption,
        QStringLiteral("Start on the PRACTICE PANEL (SIMULATED), the last entry of the SERIAL PORT "
                       "list: a panel simulated inside the program that reads, writes and "
                       "compares as a real one does, without hardware; the bar says PRACTICE "
                       "PANEL throughout. It holds the sample corridor.qcf, or with "
                       "--practice=FILE.qcf that file, refused as OPEN CONFIGURATION FILE "
                       "refuses it. What is written into it stays until the program ends.")));
    parser.addPositionalArgument(
        QStringLiteral("FILE.qcf"),
        QStringLiteral("Configuration file to open at start, as OPEN CONFIGURATION FILE does "
                       "(the file manager passes a double-clicked .qcf file this way)."),
        QStringLiteral("[FILE.qcf]"));
    for (const QtOption& qt : qtOptions) {
        QCommandLineOption option(QString::fromLatin1(qt.name));
        if (qt.value)
            option.setValueName(QString::fromLatin1(qt.value));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    CommandLine result;
    QString error;
    std::optional<QString> practiceFile;
    if (!parser.parse(practiceFileTaken(arguments, practiceFile)))
        error = parser.errorText();
    else if (practiceFile && practiceFile->isEmpty())
        error = QStringLiteral("--practice= names no configuration file.");
    else if (parser.value(workLogOption).endsWith(QLatin1String(".qcf"), Qt::CaseInsensitive))
        error = QStringLiteral("--work-log: a configuration file (.qcf) is never a work log.");
    else if (parser.isSet(sheetOption) && parser.positionalArguments().isEmpty())
        error = QStringLiteral("--sheet needs the configuration file whose sheet it writes.");
    else if (parser.value(sheetOption).endsWith(QLatin1String(".qcf"), Qt::CaseInsensitive))
        error =
            QStringLiteral("--sheet: a sheet is never written into a configuration file (.qcf).");
    else if (parser.positionalArguments().size() > 1)
        error = QStringLiteral("Only one configuration file can be opened, not %1.")
                    .arg(parser.positionalArguments().size());
    if (!error.isEmpty()) {
        result.action = CommandLine::Action::Error;
        result.text = QStringLiteral("%1: %2\n\n%3")
                          .arg(QCoreApplication::applicationName(), error, parser.helpText());
        return result;
    }
    if (parser.isSet(help)) {
        result.action = CommandLine::Action::Help;
        result.text = parser.helpText();
    } else if (parser.isSet(QStringLiteral("help-all"))) {
        result.action = CommandLine::Action::Help;
        result.text = parser.helpText() + qtOptionsHelp();
    } else if (parser.isSet(version)) {
        result.action = CommandLine::Action::Version;
        result.text = QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(),
                                                    QCoreApplication::applicationVersion());
    }
    result.ports = parser.values(portOption);
    if (parser.isSet(practiceOption))
        result.ports.prepend(practicePanelName);
    if (practiceFile && result.action == CommandLine::Action::Run) {
        qcf::Record held;
        QString refusal;
        const QString path = QFileInfo(*practiceFile).absoluteFilePath();
        if (!PanelSim::readConfiguration(path, held, refusal)) {
            // One line, as the other refusals before the window.
            result.action = CommandLine::Action::Error;
            result.text = QStringLiteral("%1: --practice: %2\n")
                              .arg(QCoreApplication::applicationName(),
                                   refusal.replace(QLatin1String(":\n"), QLatin1String(": "))
                                       .replace(QLatin1Char('\n'), QLatin1String("; ")));
            return result;
        }
        result.practiceHolds = held;
    }
    result.trace = parser.value(traceOption);
    result.workLog = parser.isSet(workLogOption)
                         ? QFileInfo(parser.value(workLogOption)).absoluteFilePath()
                         : WorkLog::defaultPath();
    if (parser.isSet(sheetOption))
        result.sheet = QFileInfo(parser.value(sheetOption)).absoluteFilePath();
    result.windowSystem = parser.value(platformOption);
    result.display = parser.value(displayOption);
    if (!parser.positionalArguments().isEmpty())
        result.file = QFileInfo(parser.positionalArguments().first()).absoluteFilePath();
    return result;
}

QString CommandLine::missingDisplay() const {
    // Windows always has its desktop's window system.
    if (QSysInfo::productType() == QLatin1String("windows"))
        return QString();
    const QString chosen =
        windowSystem.isEmpty() ? qEnvironmentVariable("QT_QPA_PLATFORM") : windowSystem;
    // Without a choice the desktop's own is used: X, or Wayland where it names its display.
    if (chosen.isEmpty() && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return QString();
    if (!chosen.isEmpty() && !chosen.startsWith(QLatin1String("xcb")))
        return QString();
    if (!display.isEmpty() || !qEnvironmentVariableIsEmpty("DISPLAY"))
        return QString();
    return QStringLiteral("no display (DISPLAY is not set)");
}

bool writeSheet(const QString& pdf, const QString& fileName, QString& error) {
    KeptMessages messages;
    Form1 form(messages);
    QtFileDialog dialog; // never shown: the file is named
    FileOperations files(form, dialog);
    bool opened = false;
    files.setOpenedHandler([&opened](const QString&) { opened = true; });
    files.openFile(fileName);
    if (!opened) {
        // A file that cannot be opened is named in the box's text already.
        const QString cause = oneLine(messages.last);
        const QString file = QDir::toNativeSeparators(fileName);
        error = cause.contains(file) ? QStringLiteral("--sheet: %1").arg(cause)
                                     : QStringLiteral("--sheet: %1: %2").arg(file, cause);
        return false;
    }
    if (!sheet::writePdf(form, {fileName, {}, {}, QDateTime::currentDateTime()}, pdf, error)) {
        error = QStringLiteral("--sheet: cannot write %1: %2").arg(pdf, error);
        return false;
    }
    return true;
}
