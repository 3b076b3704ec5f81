#include "operation_progress.h"

#include "locations.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <tuple>

namespace {

constexpr int locations = std::tuple_size<LocationTable>::value;

// Ahead of every step while a close waits for the write: while it runs, and once it is over.
const QString closingWhileRunning = QStringLiteral("CLOSING AFTER THE WRITE \u2014 ");
const QString closingAtTheEnd = QStringLiteral("CLOSING \u2014 ");

// Ahead of every text while the practice panel is chosen.
const QString practiceMark = QStringLiteral("PRACTICE PANEL");
const QString practiceMarkAhead = practiceMark + QStringLiteral(" \u2014 ");

} // namespace

int OperationProgress::steps(Kind kind) {
    return 1 + locations + (kind == Kind::Write ? locations + 1 : 0);
}

void OperationProgress::begin(Kind kind) {
    kind_ = kind;
    closing_ = false;
    written_ = -1;
    bar_.setToolTip(QString());
    bar_.setTone(Tone::Neutral);
    bar_.setRange(0, steps(kind));
    // A search names each port as it comes to it; an operation first opens its port.
    if (kind == Kind::Find) {
        step_ = Step::OpeningPort;
        ports_ = 0;
    } else {
        at(Step::OpeningPort);
    }
}

QString OperationProgress::stepText() const {
    switch (step_) {
    case Step::ChoosingPort:
        return QStringLiteral("CHOOSING THE SERIAL PORT");
    case Step::OpeningPort:
        return QStringLiteral("OPENING THE SERIAL PORT");
    case Step::CheckingData:
        return QStringLiteral("CHECKING THE DATA");
    case Step::WakingPanel:
        return QStringLiteral("WAKING THE PANEL");
    case Step::ModelLocation:
        return QStringLiteral("READING THE MODEL LOCATION");
    case Step::Location: {
        // Counted from 1; the trace keeps the panel's own addresses.
        const QString where = QStringLiteral("LOCATION %1 OF %2").arg(address_ + 1).arg(locations);
        if (closing_)
            return where;
        return QLatin1String(kind_ == Kind::Write ? "WRITING " : "READING ") + where;
    }
    case Step::Checking:
        return QStringLiteral("CHECKING LOCATION %1 OF %2").arg(address_ + 1).arg(locations);
    case Step::CheckingModel:
        return QStringLiteral("CHECKING THE MODEL LOCATION");
    case Step::TryingPort:
        return QStringLiteral("LOOKING FOR THE PANEL: ") + portCount();
    case Step::Finished:
        return QStringLiteral("ALL %1 LOCATIONS %2")
            .arg(locations)
            .arg(QLatin1String(kind_ == Kind::Write ? "VERIFIED" : "READ"));
    }
    return QString();
}

void OperationProgress::at(Step step, int address) {
    step_ = step;
    address_ = address;
    otherValue_ = false;
    // The bar counts what is done: the model location and the locations before this one, and
    // for a check the 25 locations written before it.
    const int done = step == Step::Location        ? 1 + address
                     : step == Step::Checking      ? 1 + locations + address
                     : step == Step::CheckingModel ? 1 + 2 * locations
                     : step == Step::Finished      ? steps(kind_)
                                                   : 0;
    const QString prefix = !closing_                ? QString()
                           : step == Step::Finished ? closingAtTheEnd
                                                    : closingWhileRunning;
    show(done, prefix + stepText(), step == Step::Finished ? Tone::Success : Tone::Neutral);
}

void OperationProgress::stopped() {
    QString where;
    switch (step_) {
    case Step::ChoosingPort:
        where = QStringLiteral("STOPPED: NO SERIAL PORT CHOSEN");
        break;
    case Step::OpeningPort:
        where = QStringLiteral("STOPPED: SERIAL PORT NOT OPENED");
        break;
    case Step::CheckingData:
        // Only a window that nothing has filled yet lacks a selection.
        where = QStringLiteral("NOTHING TO WRITE: READ A PANEL OR OPEN A FILE");
        break;
    case Step::WakingPanel:
        where = QStringLiteral("STOPPED AT THE WAKE-UP");
        break;
    case Step::ModelLocation:
        where = QStringLiteral("STOPPED AT THE MODEL LOCATION");
        break;
    case Step::Location:
        if (halfWritten()) {
            // The bar has room for what was written; its tooltip says the whole.
            QStringList written = halfWrittenParts();
            if (written.last().endsWith(QLatin1String(" AS BEFORE")))
                written.removeLast();
            const QString shown =
                QStringLiteral("HALF WRITTEN: ") + written.join(QStringLiteral(", "));
            setText(closing_ ? closingAtTheEnd + shown
                             : shown + QStringLiteral(" \u2014 WRITE AGAIN"));
            bar_.setTone(Tone::Attention);
            bar_.setToolTip(halfWrittenText());
            bar_.setAccessibleDescription(bar_.format() + QLatin1Char('\n') + halfWrittenText());
            return;
        }
        where = QStringLiteral("STOPPED AT LOCATION %1 OF %2").arg(address_ + 1).arg(locations);
        break;
    case Step::Checking:
        where = QStringLiteral("CHECK %1 AT LOCATION %2 OF %3")
                    .arg(QLatin1String(otherValue_ ? "FAILED" : "STOPPED"))
                    .arg(address_ + 1)
                    .arg(locations);
        break;
    case Step::CheckingModel:
        where = QStringLiteral("CHECK %1 AT THE MODEL LOCATION")
                    .arg(QLatin1String(otherValue_ ? "FAILED" : "STOPPED"));
        break;
    case Step::TryingPort:
        where = QStringLiteral("SEARCH STOPPED AT ") + portCount();
        break;
    case Step::Finished:
        return;
    }
    setText(closing_ ? closingAtTheEnd + where : where);
    bar_.setTone(Tone::Attention);
}

bool OperationProgress::halfWritten() const {
    return kind_ == Kind::Write && step_ == Step::Location && (address_ > 0 || written_ >= 0);
}

QStringList OperationProgress::halfWrittenParts() const {
    // The locations before the one the write stopped at were verified; from there to the last
    // one sent they may or may not hold the new value; the rest were never sent.
    const auto range = [](int first, int last) {
        return first == last ? QString::number(first)
                             : QStringLiteral("%1 TO %2").arg(first).arg(last);
    };
    QStringList parts;
    if (address_ > 0)
        parts << range(1, address_) + QStringLiteral(" NEW");
    if (written_ >= address_)
        parts << range(address_ + 1, written_ + 1) + QStringLiteral(" IN DOUBT");
    const int untouched = std::max(address_, written_ + 1);
    if (untouched < locations)
        parts << range(untouched + 1, locations) + QStringLiteral(" AS BEFORE");
    return parts;
}

QString OperationProgress::halfWrittenText() const {
    const QStringList parts = halfWrittenParts();
    const bool several = parts.first().contains(QLatin1String(" TO "));
    return QStringLiteral("PANEL HALF WRITTEN: %1 %2 \u2014 WRITE AGAIN")
        .arg(QLatin1String(several ? "LOCATIONS" : "LOCATION"), parts.join(QStringLiteral(", ")));
}

QString OperationProgress::portCount() const {
    return QStringLiteral("%1, %2 OF %3").arg(port_).arg(portNumber_).arg(ports_);
}

void OperationProgress::lookingAt(const QString& name, int number, int ports) {
    step_ = Step::TryingPort;
    port_ = name;
    portNumber_ = number;
    ports_ = ports;
    // The bar counts the ports already tried.
    bar_.setRange(0, ports);
    show(number - 1, stepText(), Tone::Neutral);
}

void OperationProgress::searched(const QString& text, const QString& toolTip, bool found) {
    // A range of 0..0 would turn the bar into a busy indicator.
    bar_.setRange(0, std::max(1, ports_));
    result(text, found ? Tone::Success : Tone::Attention);
    // What each port gave is for the eye: a screen reader is given what the search found.
    bar_.setToolTip(toolTip);
}

void OperationProgress::result(const QString& text, Tone tone, const QString& toolTip) {
    step_ = Step::Finished;
    show(bar_.maximum(), text, tone);
    bar_.setToolTip(toolTip);
    if (!toolTip.isEmpty())
        bar_.setAccessibleDescription(bar_.format() + QLatin1Char('\n') + toolTip);
}

QString OperationProgress::barName(const QString& name) const {
    // The widest count the words after a name can need.
    const QString after = QStringLiteral(", 99 OF 99");
    return elided(name, bar_.fontMetrics().horizontalAdvance(after));
}

QString OperationProgress::elided(const QString& name, int room) const {
    // The practice panel's mark may come ahead of the name later, when it is chosen.
    const int mark = bar_.fontMetrics().horizontalAdvance(practiceMarkAhead);
    return bar_.fontMetrics().elidedText(name, Qt::ElideMiddle,
                                         bar_.textRect().width() - room - mark);
}

void OperationProgress::closing() {
    if (closing_)
        return;
    closing_ = true;
    at(step_, address_);
}

void OperationProgress::fileOpened(const QString& path) {
    const QFileInfo file(path);
    // A long name is shortened in its middle to one line of the bar, so the words after it
    // still have the second; the tooltip has it whole.
    const QString name = elided(file.fileName(), 0);
    notice_ = QStringLiteral("OPENED %1 \u2014 NOT WRITTEN TO THE PANEL").arg(name);
    noticeToolTip_ = QDir::toNativeSeparators(file.absoluteFilePath());
    noticeTone_ = Tone::Neutral;
    showNotice(QString());
}

void OperationProgress::partlyRead(int read, const QString& why) {
    const QString from =
        read == 1 ? QStringLiteral("LOCATION 1") : QStringLiteral("LOCATIONS 1 TO %1").arg(read);
    notice_ = QStringLiteral("PARTLY READ: %1, THE REST AS BEFORE").arg(from);
    noticeToolTip_ =
        QStringLiteral("THE WINDOW SHOWS A MIX THAT NEITHER THE PANEL NOR A FILE HOLDS. "
                       "READ THE PANEL AGAIN OR OPEN A FILE BEFORE WRITING.");
    noticeTone_ = Tone::Attention;
    showNotice(why);
}

void OperationProgress::keepNotice(const QString& why) {
    if (notice_.isEmpty())
        return;
    if (step_ != Step::Finished) {
        showNotice(why);
        return;
    }
    const QString shown = bar_.toolTip();
    bar_.setToolTip((shown.isEmpty() ? QString() : shown + QLatin1Char('\n')) + notice_);
    bar_.setAccessibleDescription(bar_.accessibleDescription() + QLatin1Char('\n') + notice_);
}

void OperationProgress::clearNotice() {
    notice_.clear();
}

void OperationProgress::showNotice(const QString& why) {
    show(0, notice_, noticeTone_);
    bar_.setToolTip(why.isEmpty() ? noticeToolTip_ : why + QLatin1Char('\n') + noticeToolTip_);
}

void OperationProgress::show(int value, const QString& text, Tone tone) {
    // The text first: whoever watches the value sees the text that goes with it.
    setText(text);
    bar_.setTone(tone);
    bar_.setValue(value);
}

void OperationProgress::setText(const QString& text) {
    text_ = text;
    bar_.setFormat(marked(text));
    // A screen reader is given only the bar's number; its description carries the words.
    bar_.setAccessibleDescription(bar_.format());
}

QString OperationProgress::marked(const QString& text) const {
    if (!practice_)
        return text;
    return text.isEmpty() ? practiceMark : practiceMarkAhead + text;
}

void OperationProgress::setPractice(bool chosen) {
    if (chosen == practice_)
        return;
    practice_ = chosen;
    // The description begins with the text, and may go on with the tooltip's lines.
    const QString rest = bar_.accessibleDescription().mid(bar_.format().size());
    bar_.setFormat(marked(text_));
    bar_.setAccessibleDescription(bar_.format() + rest);
}
