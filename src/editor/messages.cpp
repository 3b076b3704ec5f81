#include "messages.h"

#include <QMessageBox>

const char* const MessageBoxes::defaultTitle = "NVX 10 BUTTON CONFIGURATION";

void QtMessageBoxes::message(const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::NoIcon,
                    title.isEmpty() ? QString::fromLatin1(defaultTitle) : title, text,
                    QMessageBox::Ok, parent_);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}
