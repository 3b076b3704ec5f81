// Opening and saving configuration files on a real window, with scripted dialogs and
// message boxes: what reaches the disk, what reaches the window, and what a failure leaves.
#include "file_dialog.h"
#include "file_operations.h"
#include "form1.h"
#include "items.h"
#include "qcf.h"
#include "scripted_file_dialog.h"
#include "scripted_messages.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSaveFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef Q_OS_LINUX
#include <sys/fsuid.h>
#include <unistd.h>
#endif

namespace {

// A window with its file operations, wired as the program wires them but with scripted
// dialogs and message boxes.
struct Bench {
    ScriptedMessages messages;
    Form1 form{messages};
    ScriptedFileDialog dialog;
    FileOperations files{form, dialog};

    void open(const QString& path, FileDialog::Result answer = FileDialog::Result::Chosen) {
        dialog.answer = answer;
        dialog.choose = path;
        files.READ_FILE_Click();
    }
    void save(const QString& path, FileDialog::Result answer = FileDialog::Result::Chosen) {
        dialog.answer = answer;
        dialog.choose = path;
        files.save_config_file();
    }
};

const AssignmentItem& item(int i) {
    return assignmentItems()[i];
}
constexpr int backlighting = 20;
constexpr int dimming = 21;

void setItem(Form1& form, int i, int module, int channel = -2) {
    form.select(form.List(item(i).moduleList), module);
    if (channel >= -1)
        form.select(form.List(item(i).channelList), channel);
}

void nothingAssigned(Form1& form) {
    for (int i = 0; i < int(assignmentItems().size()); ++i)
        setItem(form, i, 0);
}

// SW1 on A/1, SW2 on B/2, backlighting on C/2, the rest not assigned; intensities 100, 90
// and 50 percent; panel LOBBY.
void lobbyWindow(Form1& form) {
    nothingAssigned(form);
    setItem(form, 0, 1, 0);
    setItem(form, 1, 2, 1);
    setItem(form, backlighting, 3, 1);
    form.select(form.List(45), 1);
    form.select(form.List(46), 5);
    form.Text(2)->setText(QStringLiteral("LOBBY"));
}

QByteArray lobbyBytes() {
    QByteArray bytes =
        R"qcf("51-20417-MDL or 51-20426-MDL","LOBBY","DESIGNATION ",0,"DESIGNATION ",11,)qcf";
    for (int i = 0; i < 18; ++i)
        bytes += QByteArray(i ? "," : "") + "\"DESIGNATION \",160";
    bytes +=
        R"qcf(,"BACKLIGHT",21,"DIMMING",160,"NORMAL INDICATOR (%)",10,"NORMAL BACKLIGHTING (%)",7,"DIMMED BACKLIGHTING AND INDICATOR (%)",3)qcf";
    return bytes + "\r\n";
}

// The 52 fields of the LOBBY file as they stand between its commas.
QList<QByteArray> lobbyFields() {
    QByteArray line = lobbyBytes();
    line.chop(2);
    // Neither the model phrase nor the captions hold a comma.
    return line.split(',');
}

// The LOBBY file with field `field` (from 1) replaced.
QByteArray lobbyWith(int field, const QByteArray& text) {
    QList<QByteArray> fields = lobbyFields();
    fields[field - 1] = text;
    return fields.join(',') + "\r\n";
}

// What a file carries over: the name, the designations, the entries the lists show (a
// channel only where a module is assigned) and the intensities.
QStringList shownConfiguration(const Form1& form) {
    QStringList s;
    s << QStringLiteral("name=") + form.Text(2)->text();
    for (const AssignmentItem& it : assignmentItems()) {
        const QListWidget* module = form.List(it.moduleList);
        const QListWidget* channel = form.List(it.channelList);
        QString line = QString::fromLatin1(it.name) + QStringLiteral(" module=") +
                       (module->currentItem() ? module->currentItem()->text() : QString());
        if (module->currentRow() != 0)
            line += QStringLiteral(" channel=") +
                    (channel->currentItem() ? channel->currentItem()->text() : QString());
        if (it.designationText)
            line += QStringLiteral(" designation=") + form.Text(it.designationText)->text();
        s << line;
    }
    for (const IntensityItem& it : intensityItems())
        s << QStringLiteral("%1=%2 code %3")
                 .arg(QString::fromLatin1(it.name), form.List(it.list)->currentItem()->text())
                 .arg(form.r.*it.code);
    return s;
}

// Everything a failed open must leave alone: every list, box and label, and the record.
QStringList windowState(const Form1& form) {
    QStringList s;
    QList<int> lists;
    for (int n = 1; n <= 46; ++n)
        lists << n;
    lists << 49;
    for (int n : lists)
        s << QStringLiteral("List%1 row=%2 hidden=%3")
                 .arg(n)
                 .arg(form.List(n)->currentRow())
                 .arg(form.List(n)->isHidden());
    for (int n = 2; n <= 22; ++n)
        s << QStringLiteral("Text%1 '%2' hidden=%3")
                 .arg(n)
                 .arg(form.Text(n)->text())
                 .arg(form.Text(n)->isHidden());
    for (int n : {14, 15, 16})
        s << QStringLiteral("Label%1 hidden=%2").arg(n).arg(form.Label(n)->isHidden());
    s << QStringLiteral("status hidden=%1 '%2'").arg(form.Text1->isHidden()).arg(form.statusText());
    s << QStringLiteral("Frame1 hidden=%1 Option1=%2")
             .arg(form.Frame1->isHidden())
             .arg(form.Option1->isChecked());
    const ConfigRecord& r = form.r;
    for (const AssignmentItem& it : assignmentItems())
        s << QStringLiteral("%1 code=%2 m=%3 c=%4 w=%5 '%6'")
                 .arg(QString::fromLatin1(it.name))
                 .arg(r.*it.code)
                 .arg(r.*it.moduleBase)
                 .arg(r.*it.channelOffset)
                 .arg(r.*it.composed)
                 .arg(it.designation ? r.*it.designation : QString());
    s << QStringLiteral("percent %1 %2 %3").arg(r.blpercent).arg(r.indpercent).arg(r.dindpercent);
    s << QStringLiteral("split %1 %2 %3").arg(r.A).arg(r.m_index).arg(r.c_index);
    s << QStringList{r.rmodel, r.panel, r.blchan, r.dimchan, r.indpct, r.blpct, r.dindpct};
    return s;
}

QList<Integer> composedValues(Form1& form) {
    form.r.error_flag = 0;
    form.compose_panel_values();
    QList<Integer> values{form.r.error_flag};
    for (const AssignmentItem& it : assignmentItems())
        values << form.r.*it.composed;
    return values;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// A save device whose writes fail as a full or failing disk would make them.
class FailingSaveFile : public QSaveFile {
public:
    enum class Fault { WriteError, ShortWrite };
    FailingSaveFile(const QString& name, Fault fault) : QSaveFile(name), fault_(fault) {}

protected:
    qint64 writeData(const char* data, qint64 len) override {
        if (fault_ == Fault::WriteError) {
            setErrorString(QStringLiteral("No space left on device"));
            return -1;
        }
        return QSaveFile::writeData(data, len / 2);
    }

private:
    Fault fault_;
};

// Root passes every permission check; while this lives, files are reached as an ordinary
// user so a folder's permission bits apply as they would for the technician.
class OrdinaryUserFiles {
public:
    OrdinaryUserFiles() {
#ifdef Q_OS_LINUX
        if (geteuid() == 0) {
            setfsuid(65534);
            active_ = setfsuid(uid_t(-1)) == 65534;
        }
#endif
    }
    ~OrdinaryUserFiles() {
#ifdef Q_OS_LINUX
        if (active_)
            setfsuid(0);
#endif
    }
    OrdinaryUserFiles(const OrdinaryUserFiles&) = delete;
    OrdinaryUserFiles& operator=(const OrdinaryUserFiles&) = delete;

private:
    bool active_ = false;
};

} // namespace

class TestFileOperations : public QObject {
    Q_OBJECT

private slots:
    void init();

    void lobbySavedByteForByte();
    void saveThenOpen_data();
    void saveThenOpen();
    void codesShown_data();
    void codesShown();
    void intensityMessageDuringLoad();
    void longPanelNameCut();
    void eightBitTextsKept_data();
    void eightBitTextsKept();
    void samplesOpenAndSaveBack_data();
    void samplesOpenAndSaveBack();
    void samplesShowAllTheLighting();
    void damagedFileChangesNothing_data();
    void damagedFileChangesNothing();
    void unopenableFile_data();
    void unopenableFile();
    void cancelOpenChangesNothing();
    void lastNameOffered();
    void busyWindowStartsNothing();

    void incompleteRefused_data();
    void incompleteRefused();
    void panelNameRule_data();
    void panelNameRule();
    void unwritableTextRefused_data();
    void unwritableTextRefused();
    void saveDialogAnswers_data();
    void saveDialogAnswers();
    void failedSaveKeepsOldFile_data();
    void failedSaveKeepsOldFile();

    void qtFilters_data();
    void qtFilters();
    void qtDialog();

private:
    std::unique_ptr<QTemporaryDir> dir_;
    QString path(const QString& name) const { return dir_->filePath(name); }
    QStringList filesInDir() const { return QDir(dir_->path()).entryList(QDir::Files); }
};

void TestFileOperations::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

void TestFileOperations::lobbySavedByteForByte() {
    Bench b;
    lobbyWindow(b.form);
    b.save(path("LOBBY.qcf"));
    QVERIFY(b.messages.shown.isEmpty());
    QCOMPARE(b.dialog.shown.size(), 1);
    QVERIFY(b.dialog.shown[0].save);
    QCOMPARE(b.dialog.shown[0].proposed, QStringLiteral("LOBBY.qcf"));
    QCOMPARE(b.dialog.shown[0].filter, QStringLiteral("QUORVEX CONFIGURATION FILES (*.qcf)|*.qcf"));
    QCOMPARE(b.dialog.shown[0].title, QStringLiteral("WRITE CONFIGURATION FILE"));
    QCOMPARE(readFile(path("LOBBY.qcf")), lobbyBytes());
    QVERIFY(b.form.Text1->isHidden());
    QCOMPARE(filesInDir(), QStringList{QStringLiteral("LOBBY.qcf")});
}

void TestFileOperations::saveThenOpen_data() {
    QTest::addColumn<int>("configuration");
    QTest::newRow("LOBBY") << 0;
    QTest::newRow("every item assigned") << 1;
    QTest::newRow("nothing assigned, texts with commas and Latin-1") << 2;
    QTest::newRow("N/A over a selected channel") << 3;
}

void TestFileOperations::saveThenOpen() {
    QFETCH(int, configuration);
    Bench a;
    switch (configuration) {
    case 0:
        lobbyWindow(a.form);
        break;
    case 1:
        for (int i = 0; i < 22; ++i)
            setItem(a.form, i, 1 + (i * 7) % 16, (i * 3) % 10);
        setItem(a.form, 19, 16, 9);        // P/10: code 159
        a.form.select(a.form.List(45), 3); // 70
        a.form.select(a.form.List(49), 1); // 90
        a.form.select(a.form.List(46), 7); // 30
        a.form.Text(2)->setText(QStringLiteral("PLANT ROOM 2"));
        for (int n = 3; n <= 22; ++n)
            a.form.Text(n)->setText(QStringLiteral("BUTTON %1").arg(n - 2));
        break;
    case 2:
        nothingAssigned(a.form);
        a.form.Text(2)->setText(QStringLiteral("CAFÉ, NORTH"));
        a.form.Text(3)->setText(QStringLiteral("  LIGHTS, HALL "));
        a.form.Text(22)->setText(QStringLiteral("ÉTÉ °C"));
        a.form.Text(10)->setText(QString());
        break;
    case 3:
        lobbyWindow(a.form);
        setItem(a.form, 2, 5, 4); // SW3 E/5
        setItem(a.form, 2, 0);    // then N/A, channel 5 still selected
        setItem(a.form, dimming, 4, 7);
        break;
    }
    a.save(path("saved.qcf"));
    QVERIFY(a.messages.shown.isEmpty());

    Bench b;
    b.open(path("saved.qcf"));
    QVERIFY(b.messages.shown.isEmpty());
    QCOMPARE(shownConfiguration(b.form), shownConfiguration(a.form));
    QCOMPARE(composedValues(b.form), composedValues(a.form));
    QCOMPARE(b.form.r.rmodel, QString::fromLatin1(qcf::modelIdentity));
    // The window ends in the switch view with the switch designations shown.
    QVERIFY(b.form.Option1->isChecked());
    QVERIFY(b.form.Frame1->isHidden());
    QVERIFY(!b.form.Text(3)->isHidden());
}

void TestFileOperations::codesShown_data() {
    QTest::addColumn<QByteArray>("code");
    QTest::addColumn<QString>("module");
    QTest::addColumn<QString>("channel"); // empty: channel list hidden
    QTest::newRow("0") << QByteArray("0") << "A"
                       << "1";
    QTest::newRow("9") << QByteArray("9") << "A"
                       << "10";
    QTest::newRow("10") << QByteArray("10") << "B"
                        << "1";
    QTest::newRow("37") << QByteArray("37") << "D"
                        << "8";
    QTest::newRow("159") << QByteArray("159") << "P"
                         << "10";
    QTest::newRow("160") << QByteArray("160") << "N/A"
                         << "";
    QTest::newRow("letters read 0") << QByteArray("ABC") << "A"
                                    << "1";
    QTest::newRow("36.5 to even") << QByteArray("36.5") << "D"
                                  << "7";
    QTest::newRow("37.5 to even") << QByteArray("37.5") << "D"
                                  << "9";
}

void TestFileOperations::codesShown() {
    QFETCH(QByteArray, code);
    QFETCH(QString, module);
    QFETCH(QString, channel);
    // SW3 carries the code under test; its neighbours keep theirs.
    Bench b;
    QVERIFY(writeFile(path("codes.qcf"), lobbyWith(8, code)));
    b.open(path("codes.qcf"));
    QVERIFY(b.messages.shown.isEmpty());
    QCOMPARE(b.form.List(5)->currentItem()->text(), module);
    QCOMPARE(b.form.List(6)->isHidden(), channel.isEmpty());
    if (!channel.isEmpty())
        QCOMPARE(b.form.List(6)->currentItem()->text(), channel);
    QCOMPARE(b.form.List(3)->currentItem()->text(), QStringLiteral("B"));
    QCOMPARE(b.form.List(4)->currentItem()->text(), QStringLiteral("2"));
}

void TestFileOperations::intensityMessageDuringLoad() {
    // Indicator 50 % (code 3) below backlighting 90 % (code 7).
    Bench b;
    QVERIFY(writeFile(path("dim.qcf"), lobbyWith(48, "3")));
    int duringLoad = 0;
    b.messages.whileOpen = [&](const QString&) {
        if (b.form.operationRunning())
            ++duringLoad;
    };
    b.open(path("dim.qcf"));
    QVERIFY(!b.messages.shown.isEmpty());
    QCOMPARE(duringLoad, b.messages.shown.size());
    for (const auto& shown : b.messages.shown) {
        QCOMPARE(shown.text, QString::fromLatin1(Form1::intensityMessage));
        QVERIFY(shown.title.isEmpty());
    }
    // The rule was enforced: the two normal intensities end on the same entry.
    QCOMPARE(b.form.List(45)->currentRow(), b.form.List(49)->currentRow());
    QVERIFY(b.form.r.indpercent >= b.form.r.blpercent);
}

void TestFileOperations::longPanelNameCut() {
    Bench b;
    QVERIFY(writeFile(path("long.qcf"), lobbyWith(2, "\"ABCDEFGHIJKLMNOPQRST\"")));
    b.open(path("long.qcf"));
    QVERIFY(b.messages.shown.isEmpty());
    QCOMPARE(b.form.Text(2)->text(), QStringLiteral("ABCDEFGHIJKL"));
}

// Texts the original program wrote in its code page show as written and save back to the
// same bytes.
void TestFileOperations::eightBitTextsKept_data() {
    QTest::addColumn<int>("field");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("en dash in SW1")
        << 3 << QByteArray("\"LOBBY \x96 EAST\"") << 3 << QStringLiteral("LOBBY – EAST");
    QTest::newRow("euro in panel name")
        << 2 << QByteArray("\"CAF\xc9 \x80\"") << 2 << QStringLiteral("CAFÉ €");
}

void TestFileOperations::eightBitTextsKept() {
    QFETCH(int, field);
    QFETCH(QByteArray, bytes);
    QFETCH(int, text);
    QFETCH(QString, shown);
    const QByteArray file = lobbyWith(field, bytes);
    QVERIFY(writeFile(path("site.qcf"), file));
    Bench b;
    b.open(path("site.qcf"));
    QVERIFY(b.messages.shown.isEmpty());
    QCOMPARE(b.form.Text(text)->text(), shown);
    b.save(path("saved.qcf"));
    QVERIFY(b.messages.shown.isEmpty());
    QCOMPARE(readFile(path("saved.qcf")), file);
}

// The sample files shipped with the program open without a message, fill every item, and
// save back to the same bytes: they are exactly what the program writes.
void TestFileOperations::samplesOpenAndSaveBack_data() {
    QTest::addColumn<QString>("sample");
    const QDir examples(QStringLiteral(NVX_EXAMPLES));
    const QStringList names = examples.entryList({QStringLiteral("*.qcf")}, QDir::Files);
    QVERIFY(names.size() >= 3);
    for (const QString& name : names)
        QTest::newRow(qPrintable(name)) << examples.filePath(name);
}

void TestFileOperations::samplesOpenAndSaveBack() {
    QFETCH(QString, sample);
    const QByteArray bytes = readFile(sample);
    Bench b;
    b.open(sample);
    QVERIFY2(b.messages.shown.isEmpty(), qPrintable(b.messages.texts().join('\n')));
    QVERIFY(!b.form.Text(2)->text().isEmpty());
    QCOMPARE(composedValues(b.form).first(), Integer(0)); // every item complete
    b.save(path("saved.qcf"));
    QVERIFY(b.messages.shown.isEmpty());
    QCOMPARE(readFile(path("saved.qcf")), bytes);
}

// Between them the samples tie the backlighting and the dimming and show every intensity.
void TestFileOperations::samplesShowAllTheLighting() {
    const QDir examples(QStringLiteral(NVX_EXAMPLES));
    QSet<QString> intensities;
    QSet<QString> assigned;
    for (const QString& name : examples.entryList({QStringLiteral("*.qcf")}, QDir::Files)) {
        Bench b;
        b.open(examples.filePath(name));
        for (int list : {45, 46, 49})
            intensities << b.form.List(list)->currentItem()->text();
        for (int list : {41, 43}) {
            if (b.form.List(list)->currentRow() > 0)
                assigned << b.form.List(list)->objectName();
        }
    }
    const Bench any;
    QCOMPARE(intensities.size(), any.form.List(45)->count()); // 100 down to 30 percent
    QCOMPARE(assigned.size(), 2);
}

void TestFileOperations::damagedFileChangesNothing_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("cause");
    QByteArray line = lobbyBytes();
    line.chop(2);
    const int lastComma = int(line.lastIndexOf(','));
    const QString fields51 = "THE FILE HOLDS 51 FIELDS; A CONFIGURATION FILE HOLDS 52";
    const QString range = "; A NUMBER IN A CONFIGURATION FILE LIES BETWEEN -32768 AND 32767";
    const QString model = "; THIS PROGRAM OPENS FILES FOR \"51-20417-MDL or 51-20426-MDL\"";
    QTest::newRow("51 fields") << line.left(lastComma) + "\r\n" << fields51;
    QTest::newRow("40000") << lobbyWith(6, "40000") << "FIELD 6 (SW2 CODE) HOLDS 40000" + range;
    QTest::newRow("intensity out of range")
        << lobbyWith(50, "-40000") << "FIELD 50 (NORMAL BACKLIGHTING CODE) HOLDS -40000" + range;
    QTest::newRow("model in lower case")
        << lobbyWith(1, "\"51-20417-mdl or 51-20426-mdl\"")
        << "THE FILE IS FOR MODEL \"51-20417-mdl or 51-20426-mdl\"" + model;
    QTest::newRow("one model alone")
        << lobbyWith(1, "\"51-20417-MDL\"") << "THE FILE IS FOR MODEL \"51-20417-MDL\"" + model;
    QTest::newRow("negative switch code")
        << lobbyWith(40, "-1")
        << "FIELD 40 (LED9 CODE) HOLDS -1; AN ASSIGNMENT CODE IS NEVER NEGATIVE";
    QTest::newRow("negative dimming code")
        << lobbyWith(46, "-25")
        << "FIELD 46 (DIMMING CODE) HOLDS -25; AN ASSIGNMENT CODE IS NEVER NEGATIVE";
    QTest::newRow("a code above N/A")
        << lobbyWith(8, "200")
        << "FIELD 8 (SW3 CODE) HOLDS 200; AN ASSIGNMENT CODE LIES BETWEEN 0 AND 160";
    QTest::newRow("an intensity code outside the table")
        << lobbyWith(48, "50")
        << "FIELD 48 (NORMAL INDICATOR CODE) HOLDS 50; AN INTENSITY CODE IS 10, 7, 6, 5, 4, 3, 2 "
           "OR 1";
    QTest::newRow("unterminated quote")
        << lobbyWith(51, "\"DIMMED")
        << "THE QUOTE THAT OPENS FIELD 51 (DIMMED BACKLIGHTING AND INDICATOR CAPTION) IS NEVER "
           "CLOSED: \"DIMMED,3";
    QTest::newRow("empty file") << QByteArray() << "THE FILE IS EMPTY";
    QTest::newRow("not a configuration file")
        << QByteArray("\x7f"
                      "ELF\x02\x01\x01\0\0\0",
                      10)
        << "THE FILE IS NOT TEXT: BYTE 5 HOLDS THE CONTROL CODE 02 (HEX)";
    // Only the first mebibyte is read; the record has not ended there.
    QTest::newRow("too large") << '"' + QByteArray(3 << 20, 'A')
                               << "THE FILE IS TOO LARGE TO BE A CONFIGURATION FILE: 3145729 BYTES";
    // Damage near the end: without the check up front, most of the window would change.
    QTest::newRow("last field missing") << line.left(lastComma + 1) << fields51;
}

void TestFileOperations::damagedFileChangesNothing() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, cause);
    Bench b;
    // A window already filled from a good file, so a partial load would show.
    QVERIFY(writeFile(path("good.qcf"), lobbyWith(4, "37").replace("\"LOBBY\"", "\"FIRST\"")));
    b.open(path("good.qcf"));
    QVERIFY(b.messages.shown.isEmpty());
    const QStringList before = windowState(b.form);

    QVERIFY(writeFile(path("damaged.qcf"), bytes));
    b.open(path("damaged.qcf"));
    QCOMPARE(b.messages.shown.size(), 1);
    QCOMPARE(b.messages.shown[0].text,
             QStringLiteral("AN ERROR HAS OCCURRED READING THE FILE BECAUSE THE FILE\n"
                            "WAS NOT CREATED FOR THE 51-20445-(MDL)\n"
                            "-------------THE FILE READ OPERATION IS BEING ABANDONED!"
                            "--------------"));
    QCOMPARE(b.messages.shown[0].title, QStringLiteral("FILE/MODEL MIS-MATCH"));
    QCOMPARE(b.messages.shown[0].cause, cause);
    QCOMPARE(windowState(b.form), before);
}

void TestFileOperations::unopenableFile_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason"); // a piece of the box's text
    QTest::newRow("missing file") << "missing.qcf"
                                  << "No such file";
    QTest::newRow("a folder") << "folder.qcf"
                              << "It is a folder, not a file.";
    // Opening these would wait for a writer, or never end: refused at once.
    QTest::newRow("a pipe with no writer") << "pipe.qcf"
                                           << "not a plain file";
    QTest::newRow("a device") << "/dev/zero"
                              << "not a plain file";
}

void TestFileOperations::unopenableFile() {
    QFETCH(QString, name);
    QFETCH(QString, reason);
    QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("folder.qcf")));
    const QString pipe = path(QStringLiteral("pipe.qcf"));
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString chosen = name.startsWith(QLatin1Char('/')) ? name : path(name);
    // Should the open wait on the pipe after all, a writer comes and goes after a while, so
    // the test fails instead of hanging: a writer can only open a pipe that a reader has open.
    std::atomic<bool> done{false};
    std::atomic<bool> waited{false};
    std::thread writer([&done, &waited, pipe] {
        for (int i = 0; i < 40 && !done; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        while (!done) {
            const int fd = ::open(QFile::encodeName(pipe).constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                waited = true;
                ::close(fd);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    Bench b;
    const QStringList before = windowState(b.form);
    b.open(chosen);
    done = true;
    writer.join();
    QVERIFY(!waited);
    QCOMPARE(b.messages.shown.size(), 1);
    QCOMPARE(b.messages.shown[0].title, QStringLiteral("READ CONFIGURATION FILE"));
    const QString text = b.messages.shown[0].text;
    QVERIFY2(text.startsWith(QStringLiteral("THE FILE COULD NOT BE OPENED:\n") +
                             QDir::toNativeSeparators(chosen)),
             qPrintable(text));
    QVERIFY2(text.contains(reason), qPrintable(text));
    QCOMPARE(windowState(b.form), before);
}

void TestFileOperations::cancelOpenChangesNothing() {
    Bench b;
    lobbyWindow(b.form);
    b.form.setStatusVisible(false);
    const QStringList before = windowState(b.form);
    QVERIFY(writeFile(path("lobby.qcf"), lobbyWith(2, "\"OTHER\"")));
    b.open(path("lobby.qcf"), FileDialog::Result::Cancelled);
    QVERIFY(b.messages.shown.isEmpty());
    QCOMPARE(windowState(b.form), before);
    QCOMPARE(b.dialog.shown.size(), 1);
    QVERIFY(!b.dialog.shown[0].save);
    QCOMPARE(b.dialog.shown[0].title, QStringLiteral("READ CONFIGURATION FILE"));
    QCOMPARE(b.dialog.shown[0].filter, QStringLiteral("QUORVEX CONFIGURATION FILES (*.qcf)|*.qcf"));
}

void TestFileOperations::lastNameOffered() {
    Bench b;
    lobbyWindow(b.form);
    b.save(path("kept.qcf"));
    b.open(QString(), FileDialog::Result::Cancelled);
    QCOMPARE(b.dialog.shown.size(), 2);
    QCOMPARE(b.dialog.shown[1].proposed, path("kept.qcf"));
    // A save proposes the panel name again, whatever was chosen before.
    b.save(QString(), FileDialog::Result::Cancelled);
    QCOMPARE(b.dialog.shown[2].proposed, QStringLiteral("LOBBY.qcf"));
}

void TestFileOperations::busyWindowStartsNothing() {
    Bench b;
    lobbyWindow(b.form);
    QVERIFY(writeFile(path("lobby.qcf"), lobbyBytes()));
    {
        Form1::Operation running(b.form);
        QVERIFY(bool(running));
        b.open(path("lobby.qcf"));
        b.save(path("new.qcf"));
    }
    QVERIFY(b.dialog.shown.isEmpty());
    QVERIFY(b.messages.shown.isEmpty());
    QCOMPARE(filesInDir(), QStringList{QStringLiteral("lobby.qcf")});
}

void TestFileOperations::incompleteRefused_data() {
    QTest::addColumn<int>("setup");
    QTest::addColumn<QString>("status");
    const QString switches =
        QStringLiteral("DATA MUST BE ENTERED (CLICKED) FOR ALL SWITCHES BEFORE WRITING DATA");
    const QString lighting = QStringLiteral(
        "DATA MUST BE ENTERED (CLICKED) FOR ALL LED's AND BACKLIGHTING BEFORE WRITING DATA");
    QTest::newRow("right after start-up") << 0 << switches;
    QTest::newRow("SW10 channel missing") << 1 << switches;
    QTest::newRow("LED4 module missing") << 2 << lighting;
    QTest::newRow("backlighting module missing") << 3 << lighting;
    QTest::newRow("dimming channel missing") << 4 << lighting;
}

void TestFileOperations::incompleteRefused() {
    QFETCH(int, setup);
    QFETCH(QString, status);
    Bench b;
    if (setup > 0) {
        lobbyWindow(b.form);
        if (setup == 1)
            setItem(b.form, 9, 3, -1);
        if (setup == 2)
            setItem(b.form, 13, -1);
        if (setup == 3)
            setItem(b.form, backlighting, -1);
        if (setup == 4)
            setItem(b.form, dimming, 4, -1);
        b.form.Option2_Click(); // an incomplete composition leaves the view alone
    }
    b.save(path("refused.qcf"));
    QVERIFY(!b.form.Text1->isHidden());
    QCOMPARE(b.form.statusColour(), Form1::red);
    QCOMPARE(b.form.statusText(), status);
    QVERIFY(b.dialog.shown.isEmpty());
    QVERIFY(b.messages.shown.isEmpty());
    QVERIFY(filesInDir().isEmpty());
    if (setup > 0)
        QVERIFY(!b.form.Frame1->isHidden());
}

void TestFileOperations::panelNameRule_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("saved");
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("spaces only") << QStringLiteral("   ") << true;
}

void TestFileOperations::panelNameRule() {
    QFETCH(QString, name);
    QFETCH(bool, saved);
    Bench b;
    lobbyWindow(b.form);
    b.form.Text(2)->setText(name);
    b.save(path("named.qcf"));
    if (saved) {
        QVERIFY(b.messages.shown.isEmpty());
        QCOMPARE(b.dialog.shown.size(), 1);
        QCOMPARE(b.dialog.shown[0].proposed, name + QStringLiteral(".qcf"));
        QCOMPARE(filesInDir(), QStringList{QStringLiteral("named.qcf")});
    } else {
        QCOMPARE(b.messages.shown.size(), 1);
        QCOMPARE(b.messages.shown[0].text,
                 QStringLiteral("Name must be entered in PANEL NAME field"));
        QVERIFY(b.messages.shown[0].title.isEmpty());
        QVERIFY(b.dialog.shown.isEmpty());
        QVERIFY(filesInDir().isEmpty());
    }
}

void TestFileOperations::unwritableTextRefused_data() {
    QTest::addColumn<int>("text");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("named");
    QTest::newRow("quote in SW3 designation") << 5 << "12\" PIPE"
                                              << "SW3 DESIGNATION";
    QTest::newRow("quote in panel name") << 2 << "\"B\" WING"
                                         << "PANEL NAME";
    QTest::newRow("Ő in LED1 designation") << 13 << "KŐ"
                                           << "LED1 DESIGNATION";
    QTest::newRow("C1 control in panel name")
        << 2 << QString::fromUtf16(u"A\u0080B") << "PANEL NAME";
}

void TestFileOperations::unwritableTextRefused() {
    QFETCH(int, text);
    QFETCH(QString, value);
    QFETCH(QString, named);
    Bench b;
    lobbyWindow(b.form);
    b.form.Text(text)->setText(value);
    b.save(path("quoted.qcf"));
    QCOMPARE(b.messages.shown.size(), 1);
    QCOMPARE(b.messages.shown[0].title, QStringLiteral("WRITE CONFIGURATION FILE"));
    QVERIFY2(b.messages.shown[0].text.contains(named), qPrintable(b.messages.shown[0].text));
    QVERIFY(b.dialog.shown.isEmpty());
    QVERIFY(filesInDir().isEmpty());
}

void TestFileOperations::saveDialogAnswers_data() {
    QTest::addColumn<FileDialog::Result>("answer");
    QTest::addColumn<int>("messages");
    QTest::newRow("cancel is silent") << FileDialog::Result::Cancelled << 0;
    QTest::newRow("failure is told") << FileDialog::Result::Failed << 1;
}

void TestFileOperations::saveDialogAnswers() {
    QFETCH(FileDialog::Result, answer);
    QFETCH(int, messages);
    Bench b;
    lobbyWindow(b.form);
    QVERIFY(writeFile(path("LOBBY.qcf"), "OLD\r\n"));
    b.save(path("LOBBY.qcf"), answer);
    QCOMPARE(b.messages.shown.size(), messages);
    QCOMPARE(readFile(path("LOBBY.qcf")), QByteArray("OLD\r\n"));
    QCOMPARE(filesInDir(), QStringList{QStringLiteral("LOBBY.qcf")});
}

void TestFileOperations::failedSaveKeepsOldFile_data() {
    QTest::addColumn<int>("fault"); // 0: read-only folder; else FailingSaveFile::Fault + 1
    QTest::newRow("read-only folder") << 0;
    QTest::newRow("write error") << 1 + int(FailingSaveFile::Fault::WriteError);
    QTest::newRow("short write") << 1 + int(FailingSaveFile::Fault::ShortWrite);
}

void TestFileOperations::failedSaveKeepsOldFile() {
    QFETCH(int, fault);
    const QByteArray old = lobbyWith(2, "\"EARLIER\"");
    const QString folder = path("site");
    QVERIFY(QDir().mkdir(folder));
    const QString target = QDir(folder).filePath(QStringLiteral("LOBBY.qcf"));
    QVERIFY(writeFile(target, old));

    Bench b;
    lobbyWindow(b.form);
    if (fault == 0) {
        QVERIFY(QFile::setPermissions(dir_->path(), QFile::ReadOwner | QFile::WriteOwner |
                                                        QFile::ExeOwner | QFile::ReadOther |
                                                        QFile::ExeOther));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner |
                                                  QFile::ReadOther | QFile::ExeOther));
        OrdinaryUserFiles asUser;
        {
            QFile probe(QDir(folder).filePath(QStringLiteral("probe")));
            if (probe.open(QIODevice::WriteOnly)) {
                probe.remove();
                QSKIP("the folder's permissions do not apply to this user");
            }
        }
        b.save(target);
    } else {
        const auto kind = FailingSaveFile::Fault(fault - 1);
        b.files.setSaveFileFactory(
            [kind](const QString& name) { return std::make_unique<FailingSaveFile>(name, kind); });
        b.save(target);
    }
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QCOMPARE(readFile(target), old);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("LOBBY.qcf")});
    QCOMPARE(b.messages.shown.size(), 1);
    QCOMPARE(b.messages.shown[0].title, QStringLiteral("WRITE CONFIGURATION FILE"));
    const QString text = b.messages.shown[0].text;
    QVERIFY2(text.contains(QStringLiteral("NOT SAVED")), qPrintable(text));
    QVERIFY2(text.contains(QDir::toNativeSeparators(target)), qPrintable(text));
}

void TestFileOperations::qtFilters_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("nameFilters");
    QTest::newRow("pattern in description")
        << "QUORVEX CONFIGURATION FILES (*.qcf)|*.qcf"
        << QStringList{QStringLiteral("QUORVEX CONFIGURATION FILES (*.qcf)")};
    QTest::newRow("pattern added")
        << "TEXT FILES|*.txt|ALL|*"
        << QStringList{QStringLiteral("TEXT FILES (*.txt)"), QStringLiteral("ALL (*)")};
}

void TestFileOperations::qtFilters() {
    QFETCH(QString, filter);
    QFETCH(QStringList, nameFilters);
    QCOMPARE(QtFileDialog::nameFilters(filter), nameFilters);
}

// The program's dialog, driven as a user would: pick a name to save, then cancel an open;
// the open offers the name and folder chosen for the save.
void TestFileOperations::qtDialog() {
    QtFileDialog dialog;
    dialog.Filter = QStringLiteral("QUORVEX CONFIGURATION FILES (*.qcf)|*.qcf");

    QStringList seen;
    std::function<void(QFileDialog*)> act;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* fd = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!fd || !fd->isVisible())
            return;
        poll.stop();
        seen << fd->windowTitle() << fd->nameFilters().join(';')
             << QDir(fd->directory()).absolutePath();
        act(fd);
    });

    act = [&](QFileDialog* fd) {
        fd->selectFile(path("LOBBY.qcf"));
        static_cast<QDialog*>(fd)->accept(); // as the dialog's own button does
    };
    dialog.DialogTitle = QStringLiteral("WRITE CONFIGURATION FILE");
    dialog.FileName = QStringLiteral("LOBBY.qcf");
    poll.start();
    QCOMPARE(dialog.ShowSave(), FileDialog::Result::Chosen);
    QCOMPARE(dialog.FileName, path("LOBBY.qcf"));
    QCOMPARE(seen.value(0), QStringLiteral("WRITE CONFIGURATION FILE"));
    QCOMPARE(seen.value(1), QStringLiteral("QUORVEX CONFIGURATION FILES (*.qcf)"));

    seen.clear();
    act = [](QFileDialog* fd) { fd->reject(); };
    dialog.DialogTitle = QStringLiteral("READ CONFIGURATION FILE");
    poll.start();
    QCOMPARE(dialog.ShowOpen(), FileDialog::Result::Cancelled);
    QCOMPARE(dialog.FileName, path("LOBBY.qcf"));
    QCOMPARE(seen.value(0), QStringLiteral("READ CONFIGURATION FILE"));
    QCOMPARE(seen.value(2), QDir(dir_->path()).absolutePath());

    // A name with double quotes, clicked in the list: the dialog takes it whole (a typed one
    // it would split at the quotes).
    const QString quoted = path(QStringLiteral("east \"wing\".qcf"));
    QFile file(quoted);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QTimer click;
    click.setInterval(10);
    act = [&](QFileDialog* fd) {
        QObject::connect(&click, &QTimer::timeout, fd, [&click, fd] {
            auto* view = fd->findChild<QListView*>(QStringLiteral("listView"));
            const QModelIndexList found =
                view->model()->match(view->model()->index(0, 0, view->rootIndex()), Qt::DisplayRole,
                                     QStringLiteral("east \"wing\".qcf"), 1, Qt::MatchExactly);
            if (found.isEmpty())
                return; // the folder is still being read
            click.stop();
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                              view->visualRect(found.first()).center());
            static_cast<QDialog*>(fd)->accept(); // as the dialog's Open button does
        });
        click.start();
    };
    poll.start();
    QCOMPARE(dialog.ShowOpen(), FileDialog::Result::Chosen);
    QCOMPARE(dialog.FileName, quoted);

    // Over a window, the window is active again once the dialog has gone, before the open goes
    // on: a screen reader follows it at once.
    QWidget window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QtFileDialog over(&window);
    act = [](QFileDialog* fd) { fd->reject(); };
    poll.start();
    QCOMPARE(over.ShowOpen(), FileDialog::Result::Cancelled);
    QVERIFY(window.isActiveWindow());
}

QTEST_MAIN(TestFileOperations)
#include "tst_file_operations.moc"
