#include "panel_link.h"

#include "form1.h"
#include "messages.h"
#include "protocol.h"
#include "serial_comm_port.h"
#include "serial_trace.h"
#include "status_texts.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

namespace {

constexpr int replyLength = 5;
constexpr int wakeUpTries = 6;

} // namespace

PanelLink::PanelLink(Form1& form, CommPort& port) : form_(form), port_(&port) {}

void PanelLink::begin(const QString& operation) {
    loopEnded_ = false;
    clock_.start();
    trace(operation);
}

void PanelLink::end() {
    form_.Timer1->stop();
}

void PanelLink::trace(const QString& event) const {
    qCDebug(serialTrace).noquote()
        << QStringLiteral("%1 ms  %2").arg(clock_.isValid() ? clock_.elapsed() : 0, 6).arg(event);
}

bool PanelLink::portChosen() const {
    return !port_->portName().trimmed().isEmpty();
}

bool PanelLink::open_link(const QStringList& reportedPorts) {
    // No port to open: the status line says so, and with it the trace's end line.
    if (!portChosen()) {
        showStatus(Form1::red, texts::noPortChosen);
        return false;
    }
    port_->setSettings(protocol::lineSettings());
    if (port_->setPortOpen(true)) {
        const QString device = port_->deviceName();
        trace(QStringLiteral("open %1%2 at %3, no flow control")
                  .arg(port_->portName(),
                       device.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(device),
                       port_->settings()));
        return true;
    }
    const QString detail = port_->openFailure() == CommPort::OpenFailure::BadSettings
                               ? port_->settings()
                               : port_->errorString();
    trace(QStringLiteral("open %1 failed: %2").arg(port_->portName(), detail));
    if (quiet_)
        return false;
    showStatus(Form1::red, texts::portUnavailable);
    const QString group = openingGroup(SerialCommPort::devicePath(port_->portName()));
    form_.messages().message(openFailureMessage(port_->portName(), port_->openFailure(), detail,
                                                reportedPorts, group, port_->heldBy()),
                             QString::fromLatin1(texts::portTitle));
    return false;
}

QString PanelLink::openingGroup(const QString& device) {
    const QFileInfo node(device);
    if (!node.exists())
        return QString();
    // A group without both rights gives its members nothing: only root may open the device.
    const auto groupRights = QFile::ReadGroup | QFile::WriteGroup;
    return (node.permissions() & groupRights) == groupRights ? node.group()
                                                             : QStringLiteral("root");
}

QString PanelLink::heldOpenText(const QStringList& heldBy) {
    return QStringLiteral("THE PORT IS OPEN IN %1: CLOSE %2, THEN TRY AGAIN")
        .arg(heldBy.join(QStringLiteral(", ")), QLatin1String(heldBy.size() > 1 ? "THEM" : "IT"));
}

QString PanelLink::openFailureMessage(const QString& portName, CommPort::OpenFailure failure,
                                      const QString& detail, const QStringList& reportedPorts,
                                      const QString& deviceGroup, const QStringList& heldBy) {
    QString reason;
    switch (failure) {
    case CommPort::OpenFailure::NotFound:
        reason = QStringLiteral("THE PORT DOES NOT EXIST ON THIS COMPUTER.");
        break;
    case CommPort::OpenFailure::InUse:
        reason = QStringLiteral("THE PORT IS IN USE BY ANOTHER PROGRAM.");
        break;
    case CommPort::OpenFailure::HeldOpen:
        reason = heldOpenText(heldBy) + QLatin1Char('.');
        break;
    case CommPort::OpenFailure::NoPermission:
        reason = QStringLiteral("PERMISSION TO USE THE PORT WAS DENIED.");
#ifdef Q_OS_LINUX
        if (deviceGroup == QLatin1String("root"))
            reason += QStringLiteral(
                "\nONLY root MAY OPEN THIS PORT. ASK THE ADMINISTRATOR FOR A udev RULE THAT "
                "GIVES IT TO THE \"dialout\" GROUP (GROUP=\"dialout\", MODE=\"0660\"), AND FOR "
                "MEMBERSHIP OF THAT GROUP.");
        else
            reason += QStringLiteral("\nTHE USER MUST BE A MEMBER OF THE \"%1\" GROUP "
                                     "(sudo usermod -aG %1 $USER, then log in again).")
                          .arg(deviceGroup.isEmpty() ? QStringLiteral("dialout") : deviceGroup);
#else
        Q_UNUSED(deviceGroup)
#endif
        break;
    case CommPort::OpenFailure::BadSettings:
        reason = QStringLiteral("THE PORT DOES NOT ACCEPT THE SETTINGS %1.").arg(detail);
        break;
    case CommPort::OpenFailure::None:
    case CommPort::OpenFailure::Other:
        reason = QStringLiteral("THE SYSTEM REFUSED TO OPEN IT.");
        break;
    }
    QString text =
        QStringLiteral("THE SERIAL PORT %1 COULD NOT BE OPENED.\n%2").arg(portName, reason);
    if (failure != CommPort::OpenFailure::BadSettings &&
        failure != CommPort::OpenFailure::HeldOpen && !detail.isEmpty())
        text += QStringLiteral("\n(%1)").arg(detail);
    if (reportedPorts.isEmpty())
        text += QStringLiteral("\n\nNO SERIAL PORT WAS FOUND ON THIS COMPUTER.");
    else
        text += QStringLiteral("\n\nSERIAL PORTS FOUND ON THIS COMPUTER:\n") +
                reportedPorts.join(QLatin1Char('\n'));
    return text;
}

void PanelLink::close_link() {
    port_->setPortOpen(false);
}

bool PanelLink::aborted() const {
    return port_->deviceLost() || loopEnded_ || (abandonOnClose_ && form_.closeRequested());
}

PanelLink::Outcome PanelLink::outcome() {
    if (!aborted())
        return form_.r.error_flag == 1 ? Outcome::Failed : Outcome::Ok;
    if (port_->deviceLost())
        trace(QStringLiteral("device lost: %1").arg(port_->errorString()));
    showStatus(Form1::red, port_->deviceLost() ? texts::connectionLost : texts::abandoned);
    close_link();
    return Outcome::Abandoned;
}

void PanelLink::showStatus(const QColor& colour, const char* text) {
    if (!quiet_)
        form_.showStatus(colour, QLatin1String(text));
}

void PanelLink::setStatusText(const char* text) {
    if (!quiet_)
        form_.setStatusText(QLatin1String(text));
}

void PanelLink::restartPeriod(int ms) {
    QTimer* timer = form_.Timer1;
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(ms); // restarts the period of a running timer
    form_.r.timer_flag = 0;
    if (!timer->isActive())
        timer->start();
}

template <typename Done> void PanelLink::waitUntil(Done done) {
    QEventLoop loop;
    const auto quit = [&loop] { loop.quit(); };
    const QMetaObject::Connection connections[] = {
        QObject::connect(port_, &CommPort::activity, &loop, quit),
        QObject::connect(form_.Timer1, &QTimer::timeout, &loop, quit),
        QObject::connect(&form_, &Form1::closeRequestedDuringOperation, &loop, quit),
    };
    // Let what is already pending run first, as a plain yield would, then sleep in the
    // event loop until something that can end the wait happens. Once the program has been
    // told to exit, an event loop returns at once without running anything: the wait could
    // never end, so the operation is abandoned.
    QCoreApplication::processEvents();
    while (!done() && !aborted()) {
        if (loop.exec() != 0)
            loopEnded_ = true;
    }
    for (const auto& c : connections)
        QObject::disconnect(c);
}

void PanelLink::send(const QByteArray& command, Answers earlier) {
    // Once the operation is being abandoned nothing more goes out on the line.
    if (aborted())
        return;
    // Bytes waiting now belong to no command of ours: a reply sent twice, a stray reply, noise.
    // Taken with the next answer they would shift it, and every later one, by a location.
    if (earlier == Answers::Discard) {
        discardStray();
        sent_.clear();
    }
    sent_ += command;
    port_->output(command);
    trace(QLatin1String("> ") + escapedBytes(command));
}

bool PanelLink::discardStray() {
    const QByteArray stray = port_->input();
    if (stray.isEmpty())
        return false;
    trace(QLatin1String("discarded: ") + escapedBytes(stray));
    return true;
}

bool PanelLink::settled() {
    return !discardStray();
}

void PanelLink::fail(const char* text) {
    form_.r.error_flag = 1;
    setStatusText(text);
}

int PanelLink::echoLength(const QByteArray& waiting) const {
    // A half-duplex adapter hands back every byte sent, ahead of the panel's answer. Bytes that
    // are the beginning of what was sent may be an echo still arriving.
    if (sent_.isEmpty())
        return 0;
    if (waiting.startsWith(sent_))
        return int(sent_.size());
    return sent_.startsWith(waiting) ? int(waiting.size()) : 0;
}

int PanelLink::answerLength() {
    const QByteArray waiting = port_->peek();
    return int(waiting.size()) - echoLength(waiting);
}

QByteArray PanelLink::take() {
    QByteArray reply = port_->input();
    trace(reply.isEmpty() ? QStringLiteral("< (nothing)")
                          : QLatin1String("< ") + escapedBytes(reply));
    if (!sent_.isEmpty() && reply.startsWith(sent_)) {
        reply.remove(0, sent_.size());
        trace(QStringLiteral("echo dropped"));
    }
    return reply;
}

void PanelLink::pause_tick() {
    restartPeriod(period_);
    waitUntil([this] { return form_.r.timer_flag == 1; });
}

void PanelLink::reply_wait() {
    restartPeriod(replyWait_);
    waitUntil([this] { return answerLength() >= replyLength || form_.r.timer_flag == 1; });
}

PanelLink::Outcome PanelLink::wake() {
    int tries = 1;
    int waiting = 0;
    do {
        // One exchange: a late answer to an earlier try is an answer to it, and is kept.
        send(protocol::wakeUpCommand(), tries == 1 ? Answers::Discard : Answers::Keep);
        reply_wait();
        ++tries;
        waiting = answerLength();
    } while (waiting < replyLength && tries <= wakeUpTries && !aborted());
    // Late answers to earlier tries are part of this text: two answers fail the comparison.
    const QByteArray answer = take();
    wakeHeard_ = !answer.isEmpty();
    if (aborted())
        return outcome();
    // Answered in time means the whole answer was waiting when the wait ended. A tick seen in
    // the same turn as the answer (the computer was busy) does not undo an answer that came.
    if (answer != protocol::acknowledgement || waiting < replyLength) {
        showStatus(Form1::red, texts::noResponse);
        return Outcome::Failed;
    }
    return Outcome::Ok;
}

std::optional<int> PanelLink::request_value() {
    ConfigRecord& r = form_.r;
    send(protocol::readCommand(r.address_l));
    reply_wait();
    const QByteArray reply = take();
    const auto value = protocol::replyValue(reply);
    inForm_ = value.has_value();
    if (!value) {
        fail(texts::corrupted);
        return std::nullopt;
    }
    r.A = Integer(*value);
    return value;
}

void PanelLink::read_location() {
    ConfigRecord& r = form_.r;
    if (!quiet_)
        form_.setStatusVisible(true);
    r.error_flag = 0;
    const auto value = request_value();
    if (!value)
        return;
    if (*value > protocol::highestValue || *value < 0) {
        r.error_flag = 1;
        setStatusText(texts::outOfRange);
    } else {
        setStatusText(texts::communicationsOk);
    }
}

void PanelLink::write_location() {
    ConfigRecord& r = form_.r;
    send(protocol::writeCommand(r.address_l, r.data_l));
    r.error_flag = 0;
    reply_wait();
    if (take() != protocol::acknowledgement) {
        r.error_flag = 1;
        return;
    }
    verify_location();
}

void PanelLink::verify_location() {
    ConfigRecord& r = form_.r;
    r.error_flag = 0;
    // Only equality with the written value counts; the read-back is kept even when it differs.
    const auto value = request_value();
    if (!value)
        return;
    if (*value == r.data_l) {
        showStatus(Form1::yellow, texts::communicationsOk);
    } else {
        r.error_flag = 1;
        setStatusText(texts::failedToVerify);
    }
}
