#include "window_fit.h"

#include <QEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QWidget>
#include <QWindow>

#include <algorithm>

WindowFit fitWindow(const QRect& available, const QRect& frame, const QSize& content,
                    int scrollBar) {
    const QSize decoration = frame.size() - content;
    const QSize room = available.size() - decoration;
    const bool across = content.width() > room.width();
    const bool down = content.height() > room.height();

    WindowFit fit;
    fit.scrolls = across || down;
    fit.client = content;
    if (fit.scrolls) {
        // A scroll bar along one side takes its breadth from the other, where there is room.
        fit.client = QSize(std::min(room.width(), content.width() + (down ? scrollBar : 0)),
                           std::min(room.height(), content.height() + (across ? scrollBar : 0)))
                         .expandedTo(smallestClient);
    }
    // Inside the available area; where the frame is larger, its top-left corner shows.
    const QSize outer = fit.client + decoration;
    const auto inside = [](int at, int first, int length, int room) {
        return std::max(first, std::min(at, first + room - length));
    };
    fit.framePosition =
        QPoint(inside(frame.x(), available.x(), outer.width(), available.width()),
               inside(frame.y(), available.y(), outer.height(), available.height()));
    return fit;
}

WindowFitter::WindowFitter(QWidget& window, QScrollArea& scrollArea)
    : QObject(&window), window_(window), scrollArea_(scrollArea) {
    window.installEventFilter(this);
}

void WindowFitter::fitInto(const QRect& available, bool place) {
    const QSize content = scrollArea_.widget()->size();
    const QRect frame(window_.pos(), content.grownBy(frame_));
    const int bar = scrollArea_.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr,
                                                     scrollArea_.verticalScrollBar());
    const WindowFit fit = fitWindow(available, frame, content, bar);
    const Qt::ScrollBarPolicy bars = fit.scrolls ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
    scrollArea_.setHorizontalScrollBarPolicy(bars);
    scrollArea_.setVerticalScrollBarPolicy(bars);
    window_.setFixedSize(fit.client);
    if (place && fit.framePosition != window_.pos())
        window_.move(fit.framePosition);
    fitted_ = true;
}

void WindowFitter::fitToScreen(bool place) {
    const QWindow* handle = window_.windowHandle();
    frame_ = handle ? handle->frameMargins() : QMargins();
    if (const QScreen* screen = window_.screen())
        fitInto(screen->availableGeometry(), place);
}

void WindowFitter::watchScreen(QScreen* screen) {
    if (screen_)
        disconnect(screen_, nullptr, this, nullptr);
    screen_ = screen;
    if (screen_)
        connect(
            screen_, &QScreen::availableGeometryChanged, this, [this] { fitToScreen(false); },
            Qt::QueuedConnection);
}

bool WindowFitter::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &window_)
        return false;
    if (event->type() == QEvent::Show && !fitted_) {
        // Shown for the first time: the window now has the screen it opens on. Where it
        // stands is the window manager's choice, so it is not moved yet.
        if (QWindow* handle = window_.windowHandle()) {
            // Queued: the move that took the window there is finished before it is resized.
            connect(
                handle, &QWindow::screenChanged, this,
                [this](QScreen* screen) {
                    watchScreen(screen);
                    fitToScreen(false);
                },
                Qt::QueuedConnection);
        }
        watchScreen(window_.screen());
        fitToScreen(false);
    } else if (event->type() == QEvent::Move && fitted_) {
        // The window manager frames the window after it is shown (a title bar, borders):
        // the first fit could not count them. A move that only follows the user's hand keeps
        // the frame and changes nothing here.
        const QWindow* handle = window_.windowHandle();
        if (handle && handle->frameMargins() != frame_)
            fitToScreen(true);
    }
    return false;
}
