#pragma once

#include <QObject>

class QWidget;

// Takes the system's requests to end the program as a request to close the window, so that
// they end it as closing it does: a panel write runs to its end first, a read is abandoned, and
// with nothing running the window closes at once. A box or file dialog waiting for an answer is
// dismissed first. The request only leaves a note for the event loop, which does the rest.
//
// Linux: SIGTERM (a logout, kill, a service manager), SIGHUP (the terminal the program was
// started from closed) and SIGINT (Ctrl+C there). Windows: the console's Ctrl+C and Ctrl+Break,
// its closing, a log-off and a shut-down, for a program started from a console.
class CloseOnSignal : public QObject {
    Q_OBJECT

public:
    // One at a time: the handlers are the process's own.
    explicit CloseOnSignal(QWidget& window);
    ~CloseOnSignal() override;
    CloseOnSignal(const CloseOnSignal&) = delete;
    CloseOnSignal& operator=(const CloseOnSignal&) = delete;

    // False when the requests could not be taken over; they then end the program as before.
    bool installed() const { return installed_; }
    // The last request received (the signal's or the console event's number), 0 for none.
    int received() const { return received_; }
    // The program's exit status: `status`, or what tells the request that ended it.
    int exitStatus(int status) const;

    // From the event loop, once a request has arrived.
    void closeWindow(int request);

private:
    QWidget& window_;
    bool installed_ = false;
    int received_ = 0;
};
