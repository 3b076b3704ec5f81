#pragma once

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>

// The serial trace, for support when a panel misbehaves: the port and its settings when it
// opens, every command sent and every reply taken, and the outcome of each operation, as
// debug messages of the category "nvx.serial". Off unless asked for, with
// QT_LOGGING_RULES="nvx.serial.debug=true" or the program's --trace FILE.
Q_DECLARE_LOGGING_CATEGORY(serialTrace)
// Its name. A logging filter compares names: it must not touch a category object, whose
// creation takes the lock the filter is called under.
inline constexpr char serialTraceName[] = "nvx.serial";

// Bytes as readable text: printable ASCII as it is, \r \n \t and \\ escaped, every other
// byte as \xHH. "V\x00?00V" is the read command for location 63.
QString escapedBytes(const QByteArray& bytes);
