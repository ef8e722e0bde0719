#include "keystrokequeue.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QtDebug>

namespace {

// While no window can take the keys (the program has no window at all yet)
// they wait, checked this often, for at most this many checks.
constexpr int RetryMs = 20;
constexpr int MaxRetries = 250;

bool belongsTo(const QWidget *widget, const QWidget *window)
{
    // The window itself, or a dialog it opened.
    for (const QWidget *w = widget ? widget->window() : nullptr; w;
         w = w->parentWidget() ? w->parentWidget()->window() : nullptr) {
        if (w == window)
            return true;
    }
    return false;
}

} // namespace

KeystrokeQueue::KeystrokeQueue(QObject *parent) : QObject(parent), m_retry(new QTimer(this))
{
    m_retry->setSingleShot(true);
    connect(m_retry, &QTimer::timeout, this, &KeystrokeQueue::typePending);
}

bool KeystrokeQueue::send(const QString &notation, QWidget *window)
{
    const KeyParseResult parsed = parseKeyNotation(notation);
    if (!parsed.ok())
        return false;
    if (!window) {
        if (QWidget *focus = QApplication::focusWidget())
            window = focus->window();
        else if (QWidget *active = QApplication::activeWindow())
            window = active;
        else
            window = m_lastWindow;
    }
    if (window)
        m_lastWindow = window->window();
    for (const KeyStroke &stroke : parsed.strokes)
        m_pending.append({stroke, window ? window->window() : nullptr, window != nullptr});
    if (!m_pending.isEmpty() && !m_retry->isActive()) {
        m_waitedTicks = 0;
        m_retry->start(0);
    }
    return true;
}

QWidget *KeystrokeQueue::targetFor(QWidget *window)
{
    QWidget *focus = QApplication::focusWidget();
    if (!window)
        return focus;
    // The focused widget when it is in that window or in a dialog the window
    // opened (a key may have opened one); otherwise the widget the window
    // will give the focus back to once it is active again.
    if (focus && belongsTo(focus, window))
        return focus;
    if (QWidget *last = window->focusWidget())
        return last;
    return window;
}

void KeystrokeQueue::typePending()
{
    // One key at a time, each to the widget that takes it at that moment: a
    // key may move the focus and the next belongs to the new owner.
    while (!m_pending.isEmpty()) {
        const Pending &next = m_pending.first();
        if (next.windowGiven && !next.window) {
            // The window went away with keys still meant for it.
            qWarning("Keystrokes dropped: their window was closed before they could be typed.");
            m_pending.removeFirst();
            continue;
        }
        QPointer<QWidget> target = targetFor(next.window);
        if (!target) {
            if (++m_waitedTicks > MaxRetries) {
                qWarning("Keystrokes dropped: no window took the keyboard focus.");
                m_pending.clear();
                return;
            }
            m_retry->start(RetryMs);
            return;
        }
        const KeyStroke stroke = m_pending.takeFirst().stroke;
        QKeyEvent press(QEvent::KeyPress, stroke.key, stroke.modifiers, stroke.text);
        QApplication::sendEvent(target, &press);
        if (target) {
            QKeyEvent release(QEvent::KeyRelease, stroke.key, stroke.modifiers, stroke.text);
            QApplication::sendEvent(target, &release);
        }
    }
}
