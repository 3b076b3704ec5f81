#pragma once

#include <QList>
#include <QString>

// Which other programs have a serial device open. Two programs reading one line each take
// some of its bytes, so the panel's answers reach neither whole: such a port is refused before
// anything is sent, naming the program. The system shows a user the open files of the user's
// own programs only (all of them to root), so a program of another user is not seen.
namespace holders {

struct Holder {
    qint64 process = 0;
    QString program; // as the system names it: "socat"
    // "socat (PROCESS 4242)"
    QString text() const;
};

// The processes other than this one that hold `device` open. A process that holds the other
// side of the same pseudo-terminal (a simulated panel) is the far end of the line, not a
// second reader. Nothing where the system does not tell (no /proc).
QList<Holder> of(const QString& device);

} // namespace holders
