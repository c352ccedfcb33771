// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTimer>

namespace lumaport {

/// A timer with an Enabled switch: enabling one that already runs does not restart its interval.
class Timer : public QObject
{
    Q_OBJECT
public:
    Timer(QObject* parent, int intervalMs, bool enabled);

    bool enabled() const { return m_timer.isActive(); }
    void setEnabled(bool enabled);
    int interval() const { return m_timer.interval(); }

Q_SIGNALS:
    void timer();

private:
    QTimer m_timer;
};

} // namespace lumaport
