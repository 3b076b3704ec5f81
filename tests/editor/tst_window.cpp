// The window as built: every control in its place with its caption, tool tip and state,
// every list with its entries, the start-up state, and usable fonts.
#include "appearance.h"
#include "form1.h"
#include "location_table.h"
#include "messages.h"
#include "screen_reader.h"
#include "scripted_messages.h"
#include "widgets.h"
#include "window_fit.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSvgRenderer>
#include <QTest>
#include <QTimer>
#include <QToolTip>

class TestWindow : public QObject {
    Q_OBJECT

    ScriptedMessages messages;
    Form1* form = nullptr;

    QWidget* control(const QString& name) {
        return name == "Form1" ? form : form->findChild<QWidget*>(name);
    }
    // The window's client area, which holds every control not in a frame.
    QWidget* clientArea() { return form->findChild<QScrollArea*>()->widget(); }

private slots:
    void initTestCase() { appearance::installFontSubstitutes(); }
    void init() {
        messages.shown.clear();
        form = new Form1(messages);
    }
    void cleanup() { delete form; }

    void controls_data();
    void controls();
    void cells();
    void listEntries();
    void startUpState();
    void limitsAndFocus();
    void fontsHaveGlyphs();
    void captionsFit();
    void addedControlsOverlapNothing();
    void statusColourWhateverWindowIsActive();
    void enterPressesCommandButtons_data();
    void enterPressesCommandButtons();
    void spokenNamesAreUnique();
    void fitWindow_data();
    void fitWindow();
    void scrollsOnASmallScreen();
    void messageBoxes_data();
    void messageBoxes();
};

// What a screen reader announces a control by. A combo box's own name is its text on Linux;
// the reader takes the name from the label that names it.
static QString spokenName(QWidget* w) {
    QAccessibleInterface* control = QAccessible::queryAccessibleInterface(w);
    if (control->role() != QAccessible::ComboBox)
        return control->text(QAccessible::Name);
    const auto labels = control->relations(QAccessible::Label);
    return labels.size() == 1 ? labels.first().first->text(QAccessible::Name) : QString();
}

static QRect twips(int left, int top, int width, int height) {
    return QRect(qRound(left / 15.0), qRound(top / 15.0), qRound(width / 15.0),
                 qRound(height / 15.0));
}

void TestWindow::controls_data() {
    QTest::addColumn<QString>("className");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("parentName");
    QTest::addColumn<QString>("spoken"); // the name a screen reader says, where it has one

    auto row = [](const char* name, const char* cls, QRect g, const char* text, const char* tip,
                  bool enabled, const char* parent = "Form1", const char* spoken = "") {
        QTest::newRow(name) << QString(cls) << g << QString(text) << QString(tip) << enabled
                            << QString(parent) << QString(spoken);
    };
    row("Option1", "QRadioButton", twips(4680, 240, 2415, 495), "SWITCH CHANNEL ASSIGNMENTS",
        "LEFT CLICK TO VIEW SWITCH CHANNEL ASSIGNMENTS", true);
    row("Option2", "QRadioButton", twips(4680, 720, 2415, 495), "LIGHTING CHANNEL ASSIGNMENTS",
        "LEFT CLICK TO VIEW LIGHTING CHANNEL ASSIGNMENTS", true);
    row("Option3", "QRadioButton", twips(120, 240, 1785, 495), "ALL 25 LOCATIONS",
        "LEFT CLICK TO VIEW ALL 25 LOCATIONS IN ONE TABLE", true, "Form1", "ALL 25 LOCATIONS");
    row("Grid1", "QTableView", twips(120, 3480, 9360, 4140), "", "", true, "Form1",
        "ALL 25 LOCATIONS");
    row("READ_FILE", "QPushButton", twips(6000, 1440, 2415, 855), "OPEN CONFIGURATION FILE",
        "LEFT CLICK TO OPEN CONFIG FILE", true);
    row("READ_CONFIG", "QPushButton", twips(8760, 1440, 2415, 855),
        "READ CONFIGURATION FROM SWITCH PANEL", "LEFT CLICK TO READ CONFIG IN SWITCH PANEL", true);
    row("WRITE_CONFIG", "QPushButton", twips(8760, 2520, 2415, 855),
        "WRITE CONFIGURATION TO SWITCH PANEL", "LEFT CLICK TO SAVE CONFIG IN SWITCH PANEL", true);
    row("COMPARE_PANEL", "QPushButton", twips(2025, 240, 2415, 855), "COMPARE WITH PANEL",
        "LEFT CLICK TO COMPARE THE SWITCH PANEL WITH THE WINDOW", true, "Form1",
        "COMPARE WITH PANEL");
    row("Text2", "QLineEdit", twips(2400, 8040, 1695, 285), "", "ENTER IDENTITY FOR FILE NAME",
        false, "Form1", "PANEL NAME");
    row("Text1", "QPlainTextEdit", twips(1680, 1680, 3135, 615), "", "", true, "Form1", "STATUS");
    row("Label6", "QLabel", twips(2400, 7800, 1695, 255), "PANEL NAME", "", true);
    row("Label7", "QLabel", twips(840, 8640, 3375, 375), "PROGRAMMING HEADER LOCATION", "", true);
    row("Label14", "QLabel", twips(6000, 3840, 1215, 375), "", "", true);
    row("Image1", "QLabel", twips(1080, 1320, 4290, 7395), "", "", true);
    row("Shape1", "QWidget", twips(4200, 7680, 735, 255), "", "", true);
    row("Frame1", "QGroupBox", twips(6000, 3720, 3495, 1695), "LIGHTING CONTROL CHANNELS:", "",
        true);
    row("Frame2", "QGroupBox", twips(6000, 5760, 5175, 2775), "LIGHTING INTENSITIES:", "", true);
    row("Label20", "QLabel", twips(7320, 120, 3855, 255), "SERIAL PORT", "", true);
    row("Combo1", "QComboBox", twips(7320, 390, 3855, 375), "", "", true, "Form1", "SERIAL PORT");
    row("ProgressBar1", "QProgressBar", twips(7320, 810, 3855, 495), "", "", true, "Form1",
        "PROGRESS");
    row("Label19", "QLabel", twips(480, 480, 1215, 255), "BACKLIGHT", "", true, "Frame1");
    row("List41", "QListWidget", twips(1680, 240, 855, 645), "", "BACKLIGHTING MODULE ASSIGNMENT",
        false, "Frame1", "BACKLIGHT MODULE");
    row("List42", "QListWidget", twips(2520, 240, 615, 645), "", "BACKLIGHTING CHANNEL ASSIGNMENT",
        false, "Frame1", "BACKLIGHT CHANNEL");
    row("Label1", "QLabel", twips(720, 1200, 975, 255), "DIMMING", "", true, "Frame1");
    row("List43", "QListWidget", twips(1680, 960, 855, 645), "", "DIMMING MODULE ASSIGNMENT", false,
        "Frame1", "DIMMING MODULE");
    row("List44", "QListWidget", twips(2520, 960, 615, 645), "", "DIMMING CHANNEL ASSIGNMENT",
        false, "Frame1", "DIMMING CHANNEL");
    row("Label17", "QLabel", twips(600, 480, 2415, 255), "NORMAL INDICATOR (%)", "", true,
        "Frame2");
    row("List49", "QListWidget", twips(3120, 240, 735, 645), "",
        "LED INDICATOR NORMAL INTENSITY (%)", false, "Frame2", "NORMAL INDICATOR (%)");
    row("Label15", "QLabel", twips(240, 1200, 2895, 255), "NORMAL BACKLIGHTING (%)", "", true,
        "Frame2");
    row("List45", "QListWidget", twips(3120, 1080, 735, 645), "",
        "BACKLIGHTING NORMAL INTENSITY (%)", false, "Frame2", "NORMAL BACKLIGHTING (%)");
    row("Label16", "QLabel", twips(600, 1920, 2535, 615), "DIMMED BACKLIGHTING AND INDICATOR (%)",
        "", true, "Frame2");
    row("List46", "QListWidget", twips(3120, 1920, 735, 645), "", "DIMMED INDICATOR INTENSITY (%)",
        false, "Frame2", "DIMMED BACKLIGHTING AND INDICATOR (%)");
}

void TestWindow::controls() {
    QFETCH(QString, className);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    QFETCH(QString, toolTip);
    QFETCH(bool, enabled);
    QFETCH(QString, parentName);
    QFETCH(QString, spoken);

    QWidget* w = control(QTest::currentDataTag());
    QVERIFY2(w, "control missing");
    QVERIFY(w->inherits(qPrintable(className)));
    QCOMPARE(w->parentWidget(), parentName == "Form1" ? clientArea() : control(parentName));
    QVERIFY2(qAbs(w->x() - geometry.x()) <= 1 && qAbs(w->y() - geometry.y()) <= 1 &&
                 qAbs(w->width() - geometry.width()) <= 1 &&
                 qAbs(w->height() - geometry.height()) <= 1,
             qPrintable(QString("geometry %1,%2 %3x%4")
                            .arg(w->x())
                            .arg(w->y())
                            .arg(w->width())
                            .arg(w->height())));
    QCOMPARE(w->toolTip(), toolTip);
    QCOMPARE(w->isEnabled(), enabled);
    if (!spoken.isEmpty())
        QCOMPARE(spokenName(w), spoken);
    // A tool tip is also what a screen reader gives as the control's description.
    if (!toolTip.isEmpty())
        QCOMPARE(QAccessible::queryAccessibleInterface(w)->text(QAccessible::Description), toolTip);
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        QCOMPARE(b->text(), text);
    else if (auto* l = qobject_cast<QLabel*>(w))
        QCOMPARE(l->text(), text);
    else if (auto* g = qobject_cast<QGroupBox*>(w))
        QCOMPARE(g->title(), text);
    else if (auto* e = qobject_cast<QLineEdit*>(w))
        QCOMPARE(e->text(), text);
}

// The ten cells follow one rule: cell (r, c) holds item n = 2r + c + 1, switch and LED alike.
void TestWindow::cells() {
    const int rowLabels[10] = {2, 3, 4, 5, 8, 9, 10, 11, 12, 13};
    for (int n = 1; n <= 10; ++n) {
        const int r = (n - 1) / 2, c = (n - 1) % 2;
        const QColor green(0, 128, 0), red(192, 0, 0);
        struct Set {
            QString name;
            int text, module, channel;
            QColor colour;
        };
        for (const Set& s : {Set{QString("SW%1").arg(n), n + 2, 2 * n - 1, 2 * n, green},
                             Set{QString("LED%1").arg(n), n + 12, 2 * n + 19, 2 * n + 20, red}}) {
            auto* text = form->findChild<QLineEdit*>(QString("Text%1").arg(s.text));
            auto* module = form->findChild<QListWidget*>(QString("List%1").arg(s.module));
            auto* channel = form->findChild<QListWidget*>(QString("List%1").arg(s.channel));
            QVERIFY(text && module && channel);
            QCOMPARE(text->geometry(), twips(1680 + 1680 * c, 2400 + 1080 * r, 1455, 285));
            QCOMPARE(module->geometry(), twips(1680 + 1680 * c, 2640 + 1080 * r, 855, 645));
            QCOMPARE(channel->geometry(), twips(2520 + 1680 * c, 2640 + 1080 * r, 615, 645));
            QCOMPARE(text->toolTip(), "ENTER " + s.name + " FUNCTION");
            QCOMPARE(module->toolTip(), s.name + " MODULE ASSIGNMENT");
            QCOMPARE(channel->toolTip(), s.name + " CHANNEL ASSIGNMENT");
            QCOMPARE(text->text(), QString("DESIGNATION "));
            QCOMPARE(spokenName(text), s.name + " DESIGNATION");
            QCOMPARE(spokenName(module), s.name + " MODULE");
            QCOMPARE(spokenName(channel), s.name + " CHANNEL");
            QCOMPARE(QAccessible::queryAccessibleInterface(channel)->text(QAccessible::Description),
                     channel->toolTip());
            QVERIFY(!text->isEnabled() && !module->isEnabled() && !channel->isEnabled());
            for (QWidget* w : {static_cast<QWidget*>(text), static_cast<QWidget*>(module)}) {
                QCOMPARE(w->palette().color(QPalette::Disabled, QPalette::Text), s.colour);
                QCOMPARE(w->parentWidget(), clientArea());
            }
        }
        auto* label = form->findChild<QLabel*>(QString("Label%1").arg(rowLabels[n - 1]));
        QVERIFY(label);
        QCOMPARE(label->text(), QString("SW%1").arg(n));
        QCOMPARE(label->pos(), twips(c == 0 ? 1200 : 4920, 2760 + 1080 * r, 0, 0).topLeft());
        QCOMPARE(label->height(), 13);
        QVERIFY(label->width() >= label->fontMetrics().horizontalAdvance(label->text()));
    }
    // No list numbered 47 or 48, and exactly 47 lists in all.
    QVERIFY(!form->findChild<QWidget*>("List47") && !form->findChild<QWidget*>("List48"));
    QCOMPARE(form->findChildren<QListWidget*>().size(), 47);
}

void TestWindow::listEntries() {
    const QStringList moduleTexts{"N/A", "A", "B", "C", "D", "E", "F", "G", "H",
                                  "I",   "J", "K", "L", "M", "N", "O", "P"};
    const QStringList intensityTexts{"100", "90", "80", "70", "60", "50", "40", "30"};
    const int intensityCodes[8] = {10, 7, 6, 5, 4, 3, 2, 1};
    for (QListWidget* list : form->findChildren<QListWidget*>()) {
        const int n = list->objectName().mid(4).toInt();
        QStringList texts;
        QList<int> values;
        for (int i = 0; i < list->count(); ++i) {
            texts << list->item(i)->text();
            values << list->item(i)->data(Qt::UserRole).toInt();
        }
        QVERIFY2(list->selectionMode() == QAbstractItemView::SingleSelection,
                 qPrintable(list->objectName()));
        if (n == 45 || n == 46 || n == 49) {
            QCOMPARE(texts, intensityTexts);
            for (int i = 0; i < 8; ++i)
                QCOMPARE(values[i], intensityCodes[i]);
        } else if (n % 2 == 1) {
            QCOMPARE(texts, moduleTexts);
            QCOMPARE(values.first(), 160);
            for (int i = 1; i < 17; ++i)
                QCOMPARE(values[i], (i - 1) * 10);
        } else {
            QCOMPARE(texts.size(), 10);
            for (int i = 0; i < 10; ++i) {
                QCOMPARE(texts[i], QString::number(i + 1));
                QCOMPARE(values[i], i);
            }
        }
    }
}

void TestWindow::startUpState() {
    QCOMPARE(form->windowTitle(),
             QString("KDR NVX 10 BUTTON DIMMABLE SWITCH PANEL LIMITED ACCESS CONFIGURATION "
                     "PROGRAM"));
    QCOMPARE(form->objectName(), QString("Form1"));
    QCOMPARE(form->size(), QSize(761, 593));
    QVERIFY(messages.shown.isEmpty());
    QCOMPARE(form->r.blpercent, 10);
    QCOMPARE(form->r.indpercent, 10);
    QCOMPARE(form->r.dindpercent, 10);
    for (QListWidget* list : form->findChildren<QListWidget*>()) {
        const int n = list->objectName().mid(4).toInt();
        QCOMPARE(list->currentRow(), (n == 45 || n == 46 || n == 49) ? 0 : -1);
    }
    QVERIFY(form->Option1->isChecked() && !form->Option2->isChecked());
    QVERIFY(form->Text1->isHidden());
    QCOMPARE(form->Text1->toPlainText().left(5), QString("Text1"));
    // A window of its own to a screen reader, named by its caption.
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(form);
    QCOMPARE(window->role(), QAccessible::Window);
    QCOMPARE(window->text(QAccessible::Name), form->windowTitle());
    QVERIFY(form->findChild<Announcer*>()->isHidden()); // nothing to say yet
    QVERIFY(form->Text(2)->text().isEmpty());
    QCOMPARE(form->Timer1->interval(), 500);
    QVERIFY(!form->Timer1->isActive());
    QCOMPARE(form->Timer1->objectName(), QString("Timer1"));
    QCOMPARE(form->Image1->pixmap().size(), QSize(286, 493));
    QCOMPARE(form->windowIcon().availableSizes().value(0), QSize(40, 40));
    // The menu's drawing, not one of the window's own.
    QImage menuIcon(40, 40, QImage::Format_ARGB32_Premultiplied);
    menuIcon.fill(Qt::transparent);
    {
        QSvgRenderer svg(QStringLiteral(NVX_MENU_ICON));
        QVERIFY(svg.isValid());
        QPainter painter(&menuIcon);
        painter.setRenderHint(QPainter::Antialiasing);
        svg.render(&painter, QRectF(0, 0, 40, 40));
    }
    QCOMPARE(form->windowIcon().pixmap(40).toImage().convertToFormat(menuIcon.format()), menuIcon);
    // Switch view: switch lists and boxes shown, LED ones and the frames hidden.
    for (int n = 1; n <= 20; ++n)
        QVERIFY(!form->List(n)->isHidden());
    for (int n = 21; n <= 42; ++n)
        QVERIFY(form->List(n)->isHidden());
    for (int n = 3; n <= 12; ++n)
        QVERIFY(!form->Text(n)->isHidden());
    for (int n = 13; n <= 22; ++n)
        QVERIFY(form->Text(n)->isHidden());
    QVERIFY(form->Frame1->isHidden() && form->Frame2->isHidden() && form->Label(14)->isHidden());
}

void TestWindow::limitsAndFocus() {
    form->Text(2)->setText("ABCDEFGHIJKLMNOPQRST");
    QCOMPARE(form->Text(2)->text(), QString("ABCDEFGHIJKL"));

    // The focus chain runs over the controls the user can operate, in this order: the five
    // buttons with the third option and its table, then the port selector, the search that
    // chooses in it, the comparison and the sheet.
    const QStringList operable{"WRITE_CONFIG", "READ_FILE",     "Option1",     "Option2",
                               "Option3",      "Grid1",         "READ_CONFIG", "Combo1",
                               "FIND_PANEL",   "COMPARE_PANEL", "PRINT_SHEET"};
    QStringList order;
    QWidget* w = form->WRITE_CONFIG;
    do {
        if (operable.contains(w->objectName()))
            order << w->objectName();
        w = w->nextInFocusChain();
    } while (w != static_cast<QWidget*>(form->WRITE_CONFIG));
    QCOMPARE(order, operable);
    for (QWidget* child : form->findChildren<QWidget*>()) {
        if (child->isEnabled() && child->focusPolicy() != Qt::NoFocus)
            QVERIFY2(operable.contains(child->objectName()) || child->objectName().isEmpty() ||
                         child->objectName().startsWith("qt_"),
                     qPrintable(child->objectName()));
    }
    // The keyboard starts on OPEN CONFIGURATION FILE: no key pressed at start writes a panel.
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form));
    QCOMPARE(QApplication::focusWidget(), form->READ_FILE);
    // In the table the arrow keys move from cell to cell, and Tab goes on to READ.
    form->Option3_Click();
    form->Grid1->setFocus();
    QTest::keyClick(form->Grid1, Qt::Key_Right);
    QTest::keyClick(form->Grid1, Qt::Key_Down);
    QCOMPARE(form->Grid1->currentIndex(), form->Grid1->model()->index(1, 1));
    QTest::keyClick(form->Grid1, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), form->READ_CONFIG);
}

void TestWindow::fontsHaveGlyphs() {
    // Both of the window's faces must resolve to an installed family with real glyphs,
    // or a headless render shows empty boxes.
    for (const char* family : {"MS Sans Serif", "Arial"}) {
        const QFont f = appearance::font(family, 8.25, true);
        const QFontInfo info(f);
        QVERIFY2(QFontDatabase::families().contains(info.family()), family);
        QVERIFY2(info.family().contains("Liberation") || info.family().contains("Arimo") ||
                     info.family().contains("DejaVu"),
                 qPrintable(info.family()));
        QFontMetrics metrics(f);
        QVERIFY(metrics.inFont(QChar('W')));
        QVERIFY(metrics.horizontalAdvance("WWWW") > metrics.horizontalAdvance("iiii"));
    }
}

// Every caption is readable whole at the window's fonts: labels within their boxes, button
// captions within two lines of their face (three for the narrow sheet's button), frame titles
// within the frame's width.
void TestWindow::captionsFit() {
    form->Option2_Click(); // the lighting view shows every caption there is
    auto fits = [](const QWidget* w, const QString& text, QRect area, int maxLines) {
        const QFontMetrics metrics(w->font());
        const QRect needed = metrics.boundingRect(area, Qt::TextWordWrap, text);
        const bool ok = needed.width() <= area.width() && needed.height() <= area.height() &&
                        needed.height() < (maxLines + 1) * metrics.lineSpacing();
        return ok ? QString()
                  : QString("%1: \"%2\" needs %3x%4 in %5x%6")
                        .arg(w->objectName(), text)
                        .arg(needed.width())
                        .arg(needed.height())
                        .arg(area.width())
                        .arg(area.height());
    };
    QStringList problems;
    for (QLabel* label : form->findChildren<QLabel*>()) {
        if (!label->text().isEmpty())
            problems << fits(label, label->text(), label->rect(), 2);
    }
    // The sheet's button, in a narrower place, has three lines.
    for (auto* button : form->findChildren<WrappingButton*>())
        problems << fits(button, button->text(), button->captionRect(),
                         button == form->PRINT_SHEET ? 3 : 2);
    for (auto* option : form->findChildren<WrappingRadioButton*>())
        problems << fits(option, option->text(), option->captionRect(), 2);
    QCOMPARE(form->findChildren<WrappingButton*>().size() +
                 form->findChildren<WrappingRadioButton*>().size(),
             9);
    for (QGroupBox* frame : {form->Frame1, form->Frame2})
        problems << fits(frame, frame->title(), frame->rect(), 1);
    problems.removeAll(QString());
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
}

// The controls added to the window sit where it had room, the table where the views are: in each
// view they cover no other control (the table only the drawing), nothing covers them, the sheet's
// button has the place the table leaves free, and the bar's tooltip leaves the command buttons
// uncovered.
void TestWindow::addedControlsOverlapNothing() {
    form->show();
    form->setStatusVisible(true);
    for (int view : {1, 2, 3}) {
        if (view == 2)
            form->Option2_Click();
        if (view == 3)
            form->Option3_Click();
        QStringList added{"Label20",       "Combo1",  "ProgressBar1", "FIND_PANEL",
                          "COMPARE_PANEL", "Option3", "PRINT_SHEET"};
        if (view == 3)
            added << "Grid1";
        QStringList overlaps;
        for (const QString& name : added) {
            QWidget* shown = control(name);
            QVERIFY(shown->isVisible());
            const QRect place = shown->geometry();
            for (QWidget* other :
                 clientArea()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
                if (other != shown && other->isVisible() && other->geometry().intersects(place) &&
                    !(other == form->Image1 && name == "Grid1"))
                    overlaps << QString("%1 / %2").arg(name, other->objectName());
            }
        }
        QVERIFY2(overlaps.isEmpty(), qPrintable(overlaps.join(", ")));
    }
    form->ProgressBar1->setToolTip(
        QString("DIMMING: WINDOW N/A, PANEL P 10 (NO CODE)\n").repeated(5));
    const QPoint over(5, form->ProgressBar1->height() - 2);
    QHelpEvent hover(QEvent::ToolTip, over, form->ProgressBar1->mapToGlobal(over));
    QApplication::sendEvent(form->ProgressBar1, &hover);
    const QWidgetList tops = QApplication::topLevelWidgets();
    QWidget* tip = *std::find_if(tops.cbegin(), tops.cend(), [](QWidget* w) {
        return w->objectName() == "qtooltip_label" && w->isVisible();
    });
    QCOMPARE(tip->pos(), form->ProgressBar1->toolTipPlace());
    for (QPushButton* button : form->findChildren<QPushButton*>())
        QVERIFY(!tip->geometry().intersects(QRect(button->mapToGlobal(QPoint()), button->size())));
    QToolTip::hideText();
}

void TestWindow::enterPressesCommandButtons_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("clicks");
    QTest::newRow("Return on READ_CONFIG") << "READ_CONFIG" << int(Qt::Key_Return) << 1;
    QTest::newRow("Enter on WRITE_CONFIG") << "WRITE_CONFIG" << int(Qt::Key_Enter) << 1;
    QTest::newRow("Space on READ_FILE, as before") << "READ_FILE" << int(Qt::Key_Space) << 1;
    QTest::newRow("Return on FIND_PANEL") << "FIND_PANEL" << int(Qt::Key_Return) << 1;
    QTest::newRow("Escape does nothing") << "READ_FILE" << int(Qt::Key_Escape) << 0;
}

void TestWindow::enterPressesCommandButtons() {
    QFETCH(QString, button);
    QFETCH(int, key);
    QFETCH(int, clicks);
    auto* target = form->findChild<QPushButton*>(button);
    QVERIFY(target);
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form));
    target->setFocus();
    int clicked = 0;
    connect(target, &QPushButton::clicked, this, [&clicked] { ++clicked; });
    QTest::keyClick(target, Qt::Key(key));
    QCOMPARE(clicked, clicks);
}

// The status line keeps its colour when another window has the focus, as it does when the
// technician switches to a terminal during a read.
void TestWindow::statusColourWhateverWindowIsActive() {
    form->showStatus(Form1::green, QStringLiteral("SWITCH PANEL DATA READ SUCCESSFUL"));
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    QWidget other;
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    other.activateWindow();
    QTRY_VERIFY(other.isActiveWindow() && !form->isActiveWindow());
    const QImage shown = form->Text1->grab().toImage();
    // A corner inside the frame, clear of the text.
    const QColor ground = shown.pixelColor(shown.width() - 4, shown.height() - 3);
    QCOMPARE(ground, QColor(Form1::green));
}

// Every list, text box, the status line, the progress bar, the port selector and FIND PANEL has
// a name of its own for a screen reader, and the status line's text and each shown list's
// selected entry reach the reader as their value.
void TestWindow::spokenNamesAreUnique() {
    QList<QWidget*> named;
    for (QListWidget* list : form->findChildren<QListWidget*>())
        named << list;
    for (QLineEdit* box : form->findChildren<QLineEdit*>()) {
        if (box->parentWidget() != form->Combo1) // the selector's edit field is part of it
            named << box;
    }
    named << form->Text1 << form->ProgressBar1 << form->Combo1 << form->FIND_PANEL
          << form->COMPARE_PANEL << form->Grid1;
    QCOMPARE(named.size(), 47 + 21 + 6);
    QMap<QString, QString> owners;
    for (QWidget* w : named) {
        const QString name = spokenName(w);
        QVERIFY2(!name.isEmpty(), qPrintable(w->objectName()));
        QVERIFY2(!owners.contains(name),
                 qPrintable(QString("%1 and %2 are both \"%3\"")
                                .arg(owners.value(name), w->objectName(), name)));
        owners.insert(name, w->objectName());
    }
    // The button's tool tip says what a click does; a reader gives it as the description.
    QVERIFY(!form->FIND_PANEL->toolTip().isEmpty());
    QCOMPARE(
        QAccessible::queryAccessibleInterface(form->FIND_PANEL)->text(QAccessible::Description),
        form->FIND_PANEL->toolTip());
    // Hidden, the status line still holds its first text ("Text1"), which is not for reading.
    QAccessibleInterface* statusLine = QAccessible::queryAccessibleInterface(form->Text1);
    QCOMPARE(statusLine->text(QAccessible::Value), QString());
    QCOMPARE(statusLine->textInterface()->characterCount(), 0);
    QCOMPARE(statusLine->textInterface()->offsetAtPoint(QPoint()), -1);
    const QString status("COMMUNICATIONS FAILURE-BAD SWITCH PANEL DATA");
    form->showStatus(Form1::red, status);
    QCOMPARE(statusLine->text(QAccessible::Value), status);
    QAccessibleTextInterface* statusText = statusLine->textInterface();
    QCOMPARE(statusText->text(15, 22), QString("FAILURE"));
    QVERIFY(statusLine->state().readOnly && statusLine->state().multiLine &&
            statusText->selectionCount() == 0);
    // Where a reader's review shows the text: each character in its place on the line.
    const QRect line(form->Text1->mapToGlobal(QPoint()), form->Text1->size());
    const QRect f = statusText->characterRect(15);
    QVERIFY(line.contains(f) && f.width() > 2);
    QCOMPARE(statusText->offsetAtPoint(f.center()), 15);
    QCOMPARE(statusText->offsetAtPoint(QPoint(f.left() + 1, f.center().y())), 15);
    const QRect c = statusText->characterRect(0);
    QVERIFY(!c.isNull());
    QCOMPARE(statusText->offsetAtPoint(QPoint(c.right() - 1, c.center().y())), 0);
    QVERIFY(statusText->characterRect(-1).isNull() &&
            statusText->characterRect(status.size()).isNull());
    int start = -1, end = -1; // one run of plain text: a reader's review walks it whole
    statusText->attributes(15, &start, &end);
    QVERIFY(start == 0 && end == status.size());

    const auto value = [](QWidget* w) {
        return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Value);
    };
    ScreenReader reader;
    QListWidget* module = form->List(1);
    QListWidget* channel = form->List(2);
    QVERIFY(form->select(module, 8) && form->select(channel, 2));
    QCOMPARE(value(module), QString("H"));
    // Its entries, one by one, each knowing its place; the selected one is the value.
    QAccessibleInterface* channels = QAccessible::queryAccessibleInterface(channel);
    QCOMPARE(channels->child(0)->text(QAccessible::Name), QString("1"));
    QCOMPARE(channels->indexOfChild(channels->child(0)), 0);
    QAccessibleInterface* three = channels->child(2);
    QVERIFY(three->state().selected && three->text(QAccessible::Name) == "3");
    QVERIFY(three->text(QAccessible::Description).isEmpty() && three->childCount() == 0);
    QVERIFY(channels->indexOfChild(three) == 2 && !channels->child(-1) && !channels->child(10));
    // "N/A" hides the channel list: it has no selected entry to give.
    QVERIFY(form->select(module, 0));
    QCOMPARE(value(module), QString("N/A"));
    QCOMPARE(value(channel), QString());
    QVERIFY(!three->state().selected && three->state().invisible);
    QCOMPARE(reader.said(QAccessible::ValueChanged, QAccessible::List),
             (QStringList{"SW1 MODULE: H", "SW1 CHANNEL: 3", "SW1 MODULE: N/A", "SW1 CHANNEL: "}));
    // An intensity list gives its percentage in the lighting view only.
    QCOMPARE(value(form->List(49)), QString());
    form->Option2_Click();
    QCOMPARE(value(form->List(49)), QString("100"));

    // A list the keyboard is in moves the reader's focus with its selection, as Qt's lists do.
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form));
    QListWidget* backlight = form->List(41);
    backlight->setEnabled(true);
    backlight->setFocus();
    reader.forget();
    QVERIFY(form->select(backlight, 3));
    QCOMPARE(reader.count(QAccessible::Focus), 1);
    // The module brings its intensity list back, and that list its percentage.
    QCOMPARE(reader.said(QAccessible::ValueChanged, QAccessible::List),
             (QStringList{"BACKLIGHT MODULE: C", "NORMAL BACKLIGHTING (%): 100"}));
    QAccessibleInterface* entry = QAccessible::queryAccessibleInterface(backlight)->child(3);
    QVERIFY(entry->state().focused && entry->state().selected && entry->state().selectable &&
            entry->state().focusable && !entry->state().invisible);
    QCOMPARE(QAccessible::queryAccessibleInterface(backlight)->focusChild(), entry);
    // The entries scrolled out of the list's sight are not showing.
    QVERIFY(QAccessible::queryAccessibleInterface(backlight)->child(16)->state().invisible);
    // On Linux a list's value change reaches no screen reader: a warning of it says nothing.
    QTest::failOnWarning(QRegularExpression("ValueChanged event and no ValueInterface"));
    const QLoggingCategory atspi("qt.accessibility.atspi");
    qCWarning(atspi) << "ValueChanged event and no ValueInterface or ComboBox";
    QTest::ignoreMessage(QtWarningMsg, "Other warnings are printed");
    qCWarning(atspi) << "Other warnings are printed";

    // An outcome is said each time, the same one twice too.
    const QString outcome("SWITCH PANEL DATA READ SUCCESSFUL");
    form->announce(outcome);
    form->announce(outcome);
    QCOMPARE(reader.said(QAccessible::ObjectShow, QAccessible::Notification),
             (QStringList{outcome, outcome}));
    const auto* announcer = form->findChild<Announcer*>();
    QVERIFY(announcer->isVisible() &&
            announcer->childrenRect().united(announcer->rect()).isEmpty());

    // During an operation the controls keep what they would say until it ends, then each that
    // changed says it once, the outcome last; the keyboard's focus is told as it moves.
    reader.forget();
    {
        Form1::Operation operation(*form);
        QVERIFY(form->select(form->List(21), 2) && form->select(form->List(21), 5));
        QVERIFY(form->select(form->List(23), 0)); // LED2 on N/A hides its channel list
        form->Text(13)->setText("LOBBY DOORS");
        form->announce(outcome);
        form->READ_FILE->setFocus();
        QVERIFY(reader.count() == 1 && reader.count(QAccessible::Focus) == 1);
    }
    QCOMPARE(reader.said(QAccessible::ValueChanged, QAccessible::List),
             (QStringList{"LED1 MODULE: E", "LED2 MODULE: N/A"}));
    QCOMPARE(reader.said(QAccessible::ObjectHide, QAccessible::List), QStringList{"LED2 CHANNEL"});
    QCOMPARE(reader.said(QAccessible::TextUpdated, QAccessible::EditableText),
             QStringList{"LED1 DESIGNATION"});
    QCOMPARE(reader.last(), outcome);
    // A frame that hides takes its lists with it; the lists of the cells are told one by one.
    form->Option2->click();
    reader.forget();
    {
        Form1::Operation operation(*form);
        form->show_switch_view();
    }
    QVERIFY(reader.said(QAccessible::ObjectHide, QAccessible::Grouping)
                .contains("LIGHTING CONTROL CHANNELS:"));
    const QStringList hidden = reader.said(QAccessible::ObjectHide, QAccessible::List);
    QVERIFY(hidden.contains("LED1 MODULE") && !hidden.contains("BACKLIGHT MODULE"));
    QCOMPARE(reader.said(QAccessible::StateChanged, QAccessible::RadioButton),
             (QStringList{"SWITCH CHANNEL ASSIGNMENTS: checked",
                          "LIGHTING CHANNEL ASSIGNMENTS: not checked"}));
    // The table shown, a change of what it shows is told once.
    form->Option3_Click();
    reader.forget();
    {
        Form1::Operation operation(*form);
        QVERIFY(form->select(form->List(1), 3) && form->select(form->List(2), 4));
    }
    QCOMPARE(reader.count(QAccessible::TableModelChanged), 1);

    // The table's cells as a reader is given them, by header and row; SW1 shows C, channel 5.
    form->Text(3)->setText("ENTRANCE");
    QAccessibleTableInterface* table =
        QAccessible::queryAccessibleInterface(form->Grid1)->tableInterface();
    QVERIFY(table && table->rowCount() == 25 && table->columnCount() == 6);
    QAccessibleInterface* sw1 = table->cellAt(0, LocationTableModel::Window);
    QCOMPARE(sw1->text(QAccessible::Name), QString("C 5"));
    QCOMPARE(sw1->tableCellInterface()->rowHeaderCells().value(0)->text(QAccessible::Name),
             QString("SW1 ENTRANCE"));
    const QAbstractItemModel* shown = form->Grid1->model();
    QCOMPARE(shown->headerData(LocationTableModel::Window, Qt::Horizontal), QVariant("WINDOW"));
    QVERIFY(!shown->headerData(25, Qt::Vertical, Qt::AccessibleTextRole).isValid());
    // Entered by the keyboard, the table is told, and after it the cell the keyboard is on.
    reader.forget();
    form->Grid1->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(reader.last(), QString("1"));
    QCOMPARE(reader.said(QAccessible::Focus, QAccessible::Table), QStringList{"ALL 25 LOCATIONS"});
}

// The window's drawn client area with an openbox-like frame (1 px borders, a 20 px title bar)
// and a 15 px scroll bar.
static const QSize drawn(761, 593);
static QRect frameAt(int x, int y, int titleBar = 20) {
    return QRect(x, y, drawn.width() + 2, drawn.height() + titleBar + 1);
}

void TestWindow::fitWindow_data() {
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<QSize>("client");
    QTest::addColumn<bool>("scrolls");
    QTest::addColumn<QPoint>("position");

    QTest::newRow("1366x768 less a 32 px desktop bar")
        << QRect(0, 32, 1366, 736) << frameAt(0, 32) << drawn << false << QPoint(0, 32);
    QTest::newRow("exactly the frame's size")
        << QRect(0, 0, 763, 614) << frameAt(0, 0) << drawn << false << QPoint(0, 0);
    QTest::newRow("one pixel short in height: a bar beside, no bar below")
        << QRect(0, 0, 1024, 613) << frameAt(0, 0) << QSize(776, 592) << true << QPoint(0, 0);
    QTest::newRow("one pixel short in width: a bar below, no bar beside")
        << QRect(0, 0, 762, 800) << frameAt(0, 0) << QSize(760, 608) << true << QPoint(0, 0);
    QTest::newRow("short in height, no room beside for the bar: both bars")
        << QRect(0, 0, 770, 500) << frameAt(0, 0) << QSize(768, 479) << true << QPoint(0, 0);
    QTest::newRow("1024x600 less a bar, frame hanging below: moved up into the area")
        << QRect(0, 32, 1024, 568) << frameAt(100, 40) << QSize(776, 547) << true
        << QPoint(100, 32);
    QTest::newRow("scale 2 on 1920x1080 less a bar, 10 px title bar")
        << QRect(0, 16, 960, 524) << frameAt(0, 16, 10) << QSize(776, 513) << true << QPoint(0, 16);
    QTest::newRow("second screen to the right, frame hanging off its right edge")
        << QRect(1366, 0, 1024, 600) << frameAt(2000, 0) << QSize(776, 579) << true
        << QPoint(1612, 0);
    QTest::newRow("frame above and left of the area: moved in, size kept")
        << QRect(0, 0, 1366, 768) << frameAt(-50, -30) << drawn << false << QPoint(0, 0);
    QTest::newRow("screen smaller than the frame: smallest window, its corner on the screen")
        << QRect(0, 0, 100, 80) << frameAt(10, 10) << QSize(160, 120) << true << QPoint(0, 0);
}

void TestWindow::fitWindow() {
    QFETCH(QRect, available);
    QFETCH(QRect, frame);
    QFETCH(QSize, client);
    QFETCH(bool, scrolls);
    QFETCH(QPoint, position);
    const WindowFit fit = ::fitWindow(available, frame, drawn, 15);
    QCOMPARE(fit.client, client);
    QCOMPARE(fit.scrolls, scrolls);
    QCOMPARE(fit.framePosition, position);
}

// On a screen too small for it the window shrinks, the drawing scrolls, the keyboard scrolls
// it (Page Down from a button), and a control reached by Tab is scrolled into view. On a
// screen with room it is as drawn again.
void TestWindow::scrollsOnASmallScreen() {
    auto* area = form->findChild<QScrollArea*>();
    auto* fitter = form->findChild<WindowFitter*>();
    QVERIFY(area && fitter);
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form));
    QVERIFY(!area->verticalScrollBar()->isVisible() && !area->horizontalScrollBar()->isVisible());

    fitter->fitInto(QRect(0, 0, 640, 480), false);
    QCOMPARE(form->frameGeometry().size(), QSize(640, 480));
    QScrollBar* bar = area->verticalScrollBar();
    QTRY_VERIFY(bar->isVisible() && area->horizontalScrollBar()->isVisible());
    const auto inView = [area](QWidget* w) {
        return area->viewport()->rect().contains(
            QRect(w->mapTo(area->viewport(), QPoint()), w->size()));
    };
    QVERIFY(!inView(form->Text(2)));
    form->READ_FILE->setFocus();
    QTest::keyClick(form->READ_FILE, Qt::Key_PageDown);
    QCOMPARE(bar->value(), bar->maximum());
    QVERIFY(inView(form->Text(2)) && inView(form->Shape1));
    QVERIFY(!inView(form->Option1));
    QTest::keyClick(form->READ_FILE, Qt::Key_Tab);
    QCOMPARE(form->focusWidget(), form->Option1);
    QVERIFY(inView(form->Option1));

    fitter->fitInto(QRect(0, 0, 1366, 768), false);
    QCOMPARE(form->size(), drawn);
    QTRY_VERIFY(!bar->isVisible() && !area->horizontalScrollBar()->isVisible());
}

// The program's real boxes: the fixed text and title, one OK button, no icon, and the cause
// under the text without a click, shown as the plain text it is.
void TestWindow::messageBoxes_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("cause");
    QTest::addColumn<QString>("shownTitle");
    QTest::newRow("no title, no cause") << ""
                                        << ""
                                        << "NVX 10 BUTTON CONFIGURATION";
    QTest::newRow("cause quoting markup") << "FILE/MODEL MIS-MATCH"
                                          << "THE FILE IS FOR MODEL \"<b>X</b> &amp;\""
                                          << "FILE/MODEL MIS-MATCH";
}

void TestWindow::messageBoxes() {
    QFETCH(QString, title);
    QFETCH(QString, cause);
    QFETCH(QString, shownTitle);
    const QString text = "AN ERROR HAS OCCURRED\nON TWO LINES";
    QtMessageBoxes boxes(form);
    form->show();
    QStringList seen;
    QTimer poll;
    poll.setInterval(10);
    connect(&poll, &QTimer::timeout, this, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        poll.stop();
        auto* informative = box->findChild<QLabel*>("qt_msgbox_informativelabel");
        seen << box->windowTitle() << box->text() << box->informativeText()
             << QString::number(box->icon() == QMessageBox::NoIcon)
             << QString::number(box->buttons().size())
             << (informative && informative->isVisible() ? informative->text() : QString())
             << QString::number(informative ? informative->textFormat() : Qt::PlainText);
        box->button(QMessageBox::Ok)->click();
    });
    poll.start();
    boxes.message(text, title, cause);
    QCOMPARE(seen, (QStringList{shownTitle, text, cause, "1", "1", cause,
                                QString::number(Qt::PlainText)}));
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
