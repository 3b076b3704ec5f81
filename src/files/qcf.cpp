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

} // namespace

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
            result.record.model = QString::fromLatin1(text);
        } else if (field == 2) {
            result.record.panel = QString::fromLatin1(text);
        } else {
            result.record.entries[(field - 3) / 2].text = QString::fromLatin1(text);
        }
    }
    result.consumed = reader.position();
    return result;
}

bool matchesModel(const Record& record) {
    return record.model == QLatin1String(modelIdentity);
}

bool writable(const QString& text) {
    for (const QChar c : text) {
        if (c == QLatin1Char('"') || c.unicode() > 0xFF)
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
        out += s.toLatin1();
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
