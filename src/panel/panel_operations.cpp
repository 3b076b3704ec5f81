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

// What surrounds every panel operation, however it ends: the window knows one runs, the port
// list is read afresh and the chosen port used, the selector is locked, the busy cursor
// shows, the progress bar follows the steps and stays where a failure stopped it, and the
// trace records the outcome. A session asked for while another operation runs is empty:
// the caller returns at once.
class PanelOperations::Session {
public:
    Session(PanelOperations& operations, OperationProgress::Kind kind)
        : ops_(operations), operation_(operations.form_) {
        if (!operation_)
            return;
        ops_.selector_.refresh();
        ops_.port_.setPortName(ops_.selector_.current());
        ops_.form_.Combo1->setEnabled(false);
        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
        // A close abandons a read at once; a write runs to its end first, and the bar says
        // why the window stays open meanwhile.
        ops_.link_.setAbandonOnClose(kind == OperationProgress::Kind::Read);
        ops_.progress_.begin(kind);
        if (kind == OperationProgress::Kind::Write)
            closing_ = QObject::connect(&ops_.form_, &Form1::closeRequestedDuringOperation,
                                        &ops_.form_, [this] { ops_.progress_.closing(); });
        ops_.link_.begin(kind == OperationProgress::Kind::Read ? ops_.form_.READ_CONFIG->text()
                                                               : ops_.form_.WRITE_CONFIG->text());
    }
    ~Session() {
        if (!operation_)
            return;
        QObject::disconnect(closing_);
        ops_.progress_.stopped();
        ops_.link_.trace(QStringLiteral("end: %1; %2")
                             .arg(ops_.form_.statusText(), ops_.form_.ProgressBar1->format()));
        QGuiApplication::restoreOverrideCursor();
        ops_.form_.Combo1->setEnabled(true);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    explicit operator bool() const { return bool(operation_); }

private:
    PanelOperations& ops_;
    Form1::Operation operation_;
    QMetaObject::Connection closing_;
};

PanelOperations::PanelOperations(Form1& form, CommPort& port, PortSource ports)
    : form_(form), port_(port), link_(form, port), selector_(*form.Combo1, std::move(ports)),
      progress_(*form.ProgressBar1) {
    selector_.start(port.portName());
    port_.setPortName(selector_.current());
}

void PanelOperations::connectButtons() {
    QObject::connect(form_.READ_CONFIG, &QPushButton::clicked, &form_,
                     [this] { READ_CONFIG_Click(); });
    QObject::connect(form_.WRITE_CONFIG, &QPushButton::clicked, &form_,
                     [this] { WRITE_CONFIG_Click(); });
}

bool PanelOperations::wakeUpAndCheckModel(const char* mismatchText) {
    ConfigRecord& r = form_.r;
    progress_.at(Step::WakingPanel);
    if (!link_.wake_up()) {
        if (link_.aborted()) {
            link_.report_abort();
        } else {
            form_.setStatusColour(Form1::red);
            form_.setStatusText(QString::fromLatin1(texts::noResponse));
        }
        return false;
    }
    progress_.at(Step::ModelLocation);
    link_.pause_tick();
    r.address_l = protocol::modelLocation;
    link_.read_location();
    if (link_.aborted()) {
        link_.report_abort();
        return false;
    }
    if (!protocol::isKnownModel(r.A)) {
        form_.messages().message(QString::fromLatin1(mismatchText),
                                 QString::fromLatin1(texts::mismatchTitle));
        return false;
    }
    return true;
}

void PanelOperations::READ_CONFIG_Click() {
    Session session(*this, OperationProgress::Kind::Read);
    if (!session)
        return;
    ConfigRecord& r = form_.r;

    form_.setStatusColour(Form1::yellow);
    form_.setStatusText(QString::fromLatin1(texts::startingRead));
    form_.setStatusVisible(true);
    form_.Text(2)->setText(QString());

    bool failed = false;
    // The intensities are set aside as they are read and shown together once all three
    // have arrived, so the indicator rule compares the panel's own pair.
    std::array<Integer, std::tuple_size<IntensityTable>::value> intensities{};
    if (link_.open_link(selector_.reportedPorts()) && wakeUpAndCheckModel(texts::readMismatch)) {
        failed = r.error_flag == 1;
        for (const PanelLocation& location : configurationLocations()) {
            if (failed)
                break;
            progress_.at(Step::Location, location.address);
            link_.pause_tick();
            r.address_l = static_cast<Integer>(location.address);
            link_.read_location();
            if (link_.aborted()) {
                link_.report_abort();
                break;
            }
            // A negative value fails the range test, and no list has an entry for it: fail
            // before selecting anything from it.
            if (r.A < 0) {
                failed = true;
                break;
            }
            if (const AssignmentItem* item = location.item) {
                split_assignment(r);
                const bool selected = form_.select(form_.List(item->moduleList), r.m_index) &&
                                      form_.select(form_.List(item->channelList), r.c_index);
                if (item->designationText != 0) {
                    QLineEdit* box = form_.Text(item->designationText);
                    box->setText(QString());
                    box->hide();
                }
                failed = r.error_flag == 1 || !selected;
            } else {
                intensities[location.intensity - intensityItems().data()] = r.A;
                failed = r.error_flag == 1;
            }
        }
        if (!failed && !link_.aborted()) {
            for (std::size_t i = 0; i < intensities.size(); ++i)
                r.*(intensityItems()[i].code) = intensities[i];
            form_.show_panel_intensities();
            link_.pause_tick();
            if (link_.aborted()) {
                link_.report_abort();
            } else {
                form_.setStatusColour(Form1::green);
                form_.setStatusText(QString::fromLatin1(texts::readSuccessful));
                progress_.at(Step::Finished);
            }
        }
    }
    if (failed) {
        form_.setStatusColour(Form1::red);
        form_.setStatusText(QString::fromLatin1(texts::badData));
    }

    link_.close_link();
    r.config_flag = 1;
    form_.show_switch_view();
    r.config_flag = 0;
}

void PanelOperations::WRITE_CONFIG_Click() {
    Session session(*this, OperationProgress::Kind::Write);
    if (!session)
        return;
    ConfigRecord& r = form_.r;

    form_.setStatusColour(Form1::yellow);
    form_.setStatusVisible(true);
    form_.setStatusText(QString::fromLatin1(texts::startingWrite));
    r.error_flag = 0;
    form_.compose_panel_values();

    // The port is opened before the completeness test, and closed again whatever it finds.
    if (!link_.open_link(selector_.reportedPorts())) {
        link_.close_link();
        return;
    }
    progress_.at(Step::CheckingData);
    if (r.error_flag == 1 || r.error_flag == 2) {
        form_.setStatusVisible(true);
        form_.setStatusColour(Form1::red);
        form_.setStatusText(QString::fromLatin1(r.error_flag == 1 ? texts::switchesIncomplete
                                                                  : texts::lightingIncomplete));
        link_.close_link();
        return;
    }
    if (!wakeUpAndCheckModel(texts::writeMismatch)) {
        link_.close_link();
        return;
    }

    // A model location that could not be read leaves A as it was; it must not let the
    // write go on into a panel whose model is unknown.
    bool failed = r.error_flag == 1;
    for (const PanelLocation& location : configurationLocations()) {
        if (failed)
            break;
        progress_.at(Step::Location, location.address);
        link_.pause_tick();
        r.address_l = static_cast<Integer>(location.address);
        if (const AssignmentItem* item = location.item) {
            r.data_l = r.*(item->composed);
        } else {
            QListWidget* list = form_.List(location.intensity->list);
            if (list->currentRow() < 0)
                form_.select(list, 0);
            r.data_l = static_cast<Integer>(Form1::selectedValue(list, 10));
        }
        link_.write_location();
        if (link_.aborted()) {
            link_.report_abort();
            return;
        }
        failed = r.error_flag == 1;
    }
    if (!failed) {
        link_.pause_tick();
        if (link_.aborted()) {
            link_.report_abort();
            return;
        }
        form_.setStatusColour(Form1::green);
        form_.setStatusText(QString::fromLatin1(texts::programmed));
        progress_.at(Step::Finished);
    } else {
        form_.setStatusColour(Form1::red);
        form_.setStatusText(QString::fromLatin1(texts::badData));
    }
    link_.close_link();
}
