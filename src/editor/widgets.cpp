#include "widgets.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QToolTip>

static constexpr int captionFlags = Qt::AlignCenter | Qt::TextWordWrap;

// A control the window hides (a view, a channel list behind "N/A", the status line before the
// first operation) has nothing to say to a screen reader.
static bool shownInWindow(const QWidget* widget) {
    return widget->isVisibleTo(widget->window());
}

QRect WrappingButton::captionRect() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    return style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
}

void WrappingButton::paintEvent(QPaintEvent*) {
    QStylePainter p(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    p.drawControl(QStyle::CE_PushButton, option);
    QRect area = captionRect();
    if (isDown())
        area.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                       style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
    style()->drawItemText(&p, area, captionFlags, option.palette, isEnabled(), caption,
                          QPalette::ButtonText);
}

void WrappingButton::keyPressEvent(QKeyEvent* event) {
    // Outside a dialog a push button ignores Enter; here it is one more way to press it.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (!event->isAutoRepeat())
            click();
        event->accept();
        return;
    }
    QPushButton::keyPressEvent(event);
}

StatusLine::StatusLine(const QString& text, QWidget* parent) : QPlainTextEdit(text, parent) {
    document()->setDocumentMargin(0);
    setViewportMargins(2, 0, 2, 0);
}

QString StatusLine::spokenText() const {
    return shownInWindow(this) ? toPlainText() : QString();
}

int ChoiceList::spokenRow() const {
    return shownInWindow(this) ? currentRow() : -1;
}

QString ChoiceList::spokenValue() const {
    const int row = spokenRow();
    return row < 0 ? QString() : item(row)->text();
}

void ChoiceList::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    // Qt's list view tells a screen reader that each new current entry has the focus, in a list
    // the keyboard is not in too: a panel read would drag the reader through forty lists. Only a
    // list that has the focus says so.
    if (hasFocus())
        QListWidget::currentChanged(current, previous);
    else
        QAbstractItemView::currentChanged(current, previous);
    reportValue();
}

bool ChoiceList::event(QEvent* event) {
    const bool handled = QListWidget::event(event);
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
        reportValue();
        break;
    default:
        break;
    }
    return handled;
}

void ChoiceList::reportValue() {
    const QString value = spokenValue();
    if (value == reported_)
        return;
    reported_ = value;
    QAccessibleValueChangeEvent changed(this, value);
    QAccessible::updateAccessibility(&changed);
}

Announcer::Announcer(QWidget* parent) : QWidget(parent), text_(new QLabel(this)) {
    setGeometry(0, 0, 0, 0);
    text_->setGeometry(0, 0, 0, 0);
    hide();
}

void Announcer::announce(const QString& text) {
    // A screen reader speaks a notification as it appears; the one still there leaves first.
    hide();
    text_->setText(text);
    show();
}

void PortComboBox::showPopup() {
    emit popupAboutToShow();
    // Entries may be long ("ttyUSB0 — FT232R USB UART"): the open list is as wide as they are.
    view()->setMinimumWidth(view()->sizeHintForColumn(0) + 2 * view()->frameWidth());
    QComboBox::showPopup();
}

static QRect indicatorRect(const QRadioButton* button, const QStyleOptionButton& option) {
    QRect rect = button->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, button);
    rect.moveTop((button->height() - rect.height()) / 2);
    return rect;
}

QRect WrappingRadioButton::captionRect() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    const int left = indicatorRect(this, option).right() + 1 +
                     style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, &option, this);
    return QRect(left, 0, width() - left, height());
}

void WrappingRadioButton::paintEvent(QPaintEvent*) {
    QStylePainter p(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    QStyleOptionButton indicator = option;
    indicator.rect = indicatorRect(this, option);
    p.drawPrimitive(QStyle::PE_IndicatorRadioButton, indicator);
    const QRect area = captionRect();
    style()->drawItemText(&p, area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
                          option.palette, isEnabled(), caption, QPalette::WindowText);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect =
            p.boundingRect(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, caption)
                .adjusted(-1, 0, 1, 0);
        p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

bool WrappingRadioButton::hitButton(const QPoint& pos) const {
    return rect().contains(pos);
}

void LineWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::WindowText));
}

void ShapeWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), fill_);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

OutcomeBar::Look OutcomeBar::look(Tone tone) {
    // Black text on light fills: every pair reads at well over 4.5:1. A result that is not a
    // success has a red frame twice as wide and a tinted ground, so it shows even where
    // nothing of the bar is filled.
    switch (tone) {
    case Tone::Success:
        return {Qt::black, QColor(0xA5, 0xD6, 0xA7), Qt::white, QColor(0x2E, 0x7D, 0x32), 1};
    case Tone::Attention:
        return {Qt::black, QColor(0xF4, 0xA9, 0xA8), QColor(0xFD, 0xEC, 0xEA),
                QColor(0xC6, 0x28, 0x28), 2};
    case Tone::Neutral:
        break;
    }
    return {Qt::black, QColor(0xB7, 0xD4, 0xF5), Qt::white, QColor(0x5B, 0x7F, 0xA6), 1};
}

void OutcomeBar::setTone(Tone tone) {
    if (tone_ == tone)
        return;
    tone_ = tone;
    update();
}

QRect OutcomeBar::textRect() const {
    constexpr int margin = 6;
    const int frame = look(Tone::Attention).borderWidth; // the widest, so no text moves
    return rect().adjusted(frame + margin, frame, -frame - margin, -frame);
}

void OutcomeBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const Look colours = look(tone_);
    const QRect inside = rect().adjusted(colours.borderWidth, colours.borderWidth,
                                         -colours.borderWidth, -colours.borderWidth);
    p.fillRect(rect(), colours.border);
    p.fillRect(inside, colours.empty);
    const qint64 span = qint64(maximum()) - minimum();
    if (span > 0 && value() > minimum()) {
        const int filled = int(inside.width() * (qint64(value()) - minimum()) / span);
        p.fillRect(QRect(inside.topLeft(), QSize(filled, inside.height())), colours.fill);
    }
    p.setPen(colours.text);
    p.setFont(font());
    p.drawText(textRect(), Qt::AlignCenter | Qt::TextWordWrap, format());
}

void OutcomeBar::showToolTipUnder(const QList<QWidget*>& controls) {
    clearOf_.clear();
    for (QWidget* control : controls)
        clearOf_ << control;
}

QPoint OutcomeBar::toolTipPlace() const {
    constexpr int gap = 8;
    int below = mapToGlobal(QPoint(0, height())).y();
    for (const QWidget* control : clearOf_) {
        if (control && control->isVisible())
            below = std::max(below, control->mapToGlobal(QPoint(0, control->height())).y());
    }
    return QPoint(mapToGlobal(QPoint()).x(), below + gap);
}

bool OutcomeBar::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip || clearOf_.isEmpty() || toolTip().isEmpty())
        return QProgressBar::event(event);
    // Qt puts a tooltip beside the pointer, which over the bar is over the buttons under it.
    const QPoint place = toolTipPlace();
    QToolTip::showText(place, toolTip(), this);
    for (QWidget* shown : QApplication::topLevelWidgets()) {
        if (shown->objectName() == QLatin1String("qtooltip_label") && shown->isVisible())
            shown->move(place);
    }
    return true;
}

MarkOutline::MarkOutline(QWidget* marked) : QWidget(marked) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(marked->rect());
    for (QObject* part : marked->children()) {
        if (part != this && part->isWidgetType())
            part->installEventFilter(this);
    }
    show();
}

bool MarkOutline::eventFilter(QObject*, QEvent* event) {
    if (event->type() == QEvent::ZOrderChange)
        raise();
    return false;
}

void MarkOutline::paintEvent(QPaintEvent*) {
    // The red of a result that is not a success, as wide as the bar draws it.
    const OutcomeBar::Look look = OutcomeBar::look(OutcomeBar::Tone::Attention);
    QPainter p(this);
    const int w = look.borderWidth;
    const QRect r = rect();
    p.fillRect(QRect(r.left(), r.top(), r.width(), w), look.border);
    p.fillRect(QRect(r.left(), r.bottom() - w + 1, r.width(), w), look.border);
    p.fillRect(QRect(r.left(), r.top(), w, r.height()), look.border);
    p.fillRect(QRect(r.right() - w + 1, r.top(), w, r.height()), look.border);
}
