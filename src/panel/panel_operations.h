#pragma once

#include "locations.h"
#include "operation_progress.h"
#include "panel_comparison.h"
#include "panel_link.h"
#include "panel_search.h"
#include "practice_panel.h"
#include "serial_ports.h"

#include <array>
#include <functional>
#include <optional>
#include <vector>

class CommPort;
class Form1;

// The two whole-panel operations behind the READ_CONFIG and WRITE_CONFIG buttons, the
// search for the panel behind FIND_PANEL and the comparison behind COMPARE_PANEL. Each runs to its
// end inside the click, waiting in the event loop between commands; a click that arrives while one
// waits starts nothing. The port is open only while one runs. The operations talk to the port
// chosen in the window's port selector, the practice panel's line when it is chosen; the search
// tries every serial port it lists.
class PanelOperations {
public:
    // The selector lists the ports the system reports (`ports`) and those the user named
    // (`requested`), and starts on the first one named. Without any, it starts on the port
    // `port` was created with, when it has a name; otherwise on the start port the system's
    // ports give. `listing` says whether the window waits for the ports (see PortSelector).
    PanelOperations(Form1& form, CommPort& port, PortSource ports = systemSerialPorts,
                    const QStringList& requested = {},
                    PortSelector::Listing listing = PortSelector::Listing::Now);

    // Connects the READ_CONFIG, WRITE_CONFIG, FIND_PANEL and COMPARE_PANEL buttons.
    void connectButtons();

    // Reads model, items and intensities out of the panel into the window's lists.
    void READ_CONFIG_Click();
    // Writes the window's composed values into the panel, verifying each location.
    void WRITE_CONFIG_Click();
    // Tries each listed port in turn, as READ begins, and chooses the first where a panel of
    // a served model answers. The bar and the selector are its only outputs.
    void FIND_PANEL_Click();
    // Reads the panel as READ does, into values of its own, and compares them with what a
    // write would send now. The bar says whether the panel holds what the window shows, and
    // lists where not; the lists of each item that differs are marked until the next
    // operation. Nothing in the window changes but the bar and the marks, and nothing is
    // written into the panel.
    void COMPARE_PANEL_Click();

    // The program is being ended by the system while an operation runs (the display gone):
    // the trace's last line says so, with `cause`, where the operation stopped. Nothing when
    // no operation runs.
    void traceUnfinished(const QString& cause);

    // What a read, write or comparison did, told once it has ended, refusals included: for a
    // record of the day's work.
    struct Done {
        OperationProgress::Kind kind;
        QString port;             // the port chosen, as it is opened
        QString stableName;       // its /dev/serial/by-id name, where the system gives one
        std::optional<int> model; // the model the panel named
        // The leading locations whose values the operation read, sent or found: the window's
        // table shows them (PANEL where a comparison found another value).
        int locations = 0;
        QString status; // the status line's text; empty for a comparison, which leaves it alone
        QString bar;
    };
    void setDoneHandler(std::function<void(const Done&)> handler) { done_ = std::move(handler); }

    PanelLink& link() { return link_; }
    PortSelector& portSelector() { return selector_; }
    OperationProgress& progress() { return progress_; }
    PracticePanel& practicePanel() { return practice_; }

private:
    class Session;

    // One location's turn in an operation: a pause, then `ask`, which sends its command (or
    // commands), judges the answer through error_flag and returns the value it gave.
    // `askAgain` asks for the value once more should that answer turn out to be in doubt:
    // for a write, the read-back alone.
    struct Exchange {
        std::optional<OperationProgress::Step> step; // what the bar shows, if anything
        int address;
        std::function<int()> ask;
        std::function<int()> askAgain;
        bool mustStand = false; // an answer that changes when asked again fails (the model)
        // The value the location should hold, when the operation knows it: an answer other
        // than this is in doubt until a second answer agrees with it. A comparison then counts
        // a difference; with `otherFails` (a write's check) the location fails.
        std::optional<int> expected = std::nullopt;
        bool otherFails = false;
        int answer = 0;      // the value the last answer gave
        bool agreed = false; // the last two answers gave it
        // An answer other than the expected one that no second answer has agreed with.
        bool unconfirmed() const { return expected && !agreed && answer != *expected; }
    };
    // Runs `next` after a pause. Bytes found waiting after the pause answer no command and
    // put the answer before them in doubt, as does an answer other than the expected one:
    // that location is asked again first. Should bytes wait once more, or its answers keep
    // disagreeing, it fails there (the bar goes back to it). A clean line sends only `next`'s
    // bytes.
    PanelLink::Outcome exchange(Exchange next);
    // The bar comes to `exchange`'s step.
    void showStep(const Exchange& exchange);
    // Asks exchange `i` of this operation once more, `why` in the trace; true when its answer
    // stands. An answer that changes fails when it must stand, or when it is not the expected
    // value (the line is out of step); one that stands on another value than expected fails a
    // check.
    bool askAgain(std::size_t i, const QString& why);
    // The answer of exchange `i` is given up after `why`: the location fails as a line fault.
    void giveUp(std::size_t i, const QString& why);
    // The pause after the last location, with the same doubt about its answer.
    PanelLink::Outcome lastPause();
    // The exchanges of the running operation answered so far, in order. They refer to the
    // values of the step that made them, and are forgotten when it ends.
    std::vector<Exchange> asked_;

    // The model location as the operations and the search read it: a pause, then location
    // 63, with `step` on the bar. The model is the number the panel named, none when its
    // reply was not a whole answer (short, late or garbled).
    struct ModelAnswer {
        bool abandoned = false;
        std::optional<int> model;
    };
    ModelAnswer readModel(std::optional<OperationProgress::Step> step);
    // Wake-up and model check shared by the operations: the model the panel named. None when
    // the operation must end: the status line, the bar or a message box has then said why.
    std::optional<int> wakeUpAndCheckModel(const char* mismatchText);
    // How the running operation ends, for the trace's last line: the status text and the bar's
    // text; for a search, which leaves the status line alone, the bar's text only.
    QString endText() const;
    // One port of the search: open, wake-up, model location, close; `port` says what it gave.
    // False when the search must end there (the window is closing).
    bool tryPort(search::PortResult& port);
    // Locations 0..24, once the panel has answered, read as READ reads them into `values`.
    // `take`, when given, is given each location as its value arrives (again when it is read
    // once more) and fails it by returning false. `step` is what the bar shows meanwhile.
    // With `expected`, an answer other than its value there is asked again (see Exchange).
    PanelLink::Outcome readLocations(OperationProgress::Step step, PanelValues& values,
                                     const std::function<bool(const PanelLocation&)>& take,
                                     const PanelValues* expected = nullptr,
                                     bool otherFails = false);
    // What a read put into the window: every location, or the locations before `taken`, or
    // nothing. Whatever else it had changed was given back when it stopped.
    struct ReadResult {
        bool whole = false;
        int taken = 0; // the locations whose answers stand, counted from the first
    };
    ReadResult readIntoWindow();
    // After a read: what the window now holds, as its origin and the bar's notice say it.
    void showWhatTheWindowHolds(const ReadResult& read);
    // The value a write sends to `location`: the composed code, or the intensity list's code.
    int valueToWrite(const PanelLocation& location);
    // True for Ok; a failed step shows the failure text on red first.
    bool completed(PanelLink::Outcome outcome);
    // A search and a comparison leave the status line alone: they report on the bar only.
    bool leavesStatusLine() const;
    void showBadData();
    // The intensity code a write sends for `location`: the entry its list shows, "100" when
    // it shows none (which the write selects first).
    int intensityShown(const PanelLocation& location) const;
    // What a write would send now, without selecting or composing anything in the window;
    // nothing when an item lacks a selection.
    std::optional<PanelValues> windowValues() const;
    // The comparison's outcome: the bar, the trace and the marks.
    void showComparison(const comparison::Result& result);
    // Locations 0..24 written from the window and verified, then all read once more and
    // compared with what was written, and the model location with `model`, the model the
    // panel named before the write. False when the write failed (reported).
    bool writeLocations(int model);
    // The practice panel becomes the port the link opens, started when first used; the trace
    // names it. One that cannot start leaves the entry's name, which opens nothing.
    void choosePracticeLine();
    // What the running operation did, as it stands at its end.
    Done done() const;

    Form1& form_;
    CommPort& port_;
    PanelLink link_;
    PortSelector selector_;
    OperationProgress progress_;
    PracticePanel practice_;
    std::optional<OperationProgress::Kind> running_; // while an operation or a search runs
    std::function<void(const Done&)> done_;
    std::optional<int> model_; // the model the running operation's panel named
    int locations_ = 0;        // see Done::locations
};
