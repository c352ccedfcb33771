// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/timer.h"

namespace lumaport {

Timer::Timer(QObject* parent, int intervalMs, bool enabled) : QObject(parent)
{
    m_timer.setInterval(intervalMs);
    connect(&m_timer, &QTimer::timeout, this, &Timer::timer);
    if (enabled)
        m_timer.start();
}

void Timer::setEnabled(bool enabled)
{
    if (!enabled)
        m_timer.stop();
    else if (!m_timer.isActive())
        m_timer.start();
}

} // namespace lumaport
