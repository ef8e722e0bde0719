#include "keystrokequeue.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

KeystrokeQueue::KeystrokeQueue(QObject *parent) : QObject(parent) {}

bool KeystrokeQueue::send(const QString &notation)
{
    const KeyParseResult parsed = parseKeyNotation(notation);
    if (!parsed.ok())
        return false;
    m_pending.append(parsed.strokes);
    if (!m_scheduled && !m_pending.isEmpty()) {
        m_scheduled = true;
        QTimer::singleShot(0, this, &KeystrokeQueue::typePending);
    }
    return true;
}

void KeystrokeQueue::typePending()
{
    m_scheduled = false;
    // One key at a time, each to the widget focused at that moment: a key may
    // move the focus (Enter in a dialog) and the next belongs to the new owner.
    while (!m_pending.isEmpty()) {
        const KeyStroke stroke = m_pending.takeFirst();
        QPointer<QWidget> target = QApplication::focusWidget();
        if (!target)
            continue;
        QKeyEvent press(QEvent::KeyPress, stroke.key, stroke.modifiers, stroke.text);
        QApplication::sendEvent(target, &press);
        if (target) {
            QKeyEvent release(QEvent::KeyRelease, stroke.key, stroke.modifiers, stroke.text);
            QApplication::sendEvent(target, &release);
        }
    }
}
