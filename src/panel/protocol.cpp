#include "protocol.h"

namespace protocol {

QString modelMismatchCause(int model, bool numberRead) {
    const QString served = QStringLiteral("THIS PROGRAM CONFIGURES MODELS 70 AND 79");
    if (!numberRead)
        return QStringLiteral("THE PANEL GAVE NO MODEL NUMBER (ITS REPLY WAS SHORT, LATE OR "
                              "GARBLED); ") +
               served;
    return QStringLiteral("THE PANEL REPORTED MODEL %1; ").arg(model) + served;
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
// four digits and a CR ("0700\r" for 70). How other forms read:
// - blanks (space, tab) ahead of the number are skipped, and one "+" or "-" may stand ahead
//   of the digits: a negative value then fails the caller's range test;
// - the number ends at the first byte that is not a digit: "0700\r" and "0700X" read as 70,
//   "070.5" as 7 (its digits 070);
// - a reply whose first non-blank bytes are no digits ("D000D", noise) carries no value:
//   nothing is returned, and the caller treats it like a corrupted reply rather than taking
//   a stray acknowledgement or line noise for the value 0;
// - digits beyond twelve no longer change the magnitude, so an absurdly long number stays
//   far outside the accepted range instead of overflowing.
// The number is divided by ten and rounded to the nearest integer, halves to the even one:
// 1605 -> 160, 1615 -> 162, 0705 -> 70, 0795 -> 80.
std::optional<long long> replyValue(const QByteArray& reply) {
    constexpr long long saturation = 1000000000000LL;
    int i = 0;
    const int n = reply.size();
    while (i < n && (reply[i] == ' ' || reply[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < n && (reply[i] == '+' || reply[i] == '-')) {
        negative = reply[i] == '-';
        ++i;
    }
    if (i >= n || reply[i] < '0' || reply[i] > '9')
        return std::nullopt;
    long long number = 0;
    for (; i < n && reply[i] >= '0' && reply[i] <= '9'; ++i) {
        if (number < saturation)
            number = number * 10 + (reply[i] - '0');
    }
    long long value = number / 10;
    const long long tenths = number % 10;
    if (tenths > 5 || (tenths == 5 && value % 2 == 1))
        ++value;
    return negative ? -value : value;
}

} // namespace protocol
