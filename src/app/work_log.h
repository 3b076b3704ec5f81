#pragma once

#include "panel_operations.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

class Form1;

// The record of the day's work: every read, write and comparison, refusals included, one CSV
// row each, appended to a file that is never rewritten. A spreadsheet opens it as it is: UTF-8
// with a byte-order mark, every cell quoted, and no cell that it would take for a formula.
// Two programs may append to the same log at once; the header comes once, first.
class WorkLog {
public:
    // The file shown in the window, as the log names it.
    struct File {
        QString path;
        QString sha256; // of its bytes as opened, in hex
    };

    // An empty `path` keeps no log.
    explicit WorkLog(QString path = QString()) : path_(std::move(path)) {}

    // The usual log of this user: $XDG_STATE_HOME/nvx10config/work-log.csv (~/.local/state/...
    // where it is not set); %LOCALAPPDATA%\nvx10config\work-log.csv on Windows.
    static QString defaultPath();
    // `time` in ISO 8601 with the offset from UTC written out: "2026-12-09T07:41:58+01:00".
    static QString timeText(const QDateTime& time);

    // The header and the row of `done`, from the window's table of all 25 locations as it shows
    // them now and `file`, the file the window shows (empty path for none).
    static QStringList header(const Form1& form);
    static QStringList row(const Form1& form, const PanelOperations::Done& done, const File& file);
    // One line of cells as a spreadsheet reads it back, CR LF ended.
    static QByteArray line(const QStringList& cells);
    // What the header line begins with: a log that begins otherwise is not one.
    static QByteArray start();

    // Appends `cells` as one write of one line, the header first where the file is empty. False,
    // with why in `error`, when the log was not written; it then never stops the operation.
    bool append(const QStringList& cells, const QStringList& header, QString& error) const;
    QString path() const { return path_; }

private:
    QString path_;
};
