#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <array>
#include <cstdint>

// The configuration file record (".qcf"): one line of 52 comma-separated fields, texts in
// double quotes, integers bare, 8-bit Windows-1252, ended by CR LF. Free of widgets so it can
// be tested and fuzzed on its own; the window side lives in FileOperations.
namespace qcf {

using Integer = std::int16_t;

constexpr int fieldCount = 52;

// The one model phrase a file must carry in its first field, whole and in this case.
extern const char* const modelIdentity;

// A text field followed by its integer field.
struct Entry {
    QString text;
    Integer value = 0;

    friend bool operator==(const Entry& a, const Entry& b) {
        return a.value == b.value && a.text == b.text;
    }
    friend bool operator!=(const Entry& a, const Entry& b) { return !(a == b); }
};

// Positions in Record::entries after the 22 assignment items. Entries 0..21 follow the item
// table (SW1..SW10, LED1..LED10, backlighting, dimming): designation or caption, then code.
enum EntryIndex {
    backlightingEntry = 20,
    dimmingEntry = 21,
    indicatorIntensityEntry = 22,
    backlightingIntensityEntry = 23,
    dimmedIntensityEntry = 24,
    entryCount = 25
};

// Field 1 is the model, field 2 the panel name; fields 3..52 are the 25 entries in order.
struct Record {
    QString model;
    QString panel;
    std::array<Entry, entryCount> entries;

    friend bool operator==(const Record& a, const Record& b) {
        return a.model == b.model && a.panel == b.panel && a.entries == b.entries;
    }
    friend bool operator!=(const Record& a, const Record& b) { return !(a == b); }
};

// True for the fields (numbered from 1) that hold an integer: 4, 6, .., 52.
constexpr bool isIntegerField(int field) {
    return field >= 4 && field % 2 == 0;
}

enum class ReadStatus {
    Ok,
    EndOfFile,        // the data ended before field `field` began
    OpenQuote,        // field `field` opens a quote that nothing closes: it took the rest of
                      // the data, and the data ended before field 52
    NumberOutOfRange, // field `field` holds a number outside -32768..32767
};

struct ReadResult {
    ReadStatus status = ReadStatus::Ok;
    int field = 0;          // the field that failed, 0 when the read succeeded
    QByteArray found;       // that field's text as read, for OpenQuote and NumberOutOfRange
    qsizetype consumed = 0; // bytes taken up to and including field 52's separator
    Record record;          // complete only when status is Ok

    // Noticed on the way, to tell a refused file's cause; none of these stops the read.
    qsizetype controlAt = -1; // offset of the first control byte read (no text file has one)
    int textField = 0;        // the first integer field that held text instead (it reads 0)
    QByteArray text;          // ... and that text
};

// Reads one record from the start of `bytes`; nothing after field 52 is looked at.
ReadResult read(const QByteArray& bytes);

// What the field holds, in the words of the program's messages: "MODEL", "PANEL NAME",
// "SW1 DESIGNATION", "SW1 CODE", .., "LED10 CODE", "BACKLIGHT CAPTION", "BACKLIGHT CODE", ..
QString fieldName(int field);

// A configuration file is some hundred bytes; a file whose record does not end within this
// many bytes is not one.
constexpr qint64 maxFileSize = 1 << 20;

// A file's bytes as OPEN CONFIGURATION FILE takes them: the record read, then its model and
// its assignment codes checked.
struct Verdict {
    ReadResult read;
    // Why the file cannot be loaded, in capitals like the program's other messages, naming
    // what was found; empty when the record can be loaded.
    QString cause;
};

// `fileSize` is the size of the whole file, larger than bytes.size() when `bytes` holds only
// its first maxFileSize bytes.
Verdict judge(const QByteArray& bytes, qint64 fileSize = -1);

// Opens `fileName` into `file` with `mode` (ReadOnly, or WriteOnly with Truncate and Text:
// created when missing, emptied) when it is a plain file. A pipe would wait for its other end,
// a device may never end, a folder or a socket holds no file: the name is opened first
// without waiting and without becoming a terminal's, and what was opened is looked at, so no
// other file can take the name's place in between. False, with the reason in `error`, when it
// is no plain file or cannot be opened; nothing stays open then.
bool openPlainFile(QFile& file, const QString& fileName, QIODevice::OpenMode mode, QString& error);

// The first maxFileSize bytes of a file and the file's size. False, with the system's words
// in `error`, when the file cannot be opened or read.
bool readFileStart(const QString& fileName, QByteArray& bytes, qint64& fileSize, QString& error);

// Reads the integer of a field's text, as the reader does. Returns false when out of range.
bool parseInteger(const QByteArray& text, Integer& value);

// True when the record names the model this program serves.
bool matchesModel(const Record& record);

// The files come from a Windows program, so their texts are in its 8-bit code page,
// Windows-1252. The five bytes that code page leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D)
// keep their Latin-1 meaning, so every byte reads as a character that writes back to it.
QChar decodeByte(unsigned char byte);
QString decodeText(const QByteArray& bytes);

// The byte that holds `c` in a file. False when Windows-1252 has none: anything above U+00FF
// outside its 27 extra characters, and the C1 controls other than the five kept ones.
bool encodeChar(QChar c, unsigned char& byte);

// A text can be written when reading it back gives it unchanged: no double quote (it would
// end the field early and shift every later field) and only characters encodeChar() takes.
bool writable(const QString& text);

// The first field (numbered from 1) whose text cannot be written, 0 when all can.
int unwritableField(const Record& record);

// The bytes of a record, CR LF included. Every text must be writable().
QByteArray write(const Record& record);

} // namespace qcf
