#pragma once

#include <QString>

class QProgressBar;

// How far a panel read or write has got, on the window's progress bar: the wake-up, the
// model location, then the 25 configuration locations, counted from 1 as a technician counts
// them. After a failure the bar stays where the operation stopped ("STOPPED AT LOCATION 8 OF
// 25") until the next operation begins. Between operations it says what the window holds when
// that is not what the panel holds: a file opened but not written. A search for the panel
// counts the ports it tries and ends with what it found.
class OperationProgress {
public:
    enum class Kind { Read, Write, Find };
    // What the operation is doing; a failure is reported at the step it was at.
    enum class Step {
        ChoosingPort,
        OpeningPort,
        CheckingData,
        WakingPanel,
        ModelLocation,
        Location,
        TryingPort,
        Finished
    };

    explicit OperationProgress(QProgressBar& bar) : bar_(bar) {}

    // An operation begins: the bar empties and shows the first step.
    void begin(Kind kind);
    // The operation goes on to `step`; for Step::Location, to location `address`.
    void at(Step step, int address = 0);
    // The operation failed at the step it was at.
    void stopped();
    // The user asked to close the window while a write runs to its end: from now on the bar
    // says why the window stays open.
    void closing();

    // The search comes to port `number` of `ports`, named `name` (see barName()).
    void lookingAt(const QString& name, int number, int ports);
    // The search has ended: the bar says what it found, the tooltip what each port gave.
    void searched(const QString& text, const QString& toolTip);
    // A port's name as the bar shows it: shortened in its middle where it would leave no
    // room on its line for the words after it.
    QString barName(const QString& name) const;

    // A configuration file has been opened into the window: the bar names it and says the
    // panel does not hold it yet; the tooltip gives the whole path.
    void fileOpened(const QString& path);

    // The bar's maximum: the model location and the 25 configuration locations.
    static int steps();

private:
    // The text of the step the operation is at, as it is shown while the window stays open.
    QString stepText() const;
    // The port a search is at and how far it has got: "ttyUSB1, 2 OF 3".
    QString portCount() const;
    void show(int value, const QString& text);
    // `name` shortened in its middle to one line of the bar, less `room` pixels.
    QString elided(const QString& name, int room) const;
    void setText(const QString& text);

    QProgressBar& bar_;
    Kind kind_ = Kind::Read;
    Step step_ = Step::OpeningPort;
    int address_ = 0;
    QString port_;
    int portNumber_ = 0;
    int ports_ = 0;
    bool closing_ = false;
};
