#pragma once

// What the program tells a screen reader, recorded. The platform's accessibility is on while a
// recorder exists, as a screen reader turns it on; offscreen nothing else would turn it on, so
// it is switched as Qt's own tests switch it.
#include <QAccessible>
#include <QList>
#include <QStringList>
#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

class ScreenReader {
public:
    ScreenReader() {
        current() = this;
        QAccessible::installUpdateHandler(record);
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(true);
    }
    ~ScreenReader() {
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(false);
        QAccessible::installUpdateHandler(nullptr);
    }

    // What was told of `type` by controls of `role`, in order: their words, and after a value
    // change ": " and the new value ("SW1 MODULE: H"), after a change of check ": checked" or
    // ": not checked".
    QStringList said(QAccessible::Event type, QAccessible::Role role) const {
        QStringList out;
        for (const Told& t : told) {
            if (t.type == type && t.role == role)
                out << t.words;
        }
        return out;
    }
    int count(QAccessible::Event type) const {
        return int(std::count_if(told.begin(), told.end(),
                                 [type](const Told& t) { return t.type == type; }));
    }
    // Everything told, and the words of what was told last.
    int count() const { return int(told.size()); }
    QString last() const { return told.isEmpty() ? QString() : told.last().words; }
    void forget() { told.clear(); }

    // What a reader says of a control: its name, and for a notification its labels.
    static QString words(QAccessibleInterface* control) {
        QString words = control->text(QAccessible::Name);
        for (int i = 0; control->role() == QAccessible::Notification && i < control->childCount();
             ++i)
            words += control->child(i)->text(QAccessible::Name);
        return words;
    }

private:
    struct Told {
        QAccessible::Event type;
        QAccessible::Role role;
        QString words;
    };
    QList<Told> told;

    static ScreenReader*& current() {
        static ScreenReader* reader = nullptr;
        return reader;
    }
    static void record(QAccessibleEvent* event) {
        QAccessibleInterface* told = event->accessibleInterface();
        Told t{event->type(), told ? told->role() : QAccessible::NoRole,
               told ? words(told) : QString()};
        if (event->type() == QAccessible::ValueChanged)
            t.words += QLatin1String(": ") +
                       static_cast<QAccessibleValueChangeEvent*>(event)->value().toString();
        if (event->type() == QAccessible::StateChanged &&
            static_cast<QAccessibleStateChangeEvent*>(event)->changedStates().checked)
            t.words += told && told->state().checked ? QLatin1String(": checked")
                                                     : QLatin1String(": not checked");
        current()->told << t;
    }
};
