#include "messages.h"

#include <QGuiApplication>
#include <QMessageBox>

const char* const MessageBoxes::defaultTitle = "NVX 10 BUTTON CONFIGURATION";

void QtMessageBoxes::message(const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::NoIcon,
                    title.isEmpty() ? QString::fromLatin1(defaultTitle) : title, text,
                    QMessageBox::Ok, parent_);
    box.setWindowModality(Qt::ApplicationModal);
    // A box shown while the panel works waits for the user, not for the panel: the normal
    // cursor over it, the busy one again afterwards.
    const bool busy = QGuiApplication::overrideCursor() != nullptr;
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    if (busy)
        QGuiApplication::restoreOverrideCursor();
}
