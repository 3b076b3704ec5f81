// Start-up: the command line, fonts, then the window with its message boxes, file dialog
// and serial port.
#include "appearance.h"
#include "close_on_signal.h"
#include "console.h"
#include "file_dialog.h"
#include "messages.h"
#include "program.h"
#include "trace_file.h"

#include <QApplication>
#include <QSysInfo>

#include <cstdio>
#include <cstdlib>

namespace {

// The panel operations while the window exists, for the trace's last line should the window
// system end the program during one: an X server that goes away ends it at once.
PanelOperations* runningOperations = nullptr;

struct UnfinishedOperationTrace {
    explicit UnfinishedOperationTrace(PanelOperations& operations) {
        runningOperations = &operations;
        std::atexit([] {
            if (runningOperations)
                runningOperations->traceUnfinished(TraceFile::lastWarning());
        });
    }
    ~UnfinishedOperationTrace() { runningOperations = nullptr; }
};

} // namespace

int main(int argc, char* argv[]) {
    console::useStartingConsole();
    // No application display name: the desktop would append it to every window's title.
    QCoreApplication::setApplicationName(QStringLiteral("nvx10config"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));

    // The command line is read before anything needs the window system, so --help,
    // --version and a mistyped option are answered without a display.
    CommandLine commandLine;
    {
        const QCoreApplication reader(argc, argv);
        commandLine = parseCommandLine(QCoreApplication::arguments());
    }
    if (commandLine.action != CommandLine::Action::Run) {
        std::FILE* out = commandLine.action == CommandLine::Action::Error ? stderr : stdout;
        std::fputs(commandLine.text.toLocal8Bit().constData(), out);
        return commandLine.exitStatus();
    }

    // The sheet of a file needs no window, nor a display: it is drawn offscreen. Windows' own
    // window system is always there, and it alone knows the system's fonts.
    if (!commandLine.sheet.isEmpty()) {
        if (QSysInfo::productType() != QLatin1String("windows"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        const QApplication app(argc, argv);
        appearance::installFontSubstitutes();
        QString error;
        if (writeSheet(commandLine.sheet, commandLine.file, error))
            return 0;
        std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()),
                     qPrintable(error));
        return 2;
    }

    // Before the trace is opened: a start that cannot show the window leaves an earlier trace
    // as it was.
    if (const QString cause = commandLine.missingDisplay(); !cause.isEmpty()) {
        std::fprintf(stderr, "%s: cannot open the window: %s\n",
                     qPrintable(QCoreApplication::applicationName()), qPrintable(cause));
        return 1;
    }

    TraceFile trace;
    QString error;
    if (!commandLine.trace.isEmpty() && !trace.open(commandLine.trace, error)) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()),
                     qPrintable(error));
        return 2; // a mistake on the command line, as a mistyped option is
    }

    QApplication app(argc, argv);
    // Ties the window to its menu entry (the Wayland app id, the taskbar's icon).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.nvx10.nvx10config"));
    appearance::installFontSubstitutes();

    QtMessageBoxes messages;
    QtFileDialog dialog;
    // The window shows at once; the serial ports are listed beside it.
    Program program(commandLine.ports, messages, dialog, systemSerialPorts,
                    PortSelector::Listing::InBackground);
    if (commandLine.practiceHolds)
        program.panel.practicePanel().hold(*commandLine.practiceHolds);
    program.keepWorkLog(WorkLog(commandLine.workLog));
    messages.setParent(&program.form);
    dialog.setParent(&program.form);
    const UnfinishedOperationTrace unfinished(program.panel);

    // A logout, a kill or Ctrl+C closes the window as its close button does, so a panel write
    // is never cut off half way; the exit status then tells the request, as a shell expects.
    const CloseOnSignal closer(program.form);
    program.form.show();
    program.openAtStart(commandLine.file);
    return closer.exitStatus(app.exec());
}
