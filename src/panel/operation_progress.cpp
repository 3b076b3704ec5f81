#include "operation_progress.h"

#include "locations.h"

#include <QProgressBar>

#include <tuple>

namespace {

constexpr int locations = std::tuple_size<LocationTable>::value;

} // namespace

int OperationProgress::steps() {
    return 1 + locations;
}

void OperationProgress::begin(Kind kind) {
    kind_ = kind;
    bar_.setRange(0, steps());
    at(Step::OpeningPort);
}

void OperationProgress::at(Step step, int address) {
    step_ = step;
    address_ = address;
    switch (step) {
    case Step::OpeningPort:
        show(0, QStringLiteral("OPENING THE SERIAL PORT"));
        break;
    case Step::CheckingData:
        show(0, QStringLiteral("CHECKING THE DATA"));
        break;
    case Step::WakingPanel:
        show(0, QStringLiteral("WAKING THE PANEL"));
        break;
    case Step::ModelLocation:
        show(0, QStringLiteral("READING THE MODEL LOCATION"));
        break;
    case Step::Location:
        // The bar counts what is done: the model location and the locations before this one.
        show(1 + address, QStringLiteral("%1 LOCATION %2 OF %3")
                              .arg(QLatin1String(kind_ == Kind::Read ? "READING" : "WRITING"))
                              .arg(address)
                              .arg(locations));
        break;
    case Step::Finished:
        show(steps(), QStringLiteral("ALL %1 LOCATIONS %2")
                          .arg(locations)
                          .arg(QLatin1String(kind_ == Kind::Read ? "READ" : "VERIFIED")));
        break;
    }
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
        where = QStringLiteral("STOPPED AT LOCATION %1 OF %2").arg(address_).arg(locations);
        break;
    case Step::Finished:
        return;
    }
    bar_.setFormat(where);
}

void OperationProgress::show(int value, const QString& text) {
    // The text first: whoever watches the value sees the text that goes with it.
    bar_.setFormat(text);
    bar_.setValue(value);
}
