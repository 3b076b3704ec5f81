#pragma once

#include "widgets.h"

#include <QString>
#include <QStringList>

#include <algorithm>

// How far a panel read or write has got, on the window's progress bar: the wake-up, the
// model location, then the 25 configuration locations, counted from 1 as a technician counts
// them. After a failure the bar stays where the operation stopped ("STOPPED AT LOCATION 8 OF
// 25") until the next operation begins. Between operations it says what the window holds when
// that is not what the panel holds: a file opened but not written. A search for the panel
// counts the ports it tries and ends with what it found.
class OperationProgress {
public:
    enum class Kind { Read, Write, Find, Compare };
    // What the operation is doing; a failure is reported at the step it was at.
    enum class Step {
        ChoosingPort,
        OpeningPort,
        CheckingData,
        WakingPanel,
        ModelLocation,
        Location,
        Checking,      // a write reads every location once more and compares it with what it wrote
        CheckingModel, // ... and then the model location, which no write may have changed
        TryingPort,
        Finished
    };

    using Tone = OutcomeBar::Tone;

    explicit OperationProgress(OutcomeBar& bar) : bar_(bar) {}

    // An operation begins: the bar empties and shows the first step.
    void begin(Kind kind);
    // The operation goes on to `step`; for Step::Location and Step::Checking, to location
    // `address`.
    void at(Step step, int address = 0);
    // The operation failed at the step it was at. A write that stops among the locations says
    // what the panel now holds, on the bar as "HALF WRITTEN: 1 TO 13 NEW, 14 IN DOUBT — WRITE
    // AGAIN" and whole in its tooltip and description (see halfWrittenText()).
    void stopped();
    // A write command for location `address` has gone out: from there on the location may
    // hold the new value.
    void written(int address) { written_ = std::max(written_, address); }
    // The write is, or stopped, among the locations after it sent one: the panel is half
    // written.
    bool halfWritten() const;
    // What a write that stopped where it is leaves in the panel, counted from 1: "PANEL HALF
    // WRITTEN: LOCATIONS 1 TO 13 NEW, 14 IN DOUBT, 15 TO 25 AS BEFORE — WRITE AGAIN".
    QString halfWrittenText() const;
    // The location a write's check is at holds another value than it should: a stop there says
    // the check failed. Any other stop of a check is the line's, not the panel's.
    void otherValue() { otherValue_ = true; }
    // The user asked to close the window while a write runs to its end: from now on the bar
    // says why the window stays open.
    void closing();

    // The search comes to port `number` of `ports`, named `name` (see barName()).
    void lookingAt(const QString& name, int number, int ports);
    // The search has ended: the bar says what it found, the tooltip what each port gave.
    // `found` says whether it chose a panel.
    void searched(const QString& text, const QString& toolTip, bool found);
    // An operation ends with `text` as its result, in the look of `tone`, over a full bar.
    // A screen reader is given the tooltip's lines after the text.
    void result(const QString& text, Tone tone, const QString& toolTip = {});
    // A port's name as the bar shows it: shortened in its middle where it would leave no
    // room on its line for the words after it and the practice panel's mark.
    QString barName(const QString& name) const;

    // A configuration file has been opened into the window: the bar names it and says the
    // panel does not hold it yet; the tooltip gives the whole path.
    void fileOpened(const QString& path);
    // A read stopped part-way, after `read` locations (one or more) had been read whole, the
    // window giving back what it showed to the rest: the bar says the
    // window is a mix until it is read again or a file is opened; the tooltip says where the
    // read stopped and why (`why`).
    void partlyRead(int read, const QString& why);
    // An operation changed nothing in the window: the notice of what the window holds (a file
    // not written, a partial read) is kept. After a stop it comes back on the bar, with what
    // stopped the operation (`why`) ahead of its tooltip; a result (a search's, another
    // model) stays on the bar, and the notice joins its tooltip and description. Without a
    // notice the bar stays as the operation left it.
    void keepNotice(const QString& why);
    // The window now holds what the panel holds: no notice comes back any more.
    void clearNotice();

    // While the practice panel is chosen every text begins "PRACTICE PANEL — ", whatever the
    // state, so that no screenshot or trace of it passes for a real panel's.
    void setPractice(bool chosen);

    // The bar's maximum for an operation: the model location and the 25 configuration
    // locations, and for a write the 25 locations and the model location it checks at the end.
    static int steps(Kind kind);

private:
    // The text of the step the operation is at, as it is shown while the window stays open.
    QString stepText() const;
    // The parts of halfWrittenText(): the locations verified, in doubt, and never sent.
    QStringList halfWrittenParts() const;
    // The port a search is at and how far it has got: "ttyUSB1, 2 OF 3".
    QString portCount() const;
    // `name` shortened in its middle to one line of the bar, less `room` pixels.
    QString elided(const QString& name, int room) const;
    void setText(const QString& text);
    // `text` as the bar shows it, marked while the practice panel is chosen.
    QString marked(const QString& text) const;
    // Shows the notice, with `why` ahead of its tooltip.
    void showNotice(const QString& why);
    void show(int value, const QString& text, Tone tone);

    OutcomeBar& bar_;
    QString text_; // the bar's text without the practice panel's mark
    bool practice_ = false;
    // What the window holds when that is not what a panel holds, as the bar says it between
    // operations; empty when the window holds nothing else.
    QString notice_;
    QString noticeToolTip_;
    Tone noticeTone_ = Tone::Neutral;
    Kind kind_ = Kind::Read;
    Step step_ = Step::OpeningPort;
    int address_ = 0;
    bool otherValue_ = false;
    int written_ = -1; // the last location a write command went out for
    QString port_;
    int portNumber_ = 0;
    int ports_ = 0;
    bool closing_ = false;
};
