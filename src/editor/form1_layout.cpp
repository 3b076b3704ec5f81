// The window's controls, placed from twips. Fixed controls come from one table, the
// ten cells of the panel drawing from the cell rule.
#include "accessible.h"
#include "appearance.h"
#include "codes.h"
#include "form1.h"
#include "location_table.h"
#include "widgets.h"
#include "window_fit.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

using appearance::px;

namespace {

constexpr quint32 switchGreen = 0x00008000;
constexpr quint32 ledRed = 0x000000C0;
constexpr quint32 noColour = 0xffffffff;
constexpr quint32 activeBorder = 0x8000000A;
constexpr quint32 inactiveBorder = 0x8000000B;
constexpr quint32 menuText = 0x80000007;
constexpr quint32 light3d = 0x80000016;
constexpr quint32 headerCyan = 0x00FFFF80;

// Row labels of the cells 1..10, top to bottom and left to right.
constexpr int rowLabels[10] = {2, 3, 4, 5, 8, 9, 10, 11, 12, 13};

enum class Kind {
    Picture,
    Label,
    Shape,
    NameBox,
    StatusLine,
    Option,
    Command,
    Frame,
    List,
    PortSelector,
    Progress,
    Table
};
enum class Font { Window, List, Caption, Status };

struct ControlRow {
    Kind kind;
    const char* name;
    const char* frame; // enclosing frame, nullptr for the window
    int left, top, width, height;
    const char* caption;
    const char* toolTip;
    Font font;
    quint32 foreground;
    quint32 background;
};

// clang-format off
// Creation order is stacking order: the picture lies under everything, Label14 under Frame1.
const ControlRow controls[] = {
    {Kind::Picture, "Image1", nullptr, 1080, 1320, 4290, 7395, "", "", Font::Window, noColour, noColour},
    {Kind::Label, "Label14", nullptr, 6000, 3840, 1215, 375, "", "", Font::Window, noColour, noColour},
    {Kind::Shape, "Shape1", nullptr, 4200, 7680, 735, 255, "", "", Font::Window, noColour, headerCyan},
    {Kind::Label, "Label7", nullptr, 840, 8640, 3375, 375, "PROGRAMMING HEADER LOCATION", "", Font::Window, noColour, noColour},
    {Kind::Label, "Label6", nullptr, 2400, 7800, 1695, 255, "PANEL NAME", "", Font::Window, noColour, inactiveBorder},
    {Kind::NameBox, "Text2", nullptr, 2400, 8040, 1695, 285, "", "ENTER IDENTITY FOR FILE NAME", Font::List, noColour, noColour},
    {Kind::StatusLine, "Text1", nullptr, 1680, 1680, 3135, 615, "Text1\r\n", "", Font::Status, noColour, light3d},
    {Kind::Option, "Option1", nullptr, 4680, 240, 2415, 495, "SWITCH CHANNEL ASSIGNMENTS", "LEFT CLICK TO VIEW SWITCH CHANNEL ASSIGNMENTS", Font::Window, switchGreen, noColour},
    {Kind::Option, "Option2", nullptr, 4680, 720, 2415, 495, "LIGHTING CHANNEL ASSIGNMENTS", "LEFT CLICK TO VIEW LIGHTING CHANNEL ASSIGNMENTS", Font::Window, ledRed, noColour},
    // The table of all 25 locations, in the free corner left of COMPARE, at Option1's height.
    {Kind::Option, "Option3", nullptr, 120, 240, 1785, 495, "ALL 25 LOCATIONS", "LEFT CLICK TO VIEW ALL 25 LOCATIONS IN ONE TABLE", Font::Window, noColour, noColour},
    {Kind::Command, "READ_FILE", nullptr, 6000, 1440, 2415, 855, "OPEN CONFIGURATION FILE", "LEFT CLICK TO OPEN CONFIG FILE", Font::Caption, noColour, noColour},
    {Kind::Command, "READ_CONFIG", nullptr, 8760, 1440, 2415, 855, "READ CONFIGURATION FROM SWITCH PANEL", "LEFT CLICK TO READ CONFIG IN SWITCH PANEL", Font::Caption, noColour, noColour},
    {Kind::Command, "WRITE_CONFIG", nullptr, 8760, 2520, 2415, 855, "WRITE CONFIGURATION TO SWITCH PANEL", "LEFT CLICK TO SAVE CONFIG IN SWITCH PANEL", Font::Caption, noColour, noColour},
    // The search for the panel's port, in the one cell of the command buttons' grid that is
    // free in both views.
    {Kind::Command, "FIND_PANEL", nullptr, 6000, 2520, 2415, 855, "FIND PANEL", "LEFT CLICK TO TRY EACH SERIAL PORT FOR THE SWITCH PANEL", Font::Caption, noColour, noColour},
    // The comparison of the panel with the window, above the drawing and left of the option
    // buttons, a button's gap from both.
    {Kind::Command, "COMPARE_PANEL", nullptr, 2025, 240, 2415, 855, "COMPARE WITH PANEL", "LEFT CLICK TO COMPARE THE SWITCH PANEL WITH THE WINDOW", Font::Caption, noColour, noColour},
    // The serial port and the progress of a panel operation, in the free corner right of the
    // option buttons and above the command buttons.
    {Kind::Label, "Label20", nullptr, 7320, 120, 3855, 255, "SERIAL PORT", "", Font::Window, noColour, noColour},
    {Kind::PortSelector, "Combo1", nullptr, 7320, 390, 3855, 375, "", "", Font::List, noColour, noColour},
    {Kind::Progress, "ProgressBar1", nullptr, 7320, 810, 3855, 495, "", "", Font::Status, noColour, noColour},
    {Kind::Frame, "Frame1", nullptr, 6000, 3720, 3495, 1695, "LIGHTING CONTROL CHANNELS:", "", Font::Caption, ledRed, noColour},
    {Kind::Label, "Label19", "Frame1", 480, 480, 1215, 255, "BACKLIGHT", "", Font::Caption, ledRed, noColour},
    {Kind::List, "List41", "Frame1", 1680, 240, 855, 645, "", "BACKLIGHTING MODULE ASSIGNMENT", Font::List, ledRed, noColour},
    {Kind::List, "List42", "Frame1", 2520, 240, 615, 645, "", "BACKLIGHTING CHANNEL ASSIGNMENT", Font::List, ledRed, noColour},
    {Kind::Label, "Label1", "Frame1", 720, 1200, 975, 255, "DIMMING", "", Font::Caption, ledRed, noColour},
    {Kind::List, "List43", "Frame1", 1680, 960, 855, 645, "", "DIMMING MODULE ASSIGNMENT", Font::List, ledRed, noColour},
    {Kind::List, "List44", "Frame1", 2520, 960, 615, 645, "", "DIMMING CHANNEL ASSIGNMENT", Font::List, ledRed, noColour},
    {Kind::Frame, "Frame2", nullptr, 6000, 5760, 5175, 2775, "LIGHTING INTENSITIES:", "", Font::Caption, ledRed, noColour},
    {Kind::Label, "Label17", "Frame2", 600, 480, 2415, 255, "NORMAL INDICATOR (%)", "", Font::Caption, ledRed, noColour},
    {Kind::List, "List49", "Frame2", 3120, 240, 735, 645, "", "LED INDICATOR NORMAL INTENSITY (%)", Font::List, ledRed, noColour},
    {Kind::Label, "Label15", "Frame2", 240, 1200, 2895, 255, "NORMAL BACKLIGHTING (%)", "", Font::Caption, ledRed, noColour},
    {Kind::List, "List45", "Frame2", 3120, 1080, 735, 645, "", "BACKLIGHTING NORMAL INTENSITY (%)", Font::List, ledRed, noColour},
    {Kind::Label, "Label16", "Frame2", 600, 1920, 2535, 615, "DIMMED BACKLIGHTING AND INDICATOR (%)", "", Font::Caption, ledRed, noColour},
    {Kind::List, "List46", "Frame2", 3120, 1920, 735, 645, "", "DIMMED INDICATOR INTENSITY (%)", Font::List, ledRed, noColour},
    // The sheet of what the window shows, to print or keep as a PDF: right of the lighting frame,
    // in the one command button's place the table leaves free in every view; the narrow place
    // takes the option buttons' font.
    {Kind::Command, "PRINT_SHEET", nullptr, 9600, 3720, 1575, 855, "PRINT CONFIGURATION SHEET", "LEFT CLICK TO PRINT THE CONFIGURATION SHEET OF ALL 25 LOCATIONS", Font::Window, noColour, noColour},
    // Over the cells and the frames, clear of the buttons above it and of the panel name and
    // the header marker below it; right of it a command button's place stays free in all views.
    {Kind::Table, "Grid1", nullptr, 120, 3480, 9360, 4140, "", "", Font::List, noColour, noColour},
};
// clang-format on

QRect twips(int left, int top, int width, int height) {
    return QRect(px(left), px(top), px(width), px(height));
}

QFont fontOf(Font font) {
    switch (font) {
    case Font::List:
        return appearance::sansSerif(false);
    case Font::Caption:
        return appearance::arial(9.75, true);
    case Font::Status:
        return appearance::arial(8.25, false);
    case Font::Window:
        break;
    }
    return appearance::sansSerif(true);
}

// Sets a colour role in every colour group: the disabled lists and boxes must still show
// their set's colour and a visible selection.
void setRole(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
    QPalette palette = widget->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, role, colour);
    widget->setPalette(palette);
}

void setForeground(QWidget* widget, const QColor& colour) {
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        setRole(widget, role, colour);
}

// Disabled boxes keep the look of enabled ones: white ground, normal highlight.
void keepEnabledLook(QWidget* widget) {
    const QPalette active = widget->palette();
    setRole(widget, QPalette::Text, active.color(QPalette::Active, QPalette::Text));
    setRole(widget, QPalette::Base, active.color(QPalette::Active, QPalette::Base));
    setRole(widget, QPalette::Highlight, active.color(QPalette::Active, QPalette::Highlight));
    setRole(widget, QPalette::HighlightedText,
            active.color(QPalette::Active, QPalette::HighlightedText));
}

template <std::size_t N> void fill(QListWidget* list, const std::array<codes::Entry, N>& entries) {
    for (const auto& entry : entries) {
        auto* item = new QListWidgetItem(QString::fromLatin1(entry.text), list);
        item->setData(Qt::UserRole, entry.value);
    }
}

} // namespace

void Form1::buildWindow() {
    accessible::install(); // before any control is described to a screen reader
    setObjectName("Form1");
    setWindowTitle(QString::fromLatin1(caption));
    setWindowIcon(appearance::windowIcon());
    setFont(appearance::sansSerif(true));
    setAutoFillBackground(true);
    setRole(this, QPalette::Window, appearance::colour(activeBorder, palette()));

    // The controls lie on a client area of the drawn size. Where the screen has no room for it,
    // the window is smaller and the client area scrolls inside it.
    client_ = new QWidget;
    client_->setFixedSize(px(11415), px(8895));
    auto* scrollArea = new QScrollArea;
    scrollArea->setFrameShape(QFrame::NoFrame);
    scrollArea->setFocusPolicy(Qt::NoFocus); // Tab goes on to the controls at once
    scrollArea->setWidget(client_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scrollArea);
    setFixedSize(client_->size());
    new WindowFitter(*this, *scrollArea);

    QMap<QString, QWidget*> frames;
    auto place = [&](QWidget* widget, const char* name, const char* frame, QRect geometry) {
        widget->setObjectName(QString::fromLatin1(name));
        widget->setParent(frame ? frames.value(QString::fromLatin1(frame)) : client_);
        widget->setGeometry(geometry);
    };
    auto makeList = [&](int n, const char* frame, QRect geometry, const QString& toolTip,
                        quint32 foreground) {
        auto* list = new ChoiceList;
        place(list, qPrintable(QStringLiteral("List%1").arg(n)), frame, geometry);
        if (n == 45 || n == 46 || n == 49)
            fill(list, codes::intensityEntries);
        else if (n % 2 == 1)
            fill(list, codes::moduleEntries);
        else
            fill(list, codes::channelEntries);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setFont(fontOf(Font::List));
        list->setToolTip(toolTip);
        // A list's tool tip does not reach a screen reader by itself.
        list->setAccessibleDescription(toolTip);
        list->setEnabled(false);
        setForeground(list, appearance::colour(foreground, palette()));
        keepEnabledLook(list);
        lists_.insert(n, list);
    };

    for (const ControlRow& row : controls) {
        const QRect geometry = twips(row.left, row.top, row.width, row.height);
        const QString name = QString::fromLatin1(row.name);
        const QString captionText = QString::fromLatin1(row.caption);
        QWidget* widget = nullptr;
        switch (row.kind) {
        case Kind::Picture: {
            Image1 = new QLabel;
            Image1->setPixmap(appearance::panelPlate());
            widget = Image1;
            break;
        }
        case Kind::Label: {
            auto* label = new QLabel(captionText);
            label->setWordWrap(true);
            labels_.insert(name.mid(5).toInt(), label);
            widget = label;
            break;
        }
        case Kind::Shape: {
            auto* shape = new ShapeWidget;
            shape->setFillColour(appearance::colour(row.background, palette()));
            Shape1 = shape;
            widget = shape;
            break;
        }
        case Kind::NameBox: {
            auto* box = new QLineEdit;
            box->setMaxLength(12);
            box->setEnabled(false);
            texts_.insert(2, box);
            widget = box;
            break;
        }
        case Kind::StatusLine: {
            Text1 = new StatusLine(captionText);
            Text1->setReadOnly(true);
            Text1->setFocusPolicy(Qt::NoFocus);
            Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            Text1->hide();
            widget = Text1;
            break;
        }
        case Kind::Option: {
            auto* option = new WrappingRadioButton(captionText);
            const std::pair<const char*, QRadioButton**> options[] = {
                {"Option1", &Option1}, {"Option2", &Option2}, {"Option3", &Option3}};
            for (const auto& [optionName, field] : options) {
                if (name == QLatin1String(optionName))
                    *field = option;
            }
            widget = option;
            break;
        }
        case Kind::Command: {
            auto* button = new WrappingButton(captionText);
            // Spoken by its caption, whatever the style draws.
            button->setAccessibleName(captionText);
            const std::pair<const char*, QPushButton**> commands[] = {
                {"READ_FILE", &READ_FILE},         {"READ_CONFIG", &READ_CONFIG},
                {"WRITE_CONFIG", &WRITE_CONFIG},   {"FIND_PANEL", &FIND_PANEL},
                {"COMPARE_PANEL", &COMPARE_PANEL}, {"PRINT_SHEET", &PRINT_SHEET},
            };
            for (const auto& [commandName, field] : commands) {
                if (name == QLatin1String(commandName))
                    *field = button;
            }
            widget = button;
            break;
        }
        case Kind::Frame: {
            auto* frame = new QGroupBox(captionText);
            frames.insert(name, frame);
            (name == QLatin1String("Frame1") ? Frame1 : Frame2) = frame;
            widget = frame;
            break;
        }
        case Kind::PortSelector:
            Combo1 = new PortComboBox;
            // A port the system does not list (a /dev/serial/by-id name, a simulated panel's
            // pseudo-terminal) can be typed in.
            Combo1->setEditable(true);
            Combo1->setInsertPolicy(QComboBox::NoInsert);
            widget = Combo1;
            break;
        case Kind::Progress:
            ProgressBar1 = new OutcomeBar;
            widget = ProgressBar1;
            break;
        case Kind::Table:
            Grid1 = new LocationTableView;
            Grid1->setAccessibleName(QStringLiteral("ALL 25 LOCATIONS"));
            Grid1->hide(); // until Option3 is chosen
            widget = Grid1;
            break;
        case Kind::List:
            makeList(name.mid(4).toInt(), row.frame, geometry, QString::fromLatin1(row.toolTip),
                     row.foreground);
            continue;
        }
        place(widget, row.name, row.frame, geometry);
        widget->setToolTip(QString::fromLatin1(row.toolTip));
        if (row.font != Font::Window)
            widget->setFont(fontOf(row.font));
        if (row.foreground != noColour)
            setForeground(widget, appearance::colour(row.foreground, palette()));
        if (row.background != noColour && row.kind != Kind::Shape) {
            widget->setAutoFillBackground(true);
            const QColor ground = appearance::colour(row.background, palette());
            setRole(widget, QPalette::Window, ground);
            setRole(widget, QPalette::Base, ground);
        }
        if (row.kind == Kind::NameBox)
            keepEnabledLook(widget);
    }

    // The two 2-pixel lines from the header marker down and across to its caption.
    auto makeLine = [&](const char* name, int x1, int y1, int x2, int y2) {
        auto* line = new LineWidget;
        const int thickness = 2;
        QRect geometry(QPoint(px(std::min(x1, x2)), px(std::min(y1, y2))),
                       QPoint(px(std::max(x1, x2)), px(std::max(y1, y2))));
        if (x1 == x2)
            geometry.adjust(-thickness / 2, 0, -thickness / 2 + thickness - 1, 0);
        else
            geometry.adjust(0, -thickness / 2, 0, -thickness / 2 + thickness - 1);
        place(line, name, nullptr, geometry);
        line->stackUnder(Shape1);
        return line;
    };
    Line1 = makeLine("Line1", 4560, 7920, 4560, 8760);
    Line2 = makeLine("Line2", 4560, 8760, 4200, 8760);

    // The ten cells, in two columns and five rows; a switch and an LED share each cell.
    const QColor windowGround = appearance::colour(inactiveBorder, palette());
    for (const AssignmentItem& item : assignmentItems()) {
        const bool isSwitch = item.kind == AssignmentItem::Kind::Switch;
        if (!isSwitch && item.kind != AssignmentItem::Kind::Led)
            continue;
        const int n = item.designationText - (isSwitch ? 2 : 12); // item number 1..10
        const int rowIndex = (n - 1) / 2;
        const int column = (n - 1) % 2;
        const quint32 foreground = isSwitch ? switchGreen : ledRed;
        const QString name = QString::fromLatin1(item.name);

        auto* designation = new QLineEdit(QStringLiteral("DESIGNATION "));
        place(designation, qPrintable(QStringLiteral("Text%1").arg(item.designationText)), nullptr,
              twips(1680 + 1680 * column, 2400 + 1080 * rowIndex, 1455, 285));
        designation->setToolTip(QStringLiteral("ENTER %1 FUNCTION").arg(name));
        designation->setEnabled(false);
        setForeground(designation, appearance::colour(foreground, palette()));
        keepEnabledLook(designation);
        texts_.insert(item.designationText, designation);

        makeList(item.moduleList, nullptr,
                 twips(1680 + 1680 * column, 2640 + 1080 * rowIndex, 855, 645),
                 QStringLiteral("%1 MODULE ASSIGNMENT").arg(name), foreground);
        makeList(item.channelList, nullptr,
                 twips(2520 + 1680 * column, 2640 + 1080 * rowIndex, 615, 645),
                 QStringLiteral("%1 CHANNEL ASSIGNMENT").arg(name), foreground);

        if (isSwitch) {
            auto* label = new QLabel(name);
            place(label, qPrintable(QStringLiteral("Label%1").arg(rowLabels[n - 1])), nullptr,
                  QRect(px(column == 0 ? 1200 : 4920), px(2760 + 1080 * rowIndex), 0, px(195)));
            label->setAutoFillBackground(true);
            setRole(label, QPalette::Window, windowGround);
            if (n <= 2)
                setForeground(label, appearance::colour(menuText, palette()));
            label->adjustSize();
            label->setFixedHeight(px(195));
            labels_.insert(rowLabels[n - 1], label);
        }
    }

    // The bar's tooltip leaves the command buttons under it uncovered.
    ProgressBar1->showToolTipUnder(
        {READ_FILE, READ_CONFIG, WRITE_CONFIG, FIND_PANEL, COMPARE_PANEL, PRINT_SHEET});
    // The table reads the cells' lists and boxes, so it comes once they exist.
    locationTable_ = new LocationTableModel(*this, this);
    Grid1->setLocations(locationTable_);

    Option1->setChecked(true);
    Label(16)->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Empty until the first panel operation; its text is centred in the bar.
    ProgressBar1->setRange(0, 1);
    ProgressBar1->setValue(0);
    ProgressBar1->setFormat(QString());
    ProgressBar1->setAlignment(Qt::AlignCenter);

    // Not drawn: it only speaks.
    announcer_ = new Announcer(this);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(500);
    Timer1->setTimerType(Qt::PreciseTimer);

    setTabOrder(WRITE_CONFIG, READ_FILE);
    setTabOrder(READ_FILE, Option1);
    setTabOrder(Option1, Option2);
    setTabOrder(Option2, Option3);
    setTabOrder(Option3, Grid1);
    setTabOrder(Grid1, READ_CONFIG);
    setTabOrder(READ_CONFIG, Combo1);
    setTabOrder(Combo1, FIND_PANEL);
    setTabOrder(FIND_PANEL, COMPARE_PANEL);
    setTabOrder(COMPARE_PANEL, PRINT_SHEET);

    nameControls();
    // The keyboard starts on opening a file: no single key at start writes a panel.
    READ_FILE->setFocus();
}

void Form1::nameControls() {
    // What a screen reader says for each control, from the tables the window is built from:
    // a list by its item and role ("SW1 MODULE"), a designation box by its item, an intensity
    // list by its caption. Captions on the screen stay as they are.
    for (const AssignmentItem& item : assignmentItems()) {
        const QString name =
            item.nameLabel ? Label(item.nameLabel)->text() : QString::fromLatin1(item.name);
        List(item.moduleList)->setAccessibleName(name + QLatin1String(" MODULE"));
        List(item.channelList)->setAccessibleName(name + QLatin1String(" CHANNEL"));
        if (item.designationText)
            Text(item.designationText)->setAccessibleName(name + QLatin1String(" DESIGNATION"));
    }
    for (const IntensityItem& item : intensityItems())
        List(item.list)->setAccessibleName(Label(item.label)->text());
    Text(2)->setAccessibleName(Label(6)->text());
    Text1->setAccessibleName(QStringLiteral("STATUS"));
    ProgressBar1->setAccessibleName(QStringLiteral("PROGRESS"));
    // A combo box is spoken by the label that names it (its own name is its text on Linux),
    // elsewhere by its accessible name.
    Label(20)->setBuddy(Combo1);
    Combo1->setAccessibleName(Label(20)->text());
}

void Form1::setRowCaptions(bool leds) {
    for (int n = 1; n <= 10; ++n) {
        QLabel* label = Label(rowLabels[n - 1]);
        label->setText(QStringLiteral("%1%2").arg(leds ? "LED" : "SW").arg(n));
        label->adjustSize();
        label->setFixedHeight(px(195));
        label->show(); // the table view hides them
    }
}

void Form1::hideRowLabels() {
    for (int n : rowLabels)
        Label(n)->hide();
}
