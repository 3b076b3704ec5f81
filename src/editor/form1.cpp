#include "form1.h"

#include "accessible.h"
#include "codes.h"
#include "location_table.h"
#include "messages.h"
#include "widgets.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTimer>

const char* const Form1::caption =
    "KDR NVX 10 BUTTON DIMMABLE SWITCH PANEL LIMITED ACCESS CONFIGURATION PROGRAM";
const char* const Form1::intensityMessage = "NORMAL INDICATOR INTENSITY must be set equal to\n"
                                            "or greater than NORMAL BACKLIGHTING INTENSITY.";

const QColor Form1::yellow(255, 255, 0);
const QColor Form1::red(255, 0, 0);
const QColor Form1::green(0, 255, 0);

Form1::Form1(MessageBoxes& messages, QWidget* parent) : QWidget(parent), messages_(messages) {
    buildWindow();
    for (auto it = lists_.cbegin(); it != lists_.cend(); ++it) {
        const int n = it.key();
        connect(it.value(), &QListWidget::currentRowChanged, this, [this, n] { List_Click(n); });
    }
    connect(Option1, &QRadioButton::clicked, this, &Form1::Option1_Click);
    connect(Option2, &QRadioButton::clicked, this, &Form1::Option2_Click);
    connect(Option3, &QRadioButton::clicked, this, &Form1::Option3_Click);
    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
    Form_Load();
}

Form1::~Form1() {
    // The table asks the window for its texts until it goes: before the window's own fields.
    delete Grid1;
    delete locationTable_;
}

QListWidget* Form1::List(int n) const {
    QListWidget* list = lists_.value(n);
    Q_ASSERT_X(list, "Form1::List", "no such list");
    return list;
}

QLineEdit* Form1::Text(int n) const {
    QLineEdit* box = texts_.value(n);
    Q_ASSERT_X(box, "Form1::Text", "no such text box");
    return box;
}

QLabel* Form1::Label(int n) const {
    QLabel* label = labels_.value(n);
    Q_ASSERT_X(label, "Form1::Label", "no such label");
    return label;
}

bool Form1::select(QListWidget* list, int position) {
    if (position < -1 || position >= list->count())
        return false;
    // currentRowChanged fires synchronously and only on a change: exactly the click rule.
    list->setCurrentRow(position);
    return true;
}

int Form1::selectedValue(const QListWidget* list, int fallback) {
    const QListWidgetItem* item = list->currentItem();
    return item ? item->data(Qt::UserRole).toInt() : fallback;
}

void Form1::showStatus(const QColor& colour, const QString& text) {
    setStatusVisible(true);
    setStatusColour(colour);
    setStatusText(text);
}

void Form1::setStatusText(const QString& text) {
    Text1->setPlainText(text);
    // Painted at once: an operation may replace a text (the cause of a failure) before it
    // next waits, and the status line must have shown it.
    if (Text1->isVisible())
        Text1->viewport()->repaint();
}

void Form1::setStatusColour(const QColor& colour) {
    // The text's ground and the strips beside it, in every state of the window.
    QPalette palette = Text1->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, colour);
        palette.setColor(group, QPalette::Window, colour);
    }
    Text1->setPalette(palette);
}

void Form1::setStatusVisible(bool visible) {
    Text1->setVisible(visible);
}

QString Form1::statusText() const {
    return Text1->toPlainText();
}

QColor Form1::statusColour() const {
    return Text1->palette().color(QPalette::Base);
}

void Form1::announce(const QString& text) {
    // Said after the window has settled, so that a screen reader takes it last.
    if (operationRunning_)
        outcome_ = text;
    else
        announcer_->announce(text);
}

void Form1::Form_Load() {
    r.indpercent = 10;
    r.blpercent = 10;
    r.dindpercent = 10;
    select(List(45), 0);
    select(List(46), 0);
    select(List(49), 0);
    show_switch_view();
}

void Form1::Option1_Click() {
    show_switch_view();
}

void Form1::Timer1_Timer() {
    r.timer_flag = 1;
}

void Form1::List_Click(int n) {
    if (const int i = intensityOfList(n); i >= 0) {
        intensityClick(intensityItems()[i]);
        return;
    }
    const int i = itemOfList(n);
    if (i < 0)
        return;
    const AssignmentItem& item = assignmentItems()[i];
    if (n == item.moduleList)
        moduleClick(item);
    else if (item.channelRule)
        channelClick(item);
}

void Form1::moduleClick(const AssignmentItem& item) {
    QListWidget* module = List(item.moduleList);
    const int p = module->currentRow();
    if (p < 0)
        return; // only a cleared selection lands here; it carries no module
    const bool assigned = p != 0;
    if (!assigned)
        r.*item.code = Integer(module->item(0)->data(Qt::UserRole).toInt());
    // Hidden or shown in this order: the channel list, then the lighting intensity it
    // governs and that intensity's caption.
    showInView(List(item.channelList), assigned);
    if (item.dependentList) {
        List(item.dependentList)->setVisible(assigned);
        Label(item.dependentLabel)->setVisible(assigned);
    }
    if (assigned) {
        r.*item.moduleBase = Integer(module->item(p)->data(Qt::UserRole).toInt());
        r.*item.code = Integer(r.*item.channelOffset + r.*item.moduleBase);
    }
}

void Form1::channelClick(const AssignmentItem& item) {
    const QListWidget* channel = List(item.channelList);
    if (channel->currentRow() < 0)
        return;
    r.*item.channelOffset = Integer(selectedValue(channel));
    r.*item.code = Integer(r.*item.moduleBase + r.*item.channelOffset);
    if (item.designationText)
        showInView(Text(item.designationText), true);
}

void Form1::showInView(QWidget* control, bool shown) {
    // The controls of the cells lie under the table; those in the frames hide with them.
    if (shown && Option3->isChecked() && control->parentWidget() == client_)
        return;
    control->setVisible(shown);
}

void Form1::intensityClick(const IntensityItem& item) {
    QListWidget* list = List(item.list);
    if (list->currentRow() < 0)
        select(list, 0);
    r.*item.code = Integer(selectedValue(list));
    if (item.partnerList && r.indpercent < r.blpercent) {
        messages_.message(QString::fromLatin1(intensityMessage));
        // Move this list to the other normal intensity's entry; the nested run of this
        // rule for that entry finds the rule kept.
        select(list, std::max(0, List(item.partnerList)->currentRow()));
        r.*item.code = Integer(selectedValue(list));
    }
}

void Form1::show_intensity(const IntensityItem& item) {
    r.*item.code = Integer(codes::normalisedIntensity(r.*item.code));
    select(List(item.list), codes::intensityPosition(r.*item.code));
}

void Form1::show_panel_intensities() {
    // A value that is no intensity code stands for 100 %: all three are normalised before any
    // list is judged, so the rule never sees a raw 0 or 9. The backlighting then goes to its
    // lowest entry, which keeps the rule whatever the indicator (the record takes its code even
    // when the list was there already). The panel's indicator is shown without being judged
    // against a value from before the read, and the panel's backlighting is judged against it:
    // a violation shows the rule's message once and moves the backlighting onto the indicator.
    for (const IntensityItem& item : intensityItems())
        r.*item.code = Integer(codes::normalisedIntensity(r.*item.code));
    const Integer backlighting = r.blpercent;
    QListWidget* list = List(45);
    select(list, list->count() - 1);
    r.blpercent = Integer(selectedValue(list));
    show_ind_intensity();
    r.blpercent = backlighting;
    show_bl_intensity();
    show_dind_intensity();
}

void Form1::show_bl_intensity() {
    show_intensity(intensityItems()[0]);
}
void Form1::show_ind_intensity() {
    show_intensity(intensityItems()[1]);
}
void Form1::show_dind_intensity() {
    show_intensity(intensityItems()[2]);
}

void Form1::showItemChannel(const AssignmentItem& item) {
    QListWidget* module = List(item.moduleList);
    module->show();
    List(item.channelList)->setVisible(module->currentRow() != 0);
}

void Form1::show_switch_view() {
    if (Option3->isChecked()) {
        showTableView();
        return;
    }
    Grid1->hide();
    Frame1->hide();
    Frame2->hide();
    // Selecting from code raises no click, so the view is never made twice over.
    Option1->setChecked(true);
    for (const AssignmentItem& item : assignmentItems()) {
        if (item.kind == AssignmentItem::Kind::Switch)
            Text(item.designationText)->setVisible(r.config_flag == 0);
    }
    for (const AssignmentItem& item : assignmentItems()) {
        if (item.kind == AssignmentItem::Kind::Led)
            Text(item.designationText)->hide();
    }
    for (const AssignmentItem& item : assignmentItems()) {
        if (item.kind == AssignmentItem::Kind::Switch)
            showItemChannel(item);
    }
    for (int n = 21; n <= 42; ++n)
        List(n)->hide();
    setRowCaptions(false);
    Label(14)->hide();
}

void Form1::Option2_Click() {
    Grid1->hide();
    Frame1->show();
    Frame2->show();
    for (const AssignmentItem& item : assignmentItems()) {
        if (item.kind == AssignmentItem::Kind::Switch)
            Text(item.designationText)->hide();
    }
    for (const AssignmentItem& item : assignmentItems()) {
        if (item.kind == AssignmentItem::Kind::Led)
            Text(item.designationText)->show();
    }
    for (int n = 1; n <= 20; ++n)
        List(n)->hide();
    for (const AssignmentItem& item : assignmentItems()) {
        if (item.kind == AssignmentItem::Kind::Led ||
            item.kind == AssignmentItem::Kind::Backlighting)
            showItemChannel(item);
    }
    setRowCaptions(true);
    Label(14)->show();
}

void Form1::Option3_Click() {
    showTableView();
}

void Form1::showTableView() {
    Frame1->hide();
    Frame2->hide();
    for (const AssignmentItem& item : assignmentItems()) {
        if (item.designationText)
            Text(item.designationText)->hide();
    }
    for (int n = 1; n <= 40; ++n)
        List(n)->hide();
    hideRowLabels();
    Label(14)->hide();
    Grid1->show();
}

void Form1::compose_panel_values() {
    const Composition composed = composition();
    const AssignmentTable& items = assignmentItems();
    // The items before an incomplete one take their new values; it and those after it keep
    // theirs.
    const int count = composed.incomplete < 0 ? int(items.size()) : composed.incomplete;
    for (int i = 0; i < count; ++i)
        r.*items[i].composed = composed.codes[i];
    if (composed.incomplete >= 0) {
        r.error_flag = Integer(items[composed.incomplete].incompleteFlag);
        return;
    }
    show_switch_view();
}

Form1::Composition Form1::composition() const {
    Composition composed;
    const AssignmentTable& items = assignmentItems();
    for (int i = 0; i < int(items.size()); ++i) {
        const QListWidget* module = List(items[i].moduleList);
        const QListWidget* channel = List(items[i].channelList);
        const int p = module->currentRow();
        if (p == 0) {
            composed.codes[i] = Integer(module->item(0)->data(Qt::UserRole).toInt());
            continue;
        }
        const int q = channel->currentRow();
        if (p == -1 || q == -1) {
            composed.incomplete = i;
            break;
        }
        const int sum = selectedValue(module) + selectedValue(channel);
        Q_ASSERT(sum >= 0 && sum <= codes::notAssigned); // entries hold bases and offsets only
        composed.codes[i] = Integer(sum);
    }
    return composed;
}

void Form1::markList(int n, const QString& note) {
    QListWidget* list = List(n);
    if (!marks_.contains(n))
        marks_.insert(n, {list->toolTip(), list->accessibleDescription(), new MarkOutline(list)});
    const Mark& mark = marks_[n];
    list->setToolTip(mark.toolTip + QLatin1Char('\n') + note);
    list->setAccessibleDescription(mark.description + QLatin1Char('\n') + note);
}

void Form1::clearMarks() {
    for (auto it = marks_.cbegin(); it != marks_.cend(); ++it) {
        QListWidget* list = List(it.key());
        list->setToolTip(it->toolTip);
        list->setAccessibleDescription(it->description);
        delete it->outline;
    }
    marks_.clear();
    if (!panelHolds_.isEmpty()) {
        panelHolds_.clear();
        emit notesChanged();
    }
}

void Form1::notePanelHolds(int location, const QString& held) {
    panelHolds_.insert(location, held);
    emit notesChanged();
}

void Form1::setOrigin(Origin origin) {
    origin_ = origin;
    partlyRead_ = 0;
    emit notesChanged();
}

void Form1::setPartlyRead(int locations) {
    origin_ = Origin::PartlyRead;
    partlyRead_ = locations;
    emit notesChanged();
}

Form1::Operation::Operation(Form1& form, bool holdBack)
    : form_(form), owner_(!form.operationRunning_) {
    if (!owner_)
        return;
    form.operationRunning_ = true;
    if (holdBack)
        this->holdBack();
}

void Form1::Operation::holdBack() {
    if (owner_ && !form_.settle_)
        form_.settle_ = std::make_unique<accessible::Settle>(form_.client_);
}

Form1::Operation::~Operation() {
    if (!owner_)
        return;
    form_.settle_.reset();
    form_.operationRunning_ = false;
    if (!form_.outcome_.isEmpty())
        form_.announcer_->announce(std::exchange(form_.outcome_, QString()));
    // The close the user asked for is carried out now, and then forgotten: should it not end
    // the program, later operations must not take it for a close still pending.
    if (form_.closeRequested_) {
        form_.closeRequested_ = false;
        QTimer::singleShot(0, &form_, &QWidget::close);
    }
}

void Form1::closeEvent(QCloseEvent* event) {
    if (operationRunning_) {
        // The running operation still uses the window: let it end (its waits watch this
        // flag), then close.
        closeRequested_ = true;
        event->ignore();
        emit closeRequestedDuringOperation();
        return;
    }
    QWidget::closeEvent(event);
}
