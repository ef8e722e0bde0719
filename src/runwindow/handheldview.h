#pragma once

#include "screenitems.h"

#include <QImage>
#include <QRect>
#include <QWidget>

class RunnerProcess;

// The handheld drawn at a whole scale (1 to 4): the screen, the silk-screen area
// below it (Graffiti box; Home, Menu, Calc and Find) and the hard buttons.
// The mouse is the pen; typing is Graffiti. Without a mouse: F1 to F4 are
// the hard buttons Date, Addr, To Do and Memo, F9 to F12 the silk-screen
// Home, Menu, Calc and Find, Page Up and Page Down (and Up and Down) the
// scroll buttons; Shift+arrows move a pen cursor a pixel (Ctrl+Shift+arrows
// eight) and Insert or Shift+Space puts the pen down there, lifting it when
// released, so a press is a tap and moving meanwhile drags. A screen reader
// reads the screen's text and controls and the buttons (handheldaccessible.h).
class HandheldView : public QWidget
{
    Q_OBJECT

public:
    static constexpr int MinScale = 1;
    static constexpr int MaxScale = 4;

    explicit HandheldView(QWidget *parent = nullptr);

    // The run input goes to; null while no program runs.
    void setRunner(RunnerProcess *runner);
    void showFrame(const QImage &screen);
    QImage frame() const { return m_frame; }
    // Screen pixels drawn as `scale` x `scale` squares; the view resizes.
    void setScale(int scale);
    int scale() const { return m_scale; }
    // Where the screen is drawn, in widget coordinates.
    QRect screenRect() const;
    QSize sizeHint() const override;

    // The silk-screen and hard buttons, where they are drawn.
    struct Button
    {
        QRect rect;
        QString label;
        int key;
    };
    QList<Button> buttons() const;
    // Presses a button (its DeviceKey), as a click on it does.
    void pressButton(int key);
    // A tap of the pen at a screen pixel.
    void tap(const QPoint &pixel);
    // The pen cursor the keyboard moves, in screen pixels.
    QPoint penCursor() const { return m_penCursor; }
    bool penCursorShown() const { return m_penCursorShown; }

    // What a screen reader reads of the screen: the run's latest words.
    void setScreenItems(const QList<ScreenItem> &items);
    QList<ScreenItem> screenItems() const { return m_items; }
    // Changes whenever the screen's items do.
    int screenItemsRevision() const { return m_itemsRevision; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    QPoint toScreen(const QPoint &position) const;
    bool penCursorKey(QKeyEvent *event);
    void liftKeyboardPen();

    RunnerProcess *m_device = nullptr;
    QImage m_frame;
    int m_scale = 2;
    bool m_penDown = false;
    QPoint m_penCursor{80, 80};
    bool m_penCursorShown = false;
    int m_penKey = 0; // the key holding the pen down, 0 when none
    QList<ScreenItem> m_items;
    int m_itemsRevision = 0;
};
