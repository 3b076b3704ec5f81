#include "file_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

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

    if (dialog.exec() != QDialog::Accepted)
        return Result::Cancelled;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty())
        return Result::Failed;
    FileName = chosen.first();
    lastFolder_ = QFileInfo(FileName).absolutePath();
    return Result::Chosen;
}
