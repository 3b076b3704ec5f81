#include "accessible.h"

#include "form1.h"
#include "widgets.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <QTableView>
#include <QTextCursor>

#include <algorithm>
#include <vector>

namespace {

// An entry of a list: its text, and whether it is the entry the list has selected.
class EntryAccessible : public QAccessibleInterface {
public:
    EntryAccessible(ChoiceList* list, int row) : list_(list), row_(row) {}

    bool isValid() const override { return !list_.isNull(); } // the lists' entries never change
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return isValid() ? parent()->window() : nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(list_);
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name && isValid() ? list_->item(row_)->text() : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QAccessible::Role role() const override { return QAccessible::ListItem; }

    QRect rect() const override {
        if (!isValid())
            return QRect();
        const QRect shown = list_->visualItemRect(list_->item(row_));
        return QRect(list_->viewport()->mapToGlobal(shown.topLeft()), shown.size());
    }

    QAccessible::State state() const override {
        QAccessible::State state;
        if (!isValid())
            return state;
        state.selectable = true;
        state.focusable = true;
        state.selected = row_ == list_->spokenRow();
        // Only where the keyboard is: a list the program fills keeps the reader's focus away.
        state.focused = row_ == list_->currentRow() && list_->hasFocus();
        state.invisible = !list_->isVisible() || !list_->viewport()->rect().intersects(
                                                     list_->visualItemRect(list_->item(row_)));
        return state;
    }

private:
    QPointer<ChoiceList> list_;
    const int row_;
};

// A list: its name and description as set on the widget, its selected entry as its value, and
// its entries as its children (not the scroll bars the widget is drawn with).
class ListAccessible : public QAccessibleWidget {
public:
    explicit ListAccessible(ChoiceList* list) : QAccessibleWidget(list, QAccessible::List) {}
    ~ListAccessible() override {
        for (QAccessible::Id id : entries_) {
            if (id)
                QAccessible::deleteAccessibleInterface(id);
        }
    }

    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Value ? list()->spokenValue() : QAccessibleWidget::text(t);
    }
    int childCount() const override { return list()->count(); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount())
            return nullptr;
        entries_.resize(std::max(entries_.size(), std::size_t(childCount())));
        QAccessible::Id& id = entries_[std::size_t(index)];
        if (!id)
            id = QAccessible::registerAccessibleInterface(new EntryAccessible(list(), index));
        return QAccessible::accessibleInterface(id);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            if (entries_[i] && QAccessible::accessibleInterface(entries_[i]) == child)
                return int(i);
        }
        return -1;
    }
    QAccessibleInterface* focusChild() const override {
        return list()->hasFocus() ? child(list()->currentRow()) : nullptr;
    }

private:
    ChoiceList* list() const { return static_cast<ChoiceList*>(widget()); }
    mutable std::vector<QAccessible::Id> entries_; // each registered when first asked for
};

// The status line, read-only: its text, line by line and word by word as a screen reader reviews
// it, and where each character is drawn.
class StatusLineAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit StatusLineAccessible(StatusLine* line)
        : QAccessibleWidget(line, QAccessible::EditableText) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Value ? line()->spokenText() : QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        state.multiLine = true;
        return state;
    }

    QString text(int startOffset, int endOffset) const override {
        return line()->spokenText().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(line()->spokenText().size()); }
    QRect characterRect(int offset) const override {
        const QString shown = line()->spokenText();
        if (offset < 0 || offset >= shown.size())
            return QRect();
        QTextCursor cursor(line()->document());
        cursor.setPosition(offset);
        QRect drawn = line()->cursorRect(cursor);
        drawn.setWidth(line()->fontMetrics().horizontalAdvance(shown.at(offset)));
        return QRect(line()->viewport()->mapToGlobal(drawn.topLeft()), drawn.size());
    }
    int offsetAtPoint(const QPoint& point) const override {
        if (line()->spokenText().isEmpty())
            return -1;
        // The nearest place between two characters, left of the character under the point
        // from that character's middle on.
        const int between =
            line()->cursorForPosition(line()->viewport()->mapFromGlobal(point)).position();
        return between > 0 && characterRect(between - 1).contains(point) ? between - 1 : between;
    }
    QString attributes(int, int* startOffset, int* endOffset) const override {
        *startOffset = 0;
        *endOffset = characterCount();
        return QString();
    }
    // Nothing in it is selected, and the reader's cursor stays at its start.
    void selection(int, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = 0;
    }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    void scrollToSubstring(int, int) override {}

private:
    StatusLine* line() const { return static_cast<StatusLine*>(widget()); }
};

// Qt 6.4's AT-SPI bridge passes a value change on only for a control with a numeric value or a
// combo box and warns of every other one. There a list's change reaches the screen reader as
// its entries' selected state; the warning would only fill the terminal during each read.
QtMessageHandler otherMessages = nullptr;
void withoutListValueWarnings(QtMsgType type, const QMessageLogContext& context,
                              const QString& message) {
    if (qstrcmp(context.category, "qt.accessibility.atspi") == 0 &&
        message.startsWith(QLatin1String("ValueChanged event and no ValueInterface")))
        return;
    otherMessages(type, context, message);
}

QAccessibleInterface* describe(const QString& className, QObject* object) {
    if (className == QLatin1String(ChoiceList::staticMetaObject.className()))
        return new ListAccessible(static_cast<ChoiceList*>(object));
    if (className == QLatin1String(StatusLine::staticMetaObject.className()))
        return new StatusLineAccessible(static_cast<StatusLine*>(object));
    if (className == QLatin1String(Announcer::staticMetaObject.className()))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Notification);
    // A window of its own, not a part of one, as a widget without a parent would be.
    if (className == QLatin1String(Form1::staticMetaObject.className()))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    return nullptr;
}

} // namespace

void accessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(describe);
        otherMessages = qInstallMessageHandler(withoutListValueWarnings);
        return true;
    }();
    Q_UNUSED(installed)
}

namespace accessible {

namespace {
// The settle that holds back now; one at a time.
Settle* holding = nullptr;
} // namespace

Settle::Settle(QWidget* area) : area_(area) {
    if (holding || !QAccessible::isActive())
        return;
    holding_ = true;
    holding = this;
    // The window's own controls, by their names; the parts Qt builds them from speak for them.
    for (QWidget* control : area->findChildren<QWidget*>()) {
        const QString name = control->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")))
            continue;
        places_.insert(control, before_.size());
        before_.emplace_back(control, lookOf(control));
    }
    previous_ = QAccessible::installUpdateHandler(&Settle::hold);
}

Settle::~Settle() {
    if (!holding_)
        return;
    holding = nullptr;
    // A handler installed meanwhile (a reader's recorder) stays.
    const QAccessible::UpdateHandler now = QAccessible::installUpdateHandler(previous_);
    if (now != &Settle::hold)
        QAccessible::installUpdateHandler(now);
    if (!area_)
        return;
    for (const auto& [control, told] : before_) {
        if (!control)
            continue;
        const Look now = lookOf(control);
        // A control shown or hidden with its parent is told with it.
        Look before = told;
        if (const auto parent = places_.constFind(control->parentWidget());
            parent != places_.cend()) {
            const auto& [parentControl, parentTold] = before_[*parent];
            if (parentControl && parentTold.shown != parentControl->isVisible())
                before.shown = now.shown;
        }
        tell(control, before, now);
    }
    for (QTableView* table : tables_) {
        if (!table || !table->isVisible() || !table->model())
            continue;
        QAccessibleTableModelChangeEvent changed(table,
                                                 QAccessibleTableModelChangeEvent::DataChanged);
        changed.setFirstRow(0);
        changed.setLastRow(table->model()->rowCount() - 1);
        changed.setFirstColumn(0);
        changed.setLastColumn(table->model()->columnCount() - 1);
        QAccessible::updateAccessibility(&changed);
    }
}

Settle::Look Settle::lookOf(QWidget* control) {
    Look look;
    look.shown = control->isVisible();
    QAccessibleInterface* described = QAccessible::queryAccessibleInterface(control);
    if (!described)
        return look;
    look.checked = described->state().checked;
    look.name = described->text(QAccessible::Name);
    look.description = described->text(QAccessible::Description);
    if (QAccessibleTextInterface* text = described->textInterface())
        look.text = text->text(0, text->characterCount());
    else if (QAccessibleValueInterface* value = described->valueInterface())
        look.value = value->currentValue().toString();
    else
        look.value = described->text(QAccessible::Value);
    return look;
}

void Settle::tell(QWidget* control, const Look& before, const Look& now) const {
    if (before.shown != now.shown) {
        QAccessibleEvent shown(control,
                               now.shown ? QAccessible::ObjectShow : QAccessible::ObjectHide);
        QAccessible::updateAccessibility(&shown);
    }
    // A hidden control has nothing to say; it is asked afresh once it shows.
    if (!now.shown)
        return;
    if (before.name != now.name) {
        QAccessibleEvent named(control, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&named);
    }
    if (before.description != now.description) {
        QAccessibleEvent described(control, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&described);
    }
    if (before.checked != now.checked) {
        QAccessible::State checked;
        checked.checked = true;
        QAccessibleStateChangeEvent changed(control, checked);
        QAccessible::updateAccessibility(&changed);
    }
    if (before.text != now.text) {
        QAccessibleTextUpdateEvent text(control, 0, before.text, now.text);
        QAccessible::updateAccessibility(&text);
    }
    if (before.value != now.value) {
        QAccessibleInterface* described = QAccessible::queryAccessibleInterface(control);
        QAccessibleValueInterface* value = described ? described->valueInterface() : nullptr;
        QAccessibleValueChangeEvent changed(control,
                                            value ? value->currentValue() : QVariant(now.value));
        QAccessible::updateAccessibility(&changed);
    }
}

void Settle::hold(QAccessibleEvent* event) {
    Settle* settle = holding;
    if (!settle) // a copy of this handler kept by someone after the settle ended
        return;
    if (event->type() != QAccessible::Focus && settle->inside(event->object())) {
        // A table's contents are told as a whole at the end; what else changed is looked up then.
        auto* table = qobject_cast<QTableView*>(event->object());
        if (table && std::find(settle->tables_.cbegin(), settle->tables_.cend(), table) ==
                         settle->tables_.cend())
            settle->tables_.emplace_back(table);
        return;
    }
    settle->forward(event);
}

void Settle::forward(QAccessibleEvent* event) const {
    if (previous_) {
        previous_(event);
        return;
    }
    // The platform's screen reader bridge takes events from updateAccessibility alone, while no
    // handler is installed. A table's change is not passed on: it has been applied to the
    // table's description already and would be applied twice, and the bridge takes nothing
    // from it.
    if (event->type() == QAccessible::TableModelChanged)
        return;
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(&Settle::hold);
}

bool Settle::inside(const QObject* object) const {
    for (; object; object = object->parent()) {
        if (object == area_)
            return true;
    }
    return false;
}

} // namespace accessible
