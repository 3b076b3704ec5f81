#pragma once

#include <QMargins>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>

class QScreen;
class QScrollArea;
class QWidget;

// How the window sits on a screen: at its drawn size where that fits, else smaller, with the
// face plate and controls scrolling inside it.
struct WindowFit {
    QSize client;         // size of the window's client area
    bool scrolls = false; // the client area is smaller than the content
    QPoint framePosition; // top-left corner of the window's frame
};

// The smallest client area a window is given on a screen too small for anything larger.
constexpr QSize smallestClient(160, 120);

// Decides the fit on a screen whose area for windows (less desktop bars) is `available`.
// `frame` is the window's frame where it stands now, taken at the content's full size;
// `content` is the drawn client area and `scrollBar` a scroll bar's breadth. Where the frame
// fits, the client area is the content's size. Otherwise the frame takes no more than the
// available area (never less than smallestClient), a scroll bar's breadth is added on the
// other side where there is room, and the frame is moved inside the available area.
WindowFit fitWindow(const QRect& available, const QRect& frame, const QSize& content,
                    int scrollBar);

// Keeps a top-level window fitted to its screen: when it is first shown, when the window
// manager's frame around it becomes known or changes, when it moves to another screen and
// when that screen's area for windows changes. The window holds `scrollArea`, whose widget is
// the content.
class WindowFitter : public QObject {
    Q_OBJECT

public:
    WindowFitter(QWidget& window, QScrollArea& scrollArea);

    // Fits the window to `available`; `place` moves its frame inside that area too.
    void fitInto(const QRect& available, bool place);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fitToScreen(bool place);
    void watchScreen(QScreen* screen);

    QWidget& window_;
    QScrollArea& scrollArea_;
    QScreen* screen_ = nullptr;
    QMargins frame_; // the frame the last fit was made with
    bool fitted_ = false;
};
