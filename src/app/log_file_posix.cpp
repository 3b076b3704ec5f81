#include "log_file.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace logfile {

namespace {

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

QString usualPath() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    // A relative path is no base directory and is ignored.
    if (state.isEmpty() || QDir::isRelativePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/nvx10config/work-log.csv");
}

QString usualPlaceText() {
    return QStringLiteral("$XDG_STATE_HOME/nvx10config/work-log.csv "
                          "(~/.local/state/nvx10config/work-log.csv where XDG_STATE_HOME is not "
                          "set)");
}

bool append(const QString& path, qsizetype startSize, const Compose& compose, QString& error) {
    // Without waiting on a pipe or a device; only a plain file takes the log.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0644);
    if (fd < 0) {
        error = systemError();
        return false;
    }
    const auto closed = qScopeGuard([fd] { ::close(fd); });
    // Held while the file is looked at and written: of two programs that both find it empty,
    // only the first writes the header.
    struct stat status {};
    if (::flock(fd, LOCK_EX) != 0 || ::fstat(fd, &status) != 0) {
        error = systemError();
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        error = QStringLiteral("It is not a plain file.");
        return false;
    }
    QByteArray start;
    if (status.st_size > 0) {
        start.resize(qsizetype(std::min<qint64>(startSize, status.st_size)));
        const ssize_t n = ::pread(fd, start.data(), std::size_t(start.size()), 0);
        if (n < 0) {
            error = systemError();
            return false;
        }
        start.resize(n);
    }
    QByteArray bytes;
    if (!compose(start, bytes, error))
        return false;
    ssize_t written;
    do
        written = ::write(fd, bytes.constData(), std::size_t(bytes.size()));
    while (written < 0 && errno == EINTR);
    if (written != bytes.size()) {
        error =
            written < 0 ? systemError() : QStringLiteral("The disk took only part of the line.");
        return false;
    }
    return true;
}

} // namespace logfile
