#pragma once

#include "config_sheet.h"
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
    // PRINT CONFIGURATION SHEET shows the sheet in `preview` instead of Qt's print preview; it
    // must outlive the program.
    void setSheetPreview(SheetPreview& preview) { preview_ = &preview; }
    // The sheet of what the window shows now: the file it shows, and the model and port of the
    // last operation where a panel named its model.
    sheet::Facts sheetFacts() const;

    Form1 form;
    SerialCommPort port;
    PanelOperations panel;
    FileOperations files;

private:
    void logDone(const PanelOperations::Done& done);

    void printSheet();

    WorkLog log_;
    bool logFailureTold_ = false;
    WorkLog::File fileShown_; // the file last opened into the window
    std::optional<PanelOperations::Done> lastDone_;
    QtSheetPreview qtPreview_;
    SheetPreview* preview_ = &qtPreview_;
};

// What the command line asks for. It is read before the window system is needed, so help,
// version and mistakes are answered on a terminal without a display.
struct CommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    QStringList ports; // each --port NAME, in the order given; --practice puts its entry first
    QString trace;     // --trace FILE, empty when not given
    QString workLog;   // --work-log FILE, else the usual place
    QString sheet;     // --sheet OUT.pdf: the sheet of `file` is written there, without a window
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

// nvx10config --sheet PDF FILE: the sheet of the configuration file `fileName`, opened as OPEN
// CONFIGURATION FILE opens it, written as a PDF file at `pdf` without a window. False, with the
// cause on one line in `error`, when the file is refused or the PDF cannot be written.
bool writeSheet(const QString& pdf, const QString& fileName, QString& error);
