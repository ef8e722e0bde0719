#pragma once

#include "keynotation.h"

#include <QList>
#include <QObject>

// Types queued keys into whatever widget has the keyboard focus, once the
// handler that queued them has returned: the keys go through the widget's own
// key handling and shortcuts, exactly as if the user typed them.
class KeystrokeQueue : public QObject
{
    Q_OBJECT

public:
    explicit KeystrokeQueue(QObject *parent = nullptr);

    // Queues the keys of `notation`; false (and nothing queued) when it is invalid.
    bool send(const QString &notation);
    bool isIdle() const { return m_pending.isEmpty(); }

private:
    void typePending();

    QList<KeyStroke> m_pending;
    bool m_scheduled = false;
};
