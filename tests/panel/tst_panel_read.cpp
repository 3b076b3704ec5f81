// READ_CONFIG over a pseudo-terminal against the simulated panel: the bytes on the wire, the
// window after a read, and every way a read can fail.

#include "location_table.h"
#include "panel_rig.h"
#include "screen_reader.h"
#include "status_texts.h"

#include <QAccessible>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTimer>

class TestPanelRead : public QObject {
    Q_OBJECT

private slots:
    void wholePanel();
    void failures_data();
    void failures();
    void intensitiesJudgedAsThePanelHoldsThem_data();
    void intensitiesJudgedAsThePanelHoldsThem();
    void lateReplyStartsNextTextAndIsDroppedOnOpen();
    void modelShortWhileAHoldsAKnownModel();
    void compareWithPanel_data();
    void compareWithPanel();
};

void TestPanelRead::wholePanel() {
    PanelRig rig(PanelLink::period);
    rig.form->Text(2)->setText(QStringLiteral("LOBBY"));
    rig.form->Text(3)->setText(QStringLiteral("HALL"));
    PanelSim& sim = rig.sim;
    sim.setValue(0, 0);    // A, channel 1
    sim.setValue(1, 37);   // D, channel 8
    sim.setValue(2, 160);  // N/A: the channel keeps the previous split's position
    sim.setValue(19, 159); // LED10 on P, channel 10
    sim.setValue(20, 45);  // backlighting on E, channel 6
    sim.setValue(21, 160); // dimming not assigned
    sim.setValue(22, 1);   // backlighting 30 %
    sim.setValue(23, 7);   // indicator 90 %
    sim.setValue(24, 50);  // no intensity code: shown as 100 %

    // A screen reader follows the read from READ, where the keyboard stays: the entries the
    // read selects neither take the reader's focus nor report it, and the outcome is said once.
    rig.form->show();
    QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
    rig.form->READ_CONFIG->setFocus();
    ScreenReader reader;
    rig.operations->READ_CONFIG_Click();
    QCOMPARE(reader.count(QAccessible::Focus), 0);
    QCOMPARE(reader.said(QAccessible::ObjectShow, QAccessible::Notification),
             QStringList{texts::readSuccessful});
    // The window settles once, and the outcome comes last: a reader's queue is short when it
    // arrives. Each location used to tell its lists, boxes, status line and bar, 423 in all.
    QVERIFY2(reader.count() <= 100, qPrintable(QString::number(reader.count())));
    QCOMPARE(reader.last(), QString::fromLatin1(texts::readSuccessful));
    // Hidden lists and the hidden table have nothing to say; the bar's new text is told once.
    const QStringList values = reader.said(QAccessible::ValueChanged, QAccessible::List);
    QVERIFY(values.contains("SW2 MODULE: D") && !values.join(' ').contains("LED"));
    QCOMPARE(reader.said(QAccessible::DescriptionChanged, QAccessible::ProgressBar),
             QStringList{"PROGRESS"});
    QCOMPARE(reader.count(QAccessible::TableModelChanged), 0);
    QVERIFY(rig.form->READ_CONFIG->hasFocus());
    for (QListWidget* list : rig.form->findChildren<QListWidget*>()) {
        QAccessibleInterface* entries = QAccessible::queryAccessibleInterface(list);
        for (int i = 0; i < entries->childCount(); ++i)
            QVERIFY2(!entries->child(i)->state().focused, qPrintable(list->objectName()));
    }

    QCOMPARE(sim.received(), wakeUps(1) + reads({63}) + readsFromTo(0, 24));
    QCOMPARE(rig.form->statusText(), QString::fromLatin1(texts::readSuccessful));
    QCOMPARE(rig.form->statusColour(), Form1::green);
    QVERIFY(rig.form->Text1->isVisibleTo(rig.form.get()));
    QVERIFY(rig.messages.shown.isEmpty());
    rig.checkIdle();

    QCOMPARE(rig.row(1), 1);
    QCOMPARE(rig.row(2), 0);
    QCOMPARE(rig.row(3), 4);
    QCOMPARE(rig.row(4), 7);
    QCOMPARE(rig.row(5), 0);
    QCOMPARE(rig.row(6), 7);
    QCOMPARE(rig.row(39), 16);
    QCOMPARE(rig.row(40), 9);
    QCOMPARE(rig.row(41), 5);
    QCOMPARE(rig.row(42), 5);
    QCOMPARE(rig.row(43), 0);
    for (int list : {7, 9, 11, 13, 15, 17, 19, 21, 37})
        QCOMPARE(rig.row(list), 0);
    QCOMPARE(rig.form->r.s1, Integer(0));
    QCOMPARE(rig.form->r.s2, Integer(37));
    QCOMPARE(rig.form->r.bl, Integer(45));

    QCOMPARE(rig.row(45), 7);
    QCOMPARE(rig.row(49), 1);
    QCOMPARE(rig.row(46), 0);
    QCOMPARE(rig.form->r.blpercent, Integer(1));
    QCOMPARE(rig.form->r.indpercent, Integer(7));
    QCOMPARE(rig.form->r.dindpercent, Integer(10));

    // The table shows each location as a write would send it, named as the window names it.
    const LocationTableModel& table = rig.form->locationTable();
    const QMap<int, QString> shown{{1, "D 8"},  {2, "N/A"},   {19, "P 10"},
                                   {20, "E 6"}, {22, "30 %"}, {24, "100 %"}};
    for (auto it = shown.cbegin(); it != shown.cend(); ++it)
        QCOMPARE(table.text(it.key(), LocationTableModel::Window), it.value());
    QCOMPARE(table.text(20, LocationTableModel::Item), QString("BACKLIGHT"));
    QCOMPARE(table.text(23, LocationTableModel::Item), QString("NORMAL INDICATOR"));
    for (int location = 0; location < 25; ++location) {
        QCOMPARE(table.text(location, LocationTableModel::Location), QString::number(location + 1));
        QVERIFY(table.text(location, LocationTableModel::Designation).isEmpty() &&
                table.text(location, LocationTableModel::Note).isEmpty());
    }

    QVERIFY(rig.form->Text(2)->text().isEmpty());
    for (int box = 3; box <= 22; ++box) {
        QVERIFY2(rig.form->Text(box)->text().isEmpty(), qPrintable(QString::number(box)));
        QVERIFY2(rig.form->Text(box)->isHidden(), qPrintable(QString::number(box)));
    }
    QVERIFY(rig.form->Option1->isChecked());

    // Timer1 paced the read at 100 ms and rests once it is over.
    QVERIFY(!rig.form->Timer1->isActive());
    QCOMPARE(rig.form->Timer1->interval(), 100);
    QCOMPARE(rig.form->Timer1->timerType(), Qt::PreciseTimer);
}

void TestPanelRead::failures_data() {
    QTest::addColumn<SimSetup>("setup");
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<QString>("mismatchCause"); // empty: no mismatch box
    QTest::addColumn<WindowCheck>("check");

    const QString noResponse = QString::fromLatin1(texts::noResponse);
    const QString badData = QString::fromLatin1(texts::badData);
    const QString ok = QString::fromLatin1(texts::communicationsOk);
    const QString corrupted = QString::fromLatin1(texts::corrupted);
    const QString outOfRange = QString::fromLatin1(texts::outOfRange);
    const QString noBox;
    const auto reported = [](int model) {
        return QStringLiteral("THE PANEL REPORTED MODEL %1; THIS PROGRAM CONFIGURES MODELS 70 "
                              "AND 79")
            .arg(model);
    };
    // Before every read SW1 shows P, channel 5 and backlighting is at 70 %.
    const WindowCheck listsUnchanged = [](PanelRig& rig) {
        QCOMPARE(rig.row(1), 16);
        QCOMPARE(rig.row(2), 4);
        QCOMPARE(rig.row(45), 3);
    };
    const auto sw1Shows = [](int module, int channel) {
        return WindowCheck([module, channel](PanelRig& rig) {
            QCOMPARE(rig.row(1), module);
            QCOMPARE(rig.row(2), channel);
            QCOMPARE(rig.row(3), -1); // SW2 and later untouched
        });
    };

    // The wake-up exchange.
    QTest::newRow("no answer: six wake-ups")
        << SimSetup([](PanelSim& s) { s.setSilent(true); }) << wakeUps(6) << noResponse
        << Form1::red << noBox << listsUnchanged;
    QTest::newRow("answer from the sixth wake-up on") << SimSetup([](PanelSim& s) {
        s.setWakeAfter(6);
        s.setModel(71);
    }) << wakeUps(6) + reads({63}) << ok << Form1::yellow
                                                      << reported(71) << listsUnchanged;
    QTest::newRow("answer only from the seventh")
        << SimSetup([](PanelSim& s) { s.setWakeAfter(7); }) << wakeUps(6) << noResponse
        << Form1::red << noBox << listsUnchanged;
    QTest::newRow("D000D and one more byte")
        << SimSetup([](PanelSim& s) { s.setWakeReply("D000DD"); }) << wakeUps(1) << noResponse
        << Form1::red << noBox << listsUnchanged;
    QTest::newRow("lower case d000d")
        << SimSetup([](PanelSim& s) { s.setWakeReply("d000d"); }) << wakeUps(1) << noResponse
        << Form1::red << noBox << listsUnchanged;
    QTest::newRow("answers of earlier tries add up")
        << SimSetup([](PanelSim& s) { s.setWakeReply("D0"); }) << wakeUps(3) << noResponse
        << Form1::red << noBox << listsUnchanged;

    // The model check.
    QTest::newRow("model 71") << SimSetup([](PanelSim& s) { s.setModel(71); })
                              << wakeUps(1) + reads({63}) << ok << Form1::yellow << reported(71)
                              << listsUnchanged;
    QTest::newRow("model 0795 rounds to 80")
        << SimSetup([](PanelSim& s) { s.setReadReply(63, "0795\r"); }) << wakeUps(1) + reads({63})
        << ok << Form1::yellow << reported(80) << listsUnchanged;
    QTest::newRow("model out of range")
        << SimSetup([](PanelSim& s) { s.setOutOfRange(63); }) << wakeUps(1) + reads({63})
        << outOfRange << Form1::yellow << reported(161) << listsUnchanged;
    // A model location that does not answer in form is a fault of the line, not a panel of
    // another model: red, and no mismatch box.
    QTest::newRow("model reply short")
        << SimSetup([](PanelSim& s) { s.setShortReply(63, 3); }) << wakeUps(1) + reads({63})
        << badData << Form1::red << noBox << listsUnchanged;
    QTest::newRow("model no reply")
        << SimSetup([](PanelSim& s) { s.setShortReply(63, 0); }) << wakeUps(1) + reads({63})
        << badData << Form1::red << noBox << listsUnchanged;
    QTest::newRow("model with a digit lost")
        << SimSetup([](PanelSim& s) { s.setReadReply(63, "070\r"); }) << wakeUps(1) + reads({63})
        << badData << Form1::red << noBox << listsUnchanged;
    QTest::newRow("model no number")
        << SimSetup([](PanelSim& s) { s.setReadReply(63, "D000D"); }) << wakeUps(1) + reads({63})
        << badData << Form1::red << noBox << listsUnchanged;
    QTest::newRow("model with noise after it")
        << SimSetup([](PanelSim& s) { s.setReadReply(63, "0710\r\x13"); })
        << wakeUps(1) + reads({63}) << badData << Form1::red << noBox << listsUnchanged;
    QTest::newRow("model late") << SimSetup([](PanelSim& s) {
        s.setReadDelay(63, 20 * testPeriod);
    }) << wakeUps(1) + reads({63})
                                << badData << Form1::red << noBox << listsUnchanged;
    QTest::newRow("model answered twice")
        << SimSetup([](PanelSim& s) { s.setRepeatedReply(63); }) << wakeUps(1) + reads({63})
        << badData << Form1::red << noBox << listsUnchanged;

    // Item and intensity locations. A failed answer reaches no list: the location keeps what it
    // showed, although A still holds the value before it (at location 0 the model, H 1).
    QTest::newRow("short reply at 0 shows nothing")
        << SimSetup([](PanelSim& s) { s.setShortReply(0, 3); }) << wakeUps(1) + reads({63, 0})
        << badData << Form1::red << noBox << listsUnchanged;
    QTest::newRow("0705 is model 70; four-character replies") << SimSetup([](PanelSim& s) {
        s.setReadReply(63, "0705");
        s.setFourCharacterReplies(true);
        s.setShortReply(0, 2);
    }) << wakeUps(1) + reads({63, 0}) << badData << Form1::red << noBox
                                                              << listsUnchanged;
    QTest::newRow("four-character replies, model 79 reaches no list at all")
        << SimSetup([](PanelSim& s) {
               s.setModel(79);
               s.setFourCharacterReplies(true);
               s.setShortReply(0, 3);
           })
        << wakeUps(1) + reads({63, 0}) << badData << Form1::red << noBox << listsUnchanged;
    QTest::newRow("no reply at 5")
        << SimSetup([](PanelSim& s) {
               s.setValue(4, 37);
               s.setShortReply(5, 0);
           })
        << wakeUps(1) + readsFromTo(63, 63) + readsFromTo(0, 5) << badData << Form1::red << noBox
        << WindowCheck([](PanelRig& rig) {
               QCOMPARE(rig.row(9), 4); // location 4: D, channel 8
               QCOMPARE(rig.row(10), 7);
               QCOMPARE(rig.row(11), -1); // location 5 as it was, not from A as split left it
               QCOMPARE(rig.row(12), -1);
               QCOMPARE(rig.row(13), -1);
               // The table notes what the bar says: 1 to 5 read, the rest as before.
               const LocationTableModel& table = rig.form->locationTable();
               QVERIFY(table.text(4, LocationTableModel::Note).isEmpty());
               for (int location : {5, 6, 21, 24})
                   QCOMPARE(table.text(location, LocationTableModel::Note),
                            QString("NOT READ \u2014 AS BEFORE"));
           });
    QTest::newRow("out of range at 3")
        << SimSetup([](PanelSim& s) { s.setOutOfRange(3); })
        << wakeUps(1) + reads({63}) + readsFromTo(0, 3) << badData << Form1::red << noBox
        << WindowCheck([](PanelRig& rig) {
               QCOMPARE(rig.row(5), 0);  // location 2: N/A
               QCOMPARE(rig.row(7), -1); // location 3 as before, not 161 as "N/A"
           });
    // A sign is no part of the panel's form: no answer, and nothing shown from it.
    QTest::newRow("negative at 4 is no answer")
        << SimSetup([](PanelSim& s) { s.setValue(4, -1); })
        << wakeUps(1) + reads({63}) + readsFromTo(0, 4) << badData << Form1::red << noBox
        << WindowCheck([](PanelRig& rig) {
               QCOMPARE(rig.row(7), 0);
               QCOMPARE(rig.row(9), -1);
               QCOMPARE(rig.row(10), -1);
           });
    QTest::newRow("no number at 1")
        << SimSetup([](PanelSim& s) {
               s.setValue(0, 12);
               s.setReadReply(1, "ABCD\r");
           })
        << wakeUps(1) + reads({63, 0, 1}) << badData << Form1::red << noBox
        << sw1Shows(2, 2); // 12 is B, 3; SW2 as it was, not from A = 2 as the split left it
    // Location 1 is given a late copy of 0's answer; asked again it differs, so 0 is asked
    // again and fails: the read leaves the window as it was, the panel name included.
    QTest::newRow("a late copy at 1, then a short answer at 0 read again")
        << SimSetup([](PanelSim& s) {
               s.setRepeatedLate(0);
               s.setReadReplies(0, {"0120\r", "012"});
           })
        << wakeUps(1) + reads({63, 0, 1, 1, 0}) << badData << Form1::red << noBox
        << WindowCheck([=](PanelRig& rig) {
               listsUnchanged(rig);
               QCOMPARE(rig.row(3), -1);
           });
    // The intensities are shown only once all three have been read: a failure among them
    // leaves the three lists and their codes as they were.
    const WindowCheck intensitiesUnchanged = [](PanelRig& rig) {
        QCOMPARE(rig.row(45), 3);
        QCOMPARE(rig.row(49), 0);
        QCOMPARE(rig.row(46), 0);
        QCOMPARE(rig.form->r.blpercent, Integer(5));
        QCOMPARE(rig.form->r.indpercent, Integer(10));
        QCOMPARE(rig.form->r.dindpercent, Integer(10));
    };
    QTest::newRow("intensity out of range at 23") << SimSetup([](PanelSim& s) {
        s.setValue(22, 3);
        s.setOutOfRange(23);
    }) << wakeUps(1) + reads({63}) + readsFromTo(0, 23)
                                                  << badData << Form1::red << noBox
                                                  << intensitiesUnchanged;
    QTest::newRow("no reply at 24") << SimSetup([](PanelSim& s) {
        s.setValue(22, 1);
        s.setValue(23, 2);
        s.setShortReply(24, 0);
    }) << wakeUps(1) + reads({63}) + readsFromTo(0, 24)
                                    << badData << Form1::red << noBox << intensitiesUnchanged;
    QTest::newRow("negative intensity at 22 selects nothing")
        << SimSetup([](PanelSim& s) { s.setValue(22, -5); })
        << wakeUps(1) + reads({63}) + readsFromTo(0, 22) << badData << Form1::red << noBox
        << WindowCheck([](PanelRig& rig) {
               QCOMPARE(rig.row(45), 3);
               QCOMPARE(rig.form->r.blpercent, Integer(5));
           });
}

void TestPanelRead::failures() {
    QFETCH(SimSetup, setup);
    QFETCH(QByteArray, wire);
    QFETCH(QString, status);
    QFETCH(QColor, colour);
    QFETCH(QString, mismatchCause);
    QFETCH(WindowCheck, check);

    PanelRig rig;
    setup(rig.sim);
    rig.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
    const StatusTexts shown(*rig.form);
    rig.form->Text(2)->setText(QStringLiteral("LOBBY"));
    rig.form->Text(3)->setText(QStringLiteral("HALL"));
    QVERIFY(rig.form->select(rig.form->List(1), 16));
    QVERIFY(rig.form->select(rig.form->List(2), 4));
    QVERIFY(rig.form->select(rig.form->List(45), 3));
    const QSignalSpy sw1(rig.form->List(1), &QListWidget::currentRowChanged);

    rig.operations->READ_CONFIG_Click();

    QCOMPARE(rig.sim.received(), wire);
    QCOMPARE(rig.form->statusText(), status);
    QCOMPARE(rig.form->statusColour(), colour);
    if (!mismatchCause.isEmpty()) {
        QCOMPARE(rig.messages.shown.size(), 1);
        QCOMPARE(rig.messages.shown[0].text, QString::fromLatin1(texts::readMismatch));
        QCOMPARE(rig.messages.shown[0].title, QString::fromLatin1(texts::mismatchTitle));
        QCOMPARE(rig.messages.shown[0].cause, mismatchCause);
    } else {
        QVERIFY(rig.messages.shown.isEmpty());
    }
    rig.checkIdle();
    // The panel name and SW1's designation go with the panel's first location, not before.
    const bool taken = rig.form->origin() == Form1::Origin::PartlyRead;
    QCOMPARE(rig.form->Text(2)->text(), taken ? QString() : QStringLiteral("LOBBY"));
    QCOMPARE(rig.form->Text(3)->text(), taken ? QString() : QStringLiteral("HALL"));
    QCOMPARE(rig.form->Text(3)->isVisibleTo(rig.form.get()), !taken);
    // A failed first answer of location 0 never shows in its lists, not even for a moment.
    if (!taken && wire.count(protocol::readCommand(0)) <= 1)
        QCOMPARE(sw1.count(), 0);
    QCOMPARE(shown.unseen, QStringList());
    QVERIFY(rig.form->Option1->isChecked());
    check(rig);
}

// The indicator rule compares the panel's backlighting with the panel's own indicator, whatever
// the window showed before the read: a valid pair shows as it is, without a message; a
// backlighting above its indicator brings the message once and ends on the indicator's entry.
void TestPanelRead::intensitiesJudgedAsThePanelHoldsThem_data() {
    QTest::addColumn<int>("before");       // entry shown in all three lists before the read
    QTest::addColumn<QList<int>>("panel"); // locations 22, 23, 24
    QTest::addColumn<QList<int>>("rows");  // List45, List49, List46 afterwards
    QTest::addColumn<int>("messages");

    QTest::newRow("90/100/70 over 30 % everywhere")
        << 7 << QList<int>{7, 10, 5} << QList<int>{1, 0, 3} << 0;
    QTest::newRow("30/40/100 over 100 % everywhere")
        << 0 << QList<int>{1, 2, 10} << QList<int>{7, 6, 0} << 0;
    QTest::newRow("equal pair") << 3 << QList<int>{6, 6, 1} << QList<int>{2, 2, 7} << 0;
    QTest::newRow("backlighting above indicator, window at 100 %")
        << 0 << QList<int>{10, 5, 5} << QList<int>{3, 3, 3} << 1;
    QTest::newRow("backlighting above indicator, window at 30 %")
        << 7 << QList<int>{7, 5, 4} << QList<int>{3, 3, 4} << 1;
    QTest::newRow("no intensity code reads as 100 % above the indicator")
        << 7 << QList<int>{50, 7, 50} << QList<int>{1, 1, 0} << 1;
    // Codes outside the table (a new or damaged panel's memory) stand for 100 % before the
    // rule judges the pair: a raw 0 must never be compared.
    QTest::newRow("0/0/9 is 100/100/100") << 4 << QList<int>{0, 0, 9} << QList<int>{0, 0, 0} << 0;
    QTest::newRow("50 % over an indicator of 0")
        << 0 << QList<int>{3, 0, 0} << QList<int>{5, 0, 0} << 0;
    QTest::newRow("8/10/11 is 100/100/100")
        << 2 << QList<int>{8, 10, 11} << QList<int>{0, 0, 0} << 0;
    QTest::newRow("9 is 100 % above an indicator of 50 %")
        << 0 << QList<int>{9, 3, 5} << QList<int>{5, 5, 3} << 1;
}

void TestPanelRead::intensitiesJudgedAsThePanelHoldsThem() {
    QFETCH(int, before);
    QFETCH(QList<int>, panel);
    QFETCH(QList<int>, rows);
    QFETCH(int, messages);

    PanelRig rig;
    for (int list : {45, 49, 46})
        QVERIFY(rig.form->select(rig.form->List(list), before));
    for (int i = 0; i < 3; ++i)
        rig.sim.setValue(22 + i, panel[i]);

    rig.operations->READ_CONFIG_Click();

    QCOMPARE(rig.sim.received(), wakeUps(1) + reads({63}) + readsFromTo(0, 24));
    QCOMPARE(rig.form->statusText(), QString::fromLatin1(texts::readSuccessful));
    QCOMPARE(rig.messages.texts(),
             QStringList(messages, QString::fromLatin1(Form1::intensityMessage)));
    QCOMPARE((QList<int>{rig.row(45), rig.row(49), rig.row(46)}), rows);
    // The record holds the codes of the entries shown, and the pair keeps the rule.
    const ConfigRecord& r = rig.form->r;
    QCOMPARE(r.blpercent, Integer(Form1::selectedValue(rig.form->List(45))));
    QCOMPARE(r.indpercent, Integer(Form1::selectedValue(rig.form->List(49))));
    QCOMPARE(r.dindpercent, Integer(Form1::selectedValue(rig.form->List(46))));
    QVERIFY(r.indpercent >= r.blpercent);
}

// A reply that comes after its wait has ended answers nothing any more: it never becomes part
// of a later answer. The wake-up is one exchange, so a late answer to its first try still
// counts. What is still on its way when the operation ends is dropped when the port opens for
// the next one.
void TestPanelRead::lateReplyStartsNextTextAndIsDroppedOnOpen() {
    // A long period, so that half of one is more than a busy computer can be late by.
    PanelRig rig(8 * testPeriod);
    // A period and a half: the first "A" is answered during the second try's wait; the answer
    // to the second try comes just before or during the model read, and the model's own reply
    // after its wait.
    rig.sim.setDelay(rig.period * 3 / 2);
    rig.operations->READ_CONFIG_Click();

    QCOMPARE(rig.sim.received(), wakeUps(2) + reads({63}));
    QCOMPARE(rig.form->statusText(), QString::fromLatin1(texts::badData));
    QVERIFY(rig.messages.shown.isEmpty());
    rig.checkIdle();

    // The model's reply reaches the closed port later on.
    if (rig.sim.pendingBytes() > 0) {
        QSignalSpy sent(&rig.sim, &PanelSim::repliesSent);
        QVERIFY(sent.wait(2000));
    }
    rig.sim.setDelay(0);
    rig.operations->link().setPeriodForTests(testPeriod);
    rig.sim.setModel(71);
    rig.sim.clearReceived();
    rig.operations->READ_CONFIG_Click();

    // The late model reply is gone: the panel wakes at the first try.
    QCOMPARE(rig.sim.received(), wakeUps(1) + reads({63}));
    QCOMPARE(rig.form->statusText(), QString::fromLatin1(texts::communicationsOk));
    QCOMPARE(rig.messages.texts(), QStringList{QString::fromLatin1(texts::readMismatch)});
}

// A holds 70 from an earlier operation; a model reply that is no reply must not pass for it:
// the read stops there, red, and nothing more is read.
void TestPanelRead::modelShortWhileAHoldsAKnownModel() {
    PanelRig rig;
    QVERIFY(rig.form->select(rig.form->List(1), 16));
    rig.form->r.A = 70;
    rig.sim.setShortReply(63, 3);

    rig.operations->READ_CONFIG_Click();

    QCOMPARE(rig.sim.received(), wakeUps(1) + reads({63}));
    QCOMPARE(rig.form->statusText(), QString::fromLatin1(texts::badData));
    QCOMPARE(rig.form->statusColour(), Form1::red);
    QVERIFY(rig.messages.shown.isEmpty());
    QCOMPARE(rig.row(1), 16);
    rig.checkIdle();
}

namespace {

using Marks = QMap<int, QString>; // a marked list: what the panel holds there

QString description(QWidget* widget) {
    return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Description);
}

// What a comparison leaves as it found it: the status line, each list's entry, visibility,
// tool tip and description, and the record's configuration.
QStringList windowState(const Form1& form) {
    QStringList state{form.statusText(), form.statusColour().name()};
    for (QListWidget* list : form.findChildren<QListWidget*>())
        state << QStringLiteral("%1 %2 %3 %4 %5")
                     .arg(list->objectName())
                     .arg(list->currentRow())
                     .arg(list->isHidden())
                     .arg(list->toolTip(), description(list));
    const ConfigRecord& r = form.r;
    for (const AssignmentItem& item : assignmentItems())
        state << QStringLiteral("%1 %2 %3 %4")
                     .arg(r.*item.code)
                     .arg(r.*item.moduleBase)
                     .arg(r.*item.channelOffset)
                     .arg(r.*item.composed);
    state << QStringLiteral("%1 %2 %3").arg(r.blpercent).arg(r.indpercent).arg(r.dindpercent);
    return state;
}

} // namespace

// COMPARE against a panel that holds the sample corridor.qcf, read into the window first: what
// is sent, the bar and the marks. The window is left as it was, and the next operation takes
// the marks away.
void TestPanelRead::compareWithPanel_data() {
    QTest::addColumn<WindowCheck>("prepare");
    QTest::addColumn<SimSetup>("setup"); // the panel once the window is filled
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QString>("bar");
    QTest::addColumn<QStringList>("toolTip");
    QTest::addColumn<Marks>("marks");
    QTest::addColumn<bool>("tableView"); // chosen before the read

    const auto readSample = [](SimSetup fault) {
        return WindowCheck([fault](PanelRig& rig) {
            QString refusal;
            QVERIFY(rig.sim.loadConfiguration(NVX_EXAMPLES "/corridor.qcf", refusal));
            fault(rig.sim);
            rig.operations->READ_CONFIG_Click();
        });
    };
    const SimSetup asItIs = [](PanelSim&) {};
    const WindowCheck sample = readSample(asItIs);
    const QByteArray whole = wakeUps(1) + reads({63}) + readsFromTo(0, 24);
    const QString a3 = "THE PANEL HOLDS A 3";

    const QString two = "THE PANEL DIFFERS AT 2 OF 25 LOCATIONS";
    const QString inTheTable = "ALL IN THE TABLE OF ALL 25 LOCATIONS";

    // Each difference is read twice: it counts once two answers agree on it.
    QTest::newRow("two locations changed")
        << sample << SimSetup([](PanelSim& s) { s.setValue(8, 2), s.setValue(24, 3); })
        << wakeUps(1) + reads({63}) + readsFromTo(0, 8) + reads({8}) + readsFromTo(9, 24) +
               reads({24})
        << two
        << QStringList{two, "SW9: WINDOW N/A, PANEL A 3",
                       "DIMMED BACKLIGHTING AND INDICATOR: WINDOW 30 %, PANEL 50 %", inTheTable}
        << Marks{{17, a3}, {18, a3}, {46, "THE PANEL HOLDS 50 %"}} << false;
    // A file the window was opened with is in the panel: its notice goes for good.
    const WindowCheck opened = [sample](PanelRig& rig) {
        sample(rig);
        rig.operations->progress().fileOpened(NVX_EXAMPLES "/corridor.qcf");
    };
    QTest::newRow("the panel holds the file")
        << opened << asItIs << whole << "THE PANEL HOLDS WHAT THE WINDOW SHOWS" << QStringList{}
        << Marks{} << false;
    // Every location differs: the tooltip names two, with the file's notice five lines; the
    // table, chosen before the read, stays through it and the comparison.
    Marks everything;
    for (const AssignmentItem& item : assignmentItems())
        everything[item.moduleList] = everything[item.channelList] = "THE PANEL HOLDS A 1";
    for (const IntensityItem& intensity : intensityItems())
        everything[intensity.list] = "THE PANEL HOLDS 40 %";
    const QString all = "THE PANEL DIFFERS AT 25 OF 25 LOCATIONS";
    QByteArray everyLocationTwice = wakeUps(1) + reads({63});
    for (int a = 0; a < 25; ++a)
        everyLocationTwice += readsFromTo(a, a) + readsFromTo(a, a);
    QTest::newRow("all 25 changed, a file opened, in the table view")
        << WindowCheck([opened](PanelRig& rig) {
               rig.form->Option3->click();
               opened(rig);
           })
        << SimSetup([](PanelSim& s) {
               for (int a = 0; a < 25; ++a)
                   s.setValue(a, a < 22 ? 0 : 2);
           })
        << everyLocationTwice << all
        << QStringList{all, "SW1: WINDOW H 1, PANEL A 1", "SW2: WINDOW H 2, PANEL A 1", inTheTable,
                       "OPENED corridor.qcf \u2014 NOT WRITTEN TO THE PANEL"}
        << everything << true;
    // Only a whole read is compared: location 9 differs, but the read stops at 14.
    QTest::newRow("no reply at 14")
        << sample << SimSetup([](PanelSim& s) { s.setValue(8, 2), s.setShortReply(13, 0); })
        << wakeUps(1) + reads({63}) + readsFromTo(0, 8) + reads({8}) + readsFromTo(9, 13)
        << "STOPPED AT LOCATION 14 OF 25" << QStringList{} << Marks{} << false;
    // A digit changed on the line gives an answer in form with another value: asked again,
    // the panel says what it holds, and the answer before it is asked again too. Answers that
    // keep disagreeing are a fault of the line; a third answer may confirm the second.
    const auto garbled = [](int location, const QList<QByteArray>& replies, int holds = -1) {
        return SimSetup([=](PanelSim& s) {
            s.setReadReplies(location, replies);
            if (holds >= 0)
                s.setValue(location, holds);
        });
    };
    const auto around = [](int location, std::initializer_list<int> again) {
        return wakeUps(1) + reads({63}) + readsFromTo(0, location) + reads(again);
    };
    const QString holds = "THE PANEL HOLDS WHAT THE WINDOW SHOWS";
    QTest::newRow("a digit changed once at 11")
        << sample << garbled(10, {"0710\r"}) << around(10, {10, 9}) + readsFromTo(11, 24) << holds
        << QStringList{} << Marks{} << false;
    QTest::newRow("a digit changed once at the last location")
        << sample << garbled(24, {"0020\r"}) << around(24, {24, 23}) << holds << QStringList{}
        << Marks{} << false;
    QTest::newRow("answers that keep disagreeing at 11")
        << sample << garbled(10, {"0710\r", "0720\r", "0730\r"}) << around(10, {10, 9, 10, 9})
        << "STOPPED AT LOCATION 11 OF 25" << QStringList{} << Marks{} << false;
    QTest::newRow("a difference the third answer confirms")
        << sample << garbled(10, {"0710\r"}, 72) << around(10, {10, 9, 10}) + readsFromTo(11, 24)
        << "THE PANEL DIFFERS AT 1 OF 25 LOCATIONS"
        << QStringList{"THE PANEL DIFFERS AT 1 OF 25 LOCATIONS", "LED1: WINDOW H 1, PANEL H 3",
                       inTheTable}
        << Marks{{21, "THE PANEL HOLDS H 3"}, {22, "THE PANEL HOLDS H 3"}} << false;
    QTest::newRow("model 71") << sample << SimSetup([](PanelSim& s) { s.setModel(71); })
                              << wakeUps(1) + reads({63})
                              << "A MODEL 71 PANEL ANSWERED \u2014 NOT COMPARED" << QStringList{}
                              << Marks{} << false;
    QTest::newRow("a window that nothing filled")
        << WindowCheck([](PanelRig&) {}) << asItIs << QByteArray()
        << "NOTHING TO COMPARE: READ A PANEL OR OPEN A FILE" << QStringList{} << Marks{} << false;
    QTest::newRow("a partly read window")
        << readSample([](PanelSim& s) { s.setShortReply(8, 3); }) << asItIs << QByteArray()
        << "READ THE PANEL AGAIN OR OPEN A FILE BEFORE COMPARING"
        << QStringList{"PARTLY READ: LOCATIONS 1 TO 8, THE REST AS BEFORE"} << Marks{} << false;
}

void TestPanelRead::compareWithPanel() {
    QFETCH(WindowCheck, prepare);
    QFETCH(SimSetup, setup);
    QFETCH(QByteArray, wire);
    QFETCH(QString, bar);
    QFETCH(QStringList, toolTip);
    QFETCH(Marks, marks);
    QFETCH(bool, tableView);
    PanelRig rig;
    prepare(rig);
    setup(rig.sim);
    rig.sim.clearReceived();
    rig.messages.shown.clear();
    const QStringList before = windowState(*rig.form);

    rig.operations->COMPARE_PANEL_Click();

    QCOMPARE(rig.sim.received(), wire);
    OutcomeBar* progress = rig.form->ProgressBar1;
    QCOMPARE(progress->format(), bar);
    QCOMPARE(progress->tone() == OutcomeBar::Tone::Success, bar.startsWith("THE PANEL HOLDS"));
    QCOMPARE(progress->toolTip(), toolTip.join('\n'));
    QCOMPARE(description(progress), (QStringList{bar} + toolTip).join('\n'));
    for (QListWidget* list : rig.form->findChildren<QListWidget*>()) {
        const int n = list->objectName().mid(4).toInt();
        QCOMPARE(rig.form->isMarked(n), marks.contains(n));
        QCOMPARE(list->findChild<MarkOutline*>() != nullptr, marks.contains(n));
        if (marks.contains(n)) {
            QVERIFY(list->toolTip().endsWith('\n' + marks[n]));
            QVERIFY(description(list).endsWith('\n' + marks[n]));
            // The outline lies over the list's edge all round.
            const QImage shown = list->grab().toImage();
            const int w = shown.width(), h = shown.height();
            for (QPoint edge :
                 {QPoint(1, h / 2), QPoint(w - 2, h / 2), QPoint(w / 2, 1), QPoint(w / 2, h - 2)})
                QCOMPARE(shown.pixelColor(edge),
                         OutcomeBar::look(OutcomeBar::Tone::Attention).border);
        }
    }
    QCOMPARE(rig.messages.texts().size(), bar.contains("MODEL 71") ? 1 : 0);
    rig.checkIdle();
    // The table marks the rows the lists are marked for, with what the panel holds.
    const LocationTableModel& table = rig.form->locationTable();
    for (const PanelLocation& location : configurationLocations()) {
        const int list = location.item ? location.item->moduleList
                                       : intensityItems()[location.intensityIndex].list;
        const QString held = marks.value(list).mid(QString("THE PANEL HOLDS ").size());
        QCOMPARE(table.text(location.address, LocationTableModel::Panel), held);
        QCOMPARE(table.differs(location.address), !held.isEmpty());
        QCOMPARE(table.text(location.address, LocationTableModel::Note) == "DIFFERS",
                 !held.isEmpty());
    }
    QVERIFY(rig.form->Option3->isChecked() == tableView &&
            rig.form->Grid1->isHidden() != tableView);

    // A search changes nothing in the window, and takes the marks away: the window is as it
    // was before the comparison, its lists' tool tips and descriptions included.
    rig.operations->FIND_PANEL_Click();
    QCOMPARE(rig.form->ProgressBar1->toolTip().contains("NOT WRITTEN"),
             toolTip.join('\n').contains("NOT WRITTEN")); // a file still not in the panel
    QCOMPARE(windowState(*rig.form), before);
    QVERIFY(rig.form->findChildren<MarkOutline*>().isEmpty());
}

QTEST_MAIN(TestPanelRead)
#include "tst_panel_read.moc"
