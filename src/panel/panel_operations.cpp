#include "panel_operations.h"

#include "form1.h"
#include "locations.h"
#include "messages.h"
#include "protocol.h"
#include "status_texts.h"
#include "widgets.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

#include <array>

using Step = OperationProgress::Step;
using Outcome = PanelLink::Outcome;

// What surrounds every panel operation, however it ends: the window knows one runs, the
// status line shows the starting text, the port list is read afresh and the chosen port used,
// the selector is locked, the busy cursor shows, the progress bar follows the steps and stays
// where a failure stopped it, the link is closed at the end and the trace records the outcome.
// A search for the panel is surrounded the same way, except that it leaves the status line
// alone: the link runs quietly and the trace's end names the bar's text only.
// A session asked for while another operation runs is empty: the caller returns at once.
class PanelOperations::Session {
public:
    Session(PanelOperations& operations, OperationProgress::Kind kind, const char* startText)
        : ops_(operations), operation_(operations.form_) {
        if (!operation_)
            return;
        const bool write = kind == OperationProgress::Kind::Write;
        const bool find = kind == OperationProgress::Kind::Find;
        ops_.running_ = kind;
        if (!find)
            ops_.form_.showStatus(Form1::yellow, QLatin1String(startText));
        ops_.link_.setQuiet(find);
        ops_.selector_.refresh();
        ops_.port_.setPortName(ops_.selector_.current());
        ops_.form_.Combo1->setEnabled(false);
        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
        // A close abandons a read or a search at once; a write runs to its end first, and the
        // bar says why the window stays open meanwhile.
        ops_.link_.setAbandonOnClose(!write);
        ops_.progress_.begin(kind);
        if (write)
            closing_ = QObject::connect(&ops_.form_, &Form1::closeRequestedDuringOperation,
                                        &ops_.form_, [this] { ops_.progress_.closing(); });
        const QPushButton* button = find ? ops_.form_.FIND_PANEL
                                    : kind == OperationProgress::Kind::Read
                                        ? ops_.form_.READ_CONFIG
                                        : ops_.form_.WRITE_CONFIG;
        ops_.link_.begin(button->text());
    }
    ~Session() {
        if (!operation_)
            return;
        ops_.link_.close_link();
        QObject::disconnect(closing_);
        ops_.progress_.stopped();
        ops_.link_.trace(QStringLiteral("end: %1").arg(ops_.endText()));
        // Said once, wherever the keyboard is: the status line's outcome, or what a search found.
        const bool find = ops_.running_ == OperationProgress::Kind::Find;
        ops_.form_.announce(find ? ops_.form_.ProgressBar1->format() : ops_.form_.statusText());
        ops_.link_.setQuiet(false);
        QGuiApplication::restoreOverrideCursor();
        ops_.form_.Combo1->setEnabled(true);
        ops_.running_.reset();
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    explicit operator bool() const { return bool(operation_); }

    // Opens the chosen port; false (reported) when it cannot be opened.
    bool open() { return ops_.link_.open_link(ops_.selector_.reportedPorts()); }

private:
    PanelOperations& ops_;
    Form1::Operation operation_;
    QMetaObject::Connection closing_;
};

PanelOperations::PanelOperations(Form1& form, CommPort& port, PortSource ports,
                                 const QStringList& requested)
    : form_(form), port_(port), link_(form, port), selector_(*form.Combo1, std::move(ports)),
      progress_(*form.ProgressBar1) {
    selector_.start(requested.isEmpty() ? QStringList{port.portName()} : requested);
    port_.setPortName(selector_.current());
}

void PanelOperations::traceUnfinished(const QString& cause) {
    if (!running_)
        return;
    link_.trace(QStringLiteral("end: the program was ended during the operation (%1); %2")
                    .arg(cause.isEmpty() ? QStringLiteral("no reason given") : cause, endText()));
}

QString PanelOperations::endText() const {
    const QString bar = form_.ProgressBar1->format();
    if (running_ == OperationProgress::Kind::Find)
        return bar;
    return QStringLiteral("%1; %2").arg(form_.statusText(), bar);
}

void PanelOperations::connectButtons() {
    QObject::connect(form_.READ_CONFIG, &QPushButton::clicked, &form_,
                     [this] { READ_CONFIG_Click(); });
    QObject::connect(form_.WRITE_CONFIG, &QPushButton::clicked, &form_,
                     [this] { WRITE_CONFIG_Click(); });
    QObject::connect(form_.FIND_PANEL, &QPushButton::clicked, &form_,
                     [this] { FIND_PANEL_Click(); });
}

PanelOperations::ModelAnswer PanelOperations::readModel() {
    ConfigRecord& r = form_.r;
    const Outcome outcome = link_.step([&] {
        r.address_l = protocol::modelLocation;
        link_.read_location();
    });
    if (outcome == Outcome::Abandoned)
        return {true, std::nullopt};
    return {false, link_.lastReplyInForm() ? std::optional<int>(r.A) : std::nullopt};
}

bool PanelOperations::wakeUpAndCheckModel(const char* mismatchText) {
    progress_.at(Step::WakingPanel);
    if (link_.wake() != Outcome::Ok)
        return false;
    progress_.at(Step::ModelLocation);
    const ModelAnswer answer = readModel();
    if (answer.abandoned)
        return false;
    // Only a whole answer names a model. A short, late or garbled one is a fault of the line,
    // not a panel of another model; nor may a model left in A by an earlier operation pass
    // for this panel's.
    if (!answer.model) {
        form_.showStatus(Form1::red, QLatin1String(texts::badData));
        return false;
    }
    if (!protocol::isKnownModel(*answer.model)) {
        form_.messages().message(QString::fromLatin1(mismatchText),
                                 QString::fromLatin1(texts::mismatchTitle),
                                 protocol::modelMismatchCause(*answer.model));
        return false;
    }
    return true;
}

void PanelOperations::FIND_PANEL_Click() {
    Session session(*this, OperationProgress::Kind::Find, nullptr);
    if (!session)
        return;
    QList<search::PortResult> ports;
    for (const SerialPortEntry& entry : selector_.listed()) {
        search::PortResult port;
        port.port = entry.systemLocation;
        port.name = progress_.barName(entry.portName);
        ports << port;
    }
    for (int i = 0; i < ports.size(); ++i) {
        progress_.lookingAt(ports[i].name, i + 1, int(ports.size()));
        if (!tryPort(ports[i]))
            return;
        link_.trace(QStringLiteral("%1: %2").arg(ports[i].port, search::describe(ports[i])));
        if (ports[i].kind == search::PortResult::Kind::Found)
            break;
    }
    const search::Decision decision = search::decide(ports);
    if (!decision.chosen.isEmpty())
        selector_.choose(decision.chosen);
    progress_.searched(decision.text, decision.toolTip);
}

bool PanelOperations::tryPort(search::PortResult& port) {
    using Kind = search::PortResult::Kind;
    port_.setPortName(port.port);
    if (!link_.open_link({})) {
        port.kind = Kind::NotOpened;
        port.failure = port_.openFailure();
        return true;
    }
    Outcome outcome = link_.wake();
    if (outcome == Outcome::Ok) {
        const ModelAnswer answer = readModel();
        outcome = answer.abandoned ? Outcome::Abandoned : Outcome::Ok;
        port.kind = !answer.model                           ? Kind::NoModel
                    : protocol::isKnownModel(*answer.model) ? Kind::Found
                                                            : Kind::OtherModel;
        port.model = answer.model.value_or(0);
    } else {
        port.kind = Kind::NoAnswer;
    }
    link_.close_link();
    if (outcome != Outcome::Abandoned)
        return true;
    // A device that fails while it is tried is one port's fault; a window that closes, or an
    // event loop that can no longer wait, ends the search.
    port.kind = Kind::Lost;
    return port_.deviceLost() && !form_.closeRequested();
}

void PanelOperations::READ_CONFIG_Click() {
    Session session(*this, OperationProgress::Kind::Read, texts::startingRead);
    if (!session)
        return;
    form_.Text(2)->setText(QString());
    if (session.open() && wakeUpAndCheckModel(texts::readMismatch))
        readLocations();
    ConfigRecord& r = form_.r;
    r.config_flag = 1;
    form_.show_switch_view();
    r.config_flag = 0;
}

void PanelOperations::readLocations() {
    ConfigRecord& r = form_.r;
    // The intensities are set aside as they are read and shown together once all three
    // have arrived, so the indicator rule compares the panel's own pair.
    std::array<Integer, std::tuple_size<IntensityTable>::value> intensities{};
    for (const PanelLocation& location : configurationLocations()) {
        progress_.at(Step::Location, location.address);
        const Outcome outcome = link_.step([&] {
            r.address_l = static_cast<Integer>(location.address);
            link_.read_location();
        });
        if (outcome == Outcome::Abandoned)
            return;
        bool failed = outcome == Outcome::Failed;
        // A negative value fails the range test, and no list has an entry for it: fail
        // before selecting anything from it.
        if (r.A < 0) {
            failed = true;
        } else if (const AssignmentItem* item = location.item) {
            // A location that failed is still shown from A as it stands, as the panel's
            // answer left it; the read stops after it.
            split_assignment(r);
            failed = !form_.select(form_.List(item->moduleList), r.m_index) ||
                     !form_.select(form_.List(item->channelList), r.c_index) || failed;
            if (item->designationText != 0) {
                QLineEdit* box = form_.Text(item->designationText);
                box->setText(QString());
                box->hide();
            }
        } else {
            intensities[location.intensityIndex] = r.A;
        }
        if (failed) {
            form_.showStatus(Form1::red, QLatin1String(texts::badData));
            return;
        }
    }
    for (std::size_t i = 0; i < intensities.size(); ++i)
        r.*(intensityItems()[i].code) = intensities[i];
    form_.show_panel_intensities();
    if (link_.step([] {}) == Outcome::Abandoned)
        return;
    form_.showStatus(Form1::green, QLatin1String(texts::readSuccessful));
    progress_.at(Step::Finished);
}

void PanelOperations::WRITE_CONFIG_Click() {
    Session session(*this, OperationProgress::Kind::Write, texts::startingWrite);
    if (!session)
        return;
    ConfigRecord& r = form_.r;
    r.error_flag = 0;
    form_.compose_panel_values();

    // The port is opened before the completeness test, and closed again whatever it finds.
    if (!session.open())
        return;
    progress_.at(Step::CheckingData);
    if (r.error_flag == 1 || r.error_flag == 2) {
        form_.showStatus(Form1::red, QLatin1String(r.error_flag == 1 ? texts::switchesIncomplete
                                                                     : texts::lightingIncomplete));
        return;
    }
    if (wakeUpAndCheckModel(texts::writeMismatch))
        writeLocations();
}

void PanelOperations::writeLocations() {
    ConfigRecord& r = form_.r;
    for (const PanelLocation& location : configurationLocations()) {
        progress_.at(Step::Location, location.address);
        const Outcome outcome = link_.step([&] {
            r.address_l = static_cast<Integer>(location.address);
            if (const AssignmentItem* item = location.item) {
                r.data_l = r.*(item->composed);
            } else {
                // The intensity written is the list's entry at this moment; a list without
                // one takes "100" first, through its click rule.
                QListWidget* list = form_.List(intensityItems()[location.intensityIndex].list);
                if (list->currentRow() < 0)
                    form_.select(list, 0);
                r.data_l = static_cast<Integer>(Form1::selectedValue(list, 10));
            }
            link_.write_location();
        });
        if (outcome == Outcome::Abandoned)
            return;
        if (outcome == Outcome::Failed) {
            form_.showStatus(Form1::red, QLatin1String(texts::badData));
            return;
        }
    }
    if (link_.step([] {}) == Outcome::Abandoned)
        return;
    form_.showStatus(Form1::green, QLatin1String(texts::programmed));
    progress_.at(Step::Finished);
}
