#pragma once

#include <QPointer>
#include <QString>

class QWidget;

// The file dialog the open and save operations use: set the filter, the title and the
// proposed name, show it for opening or saving, and take the chosen name. A cancel by the
// user is told apart from a dialog that failed. FileName keeps the last chosen name, which
// the next open or save offers.
class FileDialog {
public:
    enum class Result { Chosen, Cancelled, Failed };

    virtual ~FileDialog() = default;

    // "description|pattern" pairs joined by '|', e.g. "FILES (*.qcf)|*.qcf".
    QString Filter;
    QString DialogTitle;
    // In: the proposed name. Out: the chosen name (unchanged unless Chosen).
    QString FileName;

    virtual Result ShowOpen() = 0;
    virtual Result ShowSave() = 0;
};

// The program's file dialog: a modal QFileDialog over the window. A proposed name without a
// folder is offered in the folder of the last chosen file.
class QtFileDialog : public FileDialog {
public:
    explicit QtFileDialog(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    Result ShowOpen() override;
    Result ShowSave() override;

    // The name filters QFileDialog takes for a "description|pattern|..." filter: one per
    // pair, the pattern appended in brackets unless the description already ends with it.
    static QStringList nameFilters(const QString& filter);

    // How long the window may take to become active again after the dialog, in ms, and how
    // many times it is asked to.
    static constexpr int activationWait = 500;
    static constexpr int activationTries = 3;

private:
    Result show(bool save);
    static void activateAgain(QWidget* window);

    QPointer<QWidget> parent_;
    QString lastFolder_;
};
