#pragma once

#include "file_operations.h"
#include "form1.h"
#include "panel_operations.h"
#include "serial_comm_port.h"
#include "work_log.h"

#include <QStringList>

#include <optional>

class FileDialog;
class MessageBoxes;

// The program's parts wired together: the window, the serial port of the panel, and the
// panel and file operations behind the window's command buttons.
class Program {
public:
    // `requestedPorts` are the ports the user named, listed in the window's port selector,
    // which starts on the first; without any it starts on the port that `ports` (the system's
    // serial ports) suggest; `listing` says whether the window waits for them (see
    // PortSelector). Message boxes and the file dialog must outlive the program.
    Program(const QStringList& requestedPorts, MessageBoxes& messages, FileDialog& dialog,
            PortSource ports = systemSerialPorts,
            PortSelector::Listing listing = PortSelector::Listing::Now);

    // Opens `fileName` (nothing when empty) as OPEN CONFIGURATION FILE does, once the event
    // loop runs, so that a refusal's box stands over the shown window.
    void openAtStart(const QString& fileName);

    // Every read, write and comparison from now on appends its row to `log`. The first log that
    // cannot be written says so in the bar's tooltip, once a run.
    void keepWorkLog(const WorkLog& log) { log_ = log; }

    Form1 form;
    SerialCommPort port;
    PanelOperations panel;
    FileOperations files;

private:
    void logDone(const PanelOperations::Done& done);

    WorkLog log_;
    bool logFailureTold_ = false;
    WorkLog::File fileShown_; // the file last opened into the window
};

// What the command line asks for. It is read before the window system is needed, so help,
// version and mistakes are answered on a terminal without a display.
struct CommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    QStringList ports; // each --port NAME, in the order given; --practice puts its entry first
    QString trace;     // --trace FILE, empty when not given
    QString workLog;   // --work-log FILE, else the usual place
    QString file;      // the configuration file to open at start, as an absolute path, or empty
    QString text;      // what to print for Help, Version and Error (the error and the usage)
    // Qt's -platform NAME and -display NAME (an X display), empty when not given.
    QString windowSystem;
    QString display;
    // --practice=FILE: the configuration the practice panel holds instead of its sample.
    std::optional<qcf::Record> practiceHolds;

    // Exit status for the actions that print and end: 0, or 2 for a mistake.
    int exitStatus() const { return action == Action::Error ? 2 : 0; }
    // Why the window cannot open, found before the window system is asked (which would end the
    // program with advice to reinstall it): an X or Wayland desktop is expected and none is
    // named, as over ssh. Empty when the window system can be tried, offscreen for one.
    QString missingDisplay() const;
};
// `arguments` starts with the program's name, as QCoreApplication::arguments() does.
CommandLine parseCommandLine(const QStringList& arguments);
