#pragma once

#include <QList>
#include <QPoint>

class QWidget;

// Where a newly opened window goes on the desktop.
namespace WindowPlacement {

// Places `window` before it is first shown. A window laid out at a place on
// the screen keeps that place relative to `anchor`'s client area, which was
// laid out at `anchorDesignOrigin`; a window without a place of its own is
// centred on `anchor`. It moves down and right past any of `others` it would
// cover exactly, and ends fully on the screen, made smaller if it is
// resizable and larger than the screen. Without an anchor only the last two
// steps apply.
void place(QWidget *window, const QWidget *anchor, QPoint anchorDesignOrigin,
           const QList<QWidget *> &others);

// Moves (and for a resizable window, shrinks) `window` so that it and its
// frame lie fully on the screen it is on.
void keepOnScreen(QWidget *window);

} // namespace WindowPlacement
