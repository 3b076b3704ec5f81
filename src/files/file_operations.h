#pragma once

#include "qcf.h"

#include <QString>

#include <functional>
#include <memory>

class FileDialog;
class Form1;
class QSaveFile;

// Opening a configuration file into the window (the READ_FILE button) and saving the
// window's configuration into one. Both work on the window through its public API, select
// entries as a user's click would, and report through the window's message boxes.
class FileOperations {
public:
    static const char* const fileFilter;
    static const char* const openTitle;
    static const char* const saveTitle;
    static const char* const mismatchText;
    static const char* const mismatchTitle;
    static const char* const switchesIncomplete;
    static const char* const lightingIncomplete;
    static const char* const nameMissing;

    // Neither the window nor the dialog is owned; both must outlive this.
    FileOperations(Form1& form, FileDialog& dialog);

    // Lets the user pick a file, checks the whole record, then fills the window. A file that
    // fails any check leaves the window and its record exactly as they were.
    void READ_FILE_Click();
    // Opens `fileName` as READ_FILE_Click does once that file is chosen: the same checks, the
    // same boxes. The file manager and the command line open files this way.
    void openFile(const QString& fileName);

    // Checks that every item is complete and a panel name is given, lets the user pick the
    // file and writes it in one piece: a failed write leaves an earlier file untouched.
    void save_config_file();

    // Told the path of every file that has been opened into the window.
    using OpenedHandler = std::function<void(const QString& fileName)>;
    void setOpenedHandler(OpenedHandler handler) { opened_ = std::move(handler); }

    // Where the save writes through; tests substitute a device that fails.
    using SaveFileFactory = std::function<std::unique_ptr<QSaveFile>(const QString& fileName)>;
    void setSaveFileFactory(SaveFileFactory factory) { saveFileFactory_ = std::move(factory); }

private:
    // Shows the file dialog for opening or saving. True once a file is chosen (FileName); a
    // cancel ends silently, a dialog that failed is reported.
    bool chooseFile(bool save);
    void open(const QString& fileName);
    void load(const qcf::Record& record);
    qcf::Record shownRecord() const;
    bool writeFile(const QString& fileName, const QByteArray& bytes, QString& reason) const;
    void showOpenFailure(const QString& fileName, const QString& reason);
    void showSaveFailure(const QString& fileName, const QString& reason);

    Form1& form_;
    FileDialog& dialog_;
    SaveFileFactory saveFileFactory_;
    OpenedHandler opened_;
};
