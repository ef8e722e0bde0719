#include "windowplacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cstdlib>

namespace WindowPlacement {

namespace {

// The frame around a client area, as far as it is known: the real one once
// the window has been shown, otherwise a title bar and border sized from the
// window's font.
QMargins frameMargins(const QWidget *window)
{
    const QRect frame = window->frameGeometry();
    const QRect client = window->geometry();
    if (window->isVisible() && frame != client) {
        return QMargins(client.left() - frame.left(), client.top() - frame.top(),
                        frame.right() - client.right(), frame.bottom() - client.bottom());
    }
    const int line = window->fontMetrics().height();
    return QMargins(line / 3, 2 * line, line / 3, line / 3);
}

QScreen *screenFor(const QWidget *window, QPoint point)
{
    if (QScreen *screen = QGuiApplication::screenAt(point))
        return screen;
    return window->screen() ? window->screen() : QGuiApplication::primaryScreen();
}

} // namespace

void keepOnScreen(QWidget *window)
{
    QRect client = window->geometry();
    const QScreen *screen = screenFor(window, client.center());
    if (!screen)
        return;
    const QMargins frame = frameMargins(window);
    QRect room = screen->availableGeometry().marginsRemoved(frame);
    // Before the first showing, some window managers take the place given for
    // the client area as the frame's and put the client a title bar lower.
    if (!window->isVisible())
        room.setBottom(room.bottom() - frame.top());
    const bool resizable = window->minimumSize() != window->maximumSize();
    if (resizable) {
        client.setWidth(std::max(window->minimumWidth(), std::min(client.width(), room.width())));
        client.setHeight(
            std::max(window->minimumHeight(), std::min(client.height(), room.height())));
    }
    // Left and top win when the window is larger than the screen: the title
    // bar stays reachable.
    client.moveLeft(
        std::max(room.left(), std::min(client.left(), room.right() + 1 - client.width())));
    client.moveTop(
        std::max(room.top(), std::min(client.top(), room.bottom() + 1 - client.height())));
    if (client != window->geometry())
        window->setGeometry(client);
}

void place(QWidget *window, const QWidget *anchor, QPoint anchorDesignOrigin,
           const QList<QWidget *> &others)
{
    if (anchor && anchor->isVisible()) {
        const QPoint origin = anchor->mapToGlobal(QPoint(0, 0));
        QPoint at;
        if (window->testAttribute(Qt::WA_Moved))
            at = origin + (window->pos() - anchorDesignOrigin);
        else
            at = QRect(origin, anchor->size()).center() -
                 QPoint(window->width() / 2, window->height() / 2);
        // The client area's place: move() would place the frame.
        window->setGeometry(QRect(at, window->size()));
    }
    // A step of one title bar down and right for each window already there.
    const int step = frameMargins(window).top();
    bool moved = true;
    for (int guard = 0; moved && guard < others.size() + 1; ++guard) {
        moved = false;
        for (const QWidget *other : others) {
            if (other == window || !other->isVisible())
                continue;
            const QPoint delta = other->geometry().topLeft() - window->geometry().topLeft();
            if (std::abs(delta.x()) < step && std::abs(delta.y()) < step) {
                window->setGeometry(
                    QRect(other->geometry().topLeft() + QPoint(step, step), window->size()));
                moved = true;
            }
        }
    }
    keepOnScreen(window);
}

} // namespace WindowPlacement
