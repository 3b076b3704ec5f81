#pragma once

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <QTableView>

class Form1;

// The panel's 25 locations as the window holds them, one row per location in location order:
// the table of ALL 25 LOCATIONS, and whatever else lists or prints them. Nothing is copied: each
// text is taken from the window's lists, designation boxes and notes when it is asked for, so it
// is always what the window shows.
class LocationTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Location, Item, Designation, Window, Panel, Note };
    static const int locations = 25;

    // The window must outlive the model.
    explicit LocationTableModel(const Form1& form, QObject* parent = nullptr);

    // What location `location` (0..24, its row) shows in `column`: the text the table shows.
    QString text(int location, Column column) const;
    static QString header(Column column);
    // The column's width in the table, in twips.
    static int width(Column column);
    // A comparison found the panel holding another value here: the row is marked.
    bool differs(int location) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    QString windowText(int location) const;
    QString noteText(int location) const;
    // The row's cells from `first` to `last` changed; the row's spoken name goes with the
    // designation.
    void changed(int location, Column first, Column last);

    const Form1& form_;
};

// Draws a row where the panel holds another value in the red outline the lists are marked with.
class MarkedRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

// The table of all 25 locations: read-only, reached by Tab, moved in with the arrow keys, cell by
// cell; Tab leaves it.
class LocationTableView : public QTableView {
    Q_OBJECT
public:
    explicit LocationTableView(QWidget* parent = nullptr);
    // Shows `model`, each column at its width.
    void setLocations(LocationTableModel* model);

protected:
    void focusInEvent(QFocusEvent* event) override;

private:
    // Tells a screen reader the cell the keyboard is on.
    void tellCurrentCell();
};
