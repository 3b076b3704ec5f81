#include "file_operations.h"

#include "file_dialog.h"
#include "form1.h"
#include "items.h"
#include "messages.h"
#include "record.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSaveFile>

const char* const FileOperations::fileFilter = "QUORVEX CONFIGURATION FILES (*.qcf)|*.qcf";
const char* const FileOperations::openTitle = "READ CONFIGURATION FILE";
const char* const FileOperations::saveTitle = "WRITE CONFIGURATION FILE";
const char* const FileOperations::mismatchText =
    "AN ERROR HAS OCCURRED READING THE FILE BECAUSE THE FILE\n"
    "WAS NOT CREATED FOR THE 51-20445-(MDL)\n"
    "-------------THE FILE READ OPERATION IS BEING ABANDONED!--------------";
const char* const FileOperations::mismatchTitle = "FILE/MODEL MIS-MATCH";
const char* const FileOperations::switchesIncomplete =
    "DATA MUST BE ENTERED (CLICKED) FOR ALL SWITCHES BEFORE WRITING DATA";
const char* const FileOperations::lightingIncomplete =
    "DATA MUST BE ENTERED (CLICKED) FOR ALL LED's AND BACKLIGHTING BEFORE WRITING DATA";
const char* const FileOperations::nameMissing = "Name must be entered in PANEL NAME field";

namespace {

// The last five entries of a file: a fixed window caption and a code. The first two are
// the backlighting and dimming items, the last three the intensities in the file's order.
struct CaptionEntry {
    int entry;
    int label;
    QString ConfigRecord::*caption;
    Integer ConfigRecord::*code;
};

constexpr int assignmentEntries = 20; // SW1..SW10, LED1..LED10: designation and code

const CaptionEntry captionEntries[] = {
    {qcf::backlightingEntry, 19, &ConfigRecord::blchan, &ConfigRecord::bl},
    {qcf::dimmingEntry, 1, &ConfigRecord::dimchan, &ConfigRecord::dimch},
    {qcf::indicatorIntensityEntry, 17, &ConfigRecord::indpct, &ConfigRecord::indpercent},
    {qcf::backlightingIntensityEntry, 15, &ConfigRecord::blpct, &ConfigRecord::blpercent},
    {qcf::dimmedIntensityEntry, 16, &ConfigRecord::dindpct, &ConfigRecord::dindpercent},
};

QString orUnknown(const QString& reason) {
    return reason.isEmpty() ? QStringLiteral("unknown error") : reason;
}

} // namespace

FileOperations::FileOperations(Form1& form, FileDialog& dialog) : form_(form), dialog_(dialog) {}

void FileOperations::READ_FILE_Click() {
    // A screen reader follows the dialog as usual; the window holds back once it fills.
    Form1::Operation operation(form_, false);
    if (!operation)
        return;
    form_.setStatusVisible(false);

    // The name is not preset: the dialog offers the one left by the last open or save.
    if (!chooseFile(false))
        return;
    operation.holdBack();
    open(dialog_.FileName);
}

void FileOperations::openFile(const QString& fileName) {
    Form1::Operation operation(form_);
    if (!operation)
        return;
    form_.setStatusVisible(false);
    // As if chosen in the dialog, which offers it again at the next open.
    dialog_.FileName = fileName;
    open(fileName);
}

void FileOperations::open(const QString& fileName) {
    QByteArray bytes;
    qint64 fileSize = 0;
    QString error;
    if (!qcf::readFileStart(fileName, bytes, fileSize, error)) {
        // Not the mismatch box: a missing or locked file is no damaged file, and the user
        // needs the reason to put it right.
        showOpenFailure(fileName, error);
        return;
    }

    // Everything is checked before the first control changes, so a damaged file can never
    // leave the window half filled. The box's text names a model mismatch whatever the
    // cause; the line under it says what was found.
    const qcf::Verdict verdict = qcf::judge(bytes, fileSize);
    if (!verdict.cause.isEmpty()) {
        form_.messages().message(QString::fromLatin1(mismatchText),
                                 QString::fromLatin1(mismatchTitle), verdict.cause);
        return;
    }
    load(verdict.read.record);
    if (opened_)
        opened_(fileName);
}

void FileOperations::load(const qcf::Record& record) {
    ConfigRecord& r = form_.r;
    const AssignmentTable& items = assignmentItems();

    // The whole record first: the intensity rule compares against the file's codes.
    r.rmodel = record.model;
    r.panel = record.panel;
    for (int i = 0; i < assignmentEntries; ++i) {
        r.*items[i].designation = record.entries[i].text;
        r.*items[i].code = record.entries[i].value;
    }
    for (const CaptionEntry& e : captionEntries) {
        r.*e.caption = record.entries[e.entry].text;
        r.*e.code = record.entries[e.entry].value;
    }

    // Then the window, selecting module before channel so each click rule runs as for a user.
    form_.Text(2)->setText(r.panel); // the box keeps its first 12 characters
    for (int i = 0; i < int(items.size()); ++i) {
        const AssignmentItem& item = items[i];
        if (item.designationText)
            form_.Text(item.designationText)->setText(r.*item.designation);
        r.A = record.entries[i].value;
        split_assignment(r);
        // A code of 0 or more splits into entries both lists have; negative ones were refused.
        form_.select(form_.List(item.moduleList), r.m_index);
        form_.select(form_.List(item.channelList), r.c_index);
    }
    form_.show_bl_intensity();
    form_.show_ind_intensity();
    form_.show_dind_intensity();
    form_.show_switch_view();
    form_.setOrigin(Form1::Origin::File);
}

qcf::Record FileOperations::shownRecord() const {
    const ConfigRecord& r = form_.r;
    const AssignmentTable& items = assignmentItems();
    qcf::Record record;
    record.model = r.wmodel;
    record.panel = form_.Text(2)->text();
    for (int i = 0; i < assignmentEntries; ++i)
        record.entries[i] = {form_.Text(items[i].designationText)->text(), r.*items[i].composed};
    for (const CaptionEntry& e : captionEntries)
        record.entries[e.entry] = {form_.Label(e.label)->text(), r.*e.code};
    return record;
}

void FileOperations::save_config_file() {
    Form1::Operation operation(form_, false); // its dialog is followed as usual
    if (!operation)
        return;
    ConfigRecord& r = form_.r;
    form_.setStatusVisible(false);
    r.error_flag = 0;
    r.wmodel = QString::fromLatin1(qcf::modelIdentity);
    form_.compose_panel_values();
    if (r.error_flag == 1 || r.error_flag == 2) {
        form_.showStatus(
            Form1::red, QLatin1String(r.error_flag == 1 ? switchesIncomplete : lightingIncomplete));
        return;
    }
    const QString panelName = form_.Text(2)->text();
    if (panelName.isEmpty()) {
        form_.messages().message(QString::fromLatin1(nameMissing));
        return;
    }

    // A double quote would end its field early on reading and shift every later field;
    // a character Windows-1252 cannot hold would come back as another. Refuse rather than
    // write a file that does not open back to this window.
    const qcf::Record record = shownRecord();
    if (const int field = qcf::unwritableField(record)) {
        form_.messages().message(QStringLiteral("THE CONFIGURATION FILE WAS NOT SAVED:\n"
                                                "THE %1 HOLDS A DOUBLE QUOTE (\") OR A CHARACTER\n"
                                                "THAT A CONFIGURATION FILE CANNOT KEEP.")
                                     .arg(qcf::fieldName(field)),
                                 QString::fromLatin1(saveTitle));
        return;
    }

    dialog_.FileName = panelName + QLatin1String(".qcf");
    if (!chooseFile(true))
        return;

    QString reason;
    if (!writeFile(dialog_.FileName, qcf::write(record), reason))
        showSaveFailure(dialog_.FileName, reason);
}

bool FileOperations::chooseFile(bool save) {
    dialog_.Filter = QString::fromLatin1(fileFilter);
    dialog_.DialogTitle = QString::fromLatin1(save ? saveTitle : openTitle);
    switch (save ? dialog_.ShowSave() : dialog_.ShowOpen()) {
    case FileDialog::Result::Chosen:
        return true;
    case FileDialog::Result::Cancelled:
        return false;
    case FileDialog::Result::Failed:
        break;
    }
    const QString reason = QStringLiteral("no file was chosen");
    if (save)
        showSaveFailure(dialog_.FileName, reason);
    else
        showOpenFailure(dialog_.FileName, reason);
    return false;
}

bool FileOperations::writeFile(const QString& fileName, const QByteArray& bytes,
                               QString& reason) const {
    // Written beside the target and renamed over it only when complete, so a failure can
    // never cost the user the file being replaced. commit() alone is not trusted: on a full
    // disk it can report success for an empty file, so every write and the flush are checked.
    std::unique_ptr<QSaveFile> file =
        saveFileFactory_ ? saveFileFactory_(fileName) : std::make_unique<QSaveFile>(fileName);
    if (!file->open(QIODevice::WriteOnly)) {
        reason = orUnknown(file->errorString());
        return false;
    }
    const qint64 written = file->write(bytes);
    if (written != bytes.size()) {
        reason =
            written < 0
                ? orUnknown(file->errorString())
                : QStringLiteral("only %1 of %2 bytes were written").arg(written).arg(bytes.size());
        file->cancelWriting();
        return false;
    }
    if (!file->flush()) {
        reason = orUnknown(file->errorString());
        file->cancelWriting();
        return false;
    }
    if (!file->commit()) {
        reason = orUnknown(file->errorString());
        return false;
    }
    return true;
}

void FileOperations::showOpenFailure(const QString& fileName, const QString& reason) {
    form_.messages().message(QStringLiteral("THE FILE COULD NOT BE OPENED:\n%1\n%2")
                                 .arg(QDir::toNativeSeparators(fileName), reason),
                             QString::fromLatin1(openTitle));
}

void FileOperations::showSaveFailure(const QString& fileName, const QString& reason) {
    form_.messages().message(QStringLiteral("THE CONFIGURATION FILE WAS NOT SAVED:\n%1\n%2\n"
                                            "AN EARLIER FILE OF THAT NAME IS LEFT AS IT WAS.")
                                 .arg(QDir::toNativeSeparators(fileName), reason),
                             QString::fromLatin1(saveTitle));
}
