#pragma once

#include <QString>

class QWidget;

// Modal message boxes with a single OK button and no icon. The window and the operations
// show every message through this, so tests can answer them without a real dialog.
class MessageBoxes {
public:
    // The title of a box that has none of its own. It is set on the box itself: an
    // application display name would be appended to every window's title by the desktop.
    static const char* const defaultTitle;

    virtual ~MessageBoxes() = default;
    // Shows the message and returns when the user has closed it. An empty title means
    // defaultTitle. `cause`, when given, stands under the text, in plain text: what was found
    // that made the operation stop, where the text itself is fixed.
    virtual void message(const QString& text, const QString& title = QString(),
                         const QString& cause = QString()) = 0;
};

// The program's message boxes: a QMessageBox, application-modal over the given window.
class QtMessageBoxes : public MessageBoxes {
public:
    explicit QtMessageBoxes(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    void message(const QString& text, const QString& title = QString(),
                 const QString& cause = QString()) override;

private:
    QWidget* parent_;
};
