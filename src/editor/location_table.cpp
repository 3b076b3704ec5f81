#include "location_table.h"

#include "appearance.h"
#include "form1.h"
#include "locations.h"
#include "widgets.h"

#include <QAccessible>
#include <QFocusEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>

using Column = LocationTableModel::Column;

namespace {

// clang-format off
// The table's columns, in the order shown, with their widths in twips.
struct ColumnRow {
    Column column;
    const char* header;
    int width;
};
constexpr ColumnRow columns[] = {
    {Column::Location,    "LOCATION",    930},
    {Column::Item,        "ITEM",        2250},
    {Column::Designation, "DESIGNATION", 1950},
    {Column::Window,      "WINDOW",      1050},
    {Column::Panel,       "PANEL",       1200},
    {Column::Note,        "NOTE",        1725},
};
// clang-format on
constexpr int columnCount_ = int(std::size(columns));

const QString notSet = QStringLiteral("NOT SET");
const QString differsNote = QStringLiteral("DIFFERS");
const QString notReadNote = QStringLiteral("NOT READ \u2014 AS BEFORE");

} // namespace

LocationTableModel::LocationTableModel(const Form1& form, QObject* parent)
    : QAbstractTableModel(parent), form_(form) {
    // Each location follows the lists a write takes its value from and its designation box.
    for (const PanelLocation& location : configurationLocations()) {
        const int row = location.address;
        const auto windowChanged = [this, row] { changed(row, Column::Window, Column::Window); };
        if (const AssignmentItem* item = location.item) {
            for (int n : {item->moduleList, item->channelList})
                connect(form.List(n), &QListWidget::currentRowChanged, this, windowChanged);
            if (item->designationText)
                connect(form.Text(item->designationText), &QLineEdit::textChanged, this,
                        [this, row] { changed(row, Column::Designation, Column::Designation); });
        } else {
            connect(form.List(intensityItems()[location.intensityIndex].list),
                    &QListWidget::currentRowChanged, this, windowChanged);
        }
    }
    // A note changes PANEL and NOTE, and the outline drawn over each cell of its row.
    connect(&form, &Form1::notesChanged, this, [this] {
        emit dataChanged(index(0, Column::Location), index(locations - 1, Column::Note));
    });
}

QString LocationTableModel::header(Column column) {
    return QString::fromLatin1(columns[column].header);
}

int LocationTableModel::width(Column column) {
    return columns[column].width;
}

QString LocationTableModel::text(int location, Column column) const {
    const PanelLocation& at = configurationLocations()[std::size_t(location)];
    switch (column) {
    case Column::Location:
        return QString::number(location + 1); // counted from 1, as the bar counts them
    case Column::Item:
        if (!at.item)
            return QString::fromLatin1(intensityItems()[at.intensityIndex].name);
        // As the window names it: BACKLIGHT beside its lists.
        return at.item->nameLabel ? form_.Label(at.item->nameLabel)->text()
                                  : QString::fromLatin1(at.item->name);
    case Column::Designation:
        return at.item && at.item->designationText ? form_.Text(at.item->designationText)->text()
                                                   : QString();
    case Column::Window:
        return windowText(location);
    case Column::Panel:
        return form_.panelHolds(location);
    case Column::Note:
        return noteText(location);
    }
    return QString();
}

QString LocationTableModel::windowText(int location) const {
    const PanelLocation& at = configurationLocations()[std::size_t(location)];
    if (!at.item) {
        // A write takes "100" from a list that shows none.
        const QListWidget* list = form_.List(intensityItems()[at.intensityIndex].list);
        const QListWidgetItem* entry = list->currentItem() ? list->currentItem() : list->item(0);
        return entry->text() + QStringLiteral(" %");
    }
    // What a write would send, as the lists show it; an item it would refuse says so.
    const QListWidgetItem* module = form_.List(at.item->moduleList)->currentItem();
    if (module && form_.List(at.item->moduleList)->currentRow() == 0)
        return module->text();
    const QListWidgetItem* channel = form_.List(at.item->channelList)->currentItem();
    if (!module || !channel)
        return notSet;
    return module->text() + QLatin1Char(' ') + channel->text();
}

QString LocationTableModel::noteText(int location) const {
    if (differs(location))
        return differsNote;
    if (form_.origin() == Form1::Origin::PartlyRead && location >= form_.partlyRead())
        return notReadNote;
    return QString();
}

bool LocationTableModel::differs(int location) const {
    return !form_.panelHolds(location).isEmpty();
}

void LocationTableModel::changed(int location, Column first, Column last) {
    emit dataChanged(index(location, first), index(location, last));
    if (first <= Column::Designation && last >= Column::Designation)
        emit headerDataChanged(Qt::Vertical, location, location);
}

int LocationTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : locations;
}

int LocationTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columnCount_;
}

QVariant LocationTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return QVariant();
    const auto column = Column(index.column());
    switch (role) {
    case Qt::DisplayRole:
        return text(index.row(), column);
    case Qt::TextAlignmentRole:
        return column == Column::Location ? int(Qt::AlignCenter)
                                          : int(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return QVariant();
    }
}

QVariant LocationTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal) {
        if (role == Qt::DisplayRole && section >= 0 && section < columnCount_)
            return header(Column(section));
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    if (section < 0 || section >= locations)
        return QVariant();
    // A row is spoken by its item and designation ("SW1 ENTRANCE") as a screen reader enters
    // it; the number stays in the LOCATION column.
    if (role == Qt::AccessibleTextRole)
        return QStringList{text(section, Column::Item),
                           text(section, Column::Designation).simplified()}
            .join(QLatin1Char(' '))
            .trimmed();
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags LocationTableModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void MarkedRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    QStyledItemDelegate::paint(painter, option, index);
    const auto* model = qobject_cast<const LocationTableModel*>(index.model());
    if (!model || !model->differs(index.row()))
        return;
    // The row's outline, in the red and width of a marked list's.
    const OutcomeBar::Look look = OutcomeBar::look(OutcomeBar::Tone::Attention);
    const int w = look.borderWidth;
    const QRect r = option.rect;
    painter->fillRect(QRect(r.left(), r.top(), r.width(), w), look.border);
    painter->fillRect(QRect(r.left(), r.bottom() - w + 1, r.width(), w), look.border);
    if (index.column() == 0)
        painter->fillRect(QRect(r.left(), r.top(), w, r.height()), look.border);
    if (index.column() == model->columnCount() - 1)
        painter->fillRect(QRect(r.right() - w + 1, r.top(), w, r.height()), look.border);
}

LocationTableView::LocationTableView(QWidget* parent) : QTableView(parent) {
    // Read-only by its model's flags; one cell at a time, wrapped where it is long.
    setItemDelegate(new MarkedRowDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Tab goes on to the next control; the arrow keys move from cell to cell.
    setTabKeyNavigation(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setHighlightSections(false);
}

void LocationTableView::setLocations(LocationTableModel* model) {
    setModel(model);
    for (int c = 0; c < model->columnCount(); ++c)
        setColumnWidth(c, appearance::px(LocationTableModel::width(Column(c))));
}

void LocationTableView::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    // Qt tells a reader of the table's focus after the cell it made current, and the reader then
    // names the table but not the cell the keyboard entered on: the cell is told after it.
    if (event->reason() != Qt::MouseFocusReason && QAccessible::isActive())
        QMetaObject::invokeMethod(this, &LocationTableView::tellCurrentCell, Qt::QueuedConnection);
}

void LocationTableView::tellCurrentCell() {
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(this);
    if (!hasFocus() || !currentIndex().isValid() || !table || !table->tableInterface())
        return;
    QAccessibleInterface* cell =
        table->tableInterface()->cellAt(currentIndex().row(), currentIndex().column());
    QAccessibleEvent focused(this, QAccessible::Focus);
    focused.setChild(table->indexOfChild(cell));
    QAccessible::updateAccessibility(&focused);
}
