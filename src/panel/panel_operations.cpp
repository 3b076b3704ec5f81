#include "panel_operations.h"

#include "codes.h"
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
#include <QScopeGuard>

#include <array>

using Step = OperationProgress::Step;
using Outcome = PanelLink::Outcome;

// What surrounds every panel operation, however it ends: the window knows one runs, the
// status line shows the starting text, the port list is read afresh and the chosen port used,
// the selector is locked, the busy cursor shows, the progress bar follows the steps and stays
// where a failure stopped it, the link is closed at the end and the trace records the outcome.
// A search for the panel and a comparison are surrounded the same way, except that they leave
// the status line alone: the link runs quietly and the trace's end names the bar's text only.
// The marks of a comparison go when any operation begins.
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
        ops_.model_.reset();
        ops_.locations_ = 0;
        ops_.asked_.clear();
        ops_.form_.clearMarks();
        const bool quiet = ops_.leavesStatusLine();
        if (!quiet)
            ops_.form_.showStatus(Form1::yellow, QLatin1String(startText));
        ops_.link_.setQuiet(quiet);
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
        const QPushButton* button =
            find                                       ? ops_.form_.FIND_PANEL
            : kind == OperationProgress::Kind::Compare ? ops_.form_.COMPARE_PANEL
            : kind == OperationProgress::Kind::Read    ? ops_.form_.READ_CONFIG
                                                       : ops_.form_.WRITE_CONFIG;
        ops_.link_.begin(button->text());
    }
    ~Session() {
        if (!operation_)
            return;
        ops_.link_.close_link();
        ops_.link_.setPort(ops_.port_);
        ops_.link_.end();
        QObject::disconnect(closing_);
        ops_.asked_.clear();
        ops_.progress_.stopped();
        const bool halfWritten = ops_.progress_.halfWritten();
        if (halfWritten)
            ops_.link_.trace(ops_.progress_.halfWrittenText());
        ops_.link_.trace(QStringLiteral("end: %1").arg(ops_.endText()));
        if (atEnd)
            atEnd();
        if (ops_.done_ && ops_.running_ != OperationProgress::Kind::Find)
            ops_.done_(ops_.done());
        // Said once, wherever the keyboard is: the status line's outcome, or the bar's where
        // the status line holds none (a search, a comparison, a panel of another model), and
        // what a write that stopped half way left in the panel.
        const bool statusTells =
            !ops_.leavesStatusLine() && ops_.form_.statusColour() != Form1::yellow;
        QString said = statusTells ? ops_.form_.statusText() : ops_.form_.ProgressBar1->format();
        if (statusTells && halfWritten)
            said += QLatin1Char('\n') + ops_.progress_.halfWrittenText();
        ops_.form_.announce(said);
        ops_.link_.setQuiet(false);
        QGuiApplication::restoreOverrideCursor();
        ops_.form_.Combo1->setEnabled(true);
        ops_.running_.reset();
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    explicit operator bool() const { return bool(operation_); }

    // Opens the chosen port; false (reported) when none is chosen or it cannot be opened.
    bool open() {
        if (ops_.selector_.practiceChosen())
            ops_.choosePracticeLine();
        if (!ops_.link_.portChosen())
            ops_.progress_.at(Step::ChoosingPort);
        if (ops_.link_.open_link(ops_.selector_.reportedPorts()))
            return true;
        // Another program reads the line: the bar names it, nothing has been sent.
        const CommPort& opened = ops_.link_.port(); // the practice panel's, when chosen
        const QStringList heldBy = opened.heldBy();
        if (opened.openFailure() == CommPort::OpenFailure::HeldOpen && !heldBy.isEmpty())
            ops_.progress_.result(
                QStringLiteral("OPEN IN %1: CLOSE IT, TRY AGAIN").arg(heldBy.first()),
                OperationProgress::Tone::Attention, PanelLink::heldOpenText(heldBy));
        return false;
    }

    // Run at the end, once the bar shows where the operation stopped and the trace says so:
    // what the operation leaves on the bar beyond that.
    std::function<void()> atEnd;

private:
    PanelOperations& ops_;
    Form1::Operation operation_;
    QMetaObject::Connection closing_;
};

PanelOperations::PanelOperations(Form1& form, CommPort& port, PortSource ports,
                                 const QStringList& requested, PortSelector::Listing listing)
    : form_(form), port_(port), link_(form, port), selector_(*form.Combo1, std::move(ports)),
      progress_(*form.ProgressBar1) {
    QObject::connect(&selector_, &PortSelector::choiceChanged, &form_,
                     [this] { progress_.setPractice(selector_.practiceChosen()); });
    selector_.start(requested.isEmpty() ? QStringList{port.portName()} : requested, listing);
    port_.setPortName(selector_.current());
}

void PanelOperations::choosePracticeLine() {
    QString error;
    if (!practice_.start(error)) {
        link_.trace(QStringLiteral("the practice panel could not start: ") + error);
        return;
    }
    link_.setPort(practice_);
    link_.trace(QStringLiteral("%1: a panel simulated inside this program, paced as a %2 baud line")
                    .arg(practicePanelName)
                    .arg(protocol::line.baud));
}

PanelOperations::Done PanelOperations::done() const {
    Done done{*running_, selector_.current(),         QString(), model_, locations_,
              QString(), form_.ProgressBar1->format()};
    for (const SerialPortEntry& entry : selector_.listed()) {
        if (entry.systemLocation == done.port)
            done.stableName = entry.stableName;
    }
    if (!leavesStatusLine())
        done.status = form_.statusText();
    return done;
}

void PanelOperations::traceUnfinished(const QString& cause) {
    if (!running_)
        return;
    link_.trace(QStringLiteral("end: the program was ended during the operation (%1); %2")
                    .arg(cause.isEmpty() ? QStringLiteral("no reason given") : cause, endText()));
}

QString PanelOperations::endText() const {
    const QString bar = form_.ProgressBar1->format();
    if (leavesStatusLine())
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
    QObject::connect(form_.COMPARE_PANEL, &QPushButton::clicked, &form_,
                     [this] { COMPARE_PANEL_Click(); });
}

PanelLink::Outcome PanelOperations::exchange(Exchange next) {
    // An answer other than the expected one is asked for twice more at most: a third that
    // agrees with neither leaves the line at fault.
    constexpr int rounds = 3;
    for (int round = 0;; ++round) {
        bool inDoubt = false;
        bool stands = true;
        Outcome outcome = link_.step([&] {
            // Bytes waiting now are discarded whatever else is in doubt.
            const bool stray = !asked_.empty() && !link_.settled();
            const bool other = !asked_.empty() && asked_.back().unconfirmed();
            inDoubt = stray || other;
            if (!inDoubt) {
                // The bar comes to a location once the one before it stands.
                showStep(next);
                if (next.ask)
                    next.answer = next.ask();
                return;
            }
            const std::size_t last = asked_.size() - 1;
            const Exchange& doubted = asked_.back();
            if (stray && round > 0)
                giveUp(last, QStringLiteral("in doubt again: location %1 fails"));
            else if (round + 1 >= rounds)
                giveUp(last, QStringLiteral("answers disagree: location %1 fails"));
            else if (stray)
                stands = askAgain(last,
                                  QStringLiteral("in doubt: the answer of location %1; asked again")
                                      .arg(doubted.address));
            else
                stands = askAgain(last, QStringLiteral("in doubt: location %1 answered %2, not %3; "
                                                       "asked again")
                                            .arg(doubted.address)
                                            .arg(doubted.answer)
                                            .arg(*doubted.expected));
        });
        // An answer that changed when asked again was another's, taken out of step: the
        // location before it may have been given another's too, and is asked again, back to
        // one whose answer stands. Bytes after an answer asked again fail it.
        for (std::size_t i = asked_.size() - 1; outcome == Outcome::Ok && !stands && i > 0; --i)
            outcome = link_.step([&] {
                if (link_.settled())
                    stands = askAgain(
                        i - 1, QStringLiteral("in doubt: the answer of location %1; asked again")
                                   .arg(asked_[i - 1].address));
                else
                    giveUp(i, QStringLiteral("in doubt again: location %1 fails"));
            });
        if (outcome != Outcome::Ok)
            return outcome;
        if (!inDoubt) {
            if (next.ask)
                asked_.push_back(std::move(next));
            return outcome;
        }
    }
}

bool PanelOperations::askAgain(std::size_t i, const QString& why) {
    Exchange& exchange = asked_[i];
    showStep(exchange);
    link_.trace(why);
    const int first = exchange.answer;
    exchange.answer = exchange.askAgain();
    const bool stands = exchange.answer == first;
    exchange.agreed = stands;
    if (form_.r.error_flag != 0)
        return stands;
    const bool other = exchange.expected && exchange.answer != *exchange.expected;
    // The last answer may still be confirmed by one more; an earlier one that changes into
    // another value than expected leaves nothing to go back to.
    const bool last = i + 1 == asked_.size();
    if (!stands && (exchange.mustStand || (other && !last))) {
        giveUp(i, QStringLiteral("answers disagree: location %1 fails"));
    } else if (stands && other && exchange.otherFails) {
        link_.trace(QStringLiteral("check: location %1 holds %2, not %3")
                        .arg(exchange.address)
                        .arg(exchange.answer)
                        .arg(*exchange.expected));
        progress_.otherValue();
        link_.fail(texts::failedToVerify);
    }
    return stands;
}

void PanelOperations::giveUp(std::size_t i, const QString& why) {
    const Exchange& exchange = asked_[i];
    showStep(exchange);
    link_.trace(why.arg(exchange.address));
    link_.fail(texts::corrupted);
}

void PanelOperations::showStep(const Exchange& exchange) {
    if (exchange.step)
        progress_.at(*exchange.step, exchange.address);
}

PanelLink::Outcome PanelOperations::lastPause() {
    const Exchange& last = asked_.back();
    return exchange({last.step, last.address, nullptr, nullptr});
}

bool PanelOperations::completed(Outcome outcome) {
    if (outcome == Outcome::Failed)
        showBadData();
    return outcome == Outcome::Ok;
}

bool PanelOperations::leavesStatusLine() const {
    return running_ == OperationProgress::Kind::Find ||
           running_ == OperationProgress::Kind::Compare;
}

void PanelOperations::showBadData() {
    if (!leavesStatusLine())
        form_.showStatus(Form1::red, QLatin1String(texts::badData));
}

PanelOperations::ModelAnswer PanelOperations::readModel(std::optional<Step> step) {
    ConfigRecord& r = form_.r;
    const auto ask = [this, &r] {
        r.address_l = protocol::modelLocation;
        link_.read_location();
        return int(r.A);
    };
    // Asked again, the panel must name the model it named first.
    const Outcome outcome = exchange({step, protocol::modelLocation, ask, ask, /*mustStand*/ true});
    if (outcome == Outcome::Abandoned)
        return {true, std::nullopt};
    if (!link_.lastReplyInForm())
        return {false, std::nullopt};
    model_ = r.A;
    return {false, model_};
}

std::optional<int> PanelOperations::wakeUpAndCheckModel(const char* mismatchText) {
    progress_.at(Step::WakingPanel);
    if (const Outcome woke = link_.wake(); woke != Outcome::Ok) {
        // Something that is not the panel answered: most likely another device on this port.
        if (woke == Outcome::Failed && link_.wakeHeardSomething())
            progress_.result(QStringLiteral("AN ANSWER THAT IS NOT THE PANEL'S ON %1")
                                 .arg(progress_.barName(selector_.current())),
                             OperationProgress::Tone::Attention);
        return std::nullopt;
    }
    const ModelAnswer answer = readModel(Step::ModelLocation);
    if (answer.abandoned)
        return std::nullopt;
    // Only a whole answer names a model. A short, late or garbled one is a fault of the line,
    // not a panel of another model; nor may a model left in A by an earlier operation pass
    // for this panel's.
    if (!answer.model) {
        showBadData();
        return std::nullopt;
    }
    if (!protocol::isKnownModel(*answer.model)) {
        form_.messages().message(QString::fromLatin1(mismatchText),
                                 QString::fromLatin1(texts::mismatchTitle),
                                 protocol::modelMismatchCause(*answer.model));
        // The status line keeps the model location's text; the bar says what answered.
        const char* notDone = running_ == OperationProgress::Kind::Write     ? "NOT WRITTEN"
                              : running_ == OperationProgress::Kind::Compare ? "NOT COMPARED"
                                                                             : "NOT READ";
        progress_.result(QStringLiteral("A MODEL %1 PANEL ANSWERED \u2014 %2")
                             .arg(*answer.model)
                             .arg(QLatin1String(notDone)),
                         OperationProgress::Tone::Attention);
        return std::nullopt;
    }
    return answer.model;
}

void PanelOperations::FIND_PANEL_Click() {
    Session session(*this, OperationProgress::Kind::Find, nullptr);
    if (!session)
        return;
    QList<search::PortResult> ports;
    for (const SerialPortEntry& entry : selector_.listed()) {
        // A search is for a panel on the line: the practice panel is never tried nor chosen.
        if (entry.practice)
            continue;
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
    progress_.searched(decision.text, decision.toolTip, !decision.chosen.isEmpty());
    // A search changes nothing in the window: a file it holds is still not in the panel.
    progress_.keepNotice(QString());
}

bool PanelOperations::tryPort(search::PortResult& port) {
    using Kind = search::PortResult::Kind;
    port_.setPortName(port.port);
    asked_.clear();
    if (!link_.open_link({})) {
        port.kind = Kind::NotOpened;
        port.failure = port_.openFailure();
        port.heldBy = port_.heldBy();
        return true;
    }
    Outcome outcome = link_.wake();
    if (outcome == Outcome::Ok) {
        const ModelAnswer answer = readModel(std::nullopt); // the bar names the port tried
        outcome = answer.abandoned ? Outcome::Abandoned : Outcome::Ok;
        port.kind = !answer.model                           ? Kind::NoModel
                    : protocol::isKnownModel(*answer.model) ? Kind::Found
                                                            : Kind::OtherModel;
        port.model = answer.model.value_or(0);
    } else {
        port.kind = link_.wakeHeardSomething() ? Kind::OtherAnswer : Kind::NoAnswer;
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
    ReadResult read;
    if (session.open() && wakeUpAndCheckModel(texts::readMismatch))
        read = readIntoWindow();
    ConfigRecord& r = form_.r;
    r.config_flag = 1;
    form_.show_switch_view();
    r.config_flag = 0;
    // The view keeps hidden the designations the read emptied; those it did not take stay in
    // view as they were.
    for (const AssignmentItem& item : assignmentItems()) {
        if (item.kind != AssignmentItem::Kind::Switch)
            continue;
        QLineEdit* box = form_.Text(item.designationText);
        if (!box->text().isEmpty())
            box->show();
    }
    locations_ = read.whole ? int(configurationLocations().size())
                            : std::min(read.taken, int(assignmentItems().size()));
    session.atEnd = [this, read] { showWhatTheWindowHolds(read); };
}

void PanelOperations::showWhatTheWindowHolds(const ReadResult& read) {
    if (read.whole) {
        form_.setOrigin(Form1::Origin::Panel);
        progress_.clearNotice();
        return;
    }
    const QString why =
        QStringLiteral("%1: %2").arg(form_.ProgressBar1->format(), form_.statusText());
    if (read.taken == 0) {
        progress_.keepNotice(why);
        return;
    }
    // Locations after the last item are the intensities, which are shown only once all three
    // have arrived.
    const int items = int(assignmentItems().size());
    const int taken = std::min(read.taken, items);
    form_.setPartlyRead(taken);
    progress_.partlyRead(taken, why);
}

PanelLink::Outcome
PanelOperations::readLocations(Step step, PanelValues& values,
                               const std::function<bool(const PanelLocation&)>& take,
                               const PanelValues* expected, bool otherFails) {
    ConfigRecord& r = form_.r;
    for (const PanelLocation& location : configurationLocations()) {
        const auto ask = [this, &r, &values, &take, location] {
            r.address_l = static_cast<Integer>(location.address);
            link_.read_location();
            values[location.address] = r.A;
            if (take && !take(location))
                r.error_flag = 1;
            return values[location.address];
        };
        Exchange next{step, location.address, ask, ask};
        if (expected) {
            next.expected = (*expected)[location.address];
            next.otherFails = otherFails;
        }
        const Outcome outcome = exchange(std::move(next));
        if (outcome != Outcome::Ok)
            return outcome;
    }
    return Outcome::Ok;
}

PanelOperations::ReadResult PanelOperations::readIntoWindow() {
    ConfigRecord& r = form_.r;
    ReadResult result;
    PanelValues values{};
    const auto forget = qScopeGuard([this] { asked_.clear(); });
    // What the window shows now, given back to every location whose answer does not stand
    // when the read stops: no value of a bad, missing or misplaced answer stays in a list.
    struct Shown {
        int module;
        int channel;
        QString designation;
    };
    std::vector<Shown> before;
    for (const AssignmentItem& item : assignmentItems())
        before.push_back(
            {form_.List(item.moduleList)->currentRow(), form_.List(item.channelList)->currentRow(),
             item.designationText ? form_.Text(item.designationText)->text() : QString()});
    const QString panelName = form_.Text(2)->text();
    const auto take = [this, &r, &result](const PanelLocation& location) {
        // Every location before this one has been taken whole.
        result.taken = location.address;
        const AssignmentItem* item = location.item;
        // A failed answer reaches no list; intensities are shown together once all three have
        // arrived.
        if (r.error_flag != 0 || !item)
            return true;
        // The panel keeps no name: the window's goes once the panel's first location is in.
        if (location.address == 0)
            form_.Text(2)->setText(QString());
        split_assignment(r);
        const bool shown = form_.select(form_.List(item->moduleList), r.m_index) &&
                           form_.select(form_.List(item->channelList), r.c_index);
        if (item->designationText != 0) {
            QLineEdit* box = form_.Text(item->designationText);
            box->setText(QString());
            box->hide();
        }
        return shown;
    };
    if (!completed(readLocations(Step::Location, values, take)) || !completed(lastPause())) {
        for (std::size_t i = std::size_t(result.taken); i < before.size(); ++i) {
            const AssignmentItem& item = assignmentItems()[i];
            form_.select(form_.List(item.moduleList), before[i].module);
            form_.select(form_.List(item.channelList), before[i].channel);
            if (item.designationText != 0)
                form_.Text(item.designationText)->setText(before[i].designation);
        }
        if (result.taken == 0)
            form_.Text(2)->setText(panelName);
        return result;
    }
    // The intensities are shown together, so the indicator rule compares the panel's own pair.
    for (std::size_t i = 0; i < intensityItems().size(); ++i)
        r.*(intensityItems()[i].code) = Integer(values[assignmentItems().size() + i]);
    form_.show_panel_intensities();
    form_.showStatus(Form1::green, QLatin1String(texts::readSuccessful));
    progress_.at(Step::Finished);
    result.whole = true;
    return result;
}

void PanelOperations::WRITE_CONFIG_Click() {
    Session session(*this, OperationProgress::Kind::Write, texts::startingWrite);
    if (!session)
        return;
    // A read that stopped part-way left a mix of the panel's values and earlier ones: writing
    // it would put into the panel what nobody chose.
    if (form_.origin() == Form1::Origin::PartlyRead) {
        form_.showStatus(Form1::red, QLatin1String(texts::partlyReadNotWritten));
        session.atEnd = [this] {
            progress_.keepNotice(QStringLiteral("NOT WRITTEN: ") + form_.statusText());
        };
        return;
    }
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
    const std::optional<int> model = wakeUpAndCheckModel(texts::writeMismatch);
    if (!model || !writeLocations(*model))
        return;
    form_.showStatus(Form1::green, QLatin1String(texts::programmed));
    progress_.at(Step::Finished);
    // The panel holds what the window shows: no notice says otherwise any more.
    session.atEnd = [this] { progress_.clearNotice(); };
}

int PanelOperations::valueToWrite(const PanelLocation& location) {
    if (const AssignmentItem* item = location.item)
        return form_.r.*(item->composed);
    // The intensity written is the list's entry at this moment; a list without one takes
    // "100" first, through its click rule.
    QListWidget* list = form_.List(intensityItems()[location.intensityIndex].list);
    if (list->currentRow() < 0)
        form_.select(list, 0);
    return intensityShown(location);
}

int PanelOperations::intensityShown(const PanelLocation& location) const {
    return Form1::selectedValue(form_.List(intensityItems()[location.intensityIndex].list),
                                codes::intensityEntries[0].value);
}

bool PanelOperations::writeLocations(int model) {
    ConfigRecord& r = form_.r;
    PanelValues written{};
    const auto forget = qScopeGuard([this] { asked_.clear(); });
    for (const PanelLocation& location : configurationLocations()) {
        const auto write = [this, &r, &written, location] {
            r.address_l = static_cast<Integer>(location.address);
            r.data_l = static_cast<Integer>(valueToWrite(location));
            written[location.address] = r.data_l;
            progress_.written(location.address);
            locations_ = location.address + 1;
            link_.write_location();
            return int(r.A);
        };
        const auto verify = [this, &r, &written, location] {
            r.address_l = static_cast<Integer>(location.address);
            r.data_l = static_cast<Integer>(written[location.address]);
            link_.verify_location();
            return int(r.A);
        };
        if (!completed(exchange({Step::Location, location.address, write, verify})))
            return false;
    }
    // Each location was verified right after its write, but a command whose address was
    // changed on the way lands elsewhere and still verifies where the value already stood.
    // Only the whole panel read back once more, the model location included, shows that it
    // holds what was written. An answer that differs is asked again: a late copy of another
    // answer is no value the panel holds.
    PanelValues found{};
    if (!completed(readLocations(Step::Checking, found, nullptr, &written, true)))
        return false;
    const auto askModel = [this, &r] {
        r.address_l = protocol::modelLocation;
        link_.read_location();
        return int(r.A);
    };
    Exchange modelCheck{Step::CheckingModel, protocol::modelLocation, askModel, askModel};
    modelCheck.expected = model;
    modelCheck.otherFails = true;
    return completed(exchange(std::move(modelCheck))) && completed(lastPause());
}

void PanelOperations::COMPARE_PANEL_Click() {
    using Tone = OperationProgress::Tone;
    Session session(*this, OperationProgress::Kind::Compare, nullptr);
    if (!session)
        return;
    // A read that stopped part-way left a mix that nobody chose: the panel need not hold it.
    if (form_.origin() == Form1::Origin::PartlyRead) {
        progress_.result(QStringLiteral("READ THE PANEL AGAIN OR OPEN A FILE BEFORE COMPARING"),
                         Tone::Attention);
        progress_.keepNotice(QString());
        return;
    }
    const std::optional<PanelValues> shown = windowValues();
    if (!shown) {
        progress_.result(QStringLiteral("NOTHING TO COMPARE: READ A PANEL OR OPEN A FILE"),
                         Tone::Attention);
        return;
    }
    if (!session.open() || !wakeUpAndCheckModel(texts::readMismatch))
        return;
    PanelValues held{};
    const auto forget = qScopeGuard([this] { asked_.clear(); });
    // Only a whole read is compared: a fault of the line leaves the bar where it stopped. A
    // difference counts once two answers agree on it.
    if (!completed(readLocations(Step::Location, held, nullptr, &*shown, false)) ||
        !completed(lastPause()))
        return;
    showComparison(comparison::compare(*shown, held));
    locations_ = int(configurationLocations().size());
}

std::optional<PanelValues> PanelOperations::windowValues() const {
    const Form1::Composition composed = form_.composition();
    if (composed.incomplete >= 0)
        return std::nullopt;
    PanelValues values{};
    for (const PanelLocation& location : configurationLocations())
        values[location.address] =
            location.item ? composed.codes[location.address] : intensityShown(location);
    return values;
}

void PanelOperations::showComparison(const comparison::Result& result) {
    for (const comparison::Difference& difference : result.differences) {
        link_.trace(QStringLiteral("differs: ") + difference.line());
        const PanelLocation& location = configurationLocations()[difference.address];
        const QString note = QStringLiteral("THE PANEL HOLDS ") + difference.panel;
        form_.notePanelHolds(difference.address, difference.panel);
        if (const AssignmentItem* item = location.item) {
            form_.markList(item->moduleList, note);
            form_.markList(item->channelList, note);
        } else {
            form_.markList(intensityItems()[location.intensityIndex].list, note);
        }
    }
    const bool same = result.differences.isEmpty();
    progress_.result(result.text,
                     same ? OperationProgress::Tone::Success : OperationProgress::Tone::Attention,
                     result.toolTip);
    // A panel that holds what the window shows holds the file it shows, whoever wrote it.
    if (same)
        progress_.clearNotice();
    else
        progress_.keepNotice(QString());
}
