#include "pseudo_terminal.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <utility>

PseudoTerminal::PseudoTerminal(QObject* parent) : QObject(parent) {}

PseudoTerminal::~PseudoTerminal() {
    delete notifier_;
    if (master_ >= 0)
        ::close(master_);
    if (slave_ >= 0)
        ::close(slave_);
}

bool PseudoTerminal::open(QString& error) {
    if (master_ >= 0)
        return true;
    termios raw{};
    cfmakeraw(&raw);
    cfsetispeed(&raw, B9600);
    cfsetospeed(&raw, B9600);
    raw.c_cflag |= CLOCAL | CREAD;
    if (::openpty(&master_, &slave_, nullptr, &raw, nullptr) != 0) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        master_ = slave_ = -1;
        return false;
    }
    char name[256] = {};
    if (::ttyname_r(slave_, name, sizeof name) != 0) {
        error = QStringLiteral("no name for the pseudo-terminal");
        ::close(master_);
        ::close(slave_);
        master_ = slave_ = -1;
        return false;
    }
    path_ = QString::fromLocal8Bit(name);
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    notifier_ = new QSocketNotifier(master_, QSocketNotifier::Read);
    connect(notifier_, &QSocketNotifier::activated, this, &PseudoTerminal::onReadable);
    return true;
}

void PseudoTerminal::onReadable() {
    char buffer[256];
    const ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n <= 0) {
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        // No slave end any more: stop watching rather than wake up for ever.
        notifier_->setEnabled(false);
        return;
    }
    emit received(QByteArray(buffer, static_cast<int>(n)));
}

bool PseudoTerminal::write(const QByteArray& bytes) {
    if (master_ < 0)
        return false;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

PseudoTerminal::LineSettings PseudoTerminal::lineSettings() const {
    LineSettings line;
    termios t{};
    if (slave_ < 0 || ::tcgetattr(slave_, &t) != 0)
        return line;
    const std::pair<speed_t, int> speeds[] = {{B1200, 1200},   {B2400, 2400},    {B4800, 4800},
                                              {B9600, 9600},   {B19200, 19200},  {B38400, 38400},
                                              {B57600, 57600}, {B115200, 115200}};
    for (const auto& [code, baud] : speeds) {
        if (cfgetospeed(&t) == code)
            line.baud = baud;
    }
    switch (t.c_cflag & CSIZE) {
    case CS5:
        line.dataBits = 5;
        break;
    case CS6:
        line.dataBits = 6;
        break;
    case CS7:
        line.dataBits = 7;
        break;
    default:
        line.dataBits = 8;
        break;
    }
    line.parity = !(t.c_cflag & PARENB) ? 'N' : (t.c_cflag & PARODD) ? 'O' : 'E';
    line.stopBits = (t.c_cflag & CSTOPB) ? 2 : 1;
    line.hardwareFlow = (t.c_cflag & CRTSCTS) != 0;
    line.softwareFlow = (t.c_iflag & (IXON | IXOFF)) != 0;
    return line;
}

void PseudoTerminal::close() {
    // This may run inside the notifier's own signal: let it go from the event loop.
    if (notifier_) {
        notifier_->setEnabled(false);
        notifier_->deleteLater();
        notifier_ = nullptr;
    }
    if (master_ >= 0)
        ::close(master_);
    if (slave_ >= 0)
        ::close(slave_);
    master_ = slave_ = -1;
}
