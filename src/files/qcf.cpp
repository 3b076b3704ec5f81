#include "qcf.h"

#include "codes.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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
// A byte below the space other than a tab or a line end: text files have none, so one marks
// a file that is not text at all.
bool isControl(char c) {
    return static_cast<unsigned char>(c) < 0x20 && c != '\t' && !isLineEnd(c);
}

// An integer field whose text begins with something no number begins with ("ABC", a
// designation). It reads as 0; in a file that is refused anyway it shows where fields went
// missing or extra, since every field after that point has moved into its neighbour's place.
bool holdsText(const QByteArray& text) {
    for (const char c : text) {
        if (c != ' ')
            return !isDigit(c) && c != '+' && c != '-' && c != '.';
    }
    return false;
}

// Walks the fields of a record over the raw bytes.
class FieldReader {
public:
    // Reads from `start` on; positions stay counted from the first byte.
    FieldReader(const QByteArray& bytes, qsizetype start)
        : begin_(bytes.constData()), p_(begin_ + start), end_(begin_ + bytes.size()) {}

    // Takes the text of the next field and its separator. False when the data ends before
    // the field begins (leading spaces do not begin it).
    bool next(QByteArray& text) {
        while (p_ != end_ && *p_ == ' ')
            ++p_;
        if (p_ == end_)
            return false;
        const char* const fieldStart = p_;
        quoteOpen_ = false;
        if (*p_ == '"') {
            // Quoted text runs to the next quote, commas and line ends included; whatever
            // stands between the closing quote and the separator is dropped.
            const char* start = ++p_;
            while (p_ != end_ && *p_ != '"')
                ++p_;
            text = QByteArray(start, p_ - start);
            quoteOpen_ = p_ == end_;
            while (p_ != end_ && !isSeparator(*p_))
                ++p_;
        } else {
            const char* start = p_;
            while (p_ != end_ && !isSeparator(*p_))
                ++p_;
            text = QByteArray(start, p_ - start);
        }
        if (controlAt_ < 0) {
            const char* control = std::find_if(fieldStart, p_, isControl);
            if (control != p_)
                controlAt_ = control - begin_;
        }
        skipSeparator();
        return true;
    }

    qsizetype position() const { return p_ - begin_; }
    // The last field taken began with a quote that the data never closed.
    bool quoteOpen() const { return quoteOpen_; }
    // Offset of the first control byte in the fields taken so far, -1 for none.
    qsizetype controlAt() const { return controlAt_; }

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
    bool quoteOpen_ = false;
    qsizetype controlAt_ = -1;
};

constexpr char utf8Mark[] = "\xEF\xBB\xBF";

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
    // A file saved again by an editor that writes UTF-8 starts with its byte-order mark: its
    // texts are UTF-8, not the 8-bit code page of the program's own files.
    const bool utf8 = bytes.startsWith(utf8Mark);
    const auto textOf = [utf8](const QByteArray& text) {
        return utf8 ? QString::fromUtf8(text) : decodeText(text);
    };
    FieldReader reader(bytes, utf8 ? qsizetype(sizeof utf8Mark - 1) : 0);
    QByteArray text;
    const auto stop = [&](ReadStatus status, int field) {
        result.status = status;
        result.field = field;
        result.controlAt = reader.controlAt();
        return result;
    };
    for (int field = 1; field <= fieldCount; ++field) {
        if (!reader.next(text)) {
            // A quote that is never closed takes the rest of the data into its field; that,
            // not a field left out, is what made the record short.
            if (reader.quoteOpen()) {
                result.found = text;
                return stop(ReadStatus::OpenQuote, field - 1);
            }
            return stop(ReadStatus::EndOfFile, field);
        }
        if (isIntegerField(field)) {
            Integer value = 0;
            if (!parseInteger(text, value)) {
                result.found = text;
                return stop(ReadStatus::NumberOutOfRange, field);
            }
            if (result.textField == 0 && holdsText(text)) {
                result.textField = field;
                result.text = text;
            }
            result.record.entries[(field - 3) / 2].value = value;
        } else if (field == 1) {
            result.record.model = textOf(text);
        } else if (field == 2) {
            result.record.panel = textOf(text);
        } else {
            result.record.entries[(field - 3) / 2].text = textOf(text);
        }
    }
    result.consumed = reader.position();
    result.controlAt = reader.controlAt();
    return result;
}

bool matchesModel(const Record& record) {
    return record.model == QLatin1String(modelIdentity);
}

QString fieldName(int field) {
    if (field == 1)
        return QStringLiteral("MODEL");
    if (field == 2)
        return QStringLiteral("PANEL NAME");
    // The five entries after the twenty items: a fixed caption, then a code.
    static const char* const captioned[] = {"BACKLIGHT", "DIMMING", "NORMAL INDICATOR",
                                            "NORMAL BACKLIGHTING",
                                            "DIMMED BACKLIGHTING AND INDICATOR"};
    const int entry = (field - 3) / 2;
    const QString item = entry < 10   ? QStringLiteral("SW%1").arg(entry + 1)
                         : entry < 20 ? QStringLiteral("LED%1").arg(entry - 9)
                                      : QLatin1String(captioned[entry - 20]);
    if (isIntegerField(field))
        return item + QLatin1String(" CODE");
    return item + QLatin1String(entry < 20 ? " DESIGNATION" : " CAPTION");
}

namespace {

// What was found, as a message shows it: on one line, and cut short when long.
QString shown(const QString& text) {
    constexpr int longest = 40;
    QString line = text.left(longest + 1);
    for (QChar& c : line) {
        if (c.unicode() < 0x20)
            c = QLatin1Char(' ');
    }
    if (line.size() > longest)
        line = line.left(longest) + QLatin1String("...");
    return line;
}
QString shown(const QByteArray& bytes) {
    return shown(decodeText(bytes.left(64)));
}
template <typename Text> QString quoted(const Text& text) {
    return QLatin1Char('"') + shown(text) + QLatin1Char('"');
}

QString fieldAt(int field) {
    return QStringLiteral("FIELD %1 (%2)").arg(field).arg(fieldName(field));
}

QString readCause(const ReadResult& read, bool cut, qint64 fileSize) {
    // Bytes past the read limit were never looked at: the file did not end where the
    // reader ran out of data, it is too large to be a configuration file.
    if (cut && (read.status == ReadStatus::EndOfFile || read.status == ReadStatus::OpenQuote))
        return QStringLiteral("THE FILE IS TOO LARGE TO BE A CONFIGURATION FILE: %1 BYTES")
            .arg(fileSize);
    switch (read.status) {
    case ReadStatus::Ok:
        break;
    case ReadStatus::EndOfFile: {
        if (read.field == 1)
            return QStringLiteral("THE FILE IS EMPTY");
        const int fields = read.field - 1;
        QString cause = QStringLiteral("THE FILE HOLDS %1 %2; A CONFIGURATION FILE HOLDS %3")
                            .arg(fields)
                            .arg(QLatin1String(fields == 1 ? "FIELD" : "FIELDS"))
                            .arg(fieldCount);
        if (read.textField != 0)
            cause += QStringLiteral("\n%1 HOLDS TEXT WHERE A NUMBER BELONGS: %2")
                         .arg(fieldAt(read.textField), quoted(read.text));
        return cause;
    }
    case ReadStatus::OpenQuote:
        // Shown as it stands in the file: an opening quote and no closing one.
        return QStringLiteral("THE QUOTE THAT OPENS %1 IS NEVER CLOSED: \"%2")
            .arg(fieldAt(read.field), shown(read.found.trimmed()));
    case ReadStatus::NumberOutOfRange:
        return QStringLiteral("%1 HOLDS %2; A NUMBER IN A CONFIGURATION FILE LIES BETWEEN -32768 "
                              "AND 32767")
            .arg(fieldAt(read.field), shown(read.found.trimmed()));
    }
    return QString();
}

// Why a code of the record is one this program never writes, or empty. Such a code marks a
// damaged file: loaded, it would be shown as something else (N/A, 100 %) and written as that.
QString codeCause(const Record& record) {
    for (int entry = 0; entry < entryCount; ++entry) {
        const int code = record.entries[entry].value;
        const QString holds = QStringLiteral("%1 HOLDS %2; ").arg(fieldAt(4 + 2 * entry)).arg(code);
        if (entry >= indicatorIntensityEntry) {
            if (codes::intensityPosition(code) < 0)
                return holds + QStringLiteral("AN INTENSITY CODE IS 10, 7, 6, 5, 4, 3, 2 OR 1");
        } else if (code < 0) {
            return holds + QStringLiteral("AN ASSIGNMENT CODE IS NEVER NEGATIVE");
        } else if (code > codes::notAssigned) {
            return holds + QStringLiteral("AN ASSIGNMENT CODE LIES BETWEEN 0 AND %1")
                               .arg(codes::notAssigned);
        }
    }
    return QString();
}

// Saved as "Unicode" by a Windows editor, a file is UTF-16: two bytes a character, one of them
// 00 for every character a configuration file holds, mostly after a byte-order mark. Its first
// character is then the quote that opens the model.
bool isUtf16(const QByteArray& bytes) {
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return true;
    return bytes.startsWith(QByteArray("\"\0", 2)) || bytes.startsWith(QByteArray("\0\"", 2));
}

} // namespace

Verdict judge(const QByteArray& bytes, qint64 fileSize) {
    Verdict verdict;
    verdict.read = read(bytes);
    const ReadResult& r = verdict.read;
    QString& cause = verdict.cause;
    if (r.status != ReadStatus::Ok) {
        cause = readCause(r, fileSize > bytes.size(), fileSize);
    } else if (!matchesModel(r.record)) {
        cause = QStringLiteral("THE FILE IS FOR MODEL %1; THIS PROGRAM OPENS FILES FOR \"%2\"")
                    .arg(quoted(r.record.model), QLatin1String(modelIdentity));
    } else {
        cause = codeCause(r.record);
    }
    // Its own encoding explains a Unicode file's faults, which are many; a control byte
    // explains every other fault at once: this is not a text file.
    if (isUtf16(bytes))
        cause = QStringLiteral("THE FILE IS SAVED AS UNICODE (UTF-16); SAVE IT AS ANSI OR UTF-8");
    else if (!cause.isEmpty() && r.controlAt >= 0)
        cause = QStringLiteral("THE FILE IS NOT TEXT: BYTE %1 HOLDS THE CONTROL CODE %2 (HEX)")
                    .arg(QString::number(r.controlAt + 1),
                         QString::number(static_cast<unsigned char>(bytes[r.controlAt]), 16)
                             .rightJustified(2, QLatin1Char('0'))
                             .toUpper());
    return verdict;
}

namespace {

const char* const folder = "It is a folder, not a file.";
const char* const notPlain = "It is not a plain file but a pipe, a device or a socket.";

} // namespace

namespace {

// A file that is no file of the system, such as one built into the program, which nothing
// can replace, or a system without another way.
bool openByName(QFile& file, const QString& fileName, QIODevice::OpenMode mode, QString& error) {
    const QFileInfo info(fileName);
    if (info.isDir() || (info.exists() && !info.isFile())) {
        error = QLatin1String(info.isDir() ? folder : notPlain);
        return false;
    }
    file.setFileName(fileName);
    if (!file.open(mode)) {
        error = file.errorString();
        return false;
    }
    return true;
}

} // namespace

#ifdef Q_OS_UNIX

bool openPlainFile(QFile& file, const QString& fileName, QIODevice::OpenMode mode, QString& error) {
    if (!QFileInfo(fileName).isNativePath())
        return openByName(file, fileName, mode, error);
    const bool write = mode & QIODevice::WriteOnly;
    // Without O_TRUNC: nothing is emptied before it is known to be a plain file.
    const int flags = (write ? O_WRONLY | O_CREAT : O_RDONLY) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    const int fd = ::open(QFile::encodeName(fileName).constData(), flags, 0666);
    if (fd < 0) {
        // A pipe opened for writing without a reader, or a folder, cannot be opened at all.
        const int cause = errno;
        const QFileInfo info(fileName);
        error = cause == EISDIR || info.isDir() ? QLatin1String(folder)
                : cause == ENXIO && info.exists() && !info.isFile()
                    ? QLatin1String(notPlain)
                    : QString::fromLocal8Bit(std::strerror(cause));
        return false;
    }
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        error = S_ISDIR(opened.st_mode) ? QLatin1String(folder) : QLatin1String(notPlain);
        ::close(fd);
        return false;
    }
    // A plain file: reads and writes wait as usual from here on.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (write && (mode & QIODevice::Truncate) && ::ftruncate(fd, 0) != 0) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return false;
    }
    if (!file.open(fd, mode & ~QIODevice::Truncate, QFileDevice::AutoCloseHandle)) {
        error = file.errorString();
        ::close(fd);
        return false;
    }
    return true;
}

#else

bool openPlainFile(QFile& file, const QString& fileName, QIODevice::OpenMode mode, QString& error) {
    return openByName(file, fileName, mode, error);
}

#endif

bool readFileStart(const QString& fileName, QByteArray& bytes, qint64& fileSize, QString& error) {
    QFile file;
    if (!openPlainFile(file, fileName, QIODevice::ReadOnly, error))
        return false;
    fileSize = file.size();
    bytes = file.read(maxFileSize);
    if (file.error() != QFileDevice::NoError) {
        error = file.errorString();
        return false;
    }
    return true;
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
