#include "protocol.h"

#include <QStringList>

namespace protocol {

QString lineSettings() {
    return QStringLiteral("%1,%2,%3,%4")
        .arg(line.baud)
        .arg(QLatin1Char(line.parity))
        .arg(line.dataBits)
        .arg(line.stopBits);
}

QString modelMismatchCause(int model) {
    QStringList served;
    for (const int m : servedModels)
        served << QString::number(m);
    const QString last = served.takeLast();
    return QStringLiteral("THE PANEL REPORTED MODEL %1; THIS PROGRAM CONFIGURES MODELS %2 AND %3")
        .arg(model)
        .arg(served.join(QLatin1String(", ")), last);
}

QByteArray wakeUpCommand() {
    return QByteArrayLiteral("A");
}

QByteArray readCommand(int address) {
    QByteArray frame("V\0\0"
                     "00V",
                     6);
    frame[2] = static_cast<char>(address & 0xFF);
    return frame;
}

QByteArray writeCommand(int address, int value) {
    QByteArray frame("S\0\0\0\0D", 6);
    frame[2] = static_cast<char>(address & 0xFF);
    frame[4] = static_cast<char>(value & 0xFF);
    return frame;
}

// The panel answers a read with the location's value times ten as four decimal digits and a
// CR ("0700\r" for 70). An answer is taken only in that form: exactly four digits, then a CR,
// an LF or nothing. Anything else carries no value: a digit lost on the line ("070\r" would
// read as 7), bytes ahead of the digits (noise, a stray acknowledgement), anything after them
// (a second answer, letters), a sign or a fraction. Taking the number such a reply begins with
// would show a value the panel does not hold.
//
// The number is divided by ten and rounded to the nearest integer, halves to the even one:
// 1605 -> 160, 1615 -> 162, 0705 -> 70.
std::optional<int> replyValue(const QByteArray& reply) {
    constexpr int digits = 4;
    if (reply.size() < digits || reply.size() > digits + 1)
        return std::nullopt;
    int number = 0;
    for (int i = 0; i < digits; ++i) {
        if (reply[i] < '0' || reply[i] > '9')
            return std::nullopt;
        number = number * 10 + (reply[i] - '0');
    }
    if (reply.size() > digits && reply[digits] != '\r' && reply[digits] != '\n')
        return std::nullopt;
    int value = number / 10;
    const int tenths = number % 10;
    if (tenths > 5 || (tenths == 5 && value % 2 == 1))
        ++value;
    return value;
}

} // namespace protocol
