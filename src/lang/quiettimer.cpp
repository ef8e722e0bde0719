#include "quiettimer.h"

#include <QTimer>

QuietTimer::QuietTimer(int intervalMs, QObject *parent)
    : QObject(parent), m_timer(new QTimer(this)), m_intervalMs(intervalMs)
{
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &QuietTimer::ranOut);
}

void QuietTimer::poke()
{
    m_sinceLastPoke.start();
    if (!m_timer->isActive())
        m_timer->start(m_intervalMs);
}

void QuietTimer::stop()
{
    m_timer->stop();
}

bool QuietTimer::isActive() const
{
    return m_timer->isActive();
}

void QuietTimer::ranOut()
{
    const qint64 quietFor = m_sinceLastPoke.isValid() ? m_sinceLastPoke.elapsed() : m_intervalMs;
    if (quietFor < m_intervalMs)
        m_timer->start(int(m_intervalMs - quietFor));
    else
        emit quiet();
}
