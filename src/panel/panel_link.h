#pragma once

#include "comm_port.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <optional>

class Form1;

// The window's location commands: opening the link, the wake-up exchange, the pause, and
// reading and writing one panel location. Like the window's other procedures they work on
// the record's fields (address_l, data_l, A, error_flag, timer_flag) and the status line.
//
// Every wait restarts Timer1's period and blocks in a local event loop until the port reports
// bytes or a fault, the timer ticks, or the user asks to close the window, so waiting costs no
// processor time and the window stays live.
class PanelLink {
public:
    // What became of one step of an operation.
    enum class Outcome {
        Ok,
        Failed,   // the panel did not answer, or error_flag is 1
        Abandoned // the operation cannot go on: the status line says why, the link is closed
    };

    // The period of every pause and reply wait, in milliseconds.
    static constexpr int period = 100;

    PanelLink(Form1& form, CommPort& port);

    // The port the next operation talks to, until another is set.
    void setPort(CommPort& port) { port_ = &port; }
    CommPort& port() const { return *port_; }

    // An operation begins: the trace's clock starts and the trace names the operation.
    void begin(const QString& operation);
    // The operation has ended, however: Timer1 stops, so that an idle window does not wake
    // the processor every period. The next wait starts it again.
    void end();
    // Whether closing the window abandons the operation at once (a read) or lets it run to
    // its end (a write: a panel must never be left half written).
    void setAbandonOnClose(bool abandon) { abandonOnClose_ = abandon; }
    // Tests run the link faster than a panel needs; the program always uses `period` for
    // both. A test whose panel answers in pieces or paced as a real line gives its replies a
    // longer wait than its pauses, so that a busy computer cannot make a reply late.
    void setPeriodForTests(int ms, int replyWaitMs = 0) {
        period_ = ms;
        replyWait_ = replyWaitMs > 0 ? replyWaitMs : ms;
    }
    // A quiet link shows nothing itself: no status text, no colour, no message box. The
    // search for the panel runs the same steps quietly and reports their outcomes on the bar.
    void setQuiet(bool quiet) { quiet_ = quiet; }

    // Opens the port at the line setting. When it cannot be opened: red status line, a message
    // box naming the port, the reason and the ports that do exist (nothing while quiet; the
    // port's openFailure() says why), and false. Without a port chosen nothing is opened: red
    // status line, no box, and false.
    bool open_link(const QStringList& reportedPorts);
    // Whether the port has a name. A blank one names no port: opened, it would be /dev itself.
    bool portChosen() const;
    void close_link();

    // The wake-up exchange: "A" until five bytes wait, at most six times. Failed unless the
    // panel answered exactly "D000D" within a period.
    [[nodiscard]] Outcome wake();
    // Whether anything but the adapter's echo came back to the last wake-up: a failed one
    // that heard something met another device, not a silent line.
    bool wakeHeardSomething() const { return wakeHeard_; }
    // One step of an operation: a pause of one period, then `command` (which sets address_l,
    // data_l and sends a location command), unless the operation has to stop first.
    template <typename Command> [[nodiscard]] Outcome step(Command command) {
        pause_tick();
        if (!aborted())
            command();
        return outcome();
    }

    // The procedures a step runs.
    void pause_tick();
    void reply_wait();
    // Reads location address_l into A; error_flag 1 for a corrupted or out-of-range reply.
    void read_location();
    // Whether the last read was answered in the whole form of an answer (a number, out of
    // range or not), rather than short, late or garbled.
    bool lastReplyInForm() const { return inForm_; }
    // Writes data_l into location address_l and verifies it by reading it back.
    void write_location();
    // The read-back alone: reads location address_l and compares it with data_l.
    void verify_location();

    // Whether the line is quiet after the last answer. Bytes waiting now answer no command:
    // they are discarded (and traced), and they put the answer before them in doubt.
    [[nodiscard]] bool settled();
    // Fails the location command in hand: error_flag 1 and `text` on the status line.
    void fail(const char* text);

    // Records one event in the serial trace, stamped with the time since the operation began.
    void trace(const QString& event) const;

    // The text of the message box for a port that could not be opened: its name, the
    // reason, the system's own words (or the refused settings), and the ports that exist.
    // A refused permission names the group that owns the device and may open it (dialout on
    // Debian, uucp on Arch; dialout when it is unknown); for a device only root may open
    // ("root"), it says to ask for a udev rule that gives it to dialout, and for membership. A
    // port another program holds names the programs (`heldBy`).
    static QString openFailureMessage(const QString& portName, CommPort::OpenFailure failure,
                                      const QString& detail, const QStringList& reportedPorts,
                                      const QString& deviceGroup = {},
                                      const QStringList& heldBy = {});
    // "THE PORT IS OPEN IN socat (PROCESS 4242): CLOSE IT, THEN TRY AGAIN"
    static QString heldOpenText(const QStringList& heldBy);
    // The group whose members may open `device`, which the user needs to belong to: the group
    // that owns it when that group may read and write it, else "root"; empty when the device is
    // not there to look at.
    static QString openingGroup(const QString& device);

private:
    // The device vanished, the window is closing during an operation that closing abandons,
    // or the event loop can no longer run a wait: nothing more is sent.
    bool aborted() const;
    // Abandoned (reported on the status line, the link closed), Failed or Ok after a step.
    Outcome outcome();
    template <typename Done> void waitUntil(Done done);
    // Sends the read command for address_l and converts the reply into A. A reply not in the
    // panel's form: error_flag 1, "COMMUNICATIONS CORRUPTED", A unchanged, no value.
    std::optional<int> request_value();
    void restartPeriod(int ms);
    // What becomes of the bytes waiting when a command is sent: dropped as belonging to no
    // command, or kept as answers to the earlier tries of the same exchange.
    enum class Answers { Discard, Keep };
    void send(const QByteArray& command, Answers earlier = Answers::Discard);
    // Takes the bytes waiting as answering no command; true when there were any.
    bool discardStray();
    // The part of `waiting` that is the adapter's echo of the bytes sent.
    int echoLength(const QByteArray& waiting) const;
    // Bytes of the answer waiting, not counting an echo; bytes the system holds count too.
    int answerLength();
    // Input: every byte waiting, as the reply to the last command, without its echo.
    QByteArray take();
    // The status line, left as it is while the link is quiet.
    void showStatus(const QColor& colour, const char* text);
    void setStatusText(const char* text);

    Form1& form_;
    CommPort* port_;
    bool abandonOnClose_ = true;
    bool loopEnded_ = false;
    bool inForm_ = false;
    bool wakeHeard_ = false;
    QByteArray sent_; // the bytes of the command being answered
    bool quiet_ = false;
    int period_ = period;
    int replyWait_ = period;
    QElapsedTimer clock_;
};
