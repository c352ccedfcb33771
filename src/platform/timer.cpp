// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/timer.h"

#include <algorithm>

namespace lumaport {

Timer::Timer(QObject* parent, int intervalMs, bool enabled, TimerClock* clock)
    : QObject(parent), m_clock(clock), m_interval(intervalMs)
{
    // Qt's default coarse timers may fire up to 5 % early: the splash would hand over before its 2 s.
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(intervalMs);
    connect(&m_timer, &QTimer::timeout, this, &Timer::timer);
    if (m_clock)
        m_clock->m_timers.push_back(this);
    setEnabled(enabled);
}

Timer::~Timer()
{
    if (m_clock)
        std::erase(m_clock->m_timers, this);
}

void Timer::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    if (m_clock)
        m_due = m_clock->m_now + m_interval;
    else if (enabled)
        m_timer.start();
    else
        m_timer.stop();
}

TimerClock::~TimerClock()
{
    for (Timer* timer : m_timers)
        timer->m_clock = nullptr;
}

void TimerClock::advance(int ms)
{
    const qint64 end = m_now + ms;
    for (;;) {
        // Looked up afresh after every tick: a tick's handler may stop, start or destroy timers.
        Timer* next = nullptr;
        for (Timer* timer : m_timers) {
            if (timer->m_enabled && timer->m_due <= end && (!next || timer->m_due < next->m_due))
                next = timer;
        }
        if (!next)
            break;
        m_now = next->m_due;
        next->m_due += next->m_interval;
        Q_EMIT next->timer();
    }
    m_now = end;
}

} // namespace lumaport
