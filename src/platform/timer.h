// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTimer>
#include <vector>

namespace lumaport {

class TimerClock;

/// A timer with an Enabled switch: enabling one that already runs does not restart its interval. A tick
/// never comes before its interval is over. Without a clock it counts the system's time.
class Timer : public QObject
{
    Q_OBJECT
public:
    Timer(QObject* parent, int intervalMs, bool enabled, TimerClock* clock);
    ~Timer() override;

    bool enabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    int interval() const { return m_interval; }

Q_SIGNALS:
    void timer();

private:
    friend class TimerClock;

    QTimer m_timer;
    TimerClock* m_clock;
    int m_interval;
    bool m_enabled = false;
    qint64 m_due = 0;
};

/// Time that moves only when told, so tests need not wait for ticks: the timers counting on it tick inside
/// advance(), in the order they fall due.
class TimerClock
{
public:
    TimerClock() = default;
    ~TimerClock();
    TimerClock(const TimerClock&) = delete;
    TimerClock& operator=(const TimerClock&) = delete;

    void advance(int ms);

private:
    friend class Timer;

    qint64 m_now = 0;
    std::vector<Timer*> m_timers;
};

} // namespace lumaport
