#pragma once

// A window, its panel operations and a simulated panel on a real pseudo-terminal.

#include "form1.h"
#include "panel_operations.h"
#include "panel_sim.h"
#include "protocol.h"
#include "scripted_messages.h"
#include "serial_comm_port.h"
#include "widgets.h"

#include <QAccessible>
#include <QGuiApplication>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

// The link's period in most tests: the simulated panel answers at once, so a shorter wait
// than a real panel needs tells the same story in a quarter of the time. Tests of timing use
// longer periods, and tests of a paced or split panel longer reply waits.
constexpr int testPeriod = 25;

// A simulated panel as the system would report a USB adapter: by its short name ("pts/3").
inline SerialPortEntry adapterEntry(const PanelSim& sim) {
    SerialPortEntry entry;
    entry.portName = sim.devicePath().mid(5);
    entry.systemLocation = sim.devicePath();
    entry.description = QStringLiteral("SIMULATED PANEL");
    entry.usb = true;
    return entry;
}

struct PanelRig {
    ScriptedMessages messages;
    PanelSim sim;
    std::unique_ptr<Form1> form;
    std::unique_ptr<SerialCommPort> port;
    std::unique_ptr<PanelOperations> operations;
    // The serial ports "the system reports" to the port selector; none unless a test says so.
    QList<SerialPortEntry> reported;

    // A reply wait longer than the period suits a panel that answers in pieces or paced.
    explicit PanelRig(int period = testPeriod, int replyWait = 0) : period(period) {
        if (!sim.start())
            qFatal("no pseudo-terminal: %s", qPrintable(sim.errorString()));
        form = std::make_unique<Form1>(messages);
        port = std::make_unique<SerialCommPort>(sim.devicePath());
        operations = std::make_unique<PanelOperations>(*form, *port, [this] { return reported; });
        operations->link().setPeriodForTests(period, replyWait);
    }
    const int period;

    // The simulated panel as the system would report a USB adapter.
    SerialPortEntry simulatedAdapter() const { return adapterEntry(sim); }

    int row(int list) const { return form->List(list)->currentRow(); }

    // What a screen reader was told last, wherever the keyboard was: the notification's label.
    QString announced() const {
        return QAccessible::queryAccessibleInterface(form->findChild<Announcer*>())
            ->child(0)
            ->text(QAccessible::Name);
    }

    // The window's first `count` items, composed as a write would send them, are what the
    // panel (the rig's own unless another is named) holds at their locations.
    void checkItemsAsThePanelHolds(int count = 22, const PanelSim* panel = nullptr) const {
        form->r.error_flag = 0;
        form->compose_panel_values();
        for (int location = 0; location < count; ++location)
            QCOMPARE(int(form->r.*(assignmentItems()[location].composed)),
                     (panel ? *panel : sim).value(location));
    }

    // After every operation, however it ended: the port closed, Timer1 at rest, the normal
    // cursor, a usable port selector, no operation running, and the window in the switch view.
    void checkIdle() const {
        QVERIFY(!port->portOpen());
        QVERIFY(!form->Timer1->isActive());
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        QVERIFY(form->Combo1->isEnabled());
        QVERIFY(!form->operationRunning());
        QCOMPARE(form->r.config_flag, Integer(0));
    }
};

// The texts the status line is given that it was never painted with: a text set and
// replaced before it was painted was never seen.
class StatusTexts : public QObject {
public:
    explicit StatusTexts(Form1& form) : form_(form) {
        form.Text1->viewport()->installEventFilter(this);
        connect(form.Text1, &QPlainTextEdit::textChanged, this,
                [this] { unseen << form_.statusText(); });
    }
    QStringList unseen;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            unseen.removeAll(form_.statusText());
        return false;
    }

private:
    Form1& form_;
};

using SimSetup = std::function<void(PanelSim&)>;
using WindowCheck = std::function<void(PanelRig&)>;
Q_DECLARE_METATYPE(SimSetup)
Q_DECLARE_METATYPE(WindowCheck)

// Wire traffic built from frames, so expectations read like the conversation.
inline QByteArray wakeUps(int n) {
    return QByteArray(n, 'A');
}
inline QByteArray reads(std::initializer_list<int> addresses) {
    QByteArray out;
    for (int a : addresses)
        out += protocol::readCommand(a);
    return out;
}
inline QByteArray readsFromTo(int first, int last) {
    QByteArray out;
    for (int a = first; a <= last; ++a)
        out += protocol::readCommand(a);
    return out;
}

// Selects an item's module and channel entries as the lists would show a code.
inline void showCode(Form1& form, int location, int code) {
    const AssignmentItem& item = assignmentItems()[location];
    if (code >= protocol::highestValue) {
        QVERIFY(form.select(form.List(item.moduleList), 0));
        return;
    }
    QVERIFY(form.select(form.List(item.moduleList), 1 + code / 10));
    QVERIFY(form.select(form.List(item.channelList), code % 10));
}
