// The configuration file record on its own: the exact bytes written, and the reader's rules
// for separators, quotes, numbers, short and long records.
#include "qcf.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

const QByteArray lobbyHead =
    R"qcf("51-20417-MDL or 51-20426-MDL","LOBBY","DESIGNATION ",0,"DESIGNATION ",11,)qcf";
const QByteArray lobbyTail =
    R"qcf(,"BACKLIGHT",21,"DIMMING",160,"NORMAL INDICATOR (%)",10,"NORMAL BACKLIGHTING (%)",7,"DIMMED BACKLIGHTING AND INDICATOR (%)",3)qcf";

// The LOBBY example: SW1 on A/1, SW2 on B/2, every other switch and LED not assigned.
qcf::Record lobbyRecord() {
    qcf::Record r;
    r.model = QString::fromLatin1(qcf::modelIdentity);
    r.panel = QStringLiteral("LOBBY");
    for (int i = 0; i < 20; ++i)
        r.entries[i] = {QStringLiteral("DESIGNATION "), qcf::Integer(160)};
    r.entries[0].value = 0;
    r.entries[1].value = 11;
    r.entries[qcf::backlightingEntry] = {QStringLiteral("BACKLIGHT"), 21};
    r.entries[qcf::dimmingEntry] = {QStringLiteral("DIMMING"), 160};
    r.entries[qcf::indicatorIntensityEntry] = {QStringLiteral("NORMAL INDICATOR (%)"), 10};
    r.entries[qcf::backlightingIntensityEntry] = {QStringLiteral("NORMAL BACKLIGHTING (%)"), 7};
    r.entries[qcf::dimmedIntensityEntry] = {QStringLiteral("DIMMED BACKLIGHTING AND INDICATOR (%)"),
                                            3};
    return r;
}

// The 52 fields of the LOBBY file as they stand between the separators.
QList<QByteArray> lobbyFields() {
    QList<QByteArray> fields = lobbyHead.chopped(1).split(',');
    // The model phrase holds no comma, so a plain split is exact here.
    for (int i = 0; i < 18; ++i)
        fields << "\"DESIGNATION \""
               << "160";
    fields << lobbyTail.mid(1).split(',');
    return fields;
}

QByteArray lobbyLine() {
    return lobbyFields().join(',') + "\r\n";
}

// The LOBBY line with field `field` (from 1) replaced.
QByteArray withField(int field, const QByteArray& text) {
    QList<QByteArray> fields = lobbyFields();
    fields[field - 1] = text;
    return fields.join(',') + "\r\n";
}

} // namespace

class TestQcf : public QObject {
    Q_OBJECT

private slots:
    void lobbyWrittenByteForByte();
    void readsLikeLobby_data();
    void readsLikeLobby();
    void refused_data();
    void refused();
    void integers_data();
    void integers();
    void texts_data();
    void texts();
    void model_data();
    void model();
    void writable_data();
    void writable();
    void latin1Bytes();
    void everyByteRoundTrips();
    void seedCorpusRoundTrips();
};

void TestQcf::lobbyWrittenByteForByte() {
    const QByteArray written = qcf::write(lobbyRecord());
    QVERIFY(written.startsWith(lobbyHead));
    QVERIFY(written.endsWith(lobbyTail + "\r\n"));
    QCOMPARE(written, lobbyLine());
    QCOMPARE(written.count("\r\n"), 1);

    const qcf::ReadResult back = qcf::read(written);
    QCOMPARE(back.status, qcf::ReadStatus::Ok);
    QCOMPARE(back.consumed, written.size());
    QVERIFY(back.record == lobbyRecord());
}

// Different spellings of the same record.
void TestQcf::readsLikeLobby_data() {
    QTest::addColumn<QByteArray>("bytes");
    const QList<QByteArray> fields = lobbyFields();
    QTest::newRow("one line") << lobbyLine();
    QTest::newRow("one field per line") << fields.join("\r\n") + "\r\n";
    QTest::newRow("LF line ends") << fields.join("\n") + "\n";
    QTest::newRow("lone CR line ends") << fields.join("\r") + "\r";
    QTest::newRow("commas and line ends mixed")
        << fields.mid(0, 20).join(',') + "\r\n" + fields.mid(20).join('\n');
    QTest::newRow("no line end after field 52") << fields.join(',');
    QTest::newRow("53 fields") << fields.join(',') + ",\"EXTRA\"\r\n";
    QTest::newRow("anything after field 52") << fields.join(',') + "\r\n\"\xff junk,,\r\n\"";
    QTest::newRow("spaces before fields") << "  " + fields.join(",   ") + "\r\n";
    QTest::newRow("junk after a closing quote") << withField(2, "\"LOBBY\"xyz  \"q");
    QTest::newRow("unquoted texts") << withField(2, "LOBBY").replace("\"BACKLIGHT\"", "BACKLIGHT");
    QTest::newRow("quoted number") << withField(6, "\"11\"");
    QTest::newRow("explicit plus") << withField(6, "+11");
    QTest::newRow("number then junk") << withField(6, "11 and more");
    QTest::newRow("fraction rounds up") << withField(6, "10.51");
    QTest::newRow("UTF-8 byte-order mark") << "\xEF\xBB\xBF" + lobbyLine();
}

void TestQcf::readsLikeLobby() {
    QFETCH(QByteArray, bytes);
    const qcf::ReadResult result = qcf::read(bytes);
    QCOMPARE(result.status, qcf::ReadStatus::Ok);
    QCOMPARE(result.field, 0);
    QVERIFY(result.record == lobbyRecord());
}

// Damaged files: where the reader stops, and the cause OPEN gives for refusing the file. A
// record that reads can still be refused; an empty cause means the file loads.
void TestQcf::refused_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qcf::ReadStatus>("status");
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("cause");
    const QList<QByteArray> fields = lobbyFields();
    using S = qcf::ReadStatus;
    const QString fields51 = "THE FILE HOLDS 51 FIELDS; A CONFIGURATION FILE HOLDS 52";
    const QString range = "; A NUMBER IN A CONFIGURATION FILE LIES BETWEEN -32768 AND 32767";
    QTest::newRow("empty file") << QByteArray() << S::EndOfFile << 1 << "THE FILE IS EMPTY";
    QTest::newRow("spaces only") << QByteArray("   ") << S::EndOfFile << 1 << "THE FILE IS EMPTY";
    QTest::newRow("one line end") << QByteArray("\r\n") << S::EndOfFile << 2
                                  << "THE FILE HOLDS 1 FIELD; A CONFIGURATION FILE HOLDS 52";
    QTest::newRow("51 fields") << fields.mid(0, 51).join(',') + "\r\n"
                               << S::EndOfFile << 52 << fields51;
    QTest::newRow("51 fields, comma")
        << fields.mid(0, 51).join(',') + "," << S::EndOfFile << 52 << fields51;
    QTest::newRow("51 fields, spaces")
        << fields.mid(0, 51).join(',') + ",  " << S::EndOfFile << 52 << fields51;
    // Every field after the gap stands one place early: the first text in a number field
    // shows where.
    QTest::newRow("SW2's code left out")
        << (fields.mid(0, 5) + fields.mid(6)).join(',') + "\r\n"
        << S::EndOfFile << 52
        << fields51 + "\nFIELD 6 (SW2 CODE) HOLDS TEXT WHERE A NUMBER BELONGS: \"DESIGNATION \"";
    QTest::newRow("unterminated quote")
        << withField(51, "\"DIMMED") << S::OpenQuote << 51
        << "THE QUOTE THAT OPENS FIELD 51 (DIMMED BACKLIGHTING AND INDICATOR CAPTION) IS NEVER "
           "CLOSED: \"DIMMED,3";
    QTest::newRow("unterminated quote, long")
        << withField(51, "\"DIMMED BACKLIGHTING AND INDICATOR (%) LEVEL") << S::OpenQuote << 51
        << "THE QUOTE THAT OPENS FIELD 51 (DIMMED BACKLIGHTING AND INDICATOR CAPTION) IS NEVER "
           "CLOSED: \"DIMMED BACKLIGHTING AND INDICATOR (%) LE...";
    // The lost quote takes the next two fields into this text.
    QTest::newRow("closing quote lost")
        << withField(3, "\"DESIGNATION ") << S::EndOfFile << 51
        << "THE FILE HOLDS 50 FIELDS; A CONFIGURATION FILE HOLDS 52";
    QTest::newRow("40000") << withField(4, "40000") << S::NumberOutOfRange << 4
                           << "FIELD 4 (SW1 CODE) HOLDS 40000" + range;
    QTest::newRow("32768") << withField(50, "32768") << S::NumberOutOfRange << 50
                           << "FIELD 50 (NORMAL BACKLIGHTING CODE) HOLDS 32768" + range;
    QTest::newRow("-32769") << withField(52, "-32769") << S::NumberOutOfRange << 52
                            << "FIELD 52 (DIMMED BACKLIGHTING AND INDICATOR CODE) HOLDS -32769" +
                                   range;
    QTest::newRow("32767.5 rounds out") << withField(8, "32767.5") << S::NumberOutOfRange << 8
                                        << "FIELD 8 (SW3 CODE) HOLDS 32767.5" + range;
    QTest::newRow("many digits") << withField(8, QByteArray(400, '9')) << S::NumberOutOfRange << 8
                                 << "FIELD 8 (SW3 CODE) HOLDS " + QString(40, '9') + "..." + range;
    QTest::newRow("negative LED9 code")
        << withField(40, "-1") << S::Ok << 0
        << "FIELD 40 (LED9 CODE) HOLDS -1; AN ASSIGNMENT CODE IS NEVER NEGATIVE";
    QTest::newRow("negative dimming code")
        << withField(46, " -25") << S::Ok << 0
        << "FIELD 46 (DIMMING CODE) HOLDS -25; AN ASSIGNMENT CODE IS NEVER NEGATIVE";
    // Codes no program writes: shown, they would stand for another (N/A, 100 %) and be
    // written as that one.
    QTest::newRow("SW1 code 200")
        << withField(4, "200") << S::Ok << 0
        << "FIELD 4 (SW1 CODE) HOLDS 200; AN ASSIGNMENT CODE LIES BETWEEN 0 AND 160";
    QTest::newRow("dimming code 161")
        << withField(46, "161") << S::Ok << 0
        << "FIELD 46 (DIMMING CODE) HOLDS 161; AN ASSIGNMENT CODE LIES BETWEEN 0 AND 160";
    QTest::newRow("backlighting code 160 loads") << withField(44, "160") << S::Ok << 0 << "";
    const QString intensity = "; AN INTENSITY CODE IS 10, 7, 6, 5, 4, 3, 2 OR 1";
    QTest::newRow("indicator intensity 50")
        << withField(48, "50") << S::Ok << 0
        << "FIELD 48 (NORMAL INDICATOR CODE) HOLDS 50" + intensity;
    QTest::newRow("negative intensity code")
        << withField(48, "-3") << S::Ok << 0
        << "FIELD 48 (NORMAL INDICATOR CODE) HOLDS -3" + intensity;
    QTest::newRow("dimmed intensity 9, between 7 and 10")
        << withField(52, "9") << S::Ok << 0
        << "FIELD 52 (DIMMED BACKLIGHTING AND INDICATOR CODE) HOLDS 9" + intensity;
    QTest::newRow("backlighting intensity 0")
        << withField(50, "0") << S::Ok << 0
        << "FIELD 50 (NORMAL BACKLIGHTING CODE) HOLDS 0" + intensity;
    QTest::newRow("intensity 1 loads") << withField(50, "1") << S::Ok << 0 << "";
    QTest::newRow("binary") << QByteArray("\x7f"
                                          "ELF\x02\x01\x01\0\0\0",
                                          10)
                            << S::EndOfFile << 2
                            << "THE FILE IS NOT TEXT: BYTE 5 HOLDS THE CONTROL CODE 02 (HEX)";
    // A control code says more than the model it spoils.
    QTest::newRow("binary that reads 52 fields")
        << withField(1, QByteArray("\x89PNG\r\n\x1a\n\0\0", 10)) << S::Ok << 0
        << "THE FILE IS NOT TEXT: BYTE 7 HOLDS THE CONTROL CODE 1A (HEX)";
    // Saved as Unicode by a Windows editor: two bytes a character, one of them 00.
    const auto utf16 = [](const QByteArray& mark, bool bigEndian) {
        QByteArray out = mark;
        for (const char c : lobbyLine())
            out += bigEndian ? QByteArray(1, '\0') + c : c + QByteArray(1, '\0');
        return out;
    };
    const QString unicode = "THE FILE IS SAVED AS UNICODE (UTF-16); SAVE IT AS ANSI OR UTF-8";
    QTest::newRow("UTF-16 with its mark") << utf16("\xFF\xFE", false) << S::Ok << 0 << unicode;
    QTest::newRow("UTF-16, big-endian") << utf16("\xFE\xFF", true) << S::Ok << 0 << unicode;
    QTest::newRow("UTF-16 without a mark") << utf16("", false) << S::Ok << 0 << unicode;
    QTest::newRow("control code in a file that loads")
        << withField(3, QByteArray("\"A\0B\"", 5)) << S::Ok << 0 << "";
    QTest::newRow("control code after field 52") << lobbyLine() + '\0' << S::Ok << 0 << "";
}

void TestQcf::refused() {
    QFETCH(QByteArray, bytes);
    QFETCH(qcf::ReadStatus, status);
    QFETCH(int, field);
    QFETCH(QString, cause);
    const qcf::Verdict verdict = qcf::judge(bytes);
    QCOMPARE(verdict.read.status, status);
    QCOMPARE(verdict.read.field, field);
    QCOMPARE(verdict.cause, cause);
}

void TestQcf::integers_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << QByteArray("37") << true << 37;
    QTest::newRow("negative") << QByteArray("-5") << true << -5;
    QTest::newRow("lowest") << QByteArray("-32768") << true << -32768;
    QTest::newRow("highest") << QByteArray("32767") << true << 32767;
    QTest::newRow("leading zeros") << QByteArray("0000160") << true << 160;
    QTest::newRow("empty") << QByteArray() << true << 0;
    QTest::newRow("letters") << QByteArray("ABC") << true << 0;
    QTest::newRow("sign alone") << QByteArray("-") << true << 0;
    QTest::newRow("digits then letters") << QByteArray("12AB") << true << 12;
    QTest::newRow("no exponent") << QByteArray("1E3") << true << 1;
    QTest::newRow("space ends the number") << QByteArray("1 2") << true << 1;
    // A fraction rounds to the nearest integer, an exact half to the even neighbour.
    QTest::newRow("2.5 to even") << QByteArray("2.5") << true << 2;
    QTest::newRow("3.5 to even") << QByteArray("3.5") << true << 4;
    QTest::newRow("-2.5 to even") << QByteArray("-2.5") << true << -2;
    QTest::newRow("-3.5 to even") << QByteArray("-3.5") << true << -4;
    QTest::newRow("2.50001 up") << QByteArray("2.50001") << true << 3;
    QTest::newRow("2.4999 down") << QByteArray("2.4999") << true << 2;
    QTest::newRow("36.7") << QByteArray("36.7") << true << 37;
    QTest::newRow(".5") << QByteArray(".5") << true << 0;
    QTest::newRow("-.7") << QByteArray("-.7") << true << -1;
    QTest::newRow("5.") << QByteArray("5.") << true << 5;
    QTest::newRow("32767.4") << QByteArray("32767.4") << true << 32767;
    QTest::newRow("-32768.5 to even") << QByteArray("-32768.5") << true << -32768;
    QTest::newRow("-32768.6") << QByteArray("-32768.6") << false << 0;
    QTest::newRow("40000") << QByteArray("40000") << false << 0;
    QTest::newRow("huge fraction") << QByteArray("99999999999999999999.5") << false << 0;
}

void TestQcf::integers() {
    QFETCH(QByteArray, text);
    QFETCH(bool, ok);
    QFETCH(int, value);
    qcf::Integer read = 1234;
    QCOMPARE(qcf::parseInteger(text, read), ok);
    if (ok)
        QCOMPARE(int(read), value);
}

void TestQcf::texts_data() {
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QString>("text");
    // After a UTF-8 byte-order mark the texts are UTF-8; without one, the 8-bit code page.
    QTest::newRow("UTF-8 after a byte-order mark")
        << QByteArray("\xEF\xBB\xBF\"CAF\xC3\x89 \xE2\x82\xAC\"") << QStringLiteral("CAFÉ €");
    QTest::newRow("UTF-8 without a mark")
        << QByteArray("\"CAF\xC3\x89\"") << QString::fromUtf16(u"CAF\u00C3\u2030");
    QTest::newRow("quoted with comma and line end")
        << QByteArray("\"A, B\r\nC\"") << QStringLiteral("A, B\r\nC");
    QTest::newRow("quoted keeps spaces") << QByteArray("  \" X \"") << QStringLiteral(" X ");
    QTest::newRow("unquoted keeps trailing spaces")
        << QByteArray("  HALL 1  ") << QStringLiteral("HALL 1  ");
    QTest::newRow("unquoted with a quote") << QByteArray("A\"B") << QStringLiteral("A\"B");
    QTest::newRow("empty quoted") << QByteArray("\"\"") << QString();
    QTest::newRow("empty unquoted") << QByteArray("") << QString();
    QTest::newRow("Latin-1") << QByteArray("\"\xe9t\xe9 \xb0\"") << QStringLiteral("été °");
    QTest::newRow("Windows-1252 0x80..0x9F")
        << QByteArray("\"\x80 \x96 \x99 \x93Q\x94 \x9f\"") << QStringLiteral("€ – ™ “Q” Ÿ");
    QTest::newRow("unassigned bytes kept") << QByteArray("\x81\x8d\x8f\x90\x9d")
                                           << QString::fromUtf16(u"\u0081\u008d\u008f\u0090\u009d");
}

void TestQcf::texts() {
    QFETCH(QByteArray, field);
    QFETCH(QString, text);
    // A byte-order mark stands at the start of the file.
    const QByteArray mark("\xEF\xBB\xBF");
    const qcf::ReadResult result = field.startsWith(mark)
                                       ? qcf::read(mark + withField(2, field.mid(mark.size())))
                                       : qcf::read(withField(2, field));
    QCOMPARE(result.status, qcf::ReadStatus::Ok);
    QCOMPARE(result.record.panel, text);
    // Every later field stays in place.
    QCOMPARE(result.record.entries, lobbyRecord().entries);
}

void TestQcf::model_data() {
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<bool>("matches");
    QTest::addColumn<QString>("found"); // as the refusal's cause quotes it
    QTest::newRow("exact") << QByteArray("\"51-20417-MDL or 51-20426-MDL\"") << true << "";
    QTest::newRow("unquoted") << QByteArray("51-20417-MDL or 51-20426-MDL") << true << "";
    QTest::newRow("lower case") << QByteArray("\"51-20417-mdl or 51-20426-mdl\"") << false
                                << "51-20417-mdl or 51-20426-mdl";
    QTest::newRow("upper OR") << QByteArray("\"51-20417-MDL OR 51-20426-MDL\"") << false
                              << "51-20417-MDL OR 51-20426-MDL";
    QTest::newRow("first model alone") << QByteArray("\"51-20417-MDL\"") << false << "51-20417-MDL";
    QTest::newRow("second model alone")
        << QByteArray("\"51-20426-MDL\"") << false << "51-20426-MDL";
    QTest::newRow("trailing space") << QByteArray("\"51-20417-MDL or 51-20426-MDL \"") << false
                                    << "51-20417-MDL or 51-20426-MDL ";
    // A file saved again as UTF-8 by a Windows editor.
    QTest::newRow("byte-order mark")
        << QByteArray("\xef\xbb\xbf\"51-20417-MDL or 51-20426-MDL\"") << true << "";
    QTest::newRow("byte-order mark, then a space")
        << QByteArray("\xef\xbb\xbf \"51-20417-MDL or 51-20426-MDL\"") << true << "";
    QTest::newRow("none") << QByteArray("\"\"") << false << "";
    QTest::newRow("a line of another program")
        << QByteArray("\"Lorem ipsum dolor sit amet,\r\nconsectetur adipiscing elit\"") << false
        << "Lorem ipsum dolor sit amet,  consectetur...";
}

void TestQcf::model() {
    QFETCH(QByteArray, field);
    QFETCH(bool, matches);
    QFETCH(QString, found);
    const qcf::Verdict verdict = qcf::judge(withField(1, field));
    QCOMPARE(verdict.read.status, qcf::ReadStatus::Ok);
    QCOMPARE(qcf::matchesModel(verdict.read.record), matches);
    QCOMPARE(verdict.cause,
             matches ? QString()
                     : "THE FILE IS FOR MODEL \"" + found +
                           "\"; THIS PROGRAM OPENS FILES FOR \"51-20417-MDL or 51-20426-MDL\"");
}

void TestQcf::writable_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::newRow("plain") << QStringLiteral("DESIGNATION ") << true;
    QTest::newRow("comma and line end") << QStringLiteral("A,B\r\nC") << true;
    QTest::newRow("Latin-1") << QStringLiteral("été") << true;
    QTest::newRow("double quote") << QStringLiteral("12\" PIPE") << false;
    QTest::newRow("Windows-1252, curly quotes") << QStringLiteral("€ – ™ “Q” ‚…Ÿ") << true;
    // Their bytes hold € and Ÿ here, so they would come back as those.
    QTest::newRow("C1 control U+0080") << QString::fromUtf16(u"A\u0080") << false;
    QTest::newRow("C1 control U+009F") << QString::fromUtf16(u"\u009f") << false;
    QTest::newRow("beside Œ") << QStringLiteral("ő") << false;
    QTest::newRow("surrogate pair") << QString::fromUtf16(u"\U0001F4A1") << false;
}

void TestQcf::writable() {
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QCOMPARE(qcf::writable(text), ok);
    qcf::Record record = lobbyRecord();
    record.entries[4].text = text;
    QCOMPARE(qcf::unwritableField(record), ok ? 0 : 3 + 2 * 4);
    if (ok) {
        const qcf::ReadResult back = qcf::read(qcf::write(record));
        QCOMPARE(back.status, qcf::ReadStatus::Ok);
        QCOMPARE(back.record.entries[4].text, text);
    }
}

void TestQcf::latin1Bytes() {
    qcf::Record record = lobbyRecord();
    record.panel = QStringLiteral("CAFÉ");
    record.entries[2].value = -7;
    const QByteArray written = qcf::write(record);
    QVERIFY(written.startsWith("\"51-20417-MDL or 51-20426-MDL\",\"CAF\xc9\","));
    QVERIFY(written.contains(",\"DESIGNATION \",-7,"));
}

// Each byte reads as a character that writes back to it, in a record too; of 0x80..0x9F only
// the five unassigned bytes read as the control of their own value.
void TestQcf::everyByteRoundTrips() {
    QByteArray quotable;
    int keptControls = 0;
    for (int b = 0; b <= 0xFF; ++b) {
        const QChar c = qcf::decodeByte(static_cast<unsigned char>(b));
        unsigned char back = 0;
        QVERIFY2(qcf::encodeChar(c, back) && back == b, qPrintable(QString::number(b, 16)));
        if (b >= 0x80 && b <= 0x9F && c.unicode() <= 0xFF) {
            QCOMPARE(int(c.unicode()), b);
            ++keptControls;
        }
        if (b != '"')
            quotable += char(b);
    }
    QCOMPARE(keptControls, 5);
    const QByteArray file = withField(5, '"' + quotable + '"');
    const qcf::ReadResult result = qcf::read(file);
    QCOMPARE(result.status, qcf::ReadStatus::Ok);
    QCOMPARE(qcf::write(result.record), file);
}

// The fuzzer's seeds: every one that reads must write and read back to the same record.
void TestQcf::seedCorpusRoundTrips() {
    const QDir corpus(QStringLiteral(NVX_FUZZ_CORPUS));
    const QStringList names = corpus.entryList(QDir::Files);
    QVERIFY(names.size() >= 10);
    int accepted = 0;
    for (const QString& name : names) {
        QFile file(corpus.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const qcf::ReadResult result = qcf::read(file.readAll());
        if (result.status != qcf::ReadStatus::Ok || qcf::unwritableField(result.record) != 0)
            continue;
        ++accepted;
        const qcf::ReadResult back = qcf::read(qcf::write(result.record));
        QVERIFY2(back.status == qcf::ReadStatus::Ok && back.record == result.record,
                 qPrintable(name));
    }
    QVERIFY(accepted >= 5);
}

QTEST_APPLESS_MAIN(TestQcf)
#include "tst_qcf.moc"
