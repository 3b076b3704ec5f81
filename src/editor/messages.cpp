#include "messages.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>

const char* const MessageBoxes::defaultTitle = "NVX 10 BUTTON CONFIGURATION";

void QtMessageBoxes::message(const QString& text, const QString& title, const QString& cause) {
    QMessageBox box(QMessageBox::NoIcon,
                    title.isEmpty() ? QString::fromLatin1(defaultTitle) : title, text,
                    QMessageBox::Ok, parent_);
    if (!cause.isEmpty()) {
        // Shown at once, under the text, without a click. A cause quotes what a file holds,
        // which must never be taken for markup.
        box.setInformativeText(cause);
        if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
            label->setTextFormat(Qt::PlainText);
    }
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
