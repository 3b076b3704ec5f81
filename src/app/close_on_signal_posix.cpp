#include "close_on_signal.h"

#include <QSocketNotifier>
#include <QWidget>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int handled[] = {SIGTERM, SIGHUP, SIGINT};
int sockets[2] = {-1, -1};
QSocketNotifier* notifier = nullptr;

void onSignal(int signal) {
    // Only what is safe in a signal handler: one byte written to a socket.
    const int saved = errno;
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t n = ::write(sockets[0], &byte, 1);
    errno = saved;
}

} // namespace

CloseOnSignal::CloseOnSignal(QWidget& window) : QObject(&window), window_(window) {
    if (sockets[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0)
        return;
    ::fcntl(sockets[0], F_SETFL, O_NONBLOCK); // a flood of signals must never block the handler
    notifier = new QSocketNotifier(sockets[1], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        const ssize_t n = ::read(sockets[1], bytes, sizeof bytes);
        if (n > 0)
            closeWindow(static_cast<unsigned char>(bytes[n - 1]));
    });
    struct sigaction action {};
    action.sa_handler = ::onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : handled)
        ::sigaction(signal, &action, nullptr);
    installed_ = true;
}

CloseOnSignal::~CloseOnSignal() {
    if (!installed_)
        return;
    for (const int signal : handled)
        std::signal(signal, SIG_DFL);
    delete notifier;
    notifier = nullptr;
    ::close(sockets[0]);
    ::close(sockets[1]);
    sockets[0] = sockets[1] = -1;
}

int CloseOnSignal::exitStatus(int status) const {
    // As a shell expects of a program a signal ended.
    return received_ ? 128 + received_ : status;
}
