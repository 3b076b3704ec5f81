#pragma once

#include <QString>

class QProgressBar;

// How far a panel read or write has got, on the window's progress bar: the wake-up, the
// model location, then the 25 configuration locations, counted from 1 as a technician counts
// them. After a failure the bar stays where the operation stopped ("STOPPED AT LOCATION 8 OF
// 25") until the next operation begins. Between operations it says what the window holds when
// that is not what the panel holds: a file opened but not written.
class OperationProgress {
public:
    enum class Kind { Read, Write };
    // What the operation is doing; a failure is reported at the step it was at.
    enum class Step { OpeningPort, CheckingData, WakingPanel, ModelLocation, Location, Finished };

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

    // A configuration file has been opened into the window: the bar names it and says the
    // panel does not hold it yet; the tooltip gives the whole path.
    void fileOpened(const QString& path);

    // The bar's maximum: the model location and the 25 configuration locations.
    static int steps();

private:
    // The text of the step the operation is at, as it is shown while the window stays open.
    QString stepText() const;
    void show(int value, const QString& text);
    void setText(const QString& text);

    QProgressBar& bar_;
    Kind kind_ = Kind::Read;
    Step step_ = Step::OpeningPort;
    int address_ = 0;
    bool closing_ = false;
};
