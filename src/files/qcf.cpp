#include "qcf.h"

namespace qcf {

const char* const modelIdentity = "51-20417-MDL or 51-20426-MDL";

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// CR LF ends a line, and so does a lone CR or a lone LF: files that passed through other
// systems or editors carry either, and a record spread over lines must still read. A CR
// directly followed by LF is one line end, not two (which would add an empty field).
bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}
bool isSeparator(char c) {
    return c == ',' || isLineEnd(c);
}

// Walks the fields of a record over the raw bytes.
class FieldReader {
public:
    explicit FieldReader(const QByteArray& bytes)
        : begin_(bytes.constData()), p_(begin_), end_(begin_ + bytes.size()) {}

    // Takes the text of the next field and its separator. False when the data ends before
    // the field begins (leading spaces do not begin it).
    bool next(QByteArray& text) {
        while (p_ != end_ && *p_ == ' ')
            ++p_;
        if (p_ == end_)
            return false;
        if (*p_ == '"') {
            // Quoted text runs to the next quote, commas and line ends included; whatever
            // stands between the closing quote and the separator is dropped.
            const char* start = ++p_;
            while (p_ != end_ && *p_ != '"')
                ++p_;
            text = QByteArray(start, p_ - start);
            while (p_ != end_ && !isSeparator(*p_))
                ++p_;
        } else {
            const char* start = p_;
            while (p_ != end_ && !isSeparator(*p_))
                ++p_;
            text = QByteArray(start, p_ - start);
        }
        skipSeparator();
        return true;
    }

    qsizetype position() const { return p_ - begin_; }

private:
    void skipSeparator() {
        if (p_ == end_)
            return;
        const char c = *p_++;
        if (c == '\r' && p_ != end_ && *p_ == '\n')
            ++p_;
    }

    const char* begin_;
    const char* p_;
    const char* end_;
};

// The characters of bytes 0x80..0x9F. Every other byte, and each of the five unassigned
// ones, stands for the code point of its own value, as in Latin-1.
constexpr char16_t block80To9F[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 0x80..0x87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 0x88..0x8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 0x90..0x97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 0x98..0x9F
};

constexpr bool inBlock80To9F(unsigned code) {
    return code >= 0x80 && code <= 0x9F;
}

} // namespace

QChar decodeByte(unsigned char byte) {
    return QChar(inBlock80To9F(byte) ? block80To9F[byte - 0x80] : char16_t(byte));
}

QString decodeText(const QByteArray& bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes)
        *out++ = decodeByte(static_cast<unsigned char>(c));
    return text;
}

bool encodeChar(QChar c, unsigned char& byte) {
    const char16_t code = c.unicode();
    // A C1 control other than the five kept ones has no byte: its byte means another
    // character here, so it would come back as that one.
    if (code <= 0xFF && (!inBlock80To9F(code) || block80To9F[code - 0x80] == code)) {
        byte = static_cast<unsigned char>(code);
        return true;
    }
    for (unsigned i = 0; i < 32; ++i) {
        if (block80To9F[i] == code) {
            byte = static_cast<unsigned char>(0x80 + i);
            return true;
        }
    }
    return false;
}

// A decimal number: optional spaces, an optional sign, digits, an optional fraction. Reading
// stops at the first character that does not fit, so "12AB" is 12 and a field without
// digits ("", "ABC", "-") is 0. A fraction rounds to the nearest integer and an exact half
// to the even neighbour (2.5 is 2, 3.5 is 4, -2.5 is -2): halves then do not all drift one
// way, and a value and its negative round alike. The range is checked after rounding, so
// 32767.4 reads but 32767.5 does not. There is no exponent: "1E3" is 1.
bool parseInteger(const QByteArray& text, Integer& value) {
    const char* p = text.constData();
    const char* const end = p + text.size();
    while (p != end && *p == ' ')
        ++p;
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    // Past this bound the number is out of range whatever follows; stop growing it there
    // so that any number of digits is safe.
    constexpr std::int64_t saturated = 1000000;
    std::int64_t magnitude = 0;
    while (p != end && isDigit(*p)) {
        if (magnitude < saturated)
            magnitude = magnitude * 10 + (*p - '0');
        ++p;
    }
    if (p != end && *p == '.') {
        ++p;
        if (p != end && isDigit(*p)) {
            const int first = *p++ - '0';
            bool beyondHalf = false;
            while (p != end && isDigit(*p)) {
                beyondHalf = beyondHalf || *p != '0';
                ++p;
            }
            if (first > 5 || (first == 5 && (beyondHalf || magnitude % 2 == 1)))
                ++magnitude;
        }
    }
    const std::int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue < -32768 || signedValue > 32767)
        return false;
    value = static_cast<Integer>(signedValue);
    return true;
}

ReadResult read(const QByteArray& bytes) {
    ReadResult result;
    FieldReader reader(bytes);
    QByteArray text;
    for (int field = 1; field <= fieldCount; ++field) {
        if (!reader.next(text)) {
            result.status = ReadStatus::EndOfFile;
            result.field = field;
            return result;
        }
        if (isIntegerField(field)) {
            Integer value = 0;
            if (!parseInteger(text, value)) {
                result.status = ReadStatus::NumberOutOfRange;
                result.field = field;
                return result;
            }
            result.record.entries[(field - 3) / 2].value = value;
        } else if (field == 1) {
            result.record.model = decodeText(text);
        } else if (field == 2) {
            result.record.panel = decodeText(text);
        } else {
            result.record.entries[(field - 3) / 2].text = decodeText(text);
        }
    }
    result.consumed = reader.position();
    return result;
}

bool matchesModel(const Record& record) {
    return record.model == QLatin1String(modelIdentity);
}

bool writable(const QString& text) {
    unsigned char byte = 0;
    for (const QChar c : text) {
        if (c == QLatin1Char('"') || !encodeChar(c, byte))
            return false;
    }
    return true;
}

int unwritableField(const Record& record) {
    if (!writable(record.model))
        return 1;
    if (!writable(record.panel))
        return 2;
    for (int i = 0; i < entryCount; ++i) {
        if (!writable(record.entries[i].text))
            return 3 + 2 * i;
    }
    return 0;
}

QByteArray write(const Record& record) {
    QByteArray out;
    out.reserve(1024);
    auto text = [&out](const QString& s) {
        out += '"';
        for (const QChar c : s) {
            // writable() is a precondition; should it be broken, '?' stands in, as in Qt's
            // own 8-bit conversions, rather than a byte that reads as another character.
            unsigned char byte = '?';
            encodeChar(c, byte);
            out += char(byte);
        }
        out += '"';
    };
    text(record.model);
    out += ',';
    text(record.panel);
    for (const Entry& entry : record.entries) {
        out += ',';
        text(entry.text);
        out += ',';
        out += QByteArray::number(int(entry.value));
    }
    out += "\r\n";
    return out;
}

} // namespace qcf
