#pragma once

#include "keynotation.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

class QTimer;

// Types queued keys, once the handler that queued them has returned, into the
// window that queued them: into the widget that has the keyboard focus there,
// or last had it while the window manager has not yet handed the activation
// back (right after a dialog closed). The keys go through the widget's own
// key handling, exactly as if the user typed them.
class KeystrokeQueue : public QObject
{
    Q_OBJECT

public:
    explicit KeystrokeQueue(QObject *parent = nullptr);

    // Queues the keys of `notation` for `window` (by default the window that
    // has, or last had, the focus); false (and nothing queued) when the
    // notation is invalid.
    bool send(const QString &notation, QWidget *window = nullptr);
    bool isIdle() const { return m_pending.isEmpty(); }

private:
    struct Pending
    {
        KeyStroke stroke;
        QPointer<QWidget> window;
        bool windowGiven;
    };

    void typePending();
    // Where the next key for `window` goes; null when there is nowhere yet.
    static QWidget *targetFor(QWidget *window);

    QList<Pending> m_pending;
    QTimer *m_retry;
    QPointer<QWidget> m_lastWindow;
    int m_waitedTicks = 0;
};
