// The window on screens of their own: a real X server with a window manager that frames it
// and keeps a desktop bar's strip free (run by tst_screen_fit.sh at several sizes and scales),
// and two screens side by side, the window moved from one to the other.
#include "appearance.h"
#include "form1.h"
#include "scripted_messages.h"

#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QWindow>

namespace {

const QSize drawn(761, 593);

QScrollArea* scrollArea(Form1& form) {
    return form.findChild<QScrollArea*>();
}

bool scrolls(Form1& form) {
    const QScrollArea* area = scrollArea(form);
    return area->verticalScrollBar()->isVisible() || area->horizontalScrollBar()->isVisible();
}

bool inView(Form1& form, const QWidget* w) {
    const QWidget* viewport = scrollArea(form)->viewport();
    return viewport->rect().contains(QRect(w->mapTo(viewport, QPoint()), w->size()));
}

QString describe(Form1& form) {
    return QStringLiteral("frame %1,%2 %3x%4 on %5, available %6,%7 %8x%9")
        .arg(form.frameGeometry().x())
        .arg(form.frameGeometry().y())
        .arg(form.frameGeometry().width())
        .arg(form.frameGeometry().height())
        .arg(form.screen()->name())
        .arg(form.screen()->availableGeometry().x())
        .arg(form.screen()->availableGeometry().y())
        .arg(form.screen()->availableGeometry().width())
        .arg(form.screen()->availableGeometry().height());
}

} // namespace

class TestScreenFit : public QObject {
    Q_OBJECT

    ScriptedMessages messages;

private slots:
    void initTestCase() { appearance::installFontSubstitutes(); }
    void fitsTheAvailableArea();
    void movesToAnotherScreen();
};

// FIT_EXPECT says what the screen allows: "drawn" (the window as drawn, no scroll bar) or
// "scrolls". FIT_SHOTS names a folder for screenshots of the screen, scrolled to the bottom.
void TestScreenFit::fitsTheAvailableArea() {
    const QByteArray expect = qgetenv("FIT_EXPECT");
    if (QGuiApplication::platformName() != QLatin1String("xcb") || expect.isEmpty())
        QSKIP("run by tst_screen_fit.sh on an X server with a window manager");
    Form1 form(messages);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QRect available = form.screen()->availableGeometry();
    QVERIFY2(available != form.screen()->geometry(), "no strip of the screen is kept free");
    // The window manager frames the window after it appears; the window follows.
    QTRY_VERIFY(form.windowHandle()->frameMargins() != QMargins());
    QTRY_VERIFY2(available.contains(form.frameGeometry()), qPrintable(describe(form)));
    QScrollBar* bar = scrollArea(form)->verticalScrollBar();
    if (expect == "drawn") {
        QCOMPARE(form.size(), drawn);
        QVERIFY2(!scrolls(form), qPrintable(describe(form)));
        return;
    }
    QCOMPARE(expect, QByteArray("scrolls"));
    QTRY_VERIFY2(bar->isVisible(), qPrintable(describe(form)));
    QVERIFY(!scrollArea(form)->horizontalScrollBar()->isVisible());
    bar->setValue(bar->maximum());
    QVERIFY(inView(form, form.Text(2)) && inView(form, form.Shape1));
    QVERIFY(!inView(form, form.Option1));
    const QString shots = qEnvironmentVariable("FIT_SHOTS");
    if (!shots.isEmpty()) {
        QTest::qWait(200);
        const QString name = QStringLiteral("%1/screen-%2x%3-scale%4.png")
                                 .arg(shots)
                                 .arg(form.screen()->geometry().width())
                                 .arg(form.screen()->geometry().height())
                                 .arg(form.devicePixelRatio());
        QDir().mkpath(shots);
        QVERIFY(form.screen()->grabWindow(0).save(name));
    }
    // Tab onto a control scrolled out of sight brings it into view.
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.READ_FILE->setFocus();
    QTest::keyClick(form.READ_FILE, Qt::Key_Tab);
    QCOMPARE(form.focusWidget(), form.Option1);
    QVERIFY(inView(form, form.Option1));
}

// Moved onto a screen too small for it the window shrinks and scrolls; moved back it is as
// drawn again.
void TestScreenFit::movesToAnotherScreen() {
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.size() != 2)
        QSKIP("needs two screens (two_screens.json)");
    QScreen* wide =
        screens[0]->size().height() > screens[1]->size().height() ? screens[0] : screens[1];
    QScreen* small = wide == screens[0] ? screens[1] : screens[0];
    Form1 form(messages);
    form.move(wide->geometry().topLeft());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTRY_COMPARE(form.screen(), wide);
    QCOMPARE(form.size(), drawn);
    QVERIFY(!scrolls(form));

    form.move(small->geometry().topLeft());
    QTRY_COMPARE(form.screen(), small);
    QTRY_VERIFY2(form.frameGeometry().height() <= small->availableGeometry().height(),
                 qPrintable(describe(form)));
    QTRY_VERIFY(scrolls(form));

    form.move(wide->geometry().topLeft() + QPoint(20, 20));
    QTRY_COMPARE(form.screen(), wide);
    QTRY_COMPARE(form.size(), drawn);
    QTRY_VERIFY(!scrolls(form));
}

QTEST_MAIN(TestScreenFit)
#include "tst_screen_fit.moc"
