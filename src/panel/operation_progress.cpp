#include "operation_progress.h"

#include "locations.h"

#include <QDir>
#include <QFileInfo>
#include <QProgressBar>

#include <tuple>

namespace {

constexpr int locations = std::tuple_size<LocationTable>::value;

// Ahead of every step while a close waits for the write: while it runs, and once it is over.
const QString closingWhileRunning = QStringLiteral("CLOSING WHEN THE WRITE ENDS \u2014 ");
const QString closingAtTheEnd = QStringLiteral("CLOSING \u2014 ");

} // namespace

int OperationProgress::steps() {
    return 1 + locations;
}

void OperationProgress::begin(Kind kind) {
    kind_ = kind;
    closing_ = false;
    bar_.setToolTip(QString());
    bar_.setRange(0, steps());
    at(Step::OpeningPort);
}

QString OperationProgress::stepText() const {
    switch (step_) {
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
        return QLatin1String(kind_ == Kind::Read ? "READING " : "WRITING ") + where;
    }
    case Step::Finished:
        return QStringLiteral("ALL %1 LOCATIONS %2")
            .arg(locations)
            .arg(QLatin1String(kind_ == Kind::Read ? "READ" : "VERIFIED"));
    }
    return QString();
}

void OperationProgress::at(Step step, int address) {
    step_ = step;
    address_ = address;
    // The bar counts what is done: the model location and the locations before this one.
    const int done = step == Step::Location ? 1 + address : step == Step::Finished ? steps() : 0;
    const QString prefix = !closing_                ? QString()
                           : step == Step::Finished ? closingAtTheEnd
                                                    : closingWhileRunning;
    show(done, prefix + stepText());
}

void OperationProgress::stopped() {
    QString where;
    switch (step_) {
    case Step::OpeningPort:
        where = QStringLiteral("STOPPED: SERIAL PORT NOT OPENED");
        break;
    case Step::CheckingData:
        where = QStringLiteral("STOPPED: DATA INCOMPLETE");
        break;
    case Step::WakingPanel:
        where = QStringLiteral("STOPPED AT THE WAKE-UP");
        break;
    case Step::ModelLocation:
        where = QStringLiteral("STOPPED AT THE MODEL LOCATION");
        break;
    case Step::Location:
        where = QStringLiteral("STOPPED AT LOCATION %1 OF %2").arg(address_ + 1).arg(locations);
        break;
    case Step::Finished:
        return;
    }
    setText(closing_ ? closingAtTheEnd + where : where);
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
    const QString name = bar_.fontMetrics().elidedText(file.fileName(), Qt::ElideMiddle,
                                                       bar_.contentsRect().width() - 8);
    bar_.setRange(0, steps());
    show(0, QStringLiteral("OPENED %1 \u2014 NOT WRITTEN TO THE PANEL").arg(name));
    bar_.setToolTip(QDir::toNativeSeparators(file.absoluteFilePath()));
}

void OperationProgress::show(int value, const QString& text) {
    // The text first: whoever watches the value sees the text that goes with it.
    setText(text);
    bar_.setValue(value);
}

void OperationProgress::setText(const QString& text) {
    bar_.setFormat(text);
    // A screen reader is given only the bar's number; its description carries the words.
    bar_.setAccessibleDescription(text);
}
