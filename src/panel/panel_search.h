#pragma once

#include "comm_port.h"

#include <QList>
#include <QString>
#include <QStringList>

// The search behind FIND PANEL: what each port in the selector's list gave, and what that
// decides. No port and no window here, so the decision can be tested alone.
namespace search {

// What became of one port of the list.
struct PortResult {
    enum class Kind {
        NotTried,    // the search stopped at a panel before this port
        NotOpened,   // missing, in use or refused: skipped without a box
        NoAnswer,    // nothing came back to the wake-up
        OtherAnswer, // something came back, but not "D000D": another device
        NoModel,     // woke, but the model location's reply held no number
        OtherModel,  // a panel of a model this program does not configure
        Lost,        // the device failed while it was being tried
        Found,       // a panel of a model this program configures
    };

    QString port; // as it is opened: "/dev/ttyUSB1"
    QString name; // as the bar names it: "ttyUSB1"
    Kind kind = Kind::NotTried;
    CommPort::OpenFailure failure = CommPort::OpenFailure::None; // why it was not opened
    QStringList heldBy; // the programs that hold it open: "socat (PROCESS 4242)"
    int model = 0;      // as the panel named it
};

// What a search ends with.
struct Decision {
    QString chosen;  // the port to select, as it is opened; empty: the selection stays
    QString text;    // the bar's text
    QString toolTip; // one line per port with what happened there
};

// The first port where a panel of a served model answered is chosen. Without one, the bar
// names the first panel of another model, else the first port that woke without naming its
// model, else counts the ports tried and names why most of those that could not be opened
// were not ("PERMISSION DENIED ON 2").
Decision decide(const QList<PortResult>& ports);

// What happened at one port, in the bar's tooltip and the serial trace:
// "NO ANSWER TO THE WAKE-UP".
QString describe(const PortResult& port);

} // namespace search
