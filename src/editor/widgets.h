#pragma once

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

// Command button whose caption wraps onto several lines, as the panel-era buttons did.
// text() stays the caption as given. Enter and Return click it, as Space does.
class WrappingButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;
    // Where the caption is drawn, wrapped and centred.
    QRect captionRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

// The status line: a read-only multi-line box whose text keeps a little room from the frame
// at the sides, and none above and below, where three lines of its font take the whole height.
class StatusLine : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit StatusLine(const QString& text, QWidget* parent = nullptr);
    // The text as a screen reader is given it: none while the line is hidden, when it still
    // holds its first text ("Text1").
    QString spokenText() const;
};

// A module, channel or intensity list. A screen reader is given its selected entry as its
// value, none while the list is hidden, and an entry the program selects while the keyboard is
// elsewhere does not pull the reader's focus into the list.
class ChoiceList : public QListWidget {
    Q_OBJECT
public:
    using QListWidget::QListWidget;
    // The selected entry as a screen reader is given it: -1 (and no text) while the list is
    // hidden or nothing is selected.
    int spokenRow() const;
    QString spokenValue() const;

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    bool event(QEvent* event) override;

private:
    // Tells a screen reader the value when it differs from what it was told last.
    void reportValue();
    QString reported_;
};

// Says a short text once to a screen reader, wherever the keyboard is: a notification, drawn as
// nothing, that appears with the text in a label, where a reader also shows it in braille and
// keeps it among its notifications.
class Announcer : public QWidget {
    Q_OBJECT
public:
    explicit Announcer(QWidget* parent);
    void announce(const QString& text);

private:
    QLabel* text_;
};

// Combo box that says when its list is about to open, so the list can be read afresh.
class PortComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void showPopup() override;

signals:
    void popupAboutToShow();
};

// Option button whose caption wraps beside its indicator; the whole button takes clicks.
class WrappingRadioButton : public QRadioButton {
    Q_OBJECT
public:
    using QRadioButton::QRadioButton;
    // Where the caption is drawn, wrapped, beside the indicator.
    QRect captionRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
};

// A straight line of the drawing (vertical or horizontal), filling its widget.
class LineWidget : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The programming-header marker: a filled rectangle with an outline.
class ShapeWidget : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    void setFillColour(const QColor& colour) {
        fill_ = colour;
        update();
    }
    QColor fillColour() const { return fill_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fill_;
};

// The progress bar under the port selector: how far an operation has got, and what came of
// it. Its look tells a success from anything else at a glance, and not by its words alone;
// its text wraps at word boundaries inside a margin at both ends, dark on light in every
// state so it reads at a contrast of 4.5:1 or more.
class OutcomeBar : public QProgressBar {
    Q_OBJECT
public:
    // Working or a notice; a result that is a success; a result that is not (stopped, not
    // found, another model, a mix in the window).
    enum class Tone { Neutral, Success, Attention };
    struct Look {
        QColor text, fill, empty, border;
        int borderWidth;
    };
    static Look look(Tone tone);

    using QProgressBar::QProgressBar;
    Tone tone() const { return tone_; }
    void setTone(Tone tone);
    // Where the text is drawn: inside the frame, with a margin at both ends.
    QRect textRect() const;
    // The tooltip shows under the lowest of `controls`, from the bar's left edge on, so that it
    // never covers them; where it is shown, in global coordinates.
    void showToolTipUnder(const QList<QWidget*>& controls);
    QPoint toolTipPlace() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    Tone tone_ = Tone::Neutral;
    QList<QPointer<QWidget>> clearOf_;
};

// A red outline over the edge of the widget it is made for, which marks a list whose value
// the panel holds otherwise. It shows and hides with that widget; clicks and tool tips go
// through to it.
class MarkOutline : public QWidget {
    Q_OBJECT
public:
    explicit MarkOutline(QWidget* marked);

protected:
    void paintEvent(QPaintEvent* event) override;
    // A list raises its scroll bar when it first lays it out: the outline goes back over it.
    bool eventFilter(QObject* watched, QEvent* event) override;
};
