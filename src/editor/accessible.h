#pragma once

#include <QAccessible>
#include <QHash>
#include <QPointer>
#include <QString>

#include <utility>
#include <vector>

class QTableView;
class QWidget;

// What a screen reader is given for the window's own kinds of control, where Qt's own
// description of the widget they are made from does not fit.
namespace accessible {

// Makes the descriptions below the ones a screen reader gets; the first call does it.
void install();

// While it lives, the controls inside `area` keep to themselves what they would tell a screen
// reader of each change; the keyboard's focus is still told as it moves, and everything outside
// `area` (the window, a message box, the announcer) speaks as usual. When it ends, each control
// that changed tells once what it is now: shown or hidden, its text, value, name, description or
// check, and a table that its contents changed. A panel read then sends a reader a few dozen
// events where it would send hundreds, and a reader does not drop the outcome said after them.
// Nothing is held while no screen reader is listening.
class Settle {
public:
    explicit Settle(QWidget* area);
    ~Settle();
    Settle(const Settle&) = delete;
    Settle& operator=(const Settle&) = delete;

private:
    // What a reader was last told of a control.
    struct Look {
        bool shown = false;
        bool checked = false;
        QString name, description, value, text;
    };
    static Look lookOf(QWidget* control);
    static void hold(QAccessibleEvent* event);
    void forward(QAccessibleEvent* event) const;
    bool inside(const QObject* object) const;
    // Tells a reader what `control` is now where it differs from `before`.
    void tell(QWidget* control, const Look& before, const Look& now) const;

    QPointer<QWidget> area_;
    bool holding_ = false;
    QAccessible::UpdateHandler previous_ = nullptr;
    // Each control as a reader was last told of it, in the window's order.
    std::vector<std::pair<QPointer<QWidget>, Look>> before_;
    QHash<const QWidget*, std::size_t> places_;
    std::vector<QPointer<QTableView>> tables_; // tables whose changes were held
};

} // namespace accessible
