#pragma once

#include <QElapsedTimer>
#include <QObject>

class QTimer;

// Fires `quiet` once `intervalMs` have passed since the last poke(). A poke
// only reads the clock: restarting a QTimer on every key costs more, so the
// timer runs out and, if pokes came meanwhile, waits for the time left.
class QuietTimer : public QObject
{
    Q_OBJECT

public:
    QuietTimer(int intervalMs, QObject *parent);

    // Activity now: `quiet` comes `intervalMs` from here, not before.
    void poke();
    void stop();
    bool isActive() const;

signals:
    void quiet();

private:
    void ranOut();

    QTimer *m_timer;
    QElapsedTimer m_sinceLastPoke;
    int m_intervalMs;
};
