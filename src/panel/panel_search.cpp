#include "panel_search.h"

#include "protocol.h"

#include <QStringList>

#include <algorithm>

namespace search {

namespace {

using Kind = PortResult::Kind;

QString notOpened(const PortResult& port) {
    switch (port.failure) {
    case CommPort::OpenFailure::NotFound:
        return QStringLiteral("NOT OPENED: DOES NOT EXIST");
    case CommPort::OpenFailure::InUse:
        return QStringLiteral("NOT OPENED: IN USE BY ANOTHER PROGRAM");
    case CommPort::OpenFailure::HeldOpen:
        return QStringLiteral("NOT OPENED: OPEN IN ") + port.heldBy.join(QStringLiteral(", "));
    case CommPort::OpenFailure::NoPermission:
        return QStringLiteral("NOT OPENED: PERMISSION DENIED");
    case CommPort::OpenFailure::BadSettings:
        return QStringLiteral("NOT OPENED: REFUSES ") + protocol::lineSettings();
    case CommPort::OpenFailure::None:
    case CommPort::OpenFailure::Other:
        break;
    }
    return QStringLiteral("NOT OPENED: REFUSED BY THE SYSTEM");
}

// Why a port was not opened, in the few words the bar has room for.
QString shortCause(CommPort::OpenFailure failure) {
    switch (failure) {
    case CommPort::OpenFailure::NotFound:
        return QStringLiteral("NO SUCH PORT");
    case CommPort::OpenFailure::InUse:
    case CommPort::OpenFailure::HeldOpen:
        return QStringLiteral("IN USE");
    case CommPort::OpenFailure::NoPermission:
        return QStringLiteral("PERMISSION DENIED");
    case CommPort::OpenFailure::BadSettings:
        return QStringLiteral("SETTINGS REFUSED");
    case CommPort::OpenFailure::None:
    case CommPort::OpenFailure::Other:
        break;
    }
    return QStringLiteral("REFUSED");
}

// The cause most of the ports that were not opened share, and on how many; the first in the
// list's order where causes are as common.
QString commonCause(const QList<PortResult>& ports) {
    QStringList causes;
    QList<int> counts;
    for (const PortResult& port : ports) {
        if (port.kind != Kind::NotOpened)
            continue;
        const QString cause = shortCause(port.failure);
        const int at = int(causes.indexOf(cause));
        if (at < 0) {
            causes << cause;
            counts << 1;
        } else {
            ++counts[at];
        }
    }
    const auto most = std::max_element(counts.cbegin(), counts.cend()) - counts.cbegin();
    return QStringLiteral("%1 ON %2").arg(causes[most]).arg(counts[most]);
}

const PortResult* first(const QList<PortResult>& ports, Kind kind) {
    const auto it = std::find_if(ports.cbegin(), ports.cend(),
                                 [kind](const PortResult& p) { return p.kind == kind; });
    return it == ports.cend() ? nullptr : &*it;
}

} // namespace

QString describe(const PortResult& port) {
    switch (port.kind) {
    case Kind::NotTried:
        return QStringLiteral("NOT TRIED");
    case Kind::NotOpened:
        return notOpened(port);
    case Kind::NoAnswer:
        return QStringLiteral("NO ANSWER TO THE WAKE-UP");
    case Kind::OtherAnswer:
        return QStringLiteral("AN ANSWER TO THE WAKE-UP THAT IS NOT THE PANEL'S");
    case Kind::NoModel:
        return QStringLiteral("ANSWERED THE WAKE-UP, BUT GAVE NO MODEL NUMBER");
    case Kind::OtherModel:
        return QStringLiteral("A MODEL %1 PANEL, NOT ONE THIS PROGRAM CONFIGURES").arg(port.model);
    case Kind::Lost:
        return QStringLiteral("CONNECTION LOST");
    case Kind::Found:
        return QStringLiteral("A MODEL %1 PANEL, CHOSEN").arg(port.model);
    }
    return QString();
}

Decision decide(const QList<PortResult>& ports) {
    Decision decision;
    QStringList lines;
    for (const PortResult& port : ports)
        lines << QStringLiteral("%1: %2").arg(port.port, describe(port));
    decision.toolTip = lines.join(QLatin1Char('\n'));

    if (const PortResult* found = first(ports, Kind::Found)) {
        decision.chosen = found->port;
        decision.text = QStringLiteral("PANEL FOUND ON %1").arg(found->name);
    } else if (const PortResult* other = first(ports, Kind::OtherModel)) {
        decision.text =
            QStringLiteral("A MODEL %1 PANEL ANSWERED ON %2").arg(other->model).arg(other->name);
    } else if (const PortResult* woke = first(ports, Kind::NoModel)) {
        decision.text = QStringLiteral("AN ANSWER WITHOUT A MODEL NUMBER ON %1").arg(woke->name);
    } else if (const PortResult* device = first(ports, Kind::OtherAnswer)) {
        decision.text = QStringLiteral("AN ANSWER THAT IS NOT THE PANEL'S ON %1").arg(device->name);
    } else if (ports.isEmpty()) {
        decision.text = QStringLiteral("NO SERIAL PORT TO TRY");
    } else {
        const auto tried = std::count_if(ports.cbegin(), ports.cend(), [](const PortResult& p) {
            return p.kind != Kind::NotTried;
        });
        decision.text = QStringLiteral("NO PANEL ANSWERED ON %1 %2")
                            .arg(tried)
                            .arg(QLatin1String(tried == 1 ? "PORT" : "PORTS"));
        if (first(ports, Kind::NotOpened))
            decision.text += QStringLiteral("; ") + commonCause(ports);
    }
    return decision;
}

} // namespace search
