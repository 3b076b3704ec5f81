#include "port_holders.h"

#include <QByteArray>
#include <QFile>

#ifdef Q_OS_LINUX
#include <cstdlib>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace holders {

QString Holder::text() const {
    return QStringLiteral("%1 (PROCESS %2)").arg(program).arg(process);
}

#ifdef Q_OS_LINUX

namespace {

// The number of the pseudo-terminal whose slave `device` is, -1 for another device.
int terminalNumber(const QByteArray& device) {
    char real[PATH_MAX];
    if (!::realpath(device.constData(), real))
        return -1;
    const QByteArray path(real);
    const QByteArray prefix("/dev/pts/");
    if (!path.startsWith(prefix))
        return -1;
    bool ok = false;
    const int number = path.mid(prefix.size()).toInt(&ok);
    return ok ? number : -1;
}

// Whether open file `fd` of the process in `process` (a /proc/PID path) is the master side of
// pseudo-terminal `number`.
bool holdsMaster(const QByteArray& process, const char* fd, int number) {
    char target[64] = {};
    const QByteArray link = process + "/fd/" + fd;
    const ssize_t n = ::readlink(link.constData(), target, sizeof target - 1);
    if (n <= 0 || (qstrcmp(target, "/dev/ptmx") != 0 && qstrcmp(target, "/dev/pts/ptmx") != 0))
        return false;
    QFile info(QString::fromLocal8Bit(process + "/fdinfo/" + fd));
    if (!info.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : info.readAll().split('\n')) {
        if (line.startsWith("tty-index:"))
            return line.mid(10).trimmed().toInt() == number;
    }
    return false;
}

} // namespace

QList<Holder> of(const QString& device) {
    QList<Holder> found;
    const QByteArray path = device.toLocal8Bit();
    struct stat wanted {};
    if (::stat(path.constData(), &wanted) != 0 || !S_ISCHR(wanted.st_mode))
        return found;
    const int terminal = terminalNumber(path);
    DIR* processes = ::opendir("/proc");
    if (!processes)
        return found;
    const qint64 self = ::getpid();
    while (const dirent* entry = ::readdir(processes)) {
        char* end = nullptr;
        const qint64 pid = std::strtoll(entry->d_name, &end, 10);
        if (pid <= 0 || *end != '\0' || pid == self)
            continue;
        const QByteArray process = QByteArray("/proc/") + entry->d_name;
        // Another user's program cannot be looked into: it is skipped.
        DIR* fds = ::opendir((process + "/fd").constData());
        if (!fds)
            continue;
        bool holds = false;
        bool farEnd = false;
        while (const dirent* fd = ::readdir(fds)) {
            if (fd->d_name[0] == '.')
                continue;
            struct stat open {};
            if (::stat((process + "/fd/" + fd->d_name).constData(), &open) != 0)
                continue;
            if (S_ISCHR(open.st_mode) && open.st_rdev == wanted.st_rdev)
                holds = true;
            else if (terminal >= 0 && S_ISCHR(open.st_mode) &&
                     holdsMaster(process, fd->d_name, terminal))
                farEnd = true;
        }
        ::closedir(fds);
        if (!holds || farEnd)
            continue;
        QFile comm(QString::fromLocal8Bit(process + "/comm"));
        const QString program = comm.open(QIODevice::ReadOnly)
                                    ? QString::fromLocal8Bit(comm.readAll().trimmed())
                                    : QStringLiteral("A PROGRAM");
        found << Holder{pid, program};
    }
    ::closedir(processes);
    return found;
}

#else

QList<Holder> of(const QString&) {
    return {};
}

#endif

} // namespace holders
