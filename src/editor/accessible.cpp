#include "accessible.h"

#include "widgets.h"

#include <QAccessibleWidget>
#include <QPointer>

#include <algorithm>
#include <vector>

namespace {

// An entry of a list: its text, and whether it is the entry the list has selected.
class EntryAccessible : public QAccessibleInterface {
public:
    EntryAccessible(ChoiceList* list, int row) : list_(list), row_(row) {}

    bool isValid() const override { return list_ && row_ < list_->count(); }
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
