#pragma once

#include "platform/twips.h"

#include <QRect>

class QLabel;
class QPushButton;
class QString;
class QWidget;

// Building the small fixed windows from their twips layout.
namespace FormGeometry {

using Twips::px;
inline QRect twips(int left, int top, int width, int height)
{
    return Twips::rect(left, top, width, height);
}

// A fixed window: its client area is `width` x `height` twips, the user cannot
// resize it, and the title bar has no minimise or maximise button.
void makeFixedDialog(QWidget *form, int width, int height, bool closeButton = true);

// Places the client area at `left`, `top` twips from the screen's top left.
void placeClientArea(QWidget *form, int left, int top);

// A transparent label whose fixed text wraps within its box.
QLabel *addLabel(QWidget *form, const char *name, const QRect &box, const QString &text);

// A push button; Enter or Space presses it while it has the focus.
QPushButton *addButton(QWidget *form, const char *name, const QRect &box, const QString &caption);

// Makes sure no label cuts its text off. A label box that reaches past the
// window's right edge is narrowed to keep its left margin (up to 120 twips)
// on the right. A
// label whose text needs more lines than its box holds first takes the free
// room below it, down to the next control, and only then gets a smaller
// font. Call once all controls are placed.
void fitLabels(QWidget *form);

} // namespace FormGeometry
