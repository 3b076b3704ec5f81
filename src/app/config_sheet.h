#pragma once

#include <QDateTime>
#include <QString>

#include <memory>

class Form1;
class QPagedPaintDevice;
class QTextDocument;
class QWidget;

// The as-built sheet handed over after the work: the panel name, the file and the time, the
// model and port where known, and the table of all 25 locations with their designations, as
// the window's table shows them.
namespace sheet {

// What the sheet says beside the window's table.
struct Facts {
    QString file;  // the configuration file the window shows, empty for none
    QString model; // the model the panel named, empty where none was asked
    QString port;  // the port it answered on, likewise
    QDateTime time;
};

// The sheet of what `form` shows now, in the window's fonts.
std::unique_ptr<QTextDocument> document(const Form1& form, const Facts& facts);

// Writes the sheet of `form` as a PDF file at `path`, in one piece. False, with why in
// `error`, when it could not be written; an earlier file is then left as it was.
bool writePdf(const Form1& form, const Facts& facts, const QString& path, QString& error);

} // namespace sheet

// The print preview of the sheet, from which the system's print dialog prints it or saves it as
// a PDF. Modal: returns once the user has closed it. Tests answer it without a dialog.
class SheetPreview {
public:
    virtual ~SheetPreview() = default;
    virtual void show(QTextDocument& sheet) = 0;
};

// The program's preview: Qt's print preview dialog over the window.
class QtSheetPreview : public SheetPreview {
public:
    explicit QtSheetPreview(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    void show(QTextDocument& sheet) override;

private:
    QWidget* parent_;
};
