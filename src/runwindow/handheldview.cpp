#include "handheldview.h"

#include "device.h"
#include "handheldaccessible.h"
#include "runnerprocess.h"

#include <QAccessible>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

constexpr int Bezel = 16;
// Silk-screen height and button column width in screen pixels.
constexpr int SilkHeight = 60;
constexpr int SilkColumn = 27;
constexpr int HardHeight = 56;

} // namespace

HandheldView::HandheldView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("handheldView"));
    setAccessibleName(tr("Handheld"));
    setAccessibleDescription(tr("F1 to F4: Date, Addr, To Do, Memo; F9 to F12: Home, Menu, "
                                "Calc, Find; Shift+arrows move the pen, Insert taps"));
    HandheldViewAccessible::install();
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_frame = QImage(Device::Width, Device::Height, QImage::Format_RGB32);
    m_frame.fill(Qt::white);
    setFixedSize(sizeHint());
}

QSize HandheldView::sizeHint() const
{
    return QSize(Device::Width * m_scale + 2 * Bezel,
                 (Device::Height + SilkHeight) * m_scale + HardHeight + 2 * Bezel);
}

QRect HandheldView::screenRect() const
{
    return QRect(Bezel, Bezel, Device::Width * m_scale, Device::Height * m_scale);
}

void HandheldView::setScale(int scale)
{
    m_scale = std::clamp(scale, MinScale, MaxScale);
    setFixedSize(sizeHint());
    update();
}

void HandheldView::setRunner(RunnerProcess *runner)
{
    m_device = runner;
    m_penDown = false;
    m_penKey = 0;
    if (runner)
        setScreenItems({});
}

void HandheldView::setScreenItems(const QList<ScreenItem> &items)
{
    if (items == m_items)
        return;
    m_items = items;
    ++m_itemsRevision;
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&event);
    }
}

void HandheldView::pressButton(int key)
{
    if (!m_device)
        return;
    m_device->key(key);
}

void HandheldView::tap(const QPoint &pixel)
{
    if (!m_device)
        return;
    m_device->penDown(pixel.x(), pixel.y());
    m_device->penUp(pixel.x(), pixel.y());
}

void HandheldView::showFrame(const QImage &screen)
{
    m_frame = screen;
    update(screenRect());
}

QList<HandheldView::Button> HandheldView::buttons() const
{
    const QRect screen = screenRect();
    const int silkTop = screen.bottom() + 1;
    const int column = SilkColumn * m_scale;
    const int half = SilkHeight * m_scale / 2;
    QList<Button> list = {
        {QRect(screen.left(), silkTop, column, half), tr("Home"), DeviceKey::launch},
        {QRect(screen.left(), silkTop + half, column, half), tr("Menu"), DeviceKey::menu},
        {QRect(screen.right() + 1 - column, silkTop, column, half), tr("Calc"), DeviceKey::calc},
        {QRect(screen.right() + 1 - column, silkTop + half, column, half), tr("Find"),
         DeviceKey::find},
    };
    const int hardTop = silkTop + SilkHeight * m_scale + 8;
    const int width = screen.width() / 6;
    const int keys[] = {DeviceKey::hard1,    DeviceKey::hard2, DeviceKey::pageUp,
                        DeviceKey::pageDown, DeviceKey::hard3, DeviceKey::hard4};
    const QString labels[] = {
        tr("Date"),  tr("Addr"), QStringLiteral("\u25B2"), QStringLiteral("\u25BC"),
        tr("To Do"), tr("Memo")};
    for (int i = 0; i < 6; ++i)
        list.append({QRect(screen.left() + i * width + 2, hardTop, width - 4, HardHeight - 16),
                     labels[i], keys[i]});
    return list;
}

void HandheldView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0x3C, 0x46, 0x50));
    const QRect screen = screenRect();
    painter.drawImage(screen, m_frame);

    // Silk screen: the Graffiti box between the two button columns.
    const QRect silk(screen.left(), screen.bottom() + 1, screen.width(), SilkHeight * m_scale);
    painter.fillRect(silk, QColor(0xD8, 0xDC, 0xC8));
    painter.setPen(QColor(0x40, 0x40, 0x40));
    const QRect graffiti =
        silk.adjusted(SilkColumn * m_scale + 4, 6, -SilkColumn * m_scale - 4, -6);
    painter.drawRect(graffiti.adjusted(0, 0, -1, -1));
    const int split = graffiti.left() + graffiti.width() * 3 / 5;
    painter.drawLine(split, graffiti.top(), split, graffiti.bottom());
    painter.drawText(QRect(graffiti.left(), graffiti.bottom() - 16, split - graffiti.left(), 14),
                     Qt::AlignCenter, QStringLiteral("abc"));
    painter.drawText(QRect(split, graffiti.bottom() - 16, graffiti.right() - split, 14),
                     Qt::AlignCenter, QStringLiteral("123"));
    painter.setRenderHint(QPainter::Antialiasing);
    const QList<Button> list = buttons();
    for (qsizetype i = 0; i < list.size(); ++i) {
        const Button &button = list[i];
        const bool silkButton = i < 4;
        painter.setBrush(silkButton ? QColor(0xC8, 0xCC, 0xB8) : QColor(0x28, 0x30, 0x38));
        painter.setPen(silkButton ? QColor(0x40, 0x40, 0x40) : QColor(0x90, 0x98, 0xA0));
        painter.drawRoundedRect(button.rect.adjusted(3, 3, -3, -3), 8, 8);
        painter.setPen(silkButton ? Qt::black : QColor(0xE0, 0xE0, 0xE0));
        // At small scales a label is drawn smaller rather than cut off.
        QFont labelFont = font();
        const int room = button.rect.width() - 8;
        const int wide = QFontMetrics(labelFont).horizontalAdvance(button.label);
        if (wide > room && room > 0 && labelFont.pointSizeF() > 0)
            labelFont.setPointSizeF(labelFont.pointSizeF() * room / wide);
        painter.setFont(labelFont);
        painter.drawText(button.rect, Qt::AlignCenter, button.label);
    }
    if (m_penCursorShown) {
        // Cross hairs around the pixel the keyboard's pen is over, filled
        // while the pen is down.
        const QRect pixel(screen.topLeft() + m_penCursor * m_scale, QSize(m_scale, m_scale));
        const int arm = 3 * m_scale + 2;
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(QColor(0xE0, 0x20, 0x20), 1));
        const QPoint c = pixel.center();
        painter.drawLine(c.x() - arm, c.y(), pixel.left() - 2, c.y());
        painter.drawLine(pixel.right() + 2, c.y(), c.x() + arm, c.y());
        painter.drawLine(c.x(), c.y() - arm, c.x(), pixel.top() - 2);
        painter.drawLine(c.x(), pixel.bottom() + 2, c.x(), c.y() + arm);
        if (m_penKey)
            painter.fillRect(pixel, QColor(0xE0, 0x20, 0x20));
        else
            painter.drawRect(pixel.adjusted(-1, -1, 0, 0));
    }
}

QPoint HandheldView::toScreen(const QPoint &position) const
{
    const QPoint local = position - screenRect().topLeft();
    return QPoint(std::clamp(local.x() / m_scale, 0, Device::Width - 1),
                  std::clamp(local.y() / m_scale, 0, Device::Height - 1));
}

void HandheldView::mousePressEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    if (!m_device || event->button() != Qt::LeftButton)
        return;
    const QPoint position = event->position().toPoint();
    if (screenRect().contains(position)) {
        m_penDown = true;
        const QPoint pen = toScreen(position);
        m_device->penDown(pen.x(), pen.y());
        return;
    }
    for (const Button &button : buttons()) {
        if (!button.rect.contains(position))
            continue;
        m_device->key(button.key);
        return;
    }
}

void HandheldView::mouseMoveEvent(QMouseEvent *event)
{
    if (m_device && m_penDown) {
        const QPoint pen = toScreen(event->position().toPoint());
        m_device->penMove(pen.x(), pen.y());
    }
}

void HandheldView::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_device && m_penDown && event->button() == Qt::LeftButton) {
        m_penDown = false;
        const QPoint pen = toScreen(event->position().toPoint());
        m_device->penUp(pen.x(), pen.y());
    }
}

bool HandheldView::penCursorKey(QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const bool pen = event->key() == Qt::Key_Insert ||
                     (event->key() == Qt::Key_Space && mods == Qt::ShiftModifier);
    if (pen) {
        // Held down, the key repeats: the pen stays down.
        if (!event->isAutoRepeat() && !m_penKey) {
            m_penKey = event->key();
            m_penCursorShown = true;
            m_device->penDown(m_penCursor.x(), m_penCursor.y());
            update(screenRect());
        }
        return true;
    }
    if (!(mods & Qt::ShiftModifier) || (mods & ~(Qt::ShiftModifier | Qt::ControlModifier)))
        return false;
    QPoint step;
    switch (event->key()) {
    case Qt::Key_Left:
        step = {-1, 0};
        break;
    case Qt::Key_Right:
        step = {1, 0};
        break;
    case Qt::Key_Up:
        step = {0, -1};
        break;
    case Qt::Key_Down:
        step = {0, 1};
        break;
    default:
        return false;
    }
    const int distance = (mods & Qt::ControlModifier) ? 8 : 1;
    m_penCursor = QPoint(std::clamp(m_penCursor.x() + step.x() * distance, 0, Device::Width - 1),
                         std::clamp(m_penCursor.y() + step.y() * distance, 0, Device::Height - 1));
    m_penCursorShown = true;
    if (m_penKey)
        m_device->penMove(m_penCursor.x(), m_penCursor.y());
    update(screenRect());
    return true;
}

void HandheldView::liftKeyboardPen()
{
    if (!m_penKey)
        return;
    m_penKey = 0;
    if (m_device)
        m_device->penUp(m_penCursor.x(), m_penCursor.y());
    update(screenRect());
}

void HandheldView::keyReleaseEvent(QKeyEvent *event)
{
    if (m_penKey && event->key() == m_penKey && !event->isAutoRepeat()) {
        liftKeyboardPen();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void HandheldView::focusOutEvent(QFocusEvent *event)
{
    // A pen left down would hold a button pressed for ever.
    liftKeyboardPen();
    QWidget::focusOutEvent(event);
}

void HandheldView::keyPressEvent(QKeyEvent *event)
{
    if (!m_device) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (penCursorKey(event))
        return;
    static const struct
    {
        int qtKey;
        int deviceKey;
    } buttonKeys[] = {
        {Qt::Key_F1, DeviceKey::hard1},  {Qt::Key_F2, DeviceKey::hard2},
        {Qt::Key_F3, DeviceKey::hard3},  {Qt::Key_F4, DeviceKey::hard4},
        {Qt::Key_F9, DeviceKey::launch}, {Qt::Key_F10, DeviceKey::menu},
        {Qt::Key_F11, DeviceKey::calc},  {Qt::Key_F12, DeviceKey::find},
    };
    for (const auto &b : buttonKeys) {
        if (event->key() == b.qtKey && !(event->modifiers() & ~Qt::KeypadModifier)) {
            pressButton(b.deviceKey);
            return;
        }
    }
    switch (event->key()) {
    case Qt::Key_Backspace:
        m_device->key(DeviceKey::backspace);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        m_device->key(DeviceKey::linefeed);
        return;
    case Qt::Key_Up:
    case Qt::Key_PageUp:
        m_device->key(DeviceKey::pageUp);
        return;
    case Qt::Key_Down:
    case Qt::Key_PageDown:
        m_device->key(DeviceKey::pageDown);
        return;
    default:
        break;
    }
    // Typed characters are Graffiti strokes: the handheld's Latin-1 set.
    const QString text = event->text();
    if (text.size() == 1 && text.at(0).unicode() >= 0x20 && text.at(0).unicode() < 0x100 &&
        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        m_device->key(text.at(0).unicode());
        return;
    }
    QWidget::keyPressEvent(event);
}
