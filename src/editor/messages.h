#pragma once

#include <QString>

class QWidget;

// Modal message boxes with a single OK button and no icon. The window and the operations
// show every message through this, so tests can answer them without a real dialog.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Shows the message and returns when the user has closed it. An empty title means the
    // program's default title.
    virtual void message(const QString& text, const QString& title = QString()) = 0;
};

// The program's message boxes: a QMessageBox, application-modal over the given window.
class QtMessageBoxes : public MessageBoxes {
public:
    explicit QtMessageBoxes(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    void message(const QString& text, const QString& title = QString()) override;

private:
    QWidget* parent_;
};
