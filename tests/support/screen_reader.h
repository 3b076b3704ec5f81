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
    struct Told {
        QAccessible::Event type;
        QAccessible::Role role;
        QString name;
        QString value; // the new value, of a value change
    };

    ScreenReader() {
        current() = this;
        QAccessible::installUpdateHandler(record);
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(true);
    }
    ~ScreenReader() {
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(false);
        QAccessible::installUpdateHandler(nullptr);
        current() = nullptr;
    }
    ScreenReader(const ScreenReader&) = delete;
    ScreenReader& operator=(const ScreenReader&) = delete;

    int count(QAccessible::Event type) const {
        int n = 0;
        for (const Told& t : told)
            n += t.type == type;
        return n;
    }
    // Each value change of a list as "NAME: VALUE", in the order told.
    QStringList values() const {
        QStringList out;
        for (const Told& t : told) {
            if (t.type == QAccessible::ValueChanged && t.role == QAccessible::List)
                out << t.name + QLatin1String(": ") + t.value;
        }
        return out;
    }
    // The names of the notifications that appeared, in the order told.
    QStringList notifications() const {
        QStringList out;
        for (const Told& t : told) {
            if (t.type == QAccessible::ObjectShow && t.role == QAccessible::Notification)
                out << t.name;
        }
        return out;
    }

    QList<Told> told;

    // What a reader says of a control: its name, or, for a notification without one, its labels.
    static QString words(QAccessibleInterface* control) {
        QString said = control->text(QAccessible::Name);
        if (control->role() == QAccessible::Notification) {
            for (int i = 0; i < control->childCount(); ++i)
                said += control->child(i)->text(QAccessible::Name);
        }
        return said;
    }

private:
    static ScreenReader*& current() {
        static ScreenReader* reader = nullptr;
        return reader;
    }
    static void record(QAccessibleEvent* event) {
        QAccessibleInterface* told = event->accessibleInterface();
        Told t{event->type(), told ? told->role() : QAccessible::NoRole,
               told ? words(told) : QString(), QString()};
        if (event->type() == QAccessible::ValueChanged)
            t.value = static_cast<QAccessibleValueChangeEvent*>(event)->value().toString();
        current()->told << t;
    }
};
