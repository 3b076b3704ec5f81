#include "program.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QPushButton>

Program::Program(const QString& requestedPort, MessageBoxes& messages, FileDialog& dialog,
                 PortSource ports)
    : form(messages), port(requestedPort), panel(form, port, std::move(ports)),
      files(form, dialog) {
    panel.connectButtons();
    QObject::connect(form.READ_FILE, &QPushButton::clicked, &form,
                     [this] { files.READ_FILE_Click(); });
}

namespace {

// The options every Qt program takes (-platform xcb, -style fusion, ...). QApplication takes
// them from the command line itself; the parser only lets them pass.
struct QtOption {
    const char* name;
    bool takesValue;
};
constexpr QtOption qtOptions[] = {
    {"platform", true},        {"platformpluginpath", true},
    {"platformtheme", true},   {"plugin", true},
    {"qwindowgeometry", true}, {"qwindowicon", true},
    {"qwindowtitle", true},    {"session", true},
    {"display", true},         {"geometry", true},
    {"style", true},           {"stylesheet", true},
    {"reverse", false},        {"widgetcount", false},
    {"nograb", false},         {"dograb", false},
    {"sync", false},
};

const QString portOption = QStringLiteral("port");
const QString traceOption = QStringLiteral("trace");

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
        QStringLiteral("Serial port of the panel, chosen in the window at start and listed there "
                       "even when the system does not report it (for example /dev/ttyUSB0, or "
                       "the /dev/pts/N path a simulated panel prints). Without it the window "
                       "starts on %1 when present, else on the one USB adapter, else on the "
                       "first port found.")
            .arg(SerialCommPort::nameOfPort(1)),
        QStringLiteral("NAME")));
    parser.addOption(QCommandLineOption(
        traceOption,
        QStringLiteral("Write a serial trace for support to FILE: the port and its settings, "
                       "every command and reply with the milliseconds since the operation "
                       "began, and each outcome. QT_LOGGING_RULES=\"nvx.serial.debug=true\" "
                       "sends the same to standard error."),
        QStringLiteral("FILE")));
    for (const QtOption& qt : qtOptions) {
        QCommandLineOption option(QString::fromLatin1(qt.name));
        if (qt.takesValue)
            option.setValueName(QStringLiteral("VALUE"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    CommandLine result;
    if (!parser.parse(arguments)) {
        result.action = CommandLine::Action::Error;
        result.text =
            QStringLiteral("%1: %2\n\n%3")
                .arg(QCoreApplication::applicationName(), parser.errorText(), parser.helpText());
        return result;
    }
    if (parser.isSet(help)) {
        result.action = CommandLine::Action::Help;
        result.text = parser.helpText();
    } else if (parser.isSet(version)) {
        result.action = CommandLine::Action::Version;
        result.text = QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(),
                                                    QCoreApplication::applicationVersion());
    }
    result.port = parser.value(portOption);
    result.trace = parser.value(traceOption);
    return result;
}
