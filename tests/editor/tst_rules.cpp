// The rules that keep the record in step with the lists: assignment splitting, the module
// and channel rules, the intensity rule and its message, the two views and the composition.
#include "appearance.h"
#include "form1.h"
#include "location_table.h"
#include "scripted_messages.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTest>

namespace {

const QString intensityText = "NORMAL INDICATOR INTENSITY must be set equal to\n"
                              "or greater than NORMAL BACKLIGHTING INTENSITY.";

// Module entry position of a letter, "N/A" being 0.
int module(char letter) {
    return letter == '-' ? 0 : 1 + (letter - 'A');
}

// Everything a view or a rule could disturb: selections, visibility, captions, record.
struct Snapshot {
    QList<int> rows;
    QList<bool> hidden;
    QStringList captions;
    QByteArray record;

    explicit Snapshot(Form1& f) {
        for (int n : {1, 2, 21, 22, 41, 42, 43, 44, 45, 46, 49})
            rows << f.List(n)->currentRow();
        for (QListWidget* l : f.findChildren<QListWidget*>())
            hidden << l->isHidden();
        for (QLineEdit* e : f.findChildren<QLineEdit*>())
            hidden << e->isHidden();
        for (QLabel* l : f.findChildren<QLabel*>())
            captions << l->text() + (l->isHidden() ? "/h" : "");
        record = QByteArray(reinterpret_cast<const char*>(&f.r.s1),
                            reinterpret_cast<const char*>(&f.r.rmodel) -
                                reinterpret_cast<const char*>(&f.r.s1));
    }
};

} // namespace

class TestRules : public QObject {
    Q_OBJECT

    ScriptedMessages messages;
    Form1* form = nullptr;

    void pick(int item, char letter, int channel) {
        const AssignmentItem& it = assignmentItems()[item];
        QVERIFY(form->select(form->List(it.moduleList), module(letter)));
        if (channel >= 0)
            QVERIFY(form->select(form->List(it.channelList), channel));
    }
    void completeAll() {
        for (int i = 0; i < 22; ++i)
            pick(i, 'A', 0);
    }

private slots:
    void initTestCase() { appearance::installFontSubstitutes(); }
    void init() {
        messages.shown.clear();
        messages.whileOpen = nullptr;
        form = new Form1(messages);
    }
    void cleanup() { delete form; }

    void splitAssignment_data();
    void splitAssignment();
    void moduleAndChannelRules();
    void lightingModuleRules();
    void dimmingChannelHasNoRule();
    void reselectingRunsNothing();
    void intensityRule_data();
    void intensityRule();
    void intensityMessageTwiceDuringLoad();
    void showIntensityNormalises_data();
    void showIntensityNormalises();
    void views();
    void viewsAfterReadHideDesignations();
    void compose_data();
    void compose();
    void composeShowsSwitchViewOnlyWhenComplete();
    void closeIsDeferredDuringOperation();
};

void TestRules::splitAssignment_data() {
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("previousChannel");
    QTest::addColumn<int>("m");
    QTest::addColumn<int>("c");
    QTest::addColumn<int>("aAfter");
    QTest::newRow("0") << 0 << 5 << 1 << 0 << 0;
    QTest::newRow("9") << 9 << 5 << 1 << 9 << 9;
    QTest::newRow("10") << 10 << 5 << 2 << 0 << 0;
    QTest::newRow("37") << 37 << 5 << 4 << 7 << 7;
    QTest::newRow("159") << 159 << 5 << 16 << 9 << 9;
    QTest::newRow("160 keeps channel") << 160 << 5 << 0 << 5 << 160;
    QTest::newRow("32767 keeps channel") << 32767 << 3 << 0 << 3 << 32767;
    QTest::newRow("-1") << -1 << 5 << 1 << -1 << -1;
    QTest::newRow("-32768") << -32768 << 5 << 1 << -32768 << -32768;
}

void TestRules::splitAssignment() {
    QFETCH(int, a);
    QFETCH(int, previousChannel);
    QFETCH(int, m);
    QFETCH(int, c);
    QFETCH(int, aAfter);
    ConfigRecord r;
    r.c_index = Integer(previousChannel);
    r.A = Integer(a);
    split_assignment(r);
    QCOMPARE(int(r.m_index), m);
    QCOMPARE(int(r.c_index), c);
    QCOMPARE(int(r.A), aAfter);
}

void TestRules::moduleAndChannelRules() {
    // A channel before any module: the offset alone, and the designation box shows.
    form->Text(3)->hide();
    QVERIFY(form->select(form->List(2), 4));
    QCOMPARE(form->r.s1, 4);
    QVERIFY(!form->Text(3)->isHidden());

    // C5 = 24; N/A = 160 hides the channel list but keeps its entry; B brings back 14.
    QVERIFY(form->select(form->List(1), module('C')));
    QCOMPARE(form->r.s1, 24);
    QCOMPARE(form->r.s1m, 20);
    QVERIFY(form->select(form->List(1), 0));
    QCOMPARE(form->r.s1, 160);
    QVERIFY(form->List(2)->isHidden());
    QCOMPARE(form->List(2)->currentRow(), 4);
    QCOMPARE(form->r.s1m, 20);
    QVERIFY(form->select(form->List(1), module('B')));
    QVERIFY(!form->List(2)->isHidden());
    QCOMPARE(form->r.s1, 14);

    // N/A then a channel from code: kept base plus new offset, and the box shows again.
    form->Text(3)->hide();
    QVERIFY(form->select(form->List(1), 0));
    QVERIFY(form->select(form->List(2), 7));
    QCOMPARE(form->r.s1, 17);
    QVERIFY(!form->Text(3)->isHidden());
    // A module selection never touches the designation box.
    form->Text(3)->hide();
    QVERIFY(form->select(form->List(1), module('D')));
    QVERIFY(form->Text(3)->isHidden());
    QCOMPARE(form->r.s1, 37);

    // A module before any channel: the base alone. Other items untouched.
    QVERIFY(form->select(form->List(39), module('P')));
    QCOMPARE(form->r.led10, 150);
    QVERIFY(form->select(form->List(40), 9));
    QCOMPARE(form->r.led10, 159);
    QCOMPARE(form->r.s2, 0);
    QCOMPARE(form->r.led9, 0);

    // Positions the lists do not have are refused and change nothing.
    QVERIFY(!form->select(form->List(2), -2));
    QVERIFY(!form->select(form->List(2), 10));
    QVERIFY(!form->select(form->List(1), 17));
    QCOMPARE(form->List(2)->currentRow(), 7);
}

void TestRules::lightingModuleRules() {
    QVERIFY(form->select(form->List(41), 0));
    QVERIFY(form->List(42)->isHidden() && form->List(45)->isHidden() &&
            form->Label(15)->isHidden());
    QCOMPARE(form->r.bl, 160);
    QVERIFY(form->select(form->List(41), module('P')));
    QVERIFY(!form->List(42)->isHidden() && !form->List(45)->isHidden() &&
            !form->Label(15)->isHidden());
    QVERIFY(form->select(form->List(42), 9));
    QCOMPARE(form->r.bl, 159);

    QVERIFY(form->select(form->List(43), 0));
    QVERIFY(form->List(44)->isHidden() && form->List(46)->isHidden() &&
            form->Label(16)->isHidden());
    QCOMPARE(form->r.dimch, 160);
    QVERIFY(form->select(form->List(43), module('C')));
    QVERIFY(!form->List(44)->isHidden() && !form->List(46)->isHidden() &&
            !form->Label(16)->isHidden());
    QCOMPARE(form->r.dimch, 20);
}

void TestRules::dimmingChannelHasNoRule() {
    QVERIFY(form->select(form->List(43), module('D')));
    const Snapshot before(*form);
    QVERIFY(form->select(form->List(44), 7));
    const Snapshot after(*form);
    QCOMPARE(after.record, before.record);
    QCOMPARE(after.hidden, before.hidden);
    QCOMPARE(form->r.dimch, 30);
    QCOMPARE(form->r.dimchc, 0);
    // Composition reads the list itself: D8 is 37.
    completeAll();
    QVERIFY(form->select(form->List(43), module('D')));
    QVERIFY(form->select(form->List(44), 7));
    form->r.error_flag = 0;
    form->compose_panel_values();
    QCOMPARE(form->r.error_flag, 0);
    QCOMPARE(form->r.dimch, 37);
}

void TestRules::reselectingRunsNothing() {
    QVERIFY(form->select(form->List(1), module('C')));
    QVERIFY(form->select(form->List(2), 4));
    form->r.s1 = 99; // a rule run would overwrite it
    QVERIFY(form->select(form->List(1), module('C')));
    QVERIFY(form->select(form->List(2), 4));
    QCOMPARE(form->r.s1, 99);
}

void TestRules::intensityRule_data() {
    // Start positions of the indicator (List49) and backlighting (List45) lists, then the
    // list chosen and its new entry; expected entries and codes after, and message count.
    QTest::addColumn<int>("indStart");
    QTest::addColumn<int>("blStart");
    QTest::addColumn<int>("list");
    QTest::addColumn<int>("entry");
    QTest::addColumn<int>("indAfter");
    QTest::addColumn<int>("blAfter");
    QTest::addColumn<int>("messagesShown");
    // Indicator on 80: backlighting to 90 is refused and moved to 80.
    QTest::newRow("backlighting above indicator") << 2 << 7 << 45 << 1 << 2 << 2 << 1;
    // Backlighting on 70: indicator to 50 is refused and moved back to 70.
    QTest::newRow("indicator below backlighting") << 0 << 3 << 49 << 5 << 3 << 3 << 1;
    QTest::newRow("indicator equal") << 0 << 3 << 49 << 3 << 3 << 3 << 0;
    QTest::newRow("indicator above") << 3 << 4 << 49 << 0 << 0 << 4 << 0;
    QTest::newRow("backlighting equal") << 2 << 7 << 45 << 2 << 2 << 2 << 0;
    QTest::newRow("backlighting below") << 2 << 2 << 45 << 7 << 2 << 7 << 0;
}

void TestRules::intensityRule() {
    QFETCH(int, indStart);
    QFETCH(int, blStart);
    QFETCH(int, list);
    QFETCH(int, entry);
    QFETCH(int, indAfter);
    QFETCH(int, blAfter);
    QFETCH(int, messagesShown);
    const int codes[8] = {10, 7, 6, 5, 4, 3, 2, 1};
    QVERIFY(form->select(form->List(45), 7));
    QVERIFY(form->select(form->List(49), indStart));
    QVERIFY(form->select(form->List(45), blStart));
    QVERIFY(messages.shown.isEmpty());

    QVERIFY(form->select(form->List(list), entry));
    QCOMPARE(messages.shown.size(), messagesShown);
    for (const auto& m : messages.shown) {
        QCOMPARE(m.text, intensityText);
        QVERIFY(m.title.isEmpty());
    }
    QCOMPARE(form->List(49)->currentRow(), indAfter);
    QCOMPARE(form->List(45)->currentRow(), blAfter);
    QCOMPARE(int(form->r.indpercent), codes[indAfter]);
    QCOMPARE(int(form->r.blpercent), codes[blAfter]);

    // The dimmed intensity is free: above both normal intensities is accepted.
    QVERIFY(form->select(form->List(46), 7));
    QVERIFY(form->select(form->List(46), 0));
    QCOMPARE(form->r.dindpercent, 10);
    QCOMPARE(messages.shown.size(), messagesShown);
}

// During a load the indicator code can be below what its list shows; a backlighting
// violation then warns in the outer run and again in the nested one, and ends on the
// indicator list's entry.
void TestRules::intensityMessageTwiceDuringLoad() {
    QVERIFY(form->select(form->List(45), 7));
    QVERIFY(form->select(form->List(49), 2)); // indicator list on 80 (code 6)
    QVERIFY(messages.shown.isEmpty());
    form->r.indpercent = 1; // loaded, not yet shown
    form->r.blpercent = 5;
    form->show_bl_intensity(); // selects 70: 1 < 5
    QCOMPARE(messages.shown.size(), 2);
    QCOMPARE(form->List(45)->currentRow(), 2);
    QCOMPARE(form->r.blpercent, 6);

    // The box is modal: the rule goes on only after it is closed, and what happens while
    // it is open (here a view change) does not disturb the correction.
    messages.shown.clear();
    messages.whileOpen = [this](const QString&) { form->Option2_Click(); };
    form->r.indpercent = 3; // as after a load of 50 percent
    QVERIFY(form->select(form->List(49), 5));
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(form->List(49)->currentRow(), 2);
    QCOMPARE(form->r.indpercent, 6);
}

void TestRules::showIntensityNormalises_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("codeAfter");
    for (auto [code, position] :
         {std::pair{10, 0}, {7, 1}, {6, 2}, {5, 3}, {4, 4}, {3, 5}, {2, 6}, {1, 7}})
        QTest::addRow("%d", code) << code << position << code;
    for (int code : {0, 8, 9, 11, 50, 160, -1, -32768, 32767})
        QTest::addRow("%d", code) << code << 0 << 10;
}

void TestRules::showIntensityNormalises() {
    QFETCH(int, code);
    QFETCH(int, position);
    QFETCH(int, codeAfter);
    // Indicator at its lowest and backlighting at its highest would trip the rule; keep
    // both normal lists out of each other's way by testing each against a free partner.
    QVERIFY(form->select(form->List(45), 7));
    form->r.dindpercent = Integer(code);
    form->show_dind_intensity();
    QCOMPARE(form->List(46)->currentRow(), position);
    QCOMPARE(int(form->r.dindpercent), codeAfter);

    form->r.indpercent = Integer(code);
    form->show_ind_intensity();
    QCOMPARE(form->List(49)->currentRow(), position);
    QCOMPARE(int(form->r.indpercent), codeAfter);

    QVERIFY(form->select(form->List(49), 0));
    form->r.blpercent = Integer(code);
    form->show_bl_intensity();
    QCOMPARE(form->List(45)->currentRow(), position);
    QCOMPARE(int(form->r.blpercent), codeAfter);
    QVERIFY(messages.shown.isEmpty());
}

void TestRules::views() {
    pick(0, '-', 3);   // SW1 on N/A with a channel selected: channel list hidden
    pick(10, '-', -1); // LED1 on N/A
    pick(20, 'B', 2);  // backlighting
    QVERIFY(form->select(form->List(43), 0)); // dimming N/A hides List44 by its own rule
    form->show_switch_view();
    QVERIFY(form->List(2)->isHidden());
    QVERIFY(!form->List(4)->isHidden()); // no selection: shown

    const Snapshot switchView(*form);
    form->Option2->click();
    QVERIFY(!form->Option1->isChecked() && form->Option2->isChecked());
    QVERIFY(!form->Frame1->isHidden() && !form->Frame2->isHidden());
    QVERIFY(!form->Label(14)->isHidden());
    for (int n = 1; n <= 20; ++n)
        QVERIFY(form->List(n)->isHidden());
    for (int n = 3; n <= 12; ++n)
        QVERIFY(form->Text(n)->isHidden());
    for (int n = 13; n <= 22; ++n)
        QVERIFY(!form->Text(n)->isHidden());
    QVERIFY(!form->List(21)->isHidden() && form->List(22)->isHidden());
    QVERIFY(!form->List(23)->isHidden() && !form->List(24)->isHidden());
    QVERIFY(!form->List(41)->isHidden() && !form->List(42)->isHidden());
    QVERIFY(form->List(44)->isHidden()); // left as the dimming module rule made it
    QCOMPARE(form->Label(2)->text(), QString("LED1"));
    QCOMPARE(form->Label(13)->text(), QString("LED10"));
    QVERIFY(form->Label(13)->width() >= form->Label(13)->fontMetrics().horizontalAdvance("LED10"));

    const Snapshot lightingView(*form);
    form->Option2->click();
    QCOMPARE(Snapshot(*form).hidden, lightingView.hidden);

    form->Option1->click();
    const Snapshot back(*form);
    QCOMPARE(back.rows, switchView.rows);
    QCOMPARE(back.hidden, switchView.hidden);
    QCOMPARE(back.captions, switchView.captions);
    QCOMPARE(back.record, switchView.record);
    form->Option1->click();
    QCOMPARE(Snapshot(*form).hidden, switchView.hidden);
    QCOMPARE(form->Label(5)->text(), QString("SW4"));

    // The table of all 25 locations stands in place of both, whatever the rules show meanwhile
    // and when an operation would show the switch view; either option brings its view back.
    form->Option2->click();
    form->Option3->click();
    QVERIFY(form->Option3->isChecked() && !form->Option1->isChecked() && !form->Grid1->isHidden());
    const auto viewsHidden = [this] {
        QVERIFY(form->Frame1->isHidden() && form->Frame2->isHidden() &&
                form->Label(14)->isHidden() && form->Label(2)->isHidden());
        for (int n = 1; n <= 40; ++n) // the cells' lists and designation boxes
            QVERIFY2(form->List(n)->isHidden() && (n < 3 || n > 22 || form->Text(n)->isHidden()),
                     qPrintable(QString::number(n)));
    };
    viewsHidden();
    pick(0, 'C', 4); // shows SW1's channel list and designation box in another view
    viewsHidden();
    form->show_switch_view();
    QVERIFY(form->Option3->isChecked() && !form->Grid1->isHidden());
    viewsHidden();
    form->Option1->click();
    QVERIFY(form->Grid1->isHidden() && !form->List(2)->isHidden() && !form->Text(3)->isHidden());
    QVERIFY(form->Label(2)->text() == "SW1" && !form->Label(2)->isHidden());
    form->Option3->click();
    form->Option2->click();
    QVERIFY(form->Grid1->isHidden() && !form->List(24)->isHidden() &&
            form->Label(13)->isVisibleTo(form) && form->Label(13)->text() == "LED10");
}

void TestRules::viewsAfterReadHideDesignations() {
    form->Option2_Click();
    form->r.config_flag = 1;
    form->show_switch_view();
    form->r.config_flag = 0;
    QVERIFY(form->Option1->isChecked());
    for (int n = 3; n <= 22; ++n)
        QVERIFY2(form->Text(n)->isHidden(), qPrintable(QString::number(n)));
    QVERIFY(form->Frame1->isHidden());
    form->Option1->click();
    for (int n = 3; n <= 12; ++n)
        QVERIFY(!form->Text(n)->isHidden());
}

void TestRules::compose_data() {
    // Selections by item: module letter ('-' = N/A, '?' = none) and channel (-1 = none).
    QTest::addColumn<QString>("modules"); // 22 letters, one per item
    QTest::addColumn<QList<int>>("channels");
    QTest::addColumn<int>("errorFlag");
    QTest::addColumn<int>("firstUnchanged");  // items from here keep their old value (-999)
    QTest::addColumn<QList<int>>("expected"); // composed values of the items before it

    const QString allA(22, 'A');
    QList<int> zeros(22, 0);
    QTest::newRow("all N/A, channels ignored")
        << QString(22, '-') << QList<int>(22, -1) << 0 << 22 << QList<int>(22, 160);
    QList<int> mixed = zeros;
    mixed[0] = 9;
    mixed[19] = 9;
    mixed[20] = 9;
    QList<int> mixedOut = zeros;
    mixedOut[0] = 159;
    mixedOut[19] = 159;
    mixedOut[20] = 159;
    mixedOut[21] = 37;
    mixed[21] = 7;
    QString mixedModules = allA;
    mixedModules[0] = 'P';
    mixedModules[19] = 'P';
    mixedModules[20] = 'P';
    mixedModules[21] = 'D';
    QTest::newRow("complete") << mixedModules << mixed << 0 << 22 << mixedOut;

    QString sw2Open = allA;
    QList<int> sw2Channels = zeros;
    sw2Open[1] = 'B';
    sw2Channels[1] = -1;
    QTest::newRow("SW2 without channel") << sw2Open << sw2Channels << 1 << 1 << QList<int>{0};
    QString sw5NoModule = allA;
    sw5NoModule[4] = '?';
    QTest::newRow("switch channel without module")
        << sw5NoModule << zeros << 1 << 4 << QList<int>{0, 0, 0, 0};
    QString led4 = allA;
    led4[13] = '?';
    QTest::newRow("LED4 without module") << led4 << zeros << 2 << 13 << QList<int>(13, 0);
    QList<int> dimOpen = zeros;
    dimOpen[21] = -1;
    QTest::newRow("dimming without channel") << allA << dimOpen << 2 << 21 << QList<int>(21, 0);
    QList<int> blOpen = zeros;
    blOpen[20] = -1;
    QTest::newRow("backlighting without channel") << allA << blOpen << 2 << 20 << QList<int>(20, 0);
    // Every item, as the first one without a module: its own kind of incomplete.
    for (int i = 0; i < 22; ++i) {
        QString open = allA;
        open[i] = '?';
        QTest::addRow("%s without module", assignmentItems()[i].name)
            << open << zeros << (i < 10 ? 1 : 2) << i << QList<int>(i, 0);
    }
    QString naWithChannel = allA;
    naWithChannel[6] = '-';
    QList<int> naChannels = zeros;
    naChannels[6] = 4;
    QList<int> naOut = zeros;
    naOut[6] = 160;
    QTest::newRow("N/A with channel 5") << naWithChannel << naChannels << 0 << 22 << naOut;
}

void TestRules::compose() {
    QFETCH(QString, modules);
    QFETCH(QList<int>, channels);
    QFETCH(int, errorFlag);
    QFETCH(int, firstUnchanged);
    QFETCH(QList<int>, expected);

    const auto& items = assignmentItems();
    for (int i = 0; i < 22; ++i) {
        const char letter = modules.at(i).toLatin1();
        if (letter != '?')
            QVERIFY(form->select(form->List(items[i].moduleList), module(letter)));
        if (channels[i] >= 0)
            QVERIFY(form->select(form->List(items[i].channelList), channels[i]));
    }
    for (const auto& item : items)
        form->r.*item.composed = -999;
    const QByteArray clickCodes(reinterpret_cast<const char*>(&form->r.s1), 40);
    const Integer intensities[3] = {form->r.blpercent, form->r.indpercent, form->r.dindpercent};

    form->Option2->click();
    form->r.error_flag = 0;
    form->compose_panel_values();
    QCOMPARE(int(form->r.error_flag), errorFlag);
    for (int i = 0; i < 22; ++i) {
        const int value = form->r.*items[i].composed;
        QCOMPARE(value, i < firstUnchanged ? expected.value(i) : -999);
    }
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(&form->r.s1), 40), clickCodes);
    QCOMPARE(form->r.blpercent, intensities[0]);
    QCOMPARE(form->r.indpercent, intensities[1]);
    QCOMPARE(form->r.dindpercent, intensities[2]);
    // A complete composition returns to the switch view; an incomplete one leaves it.
    QCOMPARE(form->Option1->isChecked(), errorFlag == 0);
    QCOMPARE(form->Frame1->isHidden(), errorFlag == 0);
}

void TestRules::composeShowsSwitchViewOnlyWhenComplete() {
    completeAll();
    form->r.error_flag = 1; // never cleared by the composition
    form->compose_panel_values();
    QCOMPARE(form->r.error_flag, 1);
    QCOMPARE(form->r.s1w, 0);
}

void TestRules::closeIsDeferredDuringOperation() {
    form->show();
    {
        Form1::Operation first(*form);
        QVERIFY(bool(first));
        Form1::Operation second(*form);
        QVERIFY(!second); // a second operation may not start
        QVERIFY(!form->close());
        QVERIFY(form->closeRequested());
        QVERIFY(form->isVisible());
    }
    QTRY_VERIFY(!form->isVisible());
    // Carried out, the close is forgotten: the next operation must not take it for pending.
    QVERIFY(!form->closeRequested());
}

QTEST_MAIN(TestRules)
#include "tst_rules.moc"
