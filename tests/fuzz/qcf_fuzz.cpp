// Feeds arbitrary bytes to the configuration file reader. Besides staying free of crashes
// and undefined behaviour, every record it accepts must survive a write and a second read
// unchanged, and nothing after field 52 may change what is read.
#include "qcf.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy, not raw data: the reader must not rely on a terminating zero.
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const qcf::ReadResult result = qcf::read(bytes);

    // OPEN refuses exactly what fails to read, names another model or holds a code no
    // program writes (an assignment code outside 0..160, an intensity code outside 10, 7..1),
    // and always says why.
    const qcf::Verdict verdict = qcf::judge(bytes);
    const bool loads = result.status == qcf::ReadStatus::Ok && qcf::matchesModel(result.record);
    if (verdict.cause.isEmpty() && !loads)
        fail("a refused file has no cause");
    if (!verdict.cause.isEmpty() && loads) {
        bool unwritten = false;
        for (int entry = 0; entry < qcf::entryCount; ++entry) {
            const int code = result.record.entries[entry].value;
            unwritten = unwritten || (entry < qcf::indicatorIntensityEntry
                                          ? code < 0 || code > 160
                                          : code != 10 && (code < 1 || code > 7));
        }
        if (!unwritten)
            fail("a file that loads is refused");
    }
    if (result.controlAt >= bytes.size())
        fail("a control byte beyond the data");

    if (result.status != qcf::ReadStatus::Ok) {
        if (result.field < 1 || result.field > qcf::fieldCount)
            fail("a failed read names no field");
        if (result.status == qcf::ReadStatus::NumberOutOfRange &&
            !qcf::isIntegerField(result.field))
            fail("a range error on a text field");
        return 0;
    }
    if (result.consumed < 0 || result.consumed > bytes.size())
        fail("consumed bytes beyond the data");

    // Whatever follows the record is never read.
    if (result.consumed > 0) {
        const char last = bytes[result.consumed - 1];
        if (last == ',' || last == '\r' || last == '\n') {
            const QByteArray extended = bytes.left(result.consumed) + "\"TAIL\",99,X\r\n";
            const qcf::ReadResult again = qcf::read(extended);
            if (again.status != qcf::ReadStatus::Ok || again.record != result.record)
                fail("bytes after field 52 changed the record");
        }
    }

    // Every byte reads as a character a file can hold, so only a double quote, which an
    // unquoted text may carry, can stop a write. After a UTF-8 byte-order mark the texts may
    // hold any character, and those the code page lacks stop it too.
    if (const int field = qcf::unwritableField(result.record)) {
        const qcf::Record& r = result.record;
        const QString& text = field == 1   ? r.model
                              : field == 2 ? r.panel
                                           : r.entries[(field - 3) / 2].text;
        if (!text.contains(QLatin1Char('"')) && !bytes.startsWith("\xEF\xBB\xBF"))
            fail("a text read from a file cannot be written");
        return 0;
    }

    // A record whose texts can be written reads back the same, and writes the same bytes.
    const QByteArray written = qcf::write(result.record);
    const qcf::ReadResult reread = qcf::read(written);
    if (reread.status != qcf::ReadStatus::Ok)
        fail("a written record does not read");
    if (reread.record != result.record)
        fail("a written record reads back different");
    if (reread.consumed != written.size())
        fail("a written record reads short of its end");
    if (qcf::write(reread.record) != written)
        fail("writing twice gives other bytes");
    return 0;
}
