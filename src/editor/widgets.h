#pragma once

#include <QComboBox>
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
