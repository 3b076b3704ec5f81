#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// The system's side of the work log: where it is kept, and an append that two programs can make
// at once. One implementation per system (log_file_posix.cpp, log_file_windows.cpp).
namespace logfile {

// The usual work log for this user, and how --help names that place.
QString usualPath();
QString usualPlaceText();

// What is to be appended, given the file's first bytes (up to the `startSize` asked for; none
// for an empty file). False, with why in `error`, to write nothing.
using Compose = std::function<bool(const QByteArray& start, QByteArray& bytes, QString& error)>;

// Opens `path` (made when missing) without waiting on a pipe or a device, holds it locked
// against other writers while `compose` looks at it, and appends its bytes in one write. False,
// with why in `error`, when nothing or not all was written; a file that is not a plain file is
// never written.
bool append(const QString& path, qsizetype startSize, const Compose& compose, QString& error);

} // namespace logfile
