#pragma once

#include "items.h"
#include "record.h"

#include <QColor>
#include <QMap>
#include <QWidget>

#include <memory>

namespace accessible {
class Settle;
}
class Announcer;
class LocationTableModel;
class LocationTableView;
class MessageBoxes;
class PortComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class OutcomeBar;
class QPushButton;
class QRadioButton;
class QTimer;

// The one window: a picture of the panel with a list pair and a designation box per button,
// the lighting frames, the status line and the command buttons. It owns the configuration
// record and carries the selection rules, the two views and the composition of panel values.
// Panel and file operations live in their own libraries and work on it through this API.
class Form1 : public QWidget {
    Q_OBJECT

public:
    static const char* const caption;
    static const char* const intensityMessage;

    // Builds every control and runs Form_Load. Messages must outlive the window.
    explicit Form1(MessageBoxes& messages, QWidget* parent = nullptr);
    ~Form1() override;

    // The configuration record; every operation reads and writes it directly.
    ConfigRecord r;

    // Controls by their number: List1..List46 and List49, Text2..Text22 (designation and
    // name boxes), Label1..Label19. Asking for a control that does not exist is a bug.
    QListWidget* List(int n) const;
    QLineEdit* Text(int n) const;
    QLabel* Label(int n) const;

    QPlainTextEdit* Text1 = nullptr; // status line
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QRadioButton* Option3 = nullptr; // the table of all 25 locations
    QPushButton* READ_FILE = nullptr;
    QPushButton* READ_CONFIG = nullptr;
    QPushButton* WRITE_CONFIG = nullptr;
    QPushButton* FIND_PANEL = nullptr;    // tries each port for the panel
    QPushButton* COMPARE_PANEL = nullptr; // compares the panel with the window
    QPushButton* PRINT_SHEET = nullptr;   // the sheet of what the window shows
    QLabel* Image1 = nullptr;
    QWidget* Shape1 = nullptr;
    QWidget* Line1 = nullptr;
    QWidget* Line2 = nullptr;
    QTimer* Timer1 = nullptr;
    // The panel's serial port, and how far a panel operation has got.
    PortComboBox* Combo1 = nullptr;
    OutcomeBar* ProgressBar1 = nullptr;
    // The 25 locations as one table, shown in place of the switch or lighting view.
    LocationTableView* Grid1 = nullptr;
    LocationTableModel& locationTable() const { return *locationTable_; }

    MessageBoxes& messages() const { return messages_; }

    // Selects entry `position` of a list, as a click would: the list's click reaction runs
    // to its end before this returns, and only when the selected entry changes. -1 clears
    // the selection. Returns false, changing nothing, for a position the list does not have.
    bool select(QListWidget* list, int position);
    // The integer attached to a list's selected entry; `fallback` when nothing is selected.
    static int selectedValue(const QListWidget* list, int fallback = 0);

    // Status line: text and background colour report the last operation. showStatus() shows
    // the line with both; the others change one of them.
    void showStatus(const QColor& colour, const QString& text);
    void setStatusText(const QString& text);
    void setStatusColour(const QColor& colour);
    void setStatusVisible(bool visible);
    QString statusText() const;
    QColor statusColour() const;
    static const QColor yellow, red, green;

    // Tells a screen reader `text` once, wherever the keyboard is: how an operation ended.
    // During an operation it is said once the window has settled, after the operation.
    void announce(const QString& text);

    // Handlers and procedures of the window.
    void Form_Load();
    void Option1_Click();
    void Option2_Click();
    // Shows the table of all 25 locations in place of the switch or lighting view. While
    // Option3 is chosen, show_switch_view keeps the table: the technician chose it.
    void Option3_Click();
    void Timer1_Timer();
    void show_switch_view();
    void show_bl_intensity();
    void show_ind_intensity();
    void show_dind_intensity();
    // The three above by their row in the intensity table: normalise the code, select its entry.
    void show_intensity(const IntensityItem& item);
    // Shows the three intensity codes a panel read has stored in the record. The indicator
    // rule judges the panel's backlighting against the panel's own indicator, never against
    // an indicator from before the read.
    void show_panel_intensities();
    void compose_panel_values();
    // The 22 assignment codes a write would send now, composed from what the lists show, in
    // item order, and the row of the first item that lacks a selection (-1 when none does):
    // its code and those after it are not composed. Changes nothing in the window.
    struct Composition {
        std::array<Integer, std::tuple_size<AssignmentTable>::value> codes{};
        int incomplete = -1;
    };
    Composition composition() const;

    // Click reaction of List(n); List44 has none. Runs whenever the selection changes.
    void List_Click(int n);

    // A panel or file operation in progress. While one runs, the command buttons' clicks
    // start nothing, and closing the window is deferred until it has ended. While it holds
    // back, the window's controls tell a screen reader nothing of each location they show;
    // when it ends they settle, each control that changed saying once what it is now, and
    // then the outcome is announced.
    class Operation {
    public:
        // `holdBack` false: the operation first lets the user choose in a dialog, which a
        // screen reader follows as usual, and holds back from holdBack() on.
        explicit Operation(Form1& form, bool holdBack = true);
        ~Operation();
        Operation(const Operation&) = delete;
        Operation& operator=(const Operation&) = delete;
        // False when another operation was already running: the caller must return at once.
        explicit operator bool() const { return owner_; }
        void holdBack();

    private:
        Form1& form_;
        bool owner_;
    };
    bool operationRunning() const { return operationRunning_; }

    // Where what the lists show came from: nothing yet, a file, a whole panel read, or a read
    // that stopped part-way, which left a mix that neither the panel nor any file holds.
    enum class Origin { Nothing, File, Panel, PartlyRead };
    Origin origin() const { return origin_; }
    void setOrigin(Origin origin);
    // A read stopped part-way: the first `locations` locations hold the panel's values, the
    // rest what the window showed before.
    void setPartlyRead(int locations);
    int partlyRead() const { return partlyRead_; }
    // True once the user asked to close the window during an operation: waits should end.
    bool closeRequested() const { return closeRequested_; }

    // Marks left by a comparison with the panel where it holds another value than the window
    // shows: List(n) gets a red outline, and `note` (what the panel holds) joins its tool tip
    // and its description. clearMarks() takes every mark away and gives the lists back their
    // own tool tips and descriptions.
    void markList(int n, const QString& note);
    void clearMarks();
    bool isMarked(int n) const { return marks_.contains(n); }
    // What the comparison found the panel holding at `location` where it differs, in the
    // window's terms ("H 2"); empty where it does not. clearMarks() forgets it.
    void notePanelHolds(int location, const QString& held);
    QString panelHolds(int location) const { return panelHolds_.value(location); }

signals:
    // The user asked to close the window while an operation runs.
    void closeRequestedDuringOperation();
    // What the window notes beside its values changed: a comparison's findings, a partial read.
    void notesChanged();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildWindow();
    void moduleClick(const AssignmentItem& item);
    void channelClick(const AssignmentItem& item);
    void intensityClick(const IntensityItem& item);
    void showItemChannel(const AssignmentItem& item);
    // Captions the row labels for a view and shows them.
    void setRowCaptions(bool leds);
    void hideRowLabels();
    // The table view: every control of the switch and lighting views hidden, the table shown.
    void showTableView();
    // A view's control that a click rule shows or hides: in the table view it stays hidden,
    // and the next switch or lighting view sets it again.
    void showInView(QWidget* control, bool shown);
    void nameControls();

    MessageBoxes& messages_;
    QWidget* client_ = nullptr; // holds every control, at its drawn place
    Announcer* announcer_ = nullptr;
    QMap<int, QListWidget*> lists_;
    QMap<int, QLineEdit*> texts_;
    QMap<int, QLabel*> labels_;
    bool operationRunning_ = false;
    bool closeRequested_ = false;
    Origin origin_ = Origin::Nothing;
    int partlyRead_ = 0;
    LocationTableModel* locationTable_ = nullptr;
    // What an operation holds back until it ends, and the outcome said after that.
    std::unique_ptr<accessible::Settle> settle_;
    QString outcome_;
    QMap<int, QString> panelHolds_;
    // A marked list's own tool tip and description, and the outline over it.
    struct Mark {
        QString toolTip;
        QString description;
        QWidget* outline;
    };
    QMap<int, Mark> marks_;
};
