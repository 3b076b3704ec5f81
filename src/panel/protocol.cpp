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

// The panel answers a read with the location's value times ten as decimal digits, normally
// four digits and a CR ("0700\r" for 70). An answer is taken only in that whole form: one
// decimal number (a sign may stand ahead of its digits), then nothing but line ends (CR, LF),
// at least four characters in all. Anything else carries no value: bytes ahead of the number
// (noise, a stray acknowledgement), anything after it but line ends (a second answer, a
// fraction, letters), a reply too short. Taking the number such a reply begins with would
// let one stray byte shift every later location by one.
//
// Digits beyond twelve no longer change the magnitude, so an absurdly long number stays far
// outside the accepted range instead of overflowing. The number is divided by ten and rounded
// to the nearest integer, halves to the even one: 1605 -> 160, 1615 -> 162, 0705 -> 70.
std::optional<long long> replyValue(const QByteArray& reply) {
    constexpr long long saturation = 1000000000000LL;
    const int n = reply.size();
    if (n < 4)
        return std::nullopt;
    int i = 0;
    const bool negative = reply[0] == '-';
    if (reply[0] == '+' || reply[0] == '-')
        ++i;
    const int digits = i;
    long long number = 0;
    for (; i < n && reply[i] >= '0' && reply[i] <= '9'; ++i) {
        if (number < saturation)
            number = number * 10 + (reply[i] - '0');
    }
    if (i == digits)
        return std::nullopt;
    for (; i < n; ++i) {
        if (reply[i] != '\r' && reply[i] != '\n')
            return std::nullopt;
    }
    long long value = number / 10;
    const long long tenths = number % 10;
    if (tenths > 5 || (tenths == 5 && value % 2 == 1))
        ++value;
    return negative ? -value : value;
}

} // namespace protocol
