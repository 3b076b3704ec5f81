#include "accessible.h"

#include "form1.h"
#include "widgets.h"

#include <QAccessibleWidget>
#include <QPointer>
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
