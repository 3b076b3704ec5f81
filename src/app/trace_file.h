#pragma once

#include <QFile>
#include <QString>

// The serial trace written to a file (--trace FILE), one line per event, flushed as it goes
// so that nothing is lost if the program ends abruptly. While open, the trace category is on
// whatever the logging rules say; every other message goes where it went before.
class TraceFile {
public:
    TraceFile() = default;
    ~TraceFile();
    TraceFile(const TraceFile&) = delete;
    TraceFile& operator=(const TraceFile&) = delete;

    // Creates or empties the file and starts writing the trace into it. False, with the
    // reason in `error`, when the file cannot be written or is not a plain file (a pipe, a
    // device, a folder): nothing is opened then.
    bool open(const QString& path, QString& error);

    // The last warning the program gave while the trace was open (the window system's own
    // words when it ends the program), for the trace's last line.
    static QString lastWarning();

private:
    QFile file_;
};
