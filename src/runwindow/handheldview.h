#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>

class RunnerProcess;

// The handheld drawn at a whole scale (1 to 4): the screen, the silk-screen area
// below it (Graffiti box; Home, Menu, Calc and Find) and the hard buttons.
// The mouse is the pen; typing is Graffiti.
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

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    struct Button
    {
        QRect rect;
        QString label;
        int key;
    };
    QList<Button> buttons() const;
    QPoint toScreen(const QPoint &position) const;

    RunnerProcess *m_device = nullptr;
    QImage m_frame;
    int m_scale = 2;
    bool m_penDown = false;
};
