#include "serial_trace.h"

// Debug messages are off by default: nothing is traced unless asked for.
Q_LOGGING_CATEGORY(serialTrace, serialTraceName, QtInfoMsg)

QString escapedBytes(const QByteArray& bytes) {
    QString out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        switch (byte) {
        case '\r':
            out += QLatin1String("\\r");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        case '\\':
            out += QLatin1String("\\\\");
            break;
        default:
            if (byte >= 0x20 && byte < 0x7F)
                out += QLatin1Char(c);
            else
                out += QLatin1String("\\x") +
                       QString::number(byte, 16).rightJustified(2, QLatin1Char('0')).toUpper();
        }
    }
    return out;
}
