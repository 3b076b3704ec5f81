#pragma once

#include <QObject>

class QSocketNotifier;
class QWidget;

// Takes SIGTERM (a logout, kill, a service manager), SIGHUP (the terminal the program was
// started from closed) and SIGINT (Ctrl+C there) as a request to close the window, so that
// they end the program as closing it does: a panel write runs to its end first, a read is
// abandoned, and with nothing running the window closes at once. A box or file dialog waiting
// for an answer is dismissed first. The handler only writes the signal's number to a socket;
// the rest is done from the event loop.
class CloseOnSignal : public QObject {
    Q_OBJECT

public:
    // One at a time: the handlers are the process's own.
    explicit CloseOnSignal(QWidget& window);
    ~CloseOnSignal() override;
    CloseOnSignal(const CloseOnSignal&) = delete;
    CloseOnSignal& operator=(const CloseOnSignal&) = delete;

    // False when the signals could not be taken over; they then end the program as before.
    bool installed() const { return notifier_ != nullptr; }
    // The last signal received, 0 for none.
    int received() const { return received_; }

private:
    void onSignal();

    QWidget& window_;
    QSocketNotifier* notifier_ = nullptr;
    int received_ = 0;
};
