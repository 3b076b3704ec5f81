#pragma once

#include <QByteArray>
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
    NumberOutOfRange, // field `field` holds a number outside -32768..32767
};

struct ReadResult {
    ReadStatus status = ReadStatus::Ok;
    int field = 0;          // the field that failed, 0 when the read succeeded
    qsizetype consumed = 0; // bytes taken up to and including field 52's separator
    Record record;          // complete only when status is Ok
};

// Reads one record from the start of `bytes`; nothing after field 52 is looked at.
ReadResult read(const QByteArray& bytes);

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
