#include "file_dialog.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTimer>
#include <QWindow>

QStringList QtFileDialog::nameFilters(const QString& filter) {
    QStringList out;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (int i = 0; i < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        const QString pattern = i + 1 < parts.size() ? parts[i + 1].trimmed() : QString();
        if (pattern.isEmpty() ||
            description.endsWith(QLatin1Char('(') + pattern + QLatin1Char(')')))
            out << description;
        else
            out << description + QLatin1String(" (") + pattern + QLatin1Char(')');
    }
    return out;
}

void QtFileDialog::activateAgain(QWidget* window) {
    // Once the dialog has gone the desktop need not make the window active again, and a screen
    // reader would then follow no control of it: Tab would say nothing. What the operation
    // says next is said once the reader is back in the window.
    for (int tries = 0; tries < activationTries && !window->isActiveWindow(); ++tries) {
        // The window system may give the window its focus back while the dialog is still
        // closing, when Qt refuses to make it active and never asks again: Qt is told now.
        if (QGuiApplication::focusWindow() == window->windowHandle())
            QApplication::setActiveWindow(window);
        else
            window->activateWindow();
        if (window->isActiveWindow())
            return;
        QEventLoop loop;
        QTimer::singleShot(activationWait, &loop, &QEventLoop::quit);
        QObject::connect(qGuiApp, &QGuiApplication::focusWindowChanged, &loop, [&loop, window] {
            if (window->isActiveWindow())
                loop.quit();
        });
        loop.exec();
    }
}

FileDialog::Result QtFileDialog::ShowOpen() {
    return show(false);
}

FileDialog::Result QtFileDialog::ShowSave() {
    return show(true);
}

FileDialog::Result QtFileDialog::show(bool save) {
    QString proposed = FileName;
    if (!proposed.isEmpty() && !lastFolder_.isEmpty() && QFileInfo(proposed).isRelative())
        proposed = QDir(lastFolder_).filePath(proposed);

    int answer = QDialog::Rejected;
    QStringList chosen;
    {
        QFileDialog dialog(parent_, DialogTitle);
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dialog.setNameFilters(nameFilters(Filter));
        if (save)
            dialog.setDefaultSuffix(QStringLiteral("qcf"));
        if (!lastFolder_.isEmpty())
            dialog.setDirectory(lastFolder_);
        if (!proposed.isEmpty())
            dialog.selectFile(proposed);
        dialog.setWindowModality(Qt::ApplicationModal);
        answer = dialog.exec();
        chosen = dialog.selectedFiles();
    }
    // Asked only once the dialog is gone: a window manager gives the window back its focus
    // then and not before.
    if (parent_)
        activateAgain(parent_->window());
    if (answer != QDialog::Accepted)
        return Result::Cancelled;
    if (chosen.isEmpty() || chosen.first().isEmpty())
        return Result::Failed;
    FileName = chosen.first();
    lastFolder_ = QFileInfo(FileName).absolutePath();
    return Result::Chosen;
}
