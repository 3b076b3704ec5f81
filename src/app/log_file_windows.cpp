#include "log_file.h"

#include <QDir>
#include <QScopeGuard>

#include <windows.h>

namespace logfile {

namespace {

QString systemError() {
    return qt_error_string(int(GetLastError()));
}

} // namespace

QString usualPath() {
    // The user's local application data, as Windows programs keep their records.
    QString local = qEnvironmentVariable("LOCALAPPDATA");
    if (local.isEmpty() || QDir::isRelativePath(local))
        local = QDir::homePath() + QStringLiteral("/AppData/Local");
    return QDir::fromNativeSeparators(local) + QStringLiteral("/nvx10config/work-log.csv");
}

QString usualPlaceText() {
    return QStringLiteral("%LOCALAPPDATA%\\nvx10config\\work-log.csv");
}

bool append(const QString& path, qsizetype startSize, const Compose& compose, QString& error) {
    // Append-only access: every write lands at the end, whoever else writes meanwhile.
    const HANDLE file = CreateFileW(
        reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(path).utf16()),
        FILE_APPEND_DATA | GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = systemError();
        return false;
    }
    const auto closed = qScopeGuard([file] { CloseHandle(file); });
    if (GetFileType(file) != FILE_TYPE_DISK) {
        error = QStringLiteral("It is not a plain file.");
        return false;
    }
    // Held while the file is looked at and written: of two programs that both find it empty,
    // only the first writes the header.
    OVERLAPPED whole{};
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole)) {
        error = systemError();
        return false;
    }
    const auto unlocked = qScopeGuard([file] {
        OVERLAPPED all{};
        UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &all);
    });
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) {
        error = systemError();
        return false;
    }
    QByteArray start;
    if (size.QuadPart > 0) {
        start.resize(qsizetype(std::min<qint64>(startSize, size.QuadPart)));
        OVERLAPPED atStart{};
        DWORD n = 0;
        if (!ReadFile(file, start.data(), DWORD(start.size()), &n, &atStart)) {
            error = systemError();
            return false;
        }
        start.resize(qsizetype(n));
    }
    QByteArray bytes;
    if (!compose(start, bytes, error))
        return false;
    DWORD written = 0;
    if (!WriteFile(file, bytes.constData(), DWORD(bytes.size()), &written, nullptr)) {
        error = systemError();
        return false;
    }
    if (qsizetype(written) != bytes.size()) {
        error = QStringLiteral("The disk took only part of the line.");
        return false;
    }
    return true;
}

} // namespace logfile
